#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/wizard/WizardFixture.h"
#include "wizard/ControlIds.h"

namespace fs = std::filesystem;

namespace {

using namespace control;

TEST(HistoryRequestedTest, DashRAnywhereInTheJoinedArguments)
{
    const std::vector<std::pair<std::vector<const char*>, bool>> cases = {
        {{"ordevik"}, false},
        {{"ordevik", "-r"}, true},
        {{"ordevik", "/data/x-rays"}, true},
        {{"ordevik", "-R"}, false},
        {{"ordevik", "a-", "r"}, false},  // joined "a- r"
        {{"-r"}, false},                  // the program name is not searched
        {{"ordevik", "--run"}, true},
        {{"ordevik", "--quiet"}, false},
    };
    for (const auto& [argv, expected] : cases) {
        EXPECT_EQ(expected, HistoryRequested(static_cast<int>(argv.size()), argv.data()))
            << argv.back();
    }
}

TEST_F(WizardTest, InitialisationFillsTheCaptionsAndKindsAndShowsTheWelcomePage)
{
    window.pictureSize = PictureSize{200, 412};
    Start();
    EXPECT_EQ("Ordevik のﾊﾞｰｼﾞｮﾝ情報(&A)...", window.state.aboutItem);
    EXPECT_EQ((std::vector<std::string>{"道路", "河川", "メッシュ標高"}),
              window[featureCheckList].items);
    EXPECT_EQ(CheckStyle::Plain, window[featureCheckList].style);
    EXPECT_EQ("ファイルセット一覧", Text(allFilesetGroup));
    EXPECT_EQ("変換するファイルセット", Text(chosenFilesetGroup));
    EXPECT_EQ("変換するファイルセット", Text(featureFilesetGroup));
    EXPECT_EQ("ようこそ\r\n\r\n  # 二行目\r\n", Text(introText));
    EXPECT_EQ((std::array<int, 4>{0, 44, 200, 412}), window[picture].placement);
    EXPECT_EQ((std::vector<int>{pictureFrame, picture, welcomeTitle, introText, help, back, next,
                                cancel}),
              window.Shown());

    // The introduction text never keeps the focus.
    window.Focus(introText);
    wizard->OnIntroTextFocused();
    EXPECT_EQ(next, window.state.focus);

    // Back on page 0 the picture is not loaded again and the text is the same.
    wizard->OnNext();
    wizard->OnBack();
    EXPECT_EQ(1, window.state.pictureLoads);
    EXPECT_EQ("ようこそ\r\n\r\n  # 二行目\r\n", Text(introText));
}

TEST_F(WizardTest, WelcomePictureThatCannotBeShownLeavesThePictureAreaAlone)
{
    window.pictureSize = std::nullopt;  // present but not decodable
    Start();
    wizard->OnNext();
    wizard->OnBack();
    EXPECT_EQ(std::nullopt, window[picture].placement);
    EXPECT_EQ(2, window.state.pictureLoads);  // as missing, so each visit tries again

    fs::remove(folder / "wizard.bmp");
    window.state = {};
    Start();
    EXPECT_EQ(0, window.state.pictureLoads);
    EXPECT_EQ(std::nullopt, window[picture].placement);
}

// The buttons after each step of a walk to the summary and back, and the controls shown
// on each page.
TEST_F(WizardTest, ButtonsAndPagesFollowEveryStep)
{
    Start();
    const std::string go = "次へ >";
    const std::function<void()> pressNext = [&] { wizard->OnNext(); };
    const std::function<void()> pressBack = [&] { wizard->OnBack(); };
    struct Step
    {
        std::string what;
        std::function<void()> action;
        Buttons buttons;
    };
    const std::vector<Step> steps = {
        {"welcome", [] {}, {true, false, true, true, go, next, next}},
        {"input", pressNext, {true, true, false, true, go, csvBrowse, csvBrowse}},
        {"csv chosen",
         [&] {
             picker.files.push_back(set / "filesets.csv");
             wizard->OnBrowseCsv();
         },
         {true, true, false, true, go, xmlBrowse, csvBrowse}},
        // The trailing separator is stripped on Next, which changes the text on page 2:
        // Next must stay disabled there.
        {"xml chosen",
         [&] {
             picker.folders.push_back(out.string() + "/");
             wizard->OnBrowseXml();
         },
         {true, true, true, true, go, next, next}},
        {"filesets", pressNext, {true, true, false, true, go, allFilesetList, 0}},
        {"added",
         [&] {
             Select(allFilesetList, {0, 1});
             wizard->OnAdd();
         },
         {true, true, true, true, go, next, next}},
        {"features", pressNext, {true, true, true, true, go, featureFilesetList, next}},
        {"options", pressNext, {true, true, true, true, go, next, next}},
        {"summary", pressNext, {true, true, true, true, "実行", next, next}},
        {"back to options", pressBack, {true, true, true, true, go, next, next}},
        {"back to features", pressBack, {true, true, true, true, go, featureFilesetList, next}},
        {"back to filesets", pressBack, {true, true, true, true, go, allFilesetList, 0}},
        {"back to input", pressBack, {true, true, true, true, go, csvBrowse, csvBrowse}},
        {"back to welcome", pressBack, {true, false, true, true, go, next, next}},
    };
    for (const Step& step : steps) {
        step.action();
        EXPECT_EQ(step.buttons, window.BottomButtons()) << step.what;
    }

    const std::vector<std::vector<int>> pages = {
        {pictureFrame, picture, welcomeTitle, introText},
        {inputGroup, csvLabel, csvEdit, csvBrowse, dtdLabel, dtdEdit, dtdBrowse, dataLabel,
         dataBrowse, dataEdit, xmlLabel, xmlEdit, xmlBrowse, outputGroup, inputTitle},
        {addFileset, removeFileset, allFilesetGroup, chosenFilesetGroup, allFilesetList, csvTitle,
         chosenFilesetList, filesetTitle},
        {featureCheckList, featureFilesetList, featureFilesetGroup, featureGroup, folderGroup,
         inputFolderCaption, outputFolderCaption, selectAll, clearAll, inputFolderLabel,
         outputFolderLabel, featureTitle},
        {noDtdCopy, outputUnitGroup, perKindFile, integratedFile, dtdCopy, shiftJis, utf8, dtdGroup,
         charsetGroup, optionsTitle},
        {summaryText, statusMessage, summaryTitle},
    };
    for (std::size_t page = 0; page < pages.size(); ++page) {
        std::set<int> expected(pages[page].begin(), pages[page].end());
        expected.insert({help, back, next, cancel});
        EXPECT_EQ(std::vector<int>(expected.begin(), expected.end()), window.Shown()) << page;
        if (page + 1 < pages.size()) {
            wizard->OnNext();
        }
    }
}

TEST_F(WizardTest, HistoryIsUsedOnlyWithDashR)
{
    history.values = {{"CSV_File", PathText(set / "filesets.csv")},
                      {"DTD_Folder", PathText(set / "dtd")},
                      {"Data_Folder", "/データ/"},
                      {"XML_Folder", PathText(out)}};
    Start(false);
    wizard->OnNext();
    ChoosePaths(set / "filesets.csv", {}, {}, out);
    wizard->OnNext();
    EXPECT_EQ(2, wizard->PageIndex());
    EXPECT_EQ(std::vector<std::string>{}, history.log);

    Start(true);
    wizard->OnNext();
    EXPECT_EQ((std::vector<std::string>{"read History/CSV_File", "read History/DTD_Folder",
                                        "read History/Data_Folder"}),
              history.log);
    EXPECT_EQ(set / "filesets.csv", wizard->CsvPath());
    EXPECT_EQ(set / "dtd", wizard->DtdFolder());
    EXPECT_EQ(PathFromText("/データ/"), wizard->DataFolder());
    EXPECT_EQ("/データ/", Text(dataEdit));
    EXPECT_EQ("", Text(xmlEdit));
    EXPECT_FALSE(window[next].enabled);

    // A field that holds a value is not read again; a failed Next writes nothing.
    history.log.clear();
    picker.folders.push_back(out);
    wizard->OnBrowseXml();
    wizard->OnNext();
    EXPECT_EQ(std::vector<MessageId>{MessageId::DataFolderMissing}, presenter.ids);
    EXPECT_EQ(std::vector<std::string>{}, history.log);
    EXPECT_EQ(PathFromText("/データ"), wizard->DataFolder());

    picker.folders.push_back(set / "data/");
    wizard->OnBrowseData();
    wizard->OnNext();
    EXPECT_EQ(2, wizard->PageIndex());
    EXPECT_EQ((std::vector<std::string>{
                  "write History/CSV_File=" + PathText(set / "filesets.csv"),
                  "write History/DTD_Folder=" + PathText(set / "dtd"),
                  "write History/Data_Folder=" + PathText(set / "data"),
                  "write History/XML_Folder=" + PathText(out)}),
              history.log);
}

TEST_F(WizardTest, InputPathsAreCheckedForTheirKindBeforePage2)
{
    const fs::path csv = set / "filesets.csv";
    const fs::path dtd = set / "dtd";
    const fs::path data = set / "data";
    const fs::path file = set / "dtd" / "gi.dtd";
    const fs::path missing = folder / "missing";
    struct Case
    {
        std::string what;
        fs::path csv, dtd, data, xml;
        std::vector<ScriptedPresenter::Answer> answers;
        std::vector<MessageId> shown;
        int page;
    };
    using enum MessageId;
    const std::vector<Case> cases = {
        {"all fine", csv, dtd, data, out, {}, {}, 2},
        {"csv missing", missing, dtd, data, out, {}, {CsvFileMissing}, 1},
        {"csv a folder", data, dtd, data, out, {}, {CsvFileMissing}, 1},
        {"all missing", missing, missing, missing, missing, {}, {CsvFileMissing}, 1},
        {"data missing", csv, dtd, missing, out, {}, {DataFolderMissing}, 1},
        {"data a file", csv, dtd, file, out, {}, {DataFolderMissing}, 1},
        {"dtd missing", csv, missing, data, out, {}, {DtdFolderMissing}, 1},
        {"dtd a file", csv, file, data, out, {}, {DtdFolderMissing}, 1},
        {"xml not wanted", csv, dtd, data, missing, {ConfirmDialog::Answer::Cancel},
         {CreateXmlFolder}, 1},
        {"xml created", csv, dtd, data, missing, {ConfirmDialog::Answer::Ok}, {CreateXmlFolder}, 2},
        {"xml not creatable", csv, dtd, data, missing / "deeper", {ConfirmDialog::Answer::Ok},
         {CreateXmlFolder, XmlFolderNotCreated}, 1},
        {"xml a file", csv, dtd, data, file, {}, {XmlFolderNotCreated}, 1},
        {"xml the root", csv, dtd, data, "/", {}, {}, 2},
    };
    for (const Case& entry : cases) {
        fs::remove_all(missing);
        presenter = HookedPresenter(entry.answers);
        history.log.clear();
        Start(true);
        wizard->OnNext();
        ChoosePaths(entry.csv, entry.dtd, entry.data, entry.xml);
        wizard->OnNext();
        EXPECT_EQ(entry.shown, presenter.ids) << entry.what;
        EXPECT_EQ(entry.page, wizard->PageIndex()) << entry.what;
        const auto writes =
            std::count_if(history.log.begin(), history.log.end(),
                          [](const std::string& line) { return line.starts_with("write"); });
        EXPECT_EQ(entry.page == 2 ? 4 : 0, writes) << entry.what;
        EXPECT_EQ(entry.what == "xml created", fs::is_directory(missing)) << entry.what;
    }
    EXPECT_EQ(fs::path("/"), wizard->XmlFolder());
    EXPECT_EQ("/", Text(xmlEdit));
}

TEST_F(WizardTest, PickersOpenInTheFolderOfThePathTheyReplace)
{
    Start();
    wizard->OnNext();
    wizard->OnBrowseCsv();  // nothing chosen yet: the user's home (cancelled)
    picker.files.push_back(set / "filesets.csv");
    wizard->OnBrowseCsv();
    wizard->OnBrowseCsv();  // the folder of the CSV file chosen before
    wizard->OnBrowseDtd();  // the proposed folder itself
    picker.folders.push_back(out / "gone");
    wizard->OnBrowseXml();
    wizard->OnBrowseXml();  // a folder that no longer exists: its parent
    fs::remove_all(out);
    wizard->OnBrowseXml();  // neither exists: home
    EXPECT_EQ((std::vector<fs::path>{{}, {}, set, set / "dtd", {}, out, {}}), picker.startFolders);
}

TEST_F(WizardTest, ChoosingTheCsvFileProposesItsDtdAndDataFolders)
{
    Start();
    wizard->OnNext();
    picker.folders.push_back(out);
    wizard->OnBrowseDtd();
    picker.files.push_back(set / "filesets.csv");
    wizard->OnBrowseCsv();
    EXPECT_EQ(set / "dtd", wizard->DtdFolder());  // the one chosen before is replaced
    EXPECT_EQ(set / "data", wizard->DataFolder());
    EXPECT_EQ(PathText(set / "data"), Text(dataEdit));
    EXPECT_EQ((std::vector<std::vector<FileFilter>>{{{"CSVファイル(CSV)", "*.csv"}, {"全て(*)", "*"}}}),
              picker.fileFilters);
    EXPECT_EQ(std::vector<std::string>{"フォルダを選択してください"}, picker.folderTitles);

    // Copied from Windows: the folders are found whatever their letter case; an exact
    // name wins; with none at all the usual names are proposed.
    const fs::path windows = folder / "windows";
    fs::create_directories(windows / "DTD");
    fs::create_directories(windows / "Data");
    fs::create_directories(windows / "data");
    const fs::path bare = folder / "bare";
    fs::create_directories(bare);
    picker.files = {windows / "list.csv", bare / "list.csv"};
    wizard->OnBrowseCsv();
    EXPECT_EQ(windows / "DTD", wizard->DtdFolder());
#ifdef _WIN32
    // Windows keeps one of two names that differ only in case: the first one made.
    EXPECT_EQ(windows / "Data", wizard->DataFolder());
#else
    EXPECT_EQ(windows / "data", wizard->DataFolder());
#endif
    wizard->OnBrowseCsv();
    EXPECT_EQ(bare / "dtd", wizard->DtdFolder());
    EXPECT_EQ(bare / "data", wizard->DataFolder());

    // Cancelled dialogs change nothing.
    const WindowState before = window.state;
    wizard->OnBrowseCsv();
    wizard->OnBrowseDtd();
    wizard->OnBrowseData();
    wizard->OnBrowseXml();
    EXPECT_EQ(before, window.state);
    EXPECT_EQ(bare / "list.csv", wizard->CsvPath());
}

TEST_F(WizardTest, FilesetListShowsEveryCodeOnceInByteOrder)
{
    WriteFileBytes(set / "list.csv", ToCp932("100,A\r\n10,十,x\r\n2,二\r\n\r\n200\r\n100,B\r\n"));
    Start();
    wizard->OnNext();
    ChoosePaths(set / "list.csv", {}, {}, out);
    wizard->OnNext();
    EXPECT_EQ("list", Text(csvTitle));
    const std::vector<ListRow> all = {{"", ""}, {"10", "十"}, {"100", "B"}, {"2", "二"}, {"200", ""}};
    EXPECT_EQ(all, window[allFilesetList].rows);

    Select(allFilesetList, {1, 2, 3});
    wizard->OnAdd();
    const std::vector<ListRow> chosen = {{"10", "十"}, {"100", "B"}, {"2", "二"}};
    EXPECT_EQ(chosen, window[chosenFilesetList].rows);
    Select(allFilesetList, {2});
    wizard->OnAdd();
    EXPECT_EQ(chosen, window[chosenFilesetList].rows);
    EXPECT_EQ(all, window[allFilesetList].rows);

    Select(chosenFilesetList, {0, 2});
    wizard->OnRemove();
    EXPECT_EQ((std::vector<ListRow>{{"100", "B"}}), window[chosenFilesetList].rows);
    EXPECT_TRUE(window[next].enabled);
    window.Focus(removeFileset);
    Select(chosenFilesetList, {0});
    wizard->OnRemove();
    EXPECT_EQ(std::vector<ListRow>{}, window[chosenFilesetList].rows);
    EXPECT_FALSE(window[next].enabled);
    EXPECT_EQ(removeFileset, window.state.focus);
    EXPECT_EQ((std::map<std::string, std::string>{}), wizard->SelectedFilesets());
}

TEST_F(WizardTest, AnotherCsvFileKeepsTheFilesetsChosenBefore)
{
    WriteFileBytes(set / "other.csv", "7,Seven\r\n");
    Start();
    ToFeaturePage({0});
    wizard->OnBack();
    wizard->OnBack();
    picker.files.push_back(set / "other.csv");
    wizard->OnBrowseCsv();
    wizard->OnNext();
    EXPECT_EQ((std::vector<ListRow>{{"7", "Seven"}}), window[allFilesetList].rows);
    EXPECT_EQ((std::vector<ListRow>{{"44201", "大分市"}}), window[chosenFilesetList].rows);
    EXPECT_TRUE(window[next].enabled);
}

// The CSV file goes while the XML folder question is open: page 2 says so and shows
// none of the rows of before; Next follows the right list.
TEST_F(WizardTest, CsvFileThatCannotBeReadOnPage2LeavesTheLeftListEmpty)
{
    for (const bool chosenBefore : {false, true}) {
        presenter = HookedPresenter({ConfirmDialog::Answer::Ok});
        Start();
        wizard->OnNext();
        ChoosePaths(set / "filesets.csv", {}, {}, out);
        wizard->OnNext();
        if (chosenBefore) {
            Select(allFilesetList, {0});
            wizard->OnAdd();
        }
        wizard->OnBack();
        picker.folders.push_back(folder / "new-out");
        wizard->OnBrowseXml();
        const fs::path moved = folder / "moved.csv";
        presenter.beforeAnswer = [&](MessageId id) {
            if (id == MessageId::CreateXmlFolder) {
                fs::rename(set / "filesets.csv", moved);
            }
        };
        wizard->OnNext();
        presenter.beforeAnswer = nullptr;
        EXPECT_EQ(2, wizard->PageIndex());
        EXPECT_EQ(
            (std::vector<MessageId>{MessageId::CreateXmlFolder, MessageId::CsvFileUnreadable}),
            presenter.ids);
        EXPECT_EQ(std::vector<ListRow>{}, window[allFilesetList].rows);
        EXPECT_EQ(chosenBefore ? 1u : 0u, window[chosenFilesetList].rows.size());
        EXPECT_EQ(chosenBefore, window[next].enabled);
        fs::rename(moved, set / "filesets.csv");
        fs::remove(folder / "new-out");
    }
}

TEST_F(WizardTest, FeatureChecksFollowTheSelectedFileset)
{
    Start();
    ToFeaturePage({0, 1});
    const std::vector<CheckState> idle(3, CheckState::Indeterminate);
    auto checks = [](const std::string& digits) {
        std::vector<CheckState> states;
        for (const char digit : digits) {
            states.push_back(digit == '1' ? CheckState::Checked : CheckState::Unchecked);
        }
        return states;
    };
    auto expectIdle = [&](const std::string& what) {
        EXPECT_EQ(CheckStyle::ThreeState, window[featureCheckList].style) << what;
        EXPECT_EQ(idle, window[featureCheckList].checks) << what;
        for (const int id : {featureCheckList, selectAll, clearAll}) {
            EXPECT_FALSE(window[id].enabled) << what << " " << id;
        }
    };
    using Selection = std::map<std::string, std::string>;
    expectIdle("entry");
    EXPECT_EQ((Selection{{"44201", "111"}, {"44202", "111"}}), wizard->FeatureSelection());

    Select(featureFilesetList, {0});
    EXPECT_EQ(CheckStyle::TwoStateAuto, window[featureCheckList].style);
    EXPECT_EQ(checks("111"), window[featureCheckList].checks);
    EXPECT_TRUE(window[featureCheckList].enabled && window[selectAll].enabled &&
                window[clearAll].enabled);
    EXPECT_EQ(PathText(set / "data" / "44201"), Text(inputFolderLabel));
    EXPECT_EQ(PathText(out / "44201"), Text(outputFolderLabel));

    Toggle(1);
    EXPECT_EQ((Selection{{"44201", "101"}, {"44202", "111"}}), wizard->FeatureSelection());
    Select(featureFilesetList, {1});
    EXPECT_EQ(checks("111"), window[featureCheckList].checks);
    wizard->OnClearAll();
    EXPECT_EQ(checks("000"), window[featureCheckList].checks);
    Toggle(2);
    EXPECT_EQ((Selection{{"44201", "101"}, {"44202", "001"}}), wizard->FeatureSelection());
    Select(featureFilesetList, {0});
    EXPECT_EQ(checks("101"), window[featureCheckList].checks);
    wizard->OnSelectAll();
    wizard->OnClearAll();
    wizard->OnSelectAll();
    EXPECT_EQ((Selection{{"44201", "111"}, {"44202", "001"}}), wizard->FeatureSelection());

    // With no row selected the list is idle and nothing reaches a selection.
    Select(featureFilesetList, {});
    expectIdle("no row");
    EXPECT_EQ("", Text(inputFolderLabel));
    EXPECT_EQ("", Text(outputFolderLabel));
    wizard->OnFeatureToggled(0, false);
    wizard->OnSelectAll();
    wizard->OnClearAll();
    EXPECT_EQ((Selection{{"44201", "111"}, {"44202", "001"}}), wizard->FeatureSelection());

    // Back from page 4 keeps the choices and the folder lines; back to page 2 and
    // forward again starts over.
    Select(featureFilesetList, {1});
    wizard->OnNext();
    wizard->OnBack();
    expectIdle("back");
    EXPECT_EQ(std::vector<int>{}, window[featureFilesetList].selected);
    EXPECT_EQ(PathText(set / "data" / "44202"), Text(inputFolderLabel));
    EXPECT_EQ((Selection{{"44201", "111"}, {"44202", "001"}}), wizard->FeatureSelection());
    wizard->OnBack();
    wizard->OnNext();
    EXPECT_EQ((Selection{{"44201", "111"}, {"44202", "111"}}), wizard->FeatureSelection());
}

TEST_F(WizardTest, OptionsAreResetOnEveryEntryAndTheSummaryShowsThem)
{
    Start();
    ToFeaturePage({0, 1});
    Select(featureFilesetList, {1});
    wizard->OnClearAll();
    wizard->OnNext();
    EXPECT_EQ("1041+ 1040- 1047+ 1038- 1049+ 1048- ", window.Radios());
    for (const int id : {perKindFile, noDtdCopy, shiftJis, shiftJis}) {
        wizard->OnRadioClicked(id);
    }
    EXPECT_EQ("1041- 1040+ 1047- 1038+ 1049- 1048+ ", window.Radios());
    wizard->OnNext();
    EXPECT_EQ("設定を確認してください。実行ボタンで処理を開始します。", Text(statusMessage));
    EXPECT_EQ("\r\n"
              " データフォルダ\t" + PathText(set / "data") + "\r\n"
              " XML出力フォルダ\t" + PathText(out) + "\r\n"
              "\r\n"
              " 文字コード\tShift_JIS\r\n"
              " XMLファイル\t地物別ファイル\r\n"
              " DTDファイル\tコピーしない\r\n"
              "\r\n"
              " 大分市 <44201>\r\n"
              "\t道路/河川/メッシュ標高\r\n"
              "\r\n"
              " 別府市 <44202>\r\n"
              "\t\r\n"
              "\r\n"
              " 合計\t2 ファイルセット \r\n",
              Text(summaryText));

    wizard->OnBack();
    EXPECT_EQ("1041+ 1040- 1047+ 1038- 1049+ 1048- ", window.Radios());
    wizard->OnNext();
    const std::string summary = Text(summaryText);
    EXPECT_NE(std::string::npos, summary.find(" 文字コード\tunicode\r\n XMLファイル\t統合ファイル\r\n"
                                              " DTDファイル\tコピーする\r\n"));
    const ConversionRequest request = wizard->Request();
    EXPECT_FALSE(request.options.shiftJisOutput);
    EXPECT_TRUE(request.options.integratedOutput);
    EXPECT_FALSE(request.options.skipDtdCopy);
    EXPECT_EQ(settingsFile, request.options.settingsFile);
}

TEST_F(WizardTest, CancelAsksAndEndsTheProcessOnlyWhenConfirmed)
{
    Start(true);
    wizard->OnNext();
    ChoosePaths(set / "filesets.csv", {}, {}, out);
    const WindowState before = window.state;
    presenter = HookedPresenter({ConfirmDialog::Answer::Cancel, ConfirmDialog::Answer::Ok});
    wizard->OnCancel();
    EXPECT_EQ(before, window.state);
    EXPECT_EQ(1, wizard->PageIndex());
    EXPECT_EQ(std::vector<int>{}, processExit.statuses);
    EXPECT_THROW(wizard->OnCancel(), FakeExit::Exited);
    EXPECT_EQ(std::vector<int>{0}, processExit.statuses);
    EXPECT_EQ(std::vector<MessageId>(2, MessageId::QuitProgram), presenter.ids);
    EXPECT_EQ(before, window.state);
    EXPECT_EQ((std::vector<std::string>{"read History/CSV_File", "read History/DTD_Folder",
                                        "read History/Data_Folder"}),
              history.log);
}

}
