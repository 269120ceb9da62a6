// The Windows window under Wine: every page's controls, captions, lists, boxes and radio
// buttons, the keys, and the wizard's own dialogs answered by their buttons.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "platform/FileSystem.h"
#include "tests/TestSupport.h"
#include "tests/win/WinDriver.h"
#include "win/WideText.h"
#include "wizard/ControlIds.h"
#include "wizard/PageLayout.h"

namespace fs = std::filesystem;
using namespace control;

namespace {

std::vector<int> Sorted(std::vector<int> ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}

}

// Every control of the layout exists at its id, of the class its kind needs, at its
// rectangle scaled to the dialog's units; the window is 335 × 288 dialog units of
// "ＭＳ Ｐゴシック" 9 pt, captioned "ケルダ", with the about item in its system menu.
TEST_F(WinWizardTest, FrameHoldsEveryControlOfTheLayoutAtItsId)
{
    Open();
    HWND dialog = window->Handle();
    EXPECT_EQ("ケルダ", WindowText(dialog));
    RECT client{};
    GetClientRect(dialog, &client);
    RECT units{0, 0, 335, 288};
    MapDialogRect(dialog, &units);
    EXPECT_EQ(units.right, client.right);
    EXPECT_EQ(units.bottom, client.bottom);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ("ＭＳ Ｐゴシック", FromWide(font.lfFaceName));

    EXPECT_EQ(71u, layout::Controls().size());
    for (const layout::Control& entry : layout::Controls()) {
        SCOPED_TRACE(entry.id);
        HWND control = Control(entry.id);
        ASSERT_NE(nullptr, control);
        EXPECT_EQ(control, GetDlgItem(dialog, entry.id));
        wchar_t name[32] = {};
        GetClassNameW(control, name, 32);
        const std::wstring expected = entry.kind == layout::Kind::PushButton ||
                                              entry.kind == layout::Kind::GroupBox ||
                                              entry.kind == layout::Kind::RadioButton
                                          ? L"Button"
                                      : entry.kind == layout::Kind::PathEdit ||
                                              entry.kind == layout::Kind::TextBox ||
                                              entry.kind == layout::Kind::SummaryBox ||
                                              entry.kind == layout::Kind::ReportBox
                                          ? L"Edit"
                                      : entry.kind == layout::Kind::FilesetList ||
                                              entry.kind == layout::Kind::CheckList
                                          ? L"SysListView32"
                                      : entry.kind == layout::Kind::ProgressBar
                                          ? L"msctls_progress32"
                                      : entry.kind == layout::Kind::ChoiceBox
                                          ? L"ComboBox"
                                          : L"Static";
        EXPECT_EQ(FromWide(expected), FromWide(name));
        if (entry.kind == layout::Kind::Picture || entry.kind == layout::Kind::RadioButton) {
            continue;  // placed by the logic; as wide as its text
        }
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(window->PixelsAcross(entry.x), rect.left);
        EXPECT_EQ(window->PixelsDown(entry.y), rect.top);
        EXPECT_EQ(window->PixelsAcross(entry.x + entry.width), rect.right);
        EXPECT_EQ(window->PixelsDown(entry.y + entry.height), rect.bottom);
    }
    wchar_t item[64] = {};
    GetMenuStringW(GetSystemMenu(dialog, FALSE), WizardWindow::aboutCommand, item, 64, MF_BYCOMMAND);
    EXPECT_EQ("Ordevik のﾊﾞｰｼﾞｮﾝ情報(&A)...", FromWide(item));
    EXPECT_NE(0, SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(0, SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
}

// Page 0 to page 5 with the demo set: what each page shows and enables, its captions,
// the lists, the three modes of the check list, the radio pairs and the summary.
TEST_F(WinWizardTest, PagesShowTheirControlsListsBoxesAndSummary)
{
    TempFolder out;
    Open();
    EXPECT_EQ(Sorted({banner, help, back, next, cancel, welcomeTitle, picture, pictureFrame,
                      introText}),
              Shown());
    EXPECT_TRUE(Visible(introText) && Visible(picture) && Visible(welcomeTitle));
    EXPECT_FALSE(Enabled(back));
    EXPECT_EQ(next, Focused());
    EXPECT_EQ(next, window->DefaultButton());
    EXPECT_EQ("次へ >", Text(next));
    EXPECT_EQ("ヘルプ", Text(help));
    EXPECT_EQ("< 戻る", Text(back));
    EXPECT_EQ("キャンセル", Text(cancel));
    EXPECT_EQ(0u, Text(introText).find("ケルダ（Ordevik）へようこそ。\r\n"));
    // The welcome picture at its own size, right below the banner.
    RECT picture{};
    GetWindowRect(Control(control::picture), &picture);
    EXPECT_EQ(200, picture.right - picture.left);
    // Help on page 0 opens help page 1.
    Click(help);
    ASSERT_EQ(1u, opener.opened.size());
    EXPECT_EQ("page_1.htm", opener.opened[0].filename().string());

    // Page 1: Enter opens the CSV file dialog, whose types are the two filters.
    Click(next);
    EXPECT_EQ(Sorted({inputGroup, csvLabel, csvEdit, csvBrowse, dtdLabel, dtdEdit, dtdBrowse,
                      dataLabel, dataBrowse, dataEdit, xmlLabel, xmlEdit, xmlBrowse, outputGroup,
                      inputTitle, help, back, next, cancel, banner}),
              Shown());
    EXPECT_FALSE(Enabled(next));
    EXPECT_EQ(csvBrowse, Focused());
    EXPECT_EQ("ファイルセット一覧CSVファイル", Text(csvLabel));
    picker.files.push_back(Demo() / "filesets.csv");
    Press(VK_RETURN);
    ASSERT_EQ(1u, picker.fileFilters.size());
    EXPECT_EQ((std::vector<FileFilter>{{"CSVファイル(CSV)", "*.csv"}, {"全て(*)", "*"}}),
              picker.fileFilters[0]);
    const wchar_t filterList[] = L"CSVファイル(CSV)\0*.csv\0全て(*)\0*.*\0\0";
    EXPECT_EQ(std::wstring(filterList, std::size(filterList) - 1),
              WinFilePicker::FilterList(picker.fileFilters[0]));
    EXPECT_EQ(PathText(Demo() / "filesets.csv"), Text(csvEdit));
    EXPECT_EQ(PathText(Demo() / "dtd"), Text(dtdEdit));
    EXPECT_EQ(PathText(Demo() / "data"), Text(dataEdit));
    EXPECT_FALSE(Enabled(next));
    EXPECT_EQ(xmlBrowse, Focused());
    // Enter presses the focused button, not the default one.
    picker.folders.push_back(out.Path());
    Press(VK_RETURN);
    EXPECT_EQ(1u, picker.fileFilters.size());
    EXPECT_EQ(std::vector<std::string>{"フォルダを選択してください"}, picker.folderTitles);
    EXPECT_TRUE(Enabled(next));
    EXPECT_EQ(next, window->DefaultButton());

    // Page 2: every fileset on the left; Enter presses nothing.
    Press(VK_RETURN);
    EXPECT_TRUE(Visible(allFilesetList));
    EXPECT_EQ("filesets", Text(csvTitle));
    EXPECT_EQ((std::vector<std::string>{"44201 大分市", "44202 別府市", "44203 中津市"}),
              Rows(allFilesetList));
    EXPECT_FALSE(Enabled(next));
    EXPECT_EQ(0, window->DefaultButton());
    Press(VK_RETURN);
    EXPECT_EQ(2, window->Logic().PageIndex());
    SelectRows(allFilesetList, {0, 2});
    Click(addFileset);
    EXPECT_EQ((std::vector<std::string>{"44201 大分市", "44203 中津市"}), Rows(chosenFilesetList));
    EXPECT_TRUE(Enabled(next));
    // A double-click adds the selected rows; Space in the right list removes.
    SelectRows(allFilesetList, {1});
    Notify(allFilesetList, NM_DBLCLK);
    EXPECT_EQ(3u, Rows(chosenFilesetList).size());
    SelectRows(chosenFilesetList, {1});
    SetFocus(Control(chosenFilesetList));
    Press(VK_SPACE);
    EXPECT_EQ((std::vector<std::string>{"44201 大分市", "44203 中津市"}), Rows(chosenFilesetList));

    // Page 3: idle boxes until a fileset is chosen, then its kinds, open to Space and clicks.
    Click(next);
    EXPECT_EQ((std::vector<std::string>{"44201 大分市", "44203 中津市"}), Rows(featureFilesetList));
    const std::size_t kinds = window->Checks().size();
    ASSERT_GT(kinds, 2u);
    EXPECT_EQ(std::string(kinds, '?'), Boxes());
    EXPECT_EQ(CheckStyle::ThreeState, window->ChecksStyle());
    EXPECT_FALSE(Enabled(featureCheckList) || Enabled(selectAll) || Enabled(clearAll));
    SelectRows(featureFilesetList, {1});
    EXPECT_EQ(CheckStyle::TwoStateAuto, window->ChecksStyle());
    EXPECT_EQ(std::string(kinds, '1'), Boxes());
    EXPECT_TRUE(Enabled(featureCheckList) && Enabled(selectAll) && Enabled(clearAll));
    EXPECT_EQ(PathText(Demo() / "data" / "44203"), Text(inputFolderLabel));
    EXPECT_EQ(PathText(out.Path() / "44203"), Text(outputFolderLabel));
    HWND checkList = Control(featureCheckList);
    SetFocus(checkList);
    ListView_SetItemState(checkList, 1, LVIS_FOCUSED, LVIS_FOCUSED);
    Press(VK_SPACE);
    Notify(featureCheckList, NM_CLICK, 0);
    EXPECT_EQ("00" + std::string(kinds - 2, '1'), Boxes());
    EXPECT_EQ("00" + std::string(kinds - 2, '1'), window->Logic().FeatureSelection().at("44203"));
    Click(clearAll);
    EXPECT_EQ(std::string(kinds, '0'), Boxes());
    Click(selectAll);
    Notify(featureCheckList, NM_CLICK, 2);
    const std::string chosen = "11" + std::string("0") + std::string(kinds - 3, '1');
    EXPECT_EQ(chosen, Boxes());
    // Another fileset shows its own kinds; no fileset makes the list idle again.
    SelectRows(featureFilesetList, {0});
    EXPECT_EQ(std::string(kinds, '1'), Boxes());
    SelectRows(featureFilesetList, {});
    EXPECT_EQ(std::string(kinds, '?'), Boxes());
    EXPECT_EQ("", Text(inputFolderLabel));
    // The plain mode: a click changes no box.
    Notify(featureCheckList, NM_CLICK, 0);
    EXPECT_EQ(std::string(kinds, '?'), Boxes());

    // Page 4: the defaults, then each pair follows a click.
    Click(next);
    auto radios = [this] {
        std::string text;
        for (const int id : {integratedFile, perKindFile, dtdCopy, noDtdCopy, utf8, shiftJis}) {
            text += SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED ? '1' : '0';
        }
        return text;
    };
    EXPECT_EQ("101010", radios());
    EXPECT_EQ("統合ファイル", Text(integratedFile));
    EXPECT_EQ("シフトJIS", Text(shiftJis));
    Click(perKindFile);
    Click(noDtdCopy);
    Click(shiftJis);
    EXPECT_EQ("010101", radios());
    Click(integratedFile);
    EXPECT_EQ("100101", radios());

    // Page 5: the summary as the logic builds it, and 実行 as the default button.
    Click(next);
    EXPECT_EQ(window->Logic().BuildSummary(), Text(summaryText));
    EXPECT_NE(std::string::npos, Text(summaryText).find(" 文字コード\tShift_JIS\r\n"));
    EXPECT_EQ("設定を確認してください。実行ボタンで処理を開始します。", Text(statusMessage));
    EXPECT_EQ("実行", Text(next));
    EXPECT_EQ(next, window->DefaultButton());
    // Back keeps the choices of page 3.
    Click(back);
    Click(back);
    SelectRows(featureFilesetList, {1});
    EXPECT_EQ(chosen, Boxes());
    EXPECT_TRUE(answerer->seen.empty());
}

// Escape, the close box and Cancel ask whether to quit; キャンセル leaves everything as
// it was. The about item of the system menu opens the about box.
TEST_F(WinWizardTest, QuitQuestionAndAboutBoxAnsweredByTheirButtons)
{
    Open();
    answerer->Queue(Answer::Button(2));
    Press(VK_ESCAPE);
    answerer->Queue(Answer::Key(VK_ESCAPE));
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    Pump(window->Handle());
    answerer->Queue(Answer::Button(2));
    Click(cancel);
    answerer->Queue(Answer::Key(VK_RETURN));
    SendMessageW(window->Handle(), WM_SYSCOMMAND, WizardWindow::aboutCommand, 0);
    Pump(window->Handle());
    ASSERT_EQ(4u, answerer->seen.size());
    for (int i = 0; i < 3; ++i) {
        const SeenDialog& quit = answerer->seen[static_cast<std::size_t>(i)];
        EXPECT_EQ("確認", quit.caption);
        EXPECT_EQ("プログラムを終了します。", quit.message);
        EXPECT_EQ((std::vector<int>{1, 2}), quit.buttons);
        EXPECT_EQ((std::vector<std::string>{"ＯＫ", "キャンセル"}), quit.buttonTexts);
        EXPECT_EQ(1, quit.focus);
        EXPECT_EQ(1, quit.defaultButton);
    }
    const SeenDialog& about = answerer->seen[3];
    EXPECT_EQ("バージョン情報", about.caption);
    EXPECT_EQ("ケルダデータ解凍ソフトウェア ver.1.03", about.message);
    EXPECT_EQ((std::vector<std::string>{"OK"}), about.buttonTexts);
    EXPECT_TRUE(processExit.statuses.empty());
    EXPECT_TRUE(IsWindowVisible(window->Handle()));
    EXPECT_EQ(0, window->Logic().PageIndex());
    // The quit question and its beep; the about box does not beep.
    EXPECT_EQ(3, beeps);
}
