#include <iostream>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "cli/BatchTool.h"

#ifdef _WIN32
namespace {

// The arguments as UTF-8, from the wide command line: the narrow one would pass every
// path through the process code page.
std::vector<std::string> Utf8Arguments()
{
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return arguments;
    }
    for (int i = 0; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), size, nullptr, nullptr);
        argument.pop_back();  // the terminating zero
        arguments.push_back(std::move(argument));
    }
    LocalFree(wide);
    return arguments;
}

}
#endif

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    // A run allocates and frees the lines of one data file after another. Keeping freed
    // memory instead of handing it back spares refaulting the same pages every kind;
    // the peak stays what the largest kind needs.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
#endif
#ifdef _WIN32
    // Dialog lines and the summary are UTF-8; the console shows them as such, and the
    // progress bar's escape sequence clears the rest of its line.
    SetConsoleOutputCP(CP_UTF8);
    const HANDLE errorConsole = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(errorConsole, &mode) != 0) {
        SetConsoleMode(errorConsole, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
    const std::vector<std::string> arguments = Utf8Arguments();
    std::vector<const char*> utf8Argv;
    for (const std::string& argument : arguments) {
        utf8Argv.push_back(argument.c_str());
    }
    if (!utf8Argv.empty()) {
        return RunBatch(static_cast<int>(utf8Argv.size()), utf8Argv.data(), std::cout, std::cerr);
    }
#endif
    return RunBatch(argc, argv, std::cout, std::cerr);
}
