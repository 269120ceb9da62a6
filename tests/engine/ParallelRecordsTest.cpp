#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/Conversion.h"
#include "platform/FileSystem.h"
#include "readers/FilesetList.h"
#include "tests/engine/ConversionTestSupport.h"

namespace fs = std::filesystem;

namespace {

const fs::path sourceDir = ORDEVIK_SOURCE_DIR;

// Everything a run leaves that a user can see: the files, every dialog in order, the
// labels and the bar's ends, and the summary's counts.
struct RunTrace
{
    std::map<std::string, std::string> files;
    std::vector<std::string> dialogs;
    std::vector<std::string> progress;
    std::string summary;
    bool operator==(const RunTrace&) const = default;
};

// The progress calls without the pumps and the bar's positions between 0 and the end,
// which come per record from one thread and per run of records from several.
std::vector<std::string> ProgressOutline(const std::vector<std::string>& calls)
{
    std::vector<std::string> outline;
    for (const std::string& call : calls) {
        if (call == "pump" ||
            (call.starts_with("position ") && call != "position 0" && call != "position 40") ||
            (!outline.empty() && outline.back() == call)) {
            continue;
        }
        outline.push_back(call);
    }
    return outline;
}

// Converts one input tree again and again, each time into a fresh copy of a prepared
// output folder, with records composed on a given number of threads.
class ParallelRecordsTest : public ::testing::Test
{
protected:
    // Uses `data` (filesets.csv and data/) with every fileset and kind chosen.
    void UseDataSet(const fs::path& data)
    {
        csv = data / "filesets.csv";
        dataFolder = data / "data";
    }

    // The output folder every run starts from; a test puts existing documents there.
    fs::path Prepared() const { return folder / "prepared"; }

    RunTrace Convert(int threads, const std::vector<ScriptedPresenter::Answer>& script = {},
                     std::size_t runBytes = 1)
    {
        const fs::path out = folder / ("out" + std::to_string(++runs));
        fs::create_directories(Prepared());
        fs::copy(Prepared(), out, fs::copy_options::recursive | fs::copy_options::copy_symlinks);

        ConversionRequest request;
        request.options.dataFolder = dataFolder;
        request.options.dtdFolder = sourceDir / "samples" / "demo" / "dtd";
        request.options.xmlFolder = out;
        request.options.settingsFile = sourceDir / "resources" / "ordevik.ini";
        request.options.shiftJisOutput = shiftJis;
        request.options.integratedOutput = integrated;
        request.options.composeThreads = threads;
        request.options.composeRunBytes = runBytes;
        EXPECT_EQ(0, ReadFilesetList(csv, request.selectedFilesets));
        for (const auto& entry : request.selectedFilesets) {
            request.featureSelection[entry.first] = std::string(14, '1');
        }
        ScriptedPresenter presenter(script);
        RecordingProgress progress;
        const ConversionSummary summary = RunConversion(request, &presenter, progress);

        RunTrace trace;
        // A symbolic link to a device stands for a full disk; its target is not read.
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            if (entry.is_regular_file() && !entry.is_symlink()) {
                trace.files[fs::relative(entry.path(), out).string()] =
                    ReadFileBytes(entry.path());
            }
        }
        trace.dialogs = presenter.Messages();
        trace.progress = ProgressOutline(progress.calls);
        trace.summary = std::to_string(summary.stopped) + " " +
                        std::to_string(summary.filesets) + " " +
                        std::to_string(summary.kindsConverted) + " " +
                        std::to_string(summary.kindsSkipped) + " " +
                        std::to_string(summary.records) + " " +
                        std::to_string(summary.filesWritten.size());
        for (const FilesetEntry& fileset : summary.report.filesets) {
            for (const KindEntry& kind : fileset.kinds) {
                trace.summary += " " + std::to_string(kind.records);
            }
        }
        return trace;
    }

    // The same trace with 1, 2 and 4 threads, in runs of one record and of a few;
    // returns the one of a single thread.
    RunTrace ExpectSameWithEveryThreadCount(const std::vector<ScriptedPresenter::Answer>& script,
                                            const std::string& what)
    {
        const RunTrace alone = Convert(1, script);
        EXPECT_FALSE(alone.files.empty()) << what;
        for (const int threads : {2, 4}) {
            for (const std::size_t runBytes : {std::size_t{1}, std::size_t{700}}) {
                EXPECT_EQ(alone, Convert(threads, script, runBytes))
                    << what << ", " << threads << " threads, runs of " << runBytes << " bytes";
            }
        }
        return alone;
    }

    // Converts from now on a generated data set of one fileset, large enough that a
    // kind fills the output buffer many times over; returns the fileset's folder.
    fs::path UseGeneratedFileset()
    {
        const fs::path data = folder / "generated";
        const std::string command = ShellQuoted(ORDEVIK_GENERATOR_PATH) + " " +
                                    ShellQuoted(data.string()) +
                                    " --scale 0.05 --filesets 1 >/dev/null";
        EXPECT_EQ(0, std::system(command.c_str()));
        UseDataSet(data);
        return *fs::directory_iterator(data / "data");
    }

    TempFolder folder;
    fs::path csv;
    fs::path dataFolder;
    bool shiftJis = false;
    bool integrated = true;
    int runs = 0;
};

TEST_F(ParallelRecordsTest, SampleInEveryFormIsTheSameOnEveryThreadCount)
{
    UseDataSet(sourceDir / "samples" / "demo");
    for (const bool sjis : {false, true}) {
        for (const bool whole : {true, false}) {
            shiftJis = sjis;
            integrated = whole;
            ExpectSameWithEveryThreadCount({}, std::string(sjis ? "Shift_JIS" : "UTF-8") +
                                                   (whole ? " integrated" : " per kind"));
        }
    }
}

TEST_F(ParallelRecordsTest, MissingFilesAndExistingDocumentsAskTheSameInTheSameOrder)
{
    if (std::string(ORDEVIK_GENERATOR_PATH).empty()) {
        GTEST_SKIP() << "no data set generator in this build";
    }
    const fs::path fileset = UseGeneratedFileset();
    const std::string code = fileset.filename().string();
    // A missing file right after a big kind, whose lines are read ahead; one among the
    // kinds behind which a bigger one is read ahead while they are written; and the
    // first.
    fs::remove(fileset / (code + "BS.sal"));
    fs::remove(fileset / (code + "WA.sal"));
    fs::remove(fileset / (code + "RL.sal"));
    fs::create_directories(Prepared() / code);
    WriteFileBytes(Prepared() / code / (code + "RD.xml"), "old");
    WriteFileBytes(Prepared() / code / (code + "BL.xml"), "old");
    WriteFileBytes(Prepared() / code / (code + "MH.xml"), "old");

    integrated = false;
    // Skip the missing files; overwrite one document, keep one, then overwrite the rest.
    const RunTrace answered = ExpectSameWithEveryThreadCount(
        {SkipDialog::Answer::Skip, SkipDialog::Answer::Skip, SkipDialog::Answer::Skip,
         OverwriteDialog::Answer::Overwrite, OverwriteDialog::Answer::Skip,
         OverwriteDialog::Answer::OverwriteAll},
        "per kind, answered");
    EXPECT_EQ(6u, answered.dialogs.size());
    // Unanswered, as when a dialog is closed with Escape.
    EXPECT_FALSE(ExpectSameWithEveryThreadCount({}, "per kind, unanswered").dialogs.empty());
    integrated = true;
    ExpectSameWithEveryThreadCount({SkipDialog::Answer::SkipAll,
                                    OverwriteDialog::Answer::OverwriteAll},
                                   "integrated, answered");
}

TEST_F(ParallelRecordsTest, DataFileTooBigToHoldIsAskedAboutInItsTurn)
{
    if (std::string(ORDEVIK_GENERATOR_PATH).empty()) {
        GTEST_SKIP() << "no data set generator in this build";
    }
    const fs::path fileset = UseGeneratedFileset();
    const std::string code = fileset.filename().string();
    // The roads, read ahead from several kinds before their turn on more threads than
    // one: the run asks about them as about a file that cannot be read, and goes on.
    if (!MakeFileTooBigToHold(fileset / (code + "RD.sal"))) {
        GTEST_SKIP() << "no file here is too big to hold";
    }
    integrated = false;
    const RunTrace trace = ExpectSameWithEveryThreadCount({SkipDialog::Answer::Skip}, "skipped");
    ASSERT_EQ(1u, trace.dialogs.size());
    EXPECT_NE(std::string::npos, trace.dialogs[0].find(code + "RD.sal")) << trace.dialogs[0];
    EXPECT_FALSE(trace.files.contains(code + "/" + code + "RD.xml"));
    EXPECT_TRUE(trace.files.contains(code + "/" + code + "MH.xml"));
}

// Points are converted side by side only while every line has the usual form and
// every text fits the slots that the first point chose; a line late in the file that
// breaks either rule sends the conversion back to one point at a time, with the same
// table as a single thread builds.
TEST_F(ParallelRecordsTest, PointFilesOfEveryFormGiveTheSameTable)
{
    if (std::string(ORDEVIK_GENERATOR_PATH).empty()) {
        GTEST_SKIP() << "no data set generator in this build";
    }
    const fs::path fileset = UseGeneratedFileset();
    const fs::path pointFile = fileset / (fileset.filename().string() + ".slp");
    const std::string plain = ReadFileBytes(pointFile);
    constexpr std::size_t lineBytes = 18;
    ASSERT_EQ(0u, plain.size() % lineBytes);
    const std::size_t lines = plain.size() / lineBytes;
    ASSERT_GT(lines, 1000u);
    auto withLine = [&](std::size_t line, const std::string& text) {
        std::string changed = plain;
        changed.replace(line * lineBytes, lineBytes, text);
        return changed;
    };
    const std::vector<std::pair<std::string, std::string>> forms = {
        {"plain", plain},
        // 9999.9999 east of the start: a text wider than "139.0933 35.6243".
        {"wide text late", withLine(lines * 3 / 5, "9999999900001000\r\n")},
        {"spaces in a field", withLine(lines * 4 / 5, " 1234567 7654321\r\n")},
        {"a longer line", withLine(lines / 2, "12345678123456789\r\n")},
        {"LF only", withLine(lines / 3, "1234567812345678\n")},
    };
    for (const auto& [what, text] : forms) {
        WriteFileBytes(pointFile, text);
        const RunTrace alone = Convert(1);
        EXPECT_EQ(alone, Convert(2, {}, 700)) << what;
        EXPECT_EQ(alone, Convert(4, {}, 2000)) << what;
    }
    // A missing point file is reported in its turn.
    fs::remove(pointFile);
    const RunTrace alone = Convert(1);
    ASSERT_FALSE(alone.dialogs.empty());
    EXPECT_EQ(alone, Convert(2, {}, 700));
}

TEST_F(ParallelRecordsTest, WriteFailureMidKindStopsAtTheSameRecordWithTheSameDialogs)
{
    if (std::string(ORDEVIK_GENERATOR_PATH).empty()) {
        GTEST_SKIP() << "no data set generator in this build";
    }
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full, a device that refuses every write";
    }
    const std::string code = UseGeneratedFileset().filename().string();
    // The road kind is large: its first full buffer fails, records after it are left.
    fs::create_directories(Prepared() / code);
    fs::create_symlink("/dev/full", Prepared() / code / (code + "RD.xml"));
    integrated = false;
    const RunTrace alone = Convert(1, {OverwriteDialog::Answer::OverwriteAll});
    ASSERT_FALSE(alone.dialogs.empty());
    EXPECT_NE(std::string::npos, alone.dialogs.back().find(code + "RD.xml")) << alone.dialogs.back();
    EXPECT_EQ('1', alone.summary[0]) << "the run stopped";
    for (const int threads : {2, 4}) {
        for (const std::size_t runBytes : {std::size_t{1}, std::size_t{16 * 1024}}) {
            EXPECT_EQ(alone, Convert(threads, {OverwriteDialog::Answer::OverwriteAll}, runBytes))
                << threads << " threads, runs of " << runBytes << " bytes";
        }
    }
}

}
