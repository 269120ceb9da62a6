#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/Conversion.h"
#include "engine/RunReport.h"
#include "tests/engine/ConversionTestSupport.h"

namespace fs = std::filesystem;

namespace {

const fs::path sourceDir = ORDEVIK_SOURCE_DIR;

// Each kind of a report as "fileset kind outcome reason", and where it went when written.
std::vector<std::string> Kinds(const RunReport& report)
{
    std::vector<std::string> kinds;
    for (const FilesetEntry& fileset : report.filesets) {
        for (const KindEntry& kind : fileset.kinds) {
            std::string line = fileset.code + " " + kind.code + " " + OutcomeName(kind.outcome);
            if (kind.reason != KindReason::None) {
                line += std::string(" ") + ReasonName(kind.reason);
            }
            if (kind.outcome == KindOutcome::Written) {
                line += " " + kind.document.filename().string() + " " +
                        std::to_string(kind.records);
            }
            if (kind.stoppedRun) {
                line += " (run stopped)";
            }
            kinds.push_back(line);
        }
    }
    return kinds;
}

// The demo data set copied into a fresh folder, converted with the shipped settings.
class RunReportTest : public ::testing::Test
{
protected:
    RunReportTest()
    {
        fs::copy(sourceDir / "samples" / "demo", set, fs::copy_options::recursive);
        fs::create_directories(out);
    }

    RunReport Run(const std::vector<std::string>& codes, bool integrated = true)
    {
        ConversionRequest request;
        request.options.dataFolder = set / "data";
        request.options.dtdFolder = set / "dtd";
        request.options.xmlFolder = out;
        request.options.integratedOutput = integrated;
        request.options.settingsFile = sourceDir / "resources" / "ordevik.ini";
        const std::map<std::string, std::string> names = {
            {"44201", ToCp932("大分市")}, {"44202", ToCp932("別府市")}, {"44203", ToCp932("中津市")}};
        for (const std::string& code : codes) {
            request.selectedFilesets[code] = names.at(code);
            request.featureSelection[code] = std::string(13, '1');
        }
        summary = RunConversion(request, &presenter, progress);
        return summary.report;
    }

    // The totals agree with the entries, with the summary and with the disk.
    void ExpectTotalsAddUp(const RunReport& report)
    {
        const RunTotals totals = report.Totals();
        int kinds = 0;
        for (const FilesetEntry& fileset : report.filesets) {
            kinds += static_cast<int>(fileset.kinds.size());
        }
        EXPECT_EQ(kinds, totals.kindsWritten + totals.kindsSkipped + totals.kindsFailed);
        EXPECT_EQ(summary.kindsConverted, totals.kindsWritten);
        EXPECT_EQ(summary.records, totals.records);
        EXPECT_EQ(summary.filesets, totals.filesets);
        EXPECT_EQ(summary.filesWritten.size(), report.documents.size());
        std::uintmax_t onDisk = 0;
        for (const DocumentEntry& document : report.documents) {
            EXPECT_EQ(fs::file_size(document.path), document.bytes) << document.path;
            EXPECT_TRUE(summary.filesWritten.count(document.path)) << document.path;
            onDisk += fs::file_size(document.path);
        }
        EXPECT_EQ(onDisk, totals.bytes);
    }

    TempFolder folder;
    const fs::path set = folder / "set";
    const fs::path out = folder / "out";
    ScriptedPresenter presenter;
    RecordingProgress progress;
    ConversionSummary summary;
};

TEST_F(RunReportTest, MissingDataFilesSkippedOnceAndByTheSkipAllAnswer)
{
    // 中津市 has 6 of the 14 kinds; the first missing file is answered スキップ, the
    // second 全てスキップ, and the other six are skipped without a question.
    presenter = ScriptedPresenter({SkipDialog::Answer::Skip, SkipDialog::Answer::SkipAll});
    const RunReport report = Run({"44203"});
    EXPECT_EQ((std::vector<std::string>{
                  "44203 BS skipped data-file-missing", "44203 BK skipped data-file-missing-skip-all",
                  "44203 CP skipped skipped-by-skip-all", "44203 AN written 44203.xml 1",
                  "44203 PN skipped skipped-by-skip-all", "44203 AA skipped skipped-by-skip-all",
                  "44203 AL written 44203.xml 1", "44203 BL skipped skipped-by-skip-all",
                  "44203 WA written 44203.xml 1", "44203 RV skipped skipped-by-skip-all",
                  "44203 RL written 44203.xml 1", "44203 RD written 44203.xml 1",
                  "44203 ST written 44203.xml 1", "44203 MH skipped skipped-by-skip-all"}),
              Kinds(report));
    const FilesetEntry& fileset = report.filesets.at(0);
    EXPECT_EQ("中津市", fileset.name);
    EXPECT_EQ("データファイル 44203BS.sal がありません。", fileset.kinds[0].message);
    EXPECT_EQ("データファイル 44203BK.sal がありません。", fileset.kinds[1].message);
    EXPECT_EQ("", fileset.kinds[2].message);
    EXPECT_EQ("バス停", fileset.kinds[0].name);
    EXPECT_EQ(2u, presenter.shown.size());

    const RunTotals totals = report.Totals();
    EXPECT_EQ(1, totals.filesets);
    EXPECT_EQ(6, totals.kindsWritten);
    EXPECT_EQ(8, totals.kindsSkipped);
    EXPECT_EQ(0, totals.kindsFailed);
    EXPECT_EQ(1, totals.documents);
    EXPECT_FALSE(report.stopped);
    EXPECT_TRUE(report.AnythingLeftOut());
    EXPECT_GE(report.seconds, 0.0);
    ExpectTotalsAddUp(report);
}

TEST_F(RunReportTest, WholeDemoPerKindListsEveryDocumentWithItsSize)
{
    presenter = ScriptedPresenter({SkipDialog::Answer::SkipAll});
    const RunReport report = Run({"44201", "44202", "44203"}, false);
    const RunTotals totals = report.Totals();
    EXPECT_EQ(3, totals.filesets);
    EXPECT_EQ(14 + 8 + 6, totals.kindsWritten);
    EXPECT_EQ(6 + 8, totals.kindsSkipped);
    EXPECT_EQ(totals.kindsWritten, totals.documents);
    EXPECT_EQ(3, report.filesetsPlanned);
    ASSERT_FALSE(report.documents.empty());
    EXPECT_EQ(out / "44201" / "44201BS.xml", report.documents.front().path);
    ExpectTotalsAddUp(report);

    // Nothing skipped: nothing left out.
    presenter = ScriptedPresenter({OverwriteDialog::Answer::OverwriteAll});
    const RunReport whole = Run({"44201"});
    EXPECT_FALSE(whole.AnythingLeftOut());
    EXPECT_EQ(2u, whole.documents.size()) << "the integrated document and the mesh's own";
    ExpectTotalsAddUp(whole);
}

TEST_F(RunReportTest, ExistingDocumentKeptBySkip)
{
    presenter = ScriptedPresenter({SkipDialog::Answer::SkipAll});
    Run({"44202"});
    // The integrated document is kept: its first part is asked about, the later parts
    // follow the answer. The mesh's own document is overwritten.
    presenter = ScriptedPresenter(
        {OverwriteDialog::Answer::Skip, SkipDialog::Answer::SkipAll, OverwriteDialog::Answer::Overwrite});
    const RunReport report = Run({"44202"});
    const std::vector<std::string> kinds = Kinds(report);
    ASSERT_EQ(14u, kinds.size());
    EXPECT_EQ("44202 BS skipped document-kept", kinds[0]);
    EXPECT_EQ("44202 BK skipped data-file-missing-skip-all", kinds[1]);
    EXPECT_EQ("44202 CP skipped document-kept-earlier", kinds[2]);
    EXPECT_EQ("44202 AN skipped skipped-by-skip-all", kinds[3]);
    EXPECT_EQ("44202 RD skipped document-kept-earlier", kinds[11]);
    EXPECT_EQ("44202 MH written 44202MH.xml 4", kinds[13]);
    EXPECT_EQ("XMLファイル 44202.xml は既に存在します。", report.filesets[0].kinds[0].message);
    EXPECT_EQ(1u, report.documents.size());
    ExpectTotalsAddUp(report);
}

TEST_F(RunReportTest, FailureThatStopsTheRunEndsTheReportThere)
{
    fs::remove(set / "data" / "44202" / "44202.slp");
    presenter = ScriptedPresenter({SkipDialog::Answer::SkipAll});
    const RunReport report = Run({"44201", "44202", "44203"});
    ASSERT_EQ(2u, report.filesets.size());
    const std::vector<std::string> kinds = Kinds(report);
    EXPECT_EQ("44202 BS failed failure (run stopped)", kinds.back());
    EXPECT_EQ("点データファイルがありません。", report.filesets[1].kinds.back().message);
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(3, report.filesetsPlanned);
    EXPECT_TRUE(report.AnythingLeftOut());
    const RunTotals totals = report.Totals();
    EXPECT_EQ(14, totals.kindsWritten);
    EXPECT_EQ(1, totals.kindsFailed);
    ExpectTotalsAddUp(report);
}

TEST_F(RunReportTest, StopByTheUserIsTheLastEntry)
{
    presenter = ScriptedPresenter({SkipDialog::Answer::Quit});
    const RunReport report = Run({"44203"});
    EXPECT_EQ(std::vector<std::string>{"44203 BS stopped data-file-missing-stop (run stopped)"},
              Kinds(report));
    EXPECT_TRUE(report.stopped);
    EXPECT_TRUE(report.documents.empty());

    // 終了 to an existing document: the kinds before it are written.
    fs::create_directories(out / "44201");
    WriteFileBytes(out / "44201" / "44201MH.xml", "old");
    presenter = ScriptedPresenter({OverwriteDialog::Answer::Quit});
    const RunReport second = Run({"44201"});
    const std::vector<std::string> kinds = Kinds(second);
    ASSERT_EQ(14u, kinds.size());
    EXPECT_EQ("44201 MH stopped document-exists-stop (run stopped)", kinds.back());
    EXPECT_EQ("44201 RD written 44201.xml 3", kinds[11]);
    EXPECT_EQ("old", ReadFileBytes(out / "44201" / "44201MH.xml"));
    ExpectTotalsAddUp(second);
}

TEST_F(RunReportTest, RecorderReadsFailuresAndFilesetNotesFromTheDialogsShown)
{
    ScriptedPresenter shown({1, 1});
    RunRecorder recorder(&shown, 2);
    WarningDialog(&recorder).Show(MessageId::DtdFileMissing);
    recorder.FilesetStarted("F01", "Tokyo");
    recorder.KindStarted("RD", ToCp932("道路"));
    FailureDialog(&recorder).Show(MessageId::XmlFileNotOpened, "/x/F01.xml");
    recorder.KindSkipped(RunRecorder::Step::Output);
    recorder.DocumentClosed("/x/F01MH.xml", 10, true);
    recorder.DocumentClosed("/x/F01MH.xml", 25, false);
    const RunReport report = recorder.Finish(false, 1.5);

    EXPECT_EQ(2u, shown.shown.size()) << "every dialog reaches the real presenter";
    ASSERT_EQ(1u, report.filesets.size());
    EXPECT_EQ(std::vector<std::string>{"DTDファイルがありません。"}, report.filesets[0].notes);
    EXPECT_FALSE(report.filesets[0].refused);
    const KindEntry& kind = report.filesets[0].kinds.at(0);
    EXPECT_EQ("道路", kind.name);
    EXPECT_EQ(KindOutcome::Failed, kind.outcome);
    EXPECT_FALSE(kind.stoppedRun);
    EXPECT_EQ("XMLファイル /x/F01.xml を開けません。", kind.message);
    ASSERT_EQ(1u, report.documents.size());
    EXPECT_EQ(25u, report.documents[0].bytes);
    EXPECT_FALSE(report.documents[0].complete);
    // One fileset of two was reached: something was left out.
    EXPECT_TRUE(report.AnythingLeftOut());

    RunReport merged = report;
    merged.Append(report);
    EXPECT_EQ(4, merged.filesetsPlanned);
    EXPECT_EQ(2, merged.Totals().kindsFailed);
    EXPECT_EQ(50u, merged.Totals().bytes);
}

}
