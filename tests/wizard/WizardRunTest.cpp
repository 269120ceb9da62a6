#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/cli/BatchRun.h"
#include "tests/wizard/WizardFixture.h"
#include "wizard/ControlIds.h"

namespace fs = std::filesystem;

namespace {

using namespace control;

const std::string runningText = "ケルダデータを解凍しています。しばらくお待ちください。";

class WizardRunTest : public WizardTest
{
protected:
    // From page 3 through the options and the summary into the run.
    void RunFromFeaturePage()
    {
        wizard->OnNext();
        wizard->OnNext();
        wizard->OnNext();
    }

    const Buttons completed{true, false, true, false, "完了", next, next};
};

TEST_F(WizardRunTest, RunShowsItsProgressAndEndsInTheCompletionState)
{
    Start();
    ToFeaturePage({0, 1});
    Buttons running{};
    std::string runningMessage;
    std::pair<int, int> runningRange;
    window.onPump = [&] {
        running = window.BottomButtons();
        runningMessage = Text(statusMessage);
        runningRange = window.state.progressRange;
        wizard->OnCancel();  // answered キャンセル: the run goes on
    };
    presenter = HookedPresenter({ConfirmDialog::Answer::Cancel});
    RunFromFeaturePage();

    EXPECT_EQ((Buttons{false, false, false, true, "実行", cancel, cancel}), running);
    EXPECT_EQ(runningText, runningMessage);
    EXPECT_EQ((std::pair{0, 40}), runningRange);
    EXPECT_EQ(std::vector<MessageId>{MessageId::QuitProgram}, presenter.ids);
    EXPECT_EQ((std::vector<std::string>{"", "(1/2)", "(2/2)"}), window[filesetCounter].texts);
    EXPECT_EQ((std::vector<std::string>{"", "大分市", "別府市"}), window[filesetName].texts);
    const std::vector<std::string> kinds = {"ポイントデータ設定", "河川", "道路",
                                            "ポイントデータ設定（メッシュ標高）", "メッシュ標高"};
    std::vector<std::string> names = {""};
    names.insert(names.end(), kinds.begin(), kinds.end());
    names.insert(names.end(), kinds.begin(), kinds.end());
    EXPECT_EQ(names, window[featureName].texts);
    EXPECT_EQ((std::vector<std::string>{"", "(1/3)", "(2/3)", "", "(3/3)", "", "(1/3)", "(2/3)",
                                        "", "(3/3)"}),
              window[featureCounter].texts);

    // The last fileset and kind stay on screen, greyed.
    EXPECT_EQ(completed, window.BottomButtons());
    EXPECT_EQ("ケルダデータの解凍が完了しました。完了ボタンで終了します。", Text(statusMessage));
    for (const int field :
         {featureName, featureCounter, filesetName, filesetCounter, progressBar}) {
        EXPECT_FALSE(window[field].enabled) << field;
    }
    EXPECT_EQ("(3/3)", Text(featureCounter));
    EXPECT_EQ(40, window.state.progressPosition);
    EXPECT_TRUE(window[completedTitle].shown);
    EXPECT_FALSE(window[progressTitle].shown);
    EXPECT_EQ(1, window.state.beeps);
    EXPECT_TRUE(fs::is_regular_file(out / "44202" / "44202.xml"));

    WriteFileBytes(folder / "help" / "page_7.htm", "");
    wizard->OnHelp();
    EXPECT_EQ(std::vector<fs::path>{folder / "help" / "page_7.htm"}, opener.opened);
    EXPECT_FALSE(window.state.ended);
    wizard->OnNext();
    EXPECT_TRUE(window.state.ended);
    EXPECT_EQ((std::vector<int>{help, back, next, cancel}), window.Shown());
    EXPECT_EQ(std::vector<int>{}, processExit.statuses);
}

TEST_F(WizardRunTest, StoppedRunSaysSoInTheCompletionState)
{
    Start();
    ToFeaturePage({2});  // 44203 has no river data; the question is answered 終了
    RunFromFeaturePage();
    EXPECT_EQ(std::vector<MessageId>{MessageId::DataFileMissing}, presenter.ids);
    EXPECT_EQ(completed, window.BottomButtons());
    EXPECT_EQ("ケルダデータの解凍を中止しました。完了ボタンで終了します。", Text(statusMessage));
    EXPECT_EQ("中津市", Text(filesetName));
    EXPECT_EQ("(1/1)", Text(filesetCounter));
    EXPECT_EQ(1, window.state.beeps);
}

TEST_F(WizardRunTest, QuitConfirmedDuringTheRunEndsTheProcessThere)
{
    Start();
    ToFeaturePage({0});
    window.onPump = [&] {
        wizard->OnAbout();
        wizard->OnCancel();
    };
    presenter = HookedPresenter({1, ConfirmDialog::Answer::Ok});
    EXPECT_THROW(RunFromFeaturePage(), FakeExit::Exited);
    EXPECT_EQ(std::vector<int>{0}, processExit.statuses);
    EXPECT_EQ((std::vector<MessageId>{MessageId::About, MessageId::QuitProgram}), presenter.ids);
    EXPECT_EQ(runningText, Text(statusMessage));
    EXPECT_EQ(0, window.state.beeps);
}

TEST_F(WizardRunTest, HelpOpensThePageAfterTheCurrentOneWhenItExists)
{
    for (const char* page : {"page_0.htm", "page_1.htm", "page_3.htm", "page_6.htm"}) {
        WriteFileBytes(folder / "help" / page, "");
    }
    Start();
    auto helpOnThisPage = [&] {
        opener.opened.clear();
        wizard->OnHelp();
        return opener.opened;
    };
    using Paths = std::vector<fs::path>;
    EXPECT_EQ(Paths{folder / "help" / "page_1.htm"}, helpOnThisPage());
    wizard->OnNext();
    EXPECT_EQ(Paths{}, helpOnThisPage());
    ChoosePaths(set / "filesets.csv", {}, {}, out);
    wizard->OnNext();
    EXPECT_EQ(Paths{folder / "help" / "page_3.htm"}, helpOnThisPage());
    Select(allFilesetList, {0});
    wizard->OnAdd();
    wizard->OnNext();
    EXPECT_EQ(Paths{}, helpOnThisPage());
    wizard->OnNext();
    EXPECT_EQ(Paths{}, helpOnThisPage());
    wizard->OnNext();
    EXPECT_EQ(Paths{folder / "help" / "page_6.htm"}, helpOnThisPage());
}

// The wizard and ordevik-batch, given the same choices and settings, write the same
// tree byte for byte.
TEST_F(WizardRunTest, WholeWizardWritesWhatTheBatchToolWrites)
{
    const fs::path shippedSettings = fs::path(ORDEVIK_SOURCE_DIR) / "resources" / "ordevik.ini";
    wizard.emplace(window, presenter, services, false, shippedSettings);
    wizard->Initialise();
    wizard->OnNext();
    const fs::path wizardOut = folder / "wizard-out";
    ChoosePaths(set / "filesets.csv", {}, {}, wizardOut);
    presenter = HookedPresenter({ConfirmDialog::Answer::Ok});
    wizard->OnNext();
    Select(allFilesetList, {0, 1});
    wizard->OnAdd();
    wizard->OnNext();
    // The kinds 44202 lacks: 鉄道, 水域, 行政界, 注記, 街区 and 交通施設 (ST,BS).
    std::string selection(13, '1');
    for (const int row : {0, 1}) {
        Select(featureFilesetList, {row});
        for (const int kind : {1, 3, 5, 8, 10, 11}) {
            Toggle(kind);
            selection[static_cast<std::size_t>(kind)] = '0';
        }
    }
    EXPECT_EQ((std::map<std::string, std::string>{{"44201", selection}, {"44202", selection}}),
              wizard->FeatureSelection());
    wizard->OnNext();
    wizard->OnRadioClicked(perKindFile);
    wizard->OnRadioClicked(shiftJis);
    wizard->OnNext();
    wizard->OnNext();
    EXPECT_EQ(std::vector<MessageId>{MessageId::CreateXmlFolder}, presenter.ids);
    EXPECT_EQ("ケルダデータの解凍が完了しました。完了ボタンで終了します。", Text(statusMessage));

    const fs::path batchOut = folder / "batch-out";
    const BatchOutcome batch = RunBatchTool(
        {"--csv", PathText(set / "filesets.csv"), "--data", PathText(set / "data"), "--dtd",
         PathText(set / "dtd"), "--out", PathText(batchOut), "--settings",
         PathText(shippedSettings), "--fileset", "44201", "--fileset", "44202", "--selection",
         selection, "--per-kind", "--shift-jis", "--quiet"},
        folder.Path());
    ASSERT_EQ(0, batch.status) << batch.err;

    const auto written = FileTree(wizardOut);
    EXPECT_EQ(FileTree(batchOut), written);
    EXPECT_EQ(2u * (7u + 1u), written.size()) << "seven kinds and the DTD per fileset";
}

}
