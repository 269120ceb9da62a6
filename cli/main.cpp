#include <iostream>

#include "cli/BatchTool.h"

int main(int argc, char** argv)
{
    return RunBatch(argc, argv, std::cout, std::cerr);
}
