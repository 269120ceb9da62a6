// The Windows window under Wine: whole conversions compared with ordevik-batch.exe, a
// stopped run, the path history in the registry, bad input, the six dialogs, and a
// confirmed quit ending the real program with status 0.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "platform/FileSystem.h"
#include "tests/TestSupport.h"
#include "tests/win/WinDriver.h"
#include "win/WideText.h"
#include "wizard/ControlIds.h"

namespace fs = std::filesystem;
using namespace control;

namespace {

// A shown top-level window of process `processId` with this caption; waits up to 30 s.
HWND WaitForWindow(DWORD processId, const std::string& caption)
{
    struct Search
    {
        DWORD process;
        std::string caption;
        HWND found = nullptr;
    } search{processId, caption};
    for (int attempt = 0; attempt < 600 && search.found == nullptr; ++attempt) {
        EnumWindows(
            [](HWND candidate, LPARAM data) -> BOOL {
                auto* state = reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(candidate, &owner);
                if (owner == state->process && IsWindowVisible(candidate) &&
                    WindowText(candidate) == state->caption) {
                    state->found = candidate;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        Sleep(50);
    }
    return search.found;
}

}

class WinRunTest : public WinWizardTest
{
protected:
    // From the welcome page through the summary with every fileset and kind of the demo
    // set and the default options; `xmlFolder` exists.
    void ToSummaryPage(const fs::path& xmlFolder)
    {
        ToFilesetPage(xmlFolder);
        SelectRows(allFilesetList, {0, 1, 2});
        Click(addFileset);
        Click(next);
        Click(next);
        Click(next);
        ASSERT_EQ(5, window->Logic().PageIndex());
    }
};

// The demo set through every page: the tree equals ordevik-batch.exe's byte for byte,
// and the page ends in its completion state; 完了 ends the wizard without a question.
TEST_F(WinRunTest, WholeConversionEqualsTheBatchTool)
{
    TempFolder out;
    Open();
    ToSummaryPage(out.Path());
    answerer->Queue(Answer::Button(1078));  // 全てスキップ
    Click(next);
    ASSERT_EQ(1u, answerer->seen.size());
    const SeenDialog& skip = answerer->seen[0];
    EXPECT_EQ("確認", skip.caption);
    EXPECT_EQ("データファイル 44202BK.sal がありません。", skip.message);
    EXPECT_EQ((std::vector<int>{1078, 1073, 2}), skip.buttons);
    EXPECT_EQ((std::vector<std::string>{"全てスキップ", "スキップ", "終了"}), skip.buttonTexts);
    EXPECT_EQ(1078, skip.focus);

    TempFolder batch;
    const fs::path demo = Demo();
    ASSERT_EQ(0, RunProgram("ordevik-batch.exe",
                            {L"--csv", (demo / "filesets.csv").wstring(), L"--data",
                             (demo / "data").wstring(), L"--dtd", (demo / "dtd").wstring(),
                             L"--out", batch.Path().wstring(), L"--quiet"}));
    const auto expected = FileTree(batch.Path());
    EXPECT_GT(expected.size(), 3u);
    EXPECT_TRUE(FileTree(out.Path()) == expected);

    EXPECT_EQ("ケルダデータの解凍が完了しました。完了ボタンで終了します。", Text(statusMessage));
    EXPECT_EQ("完了", Text(next));
    EXPECT_TRUE(Enabled(next) && Enabled(help));
    EXPECT_FALSE(Enabled(back) || Enabled(cancel));
    EXPECT_TRUE(Visible(completedTitle));
    EXPECT_FALSE(Visible(progressTitle));
    EXPECT_EQ("中津市", Text(filesetName));
    EXPECT_EQ("(3/3)", Text(filesetCounter));
    for (const int field : {filesetName, filesetCounter, featureName, featureCounter, progressBar}) {
        EXPECT_FALSE(Enabled(field));
    }
    EXPECT_EQ(40, SendMessageW(Control(progressBar), PBM_GETRANGE, FALSE, 0));
    // The skip question and the end of the run.
    EXPECT_EQ(2, beeps);
    Click(next);
    EXPECT_TRUE(window->Ended());
    EXPECT_FALSE(IsWindowVisible(window->Handle()));
}

// A run stopped in its own dialog (an existing XML file, answered with Escape) still
// completes the page, with the stopped run's message.
TEST_F(WinRunTest, StoppedRunShowsItsMessage)
{
    TempFolder out;
    WriteFileBytes(out / "44201" / "44201.xml", "before");
    Open();
    ToSummaryPage(out.Path());
    answerer->Queue(Answer::Key(VK_ESCAPE));
    Click(next);
    ASSERT_EQ(1u, answerer->seen.size());
    const SeenDialog& overwrite = answerer->seen[0];
    EXPECT_EQ("確認", overwrite.caption);
    EXPECT_EQ("XMLファイル 44201.xml は既に存在します。", overwrite.message);
    EXPECT_EQ((std::vector<int>{1072, 1071, 1073, 2}), overwrite.buttons);
    EXPECT_EQ((std::vector<std::string>{"全て上書き", "上書き", "スキップ", "終了"}),
              overwrite.buttonTexts);
    EXPECT_EQ(1072, overwrite.focus);
    EXPECT_EQ("ケルダデータの解凍を中止しました。完了ボタンで終了します。", Text(statusMessage));
    EXPECT_EQ("before", ReadFileBytes(out / "44201" / "44201.xml"));
    EXPECT_EQ("完了", Text(next));
}

// The history is read and written only with "-r": written to the registry when page 1
// is left, and read back into three of the four paths by the next start.
TEST_F(WinRunTest, HistoryOnlyWithTheOptionAndReadBackFromTheRegistry)
{
    TempFolder out;
    const std::wstring key = std::wstring(L"Software\\QXZ\\") + historyApplication + L"\\History";
    Open(false);
    ToFilesetPage(out.Path());
    ASSERT_EQ(2, window->Logic().PageIndex());
    HKEY opened = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened));

    Open(true);
    EXPECT_EQ("", Text(csvEdit));
    ToFilesetPage(out.Path());
    ASSERT_EQ(2, window->Logic().PageIndex());
    auto value = [&key](const wchar_t* name) {
        wchar_t text[1024] = {};
        DWORD bytes = sizeof(text);
        RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes);
        return FromWide(text);
    };
    EXPECT_EQ(PathText(Demo() / "filesets.csv"), value(L"CSV_File"));
    EXPECT_EQ(PathText(Demo() / "dtd"), value(L"DTD_Folder"));
    EXPECT_EQ(PathText(Demo() / "data"), value(L"Data_Folder"));
    EXPECT_EQ(PathText(out.Path()), value(L"XML_Folder"));

    Open(true);
    Click(next);
    EXPECT_EQ(PathText(Demo() / "filesets.csv"), Text(csvEdit));
    EXPECT_EQ(PathText(Demo() / "dtd"), Text(dtdEdit));
    EXPECT_EQ(PathText(Demo() / "data"), Text(dataEdit));
    EXPECT_EQ("", Text(xmlEdit));
    EXPECT_FALSE(Enabled(next));
}

// Bad input gives the messages it gives on Linux and the user stays on page 1: a CSV
// file on a drive that does not exist, a history that names a file that is gone, an XML
// folder that cannot be created. A path of more than 260 characters works.
TEST_F(WinRunTest, BadInputGivesTheSameMessagesAsOnLinux)
{
    TempFolder out;
    Open();
    Click(next);
    picker.files.push_back(LR"(Q:\nowhere\filesets.csv)");
    Click(csvBrowse);
    picker.folders.push_back(out.Path());
    Click(xmlBrowse);
    answerer->Queue(Answer::Button(1));
    Click(next);
    ASSERT_EQ(1u, answerer->seen.size());
    EXPECT_EQ("警告", answerer->seen[0].caption);
    EXPECT_EQ("CSVファイルがありません。", answerer->seen[0].message);
    EXPECT_EQ((std::vector<std::string>{"ＯＫ"}), answerer->seen[0].buttonTexts);
    EXPECT_EQ(1, window->Logic().PageIndex());

    // An XML folder below a file: asked, then refused.
    WriteFileBytes(out / "file.txt", "x");
    picker.files.push_back(Demo() / "filesets.csv");
    Click(csvBrowse);
    picker.folders.push_back(out / "file.txt" / "xml");
    Click(xmlBrowse);
    answerer->Queue(Answer::Button(1));
    answerer->Queue(Answer::Button(1));
    Click(next);
    ASSERT_EQ(3u, answerer->seen.size());
    EXPECT_EQ("XMLフォルダを作成します。", answerer->seen[1].message);
    EXPECT_EQ("XMLフォルダを作成できません。", answerer->seen[2].message);
    EXPECT_EQ(1, window->Logic().PageIndex());

    // A new XML folder whose path is longer than 260 characters is created.
    fs::path deep = out.Path();
    std::wstring longForm = LR"(\\?\)" + fs::absolute(deep).wstring();
    for (int level = 0; level < 6; ++level) {
        const std::wstring name = std::wstring(50, wchar_t(L'a' + level));
        deep /= name;
        longForm += L"\\" + name;
        CreateDirectoryW(longForm.c_str(), nullptr);
    }
    const fs::path xml = deep / "xml";
    ASSERT_GT(xml.wstring().size(), 260u);
    picker.folders.push_back(xml);
    Click(xmlBrowse);
    answerer->Queue(Answer::Button(1));
    Click(next);
    ASSERT_EQ(4u, answerer->seen.size());
    EXPECT_EQ("XMLフォルダを作成します。", answerer->seen[3].message);
    EXPECT_EQ(2, window->Logic().PageIndex());
    EXPECT_EQ(PathText(xml), Text(xmlEdit));

    // A history value naming a file that is gone.
    history.Write("History", "CSV_File", PathText(out / "gone.csv"));
    Open(true);
    Click(next);
    EXPECT_EQ(PathText(out / "gone.csv"), Text(csvEdit));
    picker.folders.push_back(out.Path());
    picker.folders.push_back(out.Path());
    picker.folders.push_back(out.Path());
    Click(dtdBrowse);
    Click(dataBrowse);
    Click(xmlBrowse);
    answerer->Queue(Answer::Button(1));
    Click(next);
    ASSERT_EQ(1u, answerer->seen.size());
    EXPECT_EQ("CSVファイルがありません。", answerer->seen[0].message);
    EXPECT_EQ(1, window->Logic().PageIndex());
}

// Each of the six dialogs with its own layout: every button ends it with its result,
// Enter presses the focused first button, Escape gives the escape result; Warning and
// Failure are centred on the screen, the others over the wizard.
TEST_F(WinRunTest, SixDialogsAnswerWithTheirButtonsAndKeys)
{
    Open();
    // Moved off the screen's centre, so that the two centrings differ.
    SetWindowPos(window->Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    WinDialogPresenter presenter(GetModuleHandleW(nullptr), [] {});
    presenter.SetOwner(window->Handle());
    const DialogLayout* layouts[] = {&AboutDialog::Definition(),   &WarningDialog::Definition(),
                                     &OverwriteDialog::Definition(), &ConfirmDialog::Definition(),
                                     &SkipDialog::Definition(),    &FailureDialog::Definition()};
    RECT wizard{};
    GetWindowRect(window->Handle(), &wizard);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window->Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    for (const DialogLayout* layout : layouts) {
        SCOPED_TRACE(layout->caption);
        for (const DialogButton& button : layout->buttons) {
            answerer->Queue(Answer::Button(button.id));
            EXPECT_EQ(button.result, presenter.ShowModal(*layout, MessageId::None, "text"));
        }
        answerer->Queue(Answer::Key(VK_ESCAPE));
        EXPECT_EQ(layout->escapeResult, presenter.ShowModal(*layout, MessageId::None, "text"));
        answerer->Queue(Answer::Key(VK_RETURN));
        EXPECT_EQ(layout->buttons.front().result,
                  presenter.ShowModal(*layout, MessageId::None, "text"));
        const SeenDialog& seen = answerer->seen.back();
        EXPECT_EQ(layout->caption, seen.caption);
        EXPECT_EQ("text", seen.message);
        EXPECT_EQ(layout->buttons.front().id, seen.focus);
        EXPECT_EQ(layout->defaultButtonId, seen.defaultButton);
        const RECT& area = layout->centredOnScreen ? monitor.rcWork : wizard;
        EXPECT_NEAR((area.left + area.right) / 2, (seen.frame.left + seen.frame.right) / 2, 1);
        EXPECT_NEAR((area.top + area.bottom) / 2, (seen.frame.top + seen.frame.bottom) / 2, 1);
    }
    // A message wider than its line widens the dialog rather than cutting it off.
    const std::string wide = "データファイル " + std::string(60, 'x') + ".sal がありません。";
    answerer->Queue(Answer::Button(2));
    presenter.ShowModal(SkipDialog::Definition(), MessageId::None, wide);
    const SeenDialog& seen = answerer->seen.back();
    RECT units{0, 0, SkipDialog::Definition().width, 0};
    MapDialogRect(window->Handle(), &units);
    EXPECT_GT(seen.frame.right - seen.frame.left, units.right + 100);
    EXPECT_EQ(wide, seen.message);
}

// Cancel confirmed with ＯＫ ends the real program at once with status 0.
TEST(WinProgramTest, ConfirmedQuitExitsWithZero)
{
    bool asked = false;
    const int status = RunProgram("ordevik.exe", {}, 30000, [&asked](DWORD process) {
        HWND wizard = WaitForWindow(process, "ケルダ");
        ASSERT_NE(nullptr, wizard);
        PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        HWND confirm = WaitForWindow(process, "確認");
        ASSERT_NE(nullptr, confirm);
        asked = WindowText(GetDlgItem(confirm, 1076)) == "プログラムを終了します。";
        PostMessageW(confirm, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(confirm, 1)));
    });
    EXPECT_TRUE(asked);
    EXPECT_EQ(0, status);
}
