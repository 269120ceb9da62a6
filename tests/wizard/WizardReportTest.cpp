#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/MapPreview.h"
#include "tests/wizard/WizardFixture.h"
#include "wizard/ControlIds.h"
#include "wizard/ReportText.h"

namespace fs = std::filesystem;

namespace {

using namespace control;

// Answers from a table by file name; a document not in it is valid.
class FakeValidator : public DocumentValidator
{
public:
    DocumentValidity Validate(const fs::path& document, const fs::path& dtdFolder) override
    {
        checked.push_back(document);
        folders.push_back(dtdFolder);
        DocumentValidity result;
        result.document = document;
        const auto found = verdicts.find(document.filename().string());
        if (found != verdicts.end()) {
            result = found->second;
            result.document = document;
        }
        return result;
    }
    std::map<std::string, DocumentValidity> verdicts;
    std::vector<fs::path> checked;
    std::vector<fs::path> folders;
};

class WizardReportTest : public WizardTest
{
protected:
    // Runs the chosen rows of the demo set with every kind ticked, answering the run's
    // questions from `answers`.
    void RunRows(std::vector<int> rows, std::vector<ScriptedPresenter::Answer> answers = {})
    {
        ToFeaturePage(rows);
        for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
            Select(featureFilesetList, {row});
            wizard->OnSelectAll();
        }
        presenter = HookedPresenter(std::move(answers));
        wizard->OnNext();
        wizard->OnNext();
        wizard->OnNext();
        ASSERT_EQ(6, wizard->PageIndex());
    }

    // The report's lines after the totals line.
    std::vector<std::string> ReportLines()
    {
        std::vector<std::string> lines;
        const std::string text = Text(reportText);
        std::size_t start = text.find("\r\n");
        EXPECT_NE(std::string::npos, start) << text;
        for (start += 2; start < text.size();) {
            const std::size_t end = text.find("\r\n", start);
            EXPECT_NE(std::string::npos, end) << "every line ends with CR LF";
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }

    std::string TotalsOnScreen()
    {
        const std::string text = Text(reportText);
        return text.substr(0, text.find("\r\n"));
    }

    // A wizard whose check is a fake, so that the report reads the same in a build
    // without libxml2.
    FakeValidator& StartWithFakeCheck()
    {
        Start();
        return UseFakeValidator();
    }

    FakeValidator& UseFakeValidator()
    {
        auto fake = std::make_unique<FakeValidator>();
        FakeValidator& kept = *fake;
        wizard->SetValidator(std::move(fake));
        return kept;
    }
};

TEST_F(WizardReportTest, SkippedKindsAreListedBelowTheMessageInRunOrder)
{
    StartWithFakeCheck();
    for (const int id : {reportNotice, reportText, openOutputFolder, control::validate}) {
        EXPECT_FALSE(window[id].shown) << id;
    }
    // 中津市 has roads only: rivers are answered 全てスキップ, the mesh follows.
    RunRows({2}, {SkipDialog::Answer::SkipAll});
    EXPECT_EQ("ケルダデータの解凍が完了しました。完了ボタンで終了します。", Text(statusMessage));
    EXPECT_EQ("一部の地物を変換しませんでした。下の一覧をご覧ください。", Text(reportNotice));
    const RunReport& report = wizard->LastReport();
    const std::uint64_t bytes = fs::file_size(out / "44203" / "44203.xml");
    const std::string totals = TotalsOnScreen();
    EXPECT_EQ("ファイルセット 1 件、地物 1 種を変換、XMLファイル 1 個（" + SizeText(bytes) +
                  "）、2 種をスキップ、" + totals.substr(totals.rfind("、") + 3),
              totals);
    EXPECT_EQ(" 秒", totals.substr(totals.size() - 4));
    EXPECT_EQ(TotalsLine(report), TotalsOnScreen());
    EXPECT_EQ((std::vector<std::string>{
                  "",
                  "中津市（44203）",
                  "\t河川（RV）: データファイル 44203RV.sal がありません。全てスキップしました。",
                  "\tメッシュ標高（MH）: データファイルがありません。全てスキップにより変換しませんでした。",
              }),
              ReportLines());
    for (const int id : {reportNotice, reportText, openOutputFolder, control::validate}) {
        EXPECT_TRUE(window[id].shown) << id;
    }
    EXPECT_EQ("出力フォルダを開く", Text(openOutputFolder));
    EXPECT_EQ("DTDで検証", Text(control::validate));
    EXPECT_TRUE(window[openOutputFolder].enabled);

    // The folder opens in the file manager; the page stays as it is.
    wizard->OnOpenOutputFolder();
    EXPECT_EQ(std::vector<fs::path>{out}, opener.opened);
    EXPECT_EQ(6, wizard->PageIndex());
    wizard->OnNext();
    EXPECT_TRUE(window.state.ended);
}

TEST_F(WizardReportTest, FullRunSaysEverythingWasConverted)
{
    StartWithFakeCheck();
    RunRows({0, 1});
    EXPECT_EQ("", Text(reportNotice));
    EXPECT_EQ(std::vector<std::string>{"選択した全ての地物を変換しました。"}, ReportLines());
    const RunTotals totals = wizard->LastReport().Totals();
    EXPECT_EQ(2, totals.filesets);
    EXPECT_EQ(6, totals.kindsWritten);
    EXPECT_EQ(4, totals.documents);
    EXPECT_EQ(0, TotalsOnScreen().find("ファイルセット 2 件、地物 6 種を変換、XMLファイル 4 個（"))
        << TotalsOnScreen();
}

TEST_F(WizardReportTest, StoppedRunShowsTheReportUpToWhereItStopped)
{
    StartWithFakeCheck();
    // 別府市's rivers are there; 中津市's are not, and the question is answered 終了.
    RunRows({1, 2}, {SkipDialog::Answer::Quit});
    EXPECT_EQ("ケルダデータの解凍を中止しました。完了ボタンで終了します。", Text(statusMessage));
    EXPECT_EQ("一部の地物を変換しませんでした。下の一覧をご覧ください。", Text(reportNotice));
    EXPECT_EQ((std::vector<std::string>{
                  "",
                  "中津市（44203）",
                  "\t河川（RV）: データファイル 44203RV.sal がありません。終了を選んだため、ここで中止しました。",
              }),
              ReportLines());
    EXPECT_NE(std::string::npos, TotalsOnScreen().find("、0 種をスキップ、1 種が失敗・中止、"));

    // A failure in the first of two filesets: the second is never reached.
    fs::remove(set / "data" / "44201" / "44201.slm");
    StartWithFakeCheck();
    RunRows({0, 1});
    EXPECT_EQ((std::vector<std::string>{
                  "",
                  "大分市（44201）",
                  "\t河川（RV）: メタデータファイルがありません。ここで中止しました。",
                  "中止したため、残りのファイルセット 1 件は変換していません。",
              }),
              ReportLines());
}

TEST_F(WizardReportTest, ValidationRunsWithTheProgressBarAndListsEveryDocument)
{
    FakeValidator& validator = StartWithFakeCheck();
    DocumentValidity invalid;
    invalid.validity = Validity::Invalid;
    invalid.line = 12;
    invalid.message = "No declaration for element Street";
    validator.verdicts["44201.xml"] = invalid;
    RunRows({0, 1});
    EXPECT_TRUE(window[control::validate].enabled);
    EXPECT_FALSE(window[progressBar].enabled);

    Buttons during{};
    std::string noticeDuring;
    bool validateDuring = true;
    bool barDuring = false;
    window.onPump = [&] {
        during = window.BottomButtons();
        noticeDuring = Text(reportNotice);
        validateDuring = window[control::validate].enabled;
        barDuring = window[progressBar].enabled;
        wizard->OnValidate();  // a second click while the first check runs does nothing
        wizard->OnNext();
    };
    const int pumpsBefore = window.pumps;
    wizard->OnValidate();
    EXPECT_EQ((Buttons{false, false, false, false, "完了", next, next}), during);
    EXPECT_EQ("DTDで検証しています。しばらくお待ちください。", noticeDuring);
    EXPECT_FALSE(validateDuring);
    EXPECT_TRUE(barDuring);
    EXPECT_FALSE(window.state.ended);
    EXPECT_EQ(4, window.pumps - pumpsBefore) << "one pass of the event loop per document";
    EXPECT_EQ((std::pair{0, 40}), window.state.progressRange);
    EXPECT_EQ(40, window.state.progressPosition);
    EXPECT_EQ(4u, validator.checked.size());
    EXPECT_EQ(std::vector<fs::path>(4, set / "dtd"), validator.folders);

    // Afterwards the page is as before, with a line per document below the report.
    EXPECT_EQ((Buttons{true, false, true, false, "完了", next, next}), window.BottomButtons());
    EXPECT_FALSE(window[progressBar].enabled);
    EXPECT_EQ("DTDに合わないXMLファイルがあります。下の一覧をご覧ください。", Text(reportNotice));
    const std::string sep = PathText(fs::path("a") / "b").substr(1, 1);
    EXPECT_EQ((std::vector<std::string>{
                  "選択した全ての地物を変換しました。",
                  "",
                  "DTDによる検証: XMLファイル 4 個中 3 個が有効です。",
                  "\t44201" + sep + "44201.xml: 無効（12 行目）: No declaration for element Street",
                  "\t44201" + sep + "44201MH.xml: 有効",
                  "\t44202" + sep + "44202.xml: 有効",
                  "\t44202" + sep + "44202MH.xml: 有効",
              }),
              ReportLines());

    // All valid.
    validator.verdicts.clear();
    window.onPump = nullptr;
    wizard->OnValidate();
    EXPECT_EQ("全てのXMLファイルがDTDに合っています。", Text(reportNotice));
}

TEST_F(WizardReportTest, BuildWithoutValidationSaysSoOnThePage)
{
    Start();
    wizard->SetValidator(nullptr);
    RunRows({0});
    EXPECT_TRUE(window[control::validate].shown);
    EXPECT_FALSE(window[control::validate].enabled);
    const std::vector<std::string> lines = ReportLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("この版にはDTDによる検証がありません（libxml2 を含まずにビルドされています）。",
              lines.back());
    const int pumps = window.pumps;
    wizard->OnValidate();
    EXPECT_EQ(pumps, window.pumps);
}

TEST(ReportTextTest, SizesAsTheFileManagerShowsThem)
{
    EXPECT_EQ("0 バイト", SizeText(0));
    EXPECT_EQ("1023 バイト", SizeText(1023));
    EXPECT_EQ("1.0 KB", SizeText(1024));
    EXPECT_EQ("1.5 KB", SizeText(1536));
    EXPECT_EQ("1024.0 KB", SizeText(1024 * 1024 - 1));
    EXPECT_EQ("333.3 MB", SizeText(349488332));
    EXPECT_EQ("2.0 GB", SizeText(2ull << 30));
}

// The build's own check, when it has one, over what the wizard wrote.
TEST_F(WizardReportTest, ValidationOfTheDemoOutputPasses)
{
    if (MakeDtdValidator() == nullptr) {
        GTEST_SKIP() << "this build has no libxml2";
    }
    const fs::path shippedSettings = fs::path(ORDEVIK_SOURCE_DIR) / "resources" / "ordevik.ini";
    wizard.emplace(window, presenter, services, false, shippedSettings);
    wizard->Initialise();
    ToFeaturePage({0, 1, 2});
    presenter = HookedPresenter({SkipDialog::Answer::SkipAll});
    wizard->OnNext();
    wizard->OnRadioClicked(perKindFile);
    wizard->OnNext();
    wizard->OnNext();
    wizard->OnValidate();
    EXPECT_EQ("一部の地物を変換しませんでした。下の一覧をご覧ください。", Text(reportNotice));
    EXPECT_NE(std::string::npos,
              Text(reportText).find("DTDによる検証: XMLファイル 28 個中 28 個が有効です。"))
        << Text(reportText);
}

}

namespace {

TEST_F(WizardReportTest, MapOfAFilesetIsChosenShownAndSaved)
{
    StartWithFakeCheck();
    RunRows({0, 1});
    const std::vector<int> covered = {filesetName, filesetCounter, featureName, featureCounter,
                                      progressBar, reportText};
    // The report is chosen first; the maps are offered in run order.
    EXPECT_EQ((std::vector<std::string>{"実行結果", "大分市（44201）", "別府市（44202）"}),
              window[previewChoice].items);
    EXPECT_EQ(0, window[previewChoice].chosen);
    EXPECT_TRUE(window[previewChoice].shown && window[previewChoice].enabled);
    EXPECT_TRUE(window[savePreview].shown);
    EXPECT_FALSE(window[savePreview].enabled) << "nothing to save while the report is shown";
    EXPECT_FALSE(window[previewPicture].shown);
    const std::string notice = Text(reportNotice);

    wizard->OnPreviewChosen(2);
    const FilesetPreview& map = *wizard->LastReport().filesets[1].preview;
    EXPECT_TRUE(window[previewPicture].shown);
    EXPECT_EQ(&map.picture, window[previewPicture].picture);
    for (const int id : covered) {
        EXPECT_FALSE(window[id].shown) << id << " lies under the map";
    }
    EXPECT_EQ(map.description, Text(reportNotice));
    EXPECT_EQ(0u, map.description.rfind("別府市（44202）: 線 ", 0)) << map.description;
    EXPECT_TRUE(window[savePreview].enabled);

    // Saved where the user says, offered as the fileset's code in the XML folder.
    picker.saveFiles.push_back(out / "chosen.png");
    wizard->OnSavePreview();
    EXPECT_EQ(fs::path("44202.png"), picker.suggestedNames.back());
    EXPECT_EQ(out, picker.startFolders.back());
    EXPECT_EQ("*.png", picker.saveFilters.back().pattern);
    EXPECT_EQ("地図を保存しました: " + PathText(out / "chosen.png"), Text(reportNotice));
    EXPECT_EQ("\x89PNG", ReadFileBytes(out / "chosen.png").substr(0, 4));
    // Cancelled: nothing written, nothing said. Refused: the reason is said.
    wizard->OnSavePreview();
    EXPECT_EQ("地図を保存しました: " + PathText(out / "chosen.png"), Text(reportNotice));
    picker.saveFiles.push_back(out / "missing" / "chosen.png");
    wizard->OnSavePreview();
    EXPECT_EQ(0u, Text(reportNotice).rfind("地図を保存できません: ", 0)) << Text(reportNotice);
    EXPECT_FALSE(fs::exists(out / "missing"));

    // Back to the report: everything as it was.
    wizard->OnPreviewChosen(0);
    EXPECT_FALSE(window[previewPicture].shown);
    for (const int id : covered) {
        EXPECT_TRUE(window[id].shown) << id;
    }
    EXPECT_EQ(notice, Text(reportNotice));
    EXPECT_FALSE(window[savePreview].enabled);
    wizard->OnPreviewChosen(3);  // no such item: ignored
    EXPECT_FALSE(window[previewPicture].shown);

    // The check runs its bar where the map lies: the report comes back first.
    wizard->OnPreviewChosen(1);
    wizard->OnValidate();
    EXPECT_FALSE(window[previewPicture].shown);
    EXPECT_TRUE(window[progressBar].shown);
    EXPECT_EQ(0, window[previewChoice].chosen);
    EXPECT_EQ(3u, window[previewChoice].items.size());
}

}
