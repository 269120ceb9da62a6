#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "platform/FileSystem.h"
#include "readers/SettingsFile.h"
#include "win/WideText.h"
#include "win/WinServices.h"
#include "win/WizardWindow.h"
#include "wizard/WizardDialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    const OleSession ole;

    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(FromWide(wide[i]));
    }
    LocalFree(wide);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }

    // The history lives under Software\QXZ\ and the executable's file title.
    WinServices services(L"QXZ", ExecutablePath().stem().wstring());
    WizardWindow window(instance, services.Services(),
                        HistoryRequested(static_cast<int>(argv.size()), argv.data()),
                        SettingsFile::DefaultPath());
    window.RunModal();
    return 0;
}
