#include "tests/win/Screenshots.h"

#include <fstream>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include "dialogs/Messages.h"
#include "tests/win/WinDriver.h"
#include "wizard/ControlIds.h"

namespace fs = std::filesystem;
using namespace control;

namespace {

// Waits up to 30 s for the picture of `window`, painting meanwhile.
bool Stop(const fs::path& folder, const std::string& name, HWND window, HWND beside)
{
    // Under Xvfb and openbox, Wine leaves a dialog black where it lies wholly over the
    // wizard; beside it, it is drawn as it is (a window manager's artefact, not the
    // program's), so a dialog is moved to the right of `beside` for its picture.
    if (beside != nullptr) {
        RECT owner{};
        GetWindowRect(beside, &owner);
        RECT own{};
        GetWindowRect(window, &own);
        SetWindowPos(window, nullptr, owner.right + 16, own.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Waiting for messages, rather than sleeping, lets Wine hand the painted window to
    // the X server.
    for (int settle = 0; settle < 10; ++settle) {
        Pump(nullptr);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT);
    }
    RECT frame{};
    GetWindowRect(window, &frame);
    // Written whole before the script can see it.
    const fs::path ready = folder / (name + ".ready");
    const fs::path partial = folder / (name + ".partial");
    std::ofstream(partial, std::ios::binary) << frame.left << ' ' << frame.top << ' '
                                             << frame.right << ' ' << frame.bottom << '\n';
    fs::rename(partial, ready);
    for (int wait = 0; wait < 1500 && fs::exists(ready); ++wait) {
        Pump(nullptr);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return !fs::exists(ready);
}

}

int TakeScreenshots(const fs::path& signalFolder, const fs::path& work)
{
    FakePicker picker;
    FakeOpener opener;
    FakeExit processExit;
    FakeHistory history;
    const fs::path demo = fs::path(ORDEVIK_SOURCE_DIR) / "samples" / "demo";
    WizardWindow window(GetModuleHandleW(nullptr),
                        WizardServices{history, picker, opener, processExit}, false,
                        fs::path(ORDEVIK_BUILD_DIR) / "ordevik.ini", [] {});
    HWND wizard = window.Create();
    if (wizard == nullptr) {
        return 1;
    }
    DialogAnswerer answerer(wizard);
    bool taken = true;
    auto stop = [&](const std::string& name, HWND shown) {
        taken = Stop(signalFolder, name, shown, shown == wizard ? nullptr : wizard) && taken;
    };
    auto click = [&](int id) {
        SendMessageW(window.Control(id), BM_CLICK, 0, 0);
        Pump(wizard);
    };
    auto select = [&](int listId, std::initializer_list<int> rows) {
        for (const int row : rows) {
            ListView_SetItemState(window.Control(listId), row, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
        }
        Pump(wizard);
    };

    stop("page0-welcome", wizard);
    click(next);
    picker.files.push_back(demo / "filesets.csv");
    click(csvBrowse);
    picker.folders.push_back(work / "xml");
    click(xmlBrowse);
    stop("page1-input", wizard);
    answerer.beforeAnswer = [&](HWND dialog) { stop("dialog-confirm", dialog); };
    answerer.Queue(Answer::Button(1));
    click(next);
    select(allFilesetList, {0, 1, 2});
    click(addFileset);
    select(chosenFilesetList, {1});
    stop("page2-filesets", wizard);
    click(next);
    select(featureFilesetList, {0});
    stop("page3-features", wizard);
    click(next);
    stop("page4-options", wizard);
    click(next);
    stop("page5-summary", wizard);
    // The progress page while the run waits for its question, then the question.
    answerer.beforeAnswer = [&](HWND dialog) {
        ShowWindow(dialog, SW_HIDE);
        stop("page6-progress", wizard);
        ShowWindow(dialog, SW_SHOW);
        stop("dialog-skip", dialog);
    };
    answerer.Queue(Answer::Button(1078));
    click(next);
    answerer.beforeAnswer = nullptr;
    stop("page6-completed", wizard);
    // The map of the first fileset, chosen as the user does.
    HWND choice = window.Control(previewChoice);
    SendMessageW(choice, CB_SETCURSEL, 1, 0);
    SendMessageW(wizard, WM_COMMAND, MAKEWPARAM(previewChoice, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(choice));
    Pump(wizard);
    stop("page6-preview", wizard);

    // The other dialogs with the texts they show in a run.
    WinDialogPresenter presenter(GetModuleHandleW(nullptr), [] {});
    presenter.SetOwner(wizard);
    const struct
    {
        const char* name;
        const DialogLayout& layout;
        std::string message;
    } dialogs[] = {
        {"dialog-overwrite", OverwriteDialog::Definition(),
         MessageText(MessageId::XmlFileExists, "44201.xml")},
        {"dialog-warning", WarningDialog::Definition(), MessageText(MessageId::CsvFileMissing)},
        {"dialog-failure", FailureDialog::Definition(),
         MessageText(MessageId::MetadataFileMissing)},
        {"dialog-quit", ConfirmDialog::Definition(), MessageText(MessageId::QuitProgram)},
        {"dialog-about", AboutDialog::Definition(), MessageText(MessageId::About)},
    };
    for (const auto& dialog : dialogs) {
        answerer.beforeAnswer = [&](HWND shown) { stop(dialog.name, shown); };
        answerer.Queue(Answer::Key(VK_ESCAPE));
        presenter.ShowModal(dialog.layout, MessageId::None, dialog.message);
    }
    return taken ? 0 : 1;
}
