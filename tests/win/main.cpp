#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

// The window tests run on this one thread, which owns every window they create.
int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    OleInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
