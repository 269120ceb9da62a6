#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <windows.h>
#include <commctrl.h>

#include "tests/win/Screenshots.h"
#include "win/WinServices.h"

// The window tests run on this one thread, which owns every window they create.
// "--screenshots SIGNALS WORK" walks the wizard for scripts/screenshots-windows.sh instead.
int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    const OleSession ole;
    int result = 0;
    if (argc == 4 && std::strcmp(argv[1], "--screenshots") == 0) {
        result = TakeScreenshots(argv[2], argv[3]);
    } else {
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
