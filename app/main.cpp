#include "app/ConverterApp.h"

int main(int argc, char** argv)
{
    ConverterApp app(argc, argv);
    return app.Exec();
}
