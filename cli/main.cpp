#include <malloc.h>

#include <iostream>

#include "cli/BatchTool.h"

int main(int argc, char** argv)
{
    // A run allocates and frees the lines of one data file after another. Keeping freed
    // memory instead of handing it back spares refaulting the same pages every kind;
    // the peak stays what the largest kind needs.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    return RunBatch(argc, argv, std::cout, std::cerr);
}
