#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/DtdValidator.h"
#include "tests/cli/BatchRun.h"
#include "tests/engine/ConversionTestSupport.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const fs::path sourceDir = ORDEVIK_SOURCE_DIR;
const fs::path sample = sourceDir / "samples" / "demo";
const fs::path shippedSettings = sourceDir / "resources" / "ordevik.ini";

class BatchReportTest : public ::testing::Test
{
protected:
    // The sample converted into `out` in this process, with `extra` options.
    BatchOutcome Sample(const fs::path& out, std::vector<std::string> extra = {},
                        const fs::path& settings = shippedSettings)
    {
        std::vector<std::string> arguments = {
            "--csv", PathText(sample / "filesets.csv"), "--data", PathText(sample / "data"),
            "--dtd", PathText(sample / "dtd"), "--out", PathText(out),
            "--settings", PathText(settings)};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunBatchInProcess(arguments);
    }

    json ReadReport(const fs::path& file)
    {
        return json::parse(ReadFileBytes(file));
    }

    static bool Validates() { return MakeDtdValidator() != nullptr; }

    TempFolder folder;
};

TEST_F(BatchReportTest, SummaryListsWhatWasNotConvertedInRunOrder)
{
    const BatchOutcome outcome = Sample(folder / "out", {"--fileset", "44203"});
    ASSERT_EQ(0, outcome.status) << outcome.err;
    const std::size_t list = outcome.out.find("not converted:\n");
    ASSERT_NE(std::string::npos, list) << outcome.out;
    EXPECT_EQ("not converted:\n"
              "  44203 中津市 BS バス停: skipped: データファイル 44203BS.sal がありません。 [全てスキップ]\n"
              "  44203 中津市 BK 街区: skipped: no data file [全てスキップ]\n"
              "  44203 中津市 CP 基準点: skipped: no data file [全てスキップ]\n"
              "  44203 中津市 PN 地名: skipped: no data file [全てスキップ]\n"
              "  44203 中津市 AA 行政区域: skipped: no data file [全てスキップ]\n"
              "  44203 中津市 BL 建物: skipped: no data file [全てスキップ]\n"
              "  44203 中津市 RV 河川: skipped: no data file [全てスキップ]\n"
              "  44203 中津市 MH メッシュ標高: skipped: no data file [全てスキップ]\n",
              outcome.out.substr(list));
    EXPECT_EQ(0u, outcome.out.find("done: filesets 1, kinds 6 converted, 8 skipped, 0 failed, "
                                   "records 6, files written 1 ("))
        << outcome.out;

    // A stop names the kind it stopped at, and the filesets it never started.
    const BatchOutcome stopped = Sample(folder / "stopped", {"--missing", "stop"});
    EXPECT_EQ(1, stopped.status);
    EXPECT_NE(std::string::npos,
              stopped.out.find("not converted:\n"
                               "  44202 別府市 BK 街区: stopped: データファイル 44202BK.sal "
                               "がありません。 [終了]\n"
                               "  1 fileset(s) not started: the run stopped\n"))
        << stopped.out;

    // Nothing left out: no list.
    const BatchOutcome whole = Sample(folder / "whole", {"--fileset", "44201"});
    EXPECT_EQ(std::string::npos, whole.out.find("not converted")) << whole.out;
}

TEST_F(BatchReportTest, JsonReportReadBack)
{
    const fs::path out = folder / "out";
    const fs::path file = folder / "report.json";
    const BatchOutcome outcome =
        Sample(out, {"--per-kind", "--quiet", "--jobs", "2", "--report", PathText(file)});
    ASSERT_EQ(0, outcome.status) << outcome.err;
    const json report = ReadReport(file);

    EXPECT_EQ("ordevik-run-report", report["format"]);
    EXPECT_EQ(1, report["version"]);
    EXPECT_EQ(true, report["completed"]);
    EXPECT_EQ(false, report["validated"]);
    EXPECT_EQ(PathText(out), report["out"]);
    ASSERT_EQ(3u, report["filesets"].size());
    const json& nakatsu = report["filesets"][2];
    EXPECT_EQ("44203", nakatsu["code"]);
    EXPECT_EQ("中津市", nakatsu["name"]);
    std::vector<std::string> kinds;
    for (const json& kind : nakatsu["kinds"]) {
        kinds.push_back(kind["code"].get<std::string>() + " " + kind["outcome"].get<std::string>() +
                        (kind["reason"].is_null() ? "" : " " + kind["reason"].get<std::string>()));
    }
    EXPECT_EQ((std::vector<std::string>{
                  "BS skipped data-file-missing-skip-all", "BK skipped skipped-by-skip-all",
                  "CP skipped skipped-by-skip-all", "AN written", "PN skipped skipped-by-skip-all",
                  "AA skipped skipped-by-skip-all", "AL written", "BL skipped skipped-by-skip-all",
                  "WA written", "RV skipped skipped-by-skip-all", "RL written", "RD written",
                  "ST written", "MH skipped skipped-by-skip-all"}),
              kinds);
    const json& road = report["filesets"][0]["kinds"][11];
    EXPECT_EQ("RD", road["code"]);
    EXPECT_EQ("道路", road["name"]);
    EXPECT_EQ("44201/44201RD.xml", road["document"]);
    EXPECT_EQ(3, road["records"]);
    EXPECT_EQ("データファイル 44203BS.sal がありません。", nakatsu["kinds"][0]["message"]);

    // The totals add up, and every document is on disk with the size given.
    const json& totals = report["totals"];
    int written = 0;
    int skipped = 0;
    long long records = 0;
    for (const json& fileset : report["filesets"]) {
        for (const json& kind : fileset["kinds"]) {
            written += kind["outcome"] == "written";
            skipped += kind["outcome"] == "skipped";
            records += kind["records"].get<long long>();
        }
    }
    EXPECT_EQ(written, totals["kindsWritten"]);
    EXPECT_EQ(skipped, totals["kindsSkipped"]);
    EXPECT_EQ(0, totals["kindsFailed"]);
    EXPECT_EQ(records, totals["records"]);
    EXPECT_EQ(3, totals["filesets"]);
    EXPECT_EQ(3, totals["filesetsPlanned"]);
    EXPECT_EQ(14 + 8 + 6, written);
    std::uintmax_t bytes = 0;
    ASSERT_EQ(static_cast<std::size_t>(written), report["documents"].size());
    for (const json& document : report["documents"]) {
        const fs::path path = out / PathFromText(document["path"].get<std::string>());
        EXPECT_EQ(fs::file_size(path), document["bytes"]) << path;
        EXPECT_EQ(true, document["complete"]);
        EXPECT_FALSE(document.contains("validity"));
        bytes += fs::file_size(path);
    }
    EXPECT_EQ(bytes, totals["bytes"]);
}

TEST_F(BatchReportTest, ReportFileProblemsAreRefusedOrTold)
{
    const BatchOutcome nowhere =
        Sample(folder / "out", {"--report", PathText(folder / "no" / "report.json")});
    EXPECT_EQ(2, nowhere.status);
    EXPECT_EQ("ordevik-batch: the folder of the report file does not exist: " +
                  PathText(folder / "no" / "report.json") + "\n",
              nowhere.err);
    EXPECT_FALSE(fs::exists(folder / "out"));

    // A folder where the file should go: the run is done, the report cannot be written.
    fs::create_directories(folder / "taken.json");
    const BatchOutcome taken =
        Sample(folder / "out", {"--quiet", "--fileset", "44201", "--report",
                                PathText(folder / "taken.json")});
    EXPECT_EQ(4, taken.status);
    EXPECT_EQ("ordevik-batch: cannot write the report " + PathText(folder / "taken.json") + "\n",
              taken.err);
}

// Every output form of the sample validates against the shipped DTD: the copy beside
// each document, or the sample's DTD folder when nothing is copied.
TEST_F(BatchReportTest, EveryOutputFormOfTheSampleValidates)
{
    if (!Validates()) {
        const BatchOutcome refused = Sample(folder / "out", {"--validate"});
        EXPECT_EQ(2, refused.status);
        EXPECT_EQ("ordevik-batch: --validate: this build has no DTD validation (it has no "
                  "libxml2)\n",
                  refused.err);
        GTEST_SKIP() << "this build has no libxml2";
    }
    int form = 0;
    for (const char* layout : {"", "--per-kind"}) {
        for (const char* encoding : {"", "--shift-jis"}) {
            for (const char* copy : {"", "--no-dtd-copy"}) {
                std::vector<std::string> options = {"--validate", "--report",
                                                    PathText(folder / "report.json")};
                for (const char* option : {layout, encoding, copy}) {
                    if (*option != '\0') {
                        options.push_back(option);
                    }
                }
                const fs::path out = folder / std::to_string(++form);
                const BatchOutcome outcome = Sample(out, options);
                EXPECT_EQ(0, outcome.status) << outcome.out << outcome.err;
                const json report = ReadReport(folder / "report.json");
                const std::size_t documents = report["documents"].size();
                EXPECT_EQ(*layout != '\0' ? 28u : 5u, documents);
                EXPECT_NE(std::string::npos,
                          outcome.out.find("validated " + std::to_string(documents) +
                                           " documents in "))
                    << outcome.out;
                EXPECT_NE(std::string::npos,
                          outcome.out.find(std::to_string(documents) + " valid, 0 not valid\n"));
                EXPECT_NE(std::string::npos, outcome.out.find("valid: 44202/44202"));
                for (const json& document : report["documents"]) {
                    EXPECT_EQ("valid", document["validity"]) << document.dump();
                    const fs::path dtd = PathFromText(document["dtd"].get<std::string>());
                    EXPECT_EQ(*copy != '\0' ? sample / "dtd" / "gi.dtd"
                                            : out / PathFromText(document["path"].get<std::string>())
                                                        .parent_path() / "gi.dtd",
                              dtd);
                }
            }
        }
    }
}

// A settings file adapted to another product line renames a kind to a name the DTD
// does not declare: the check names the document and the line of the first such
// element, and the batch tool exits with 3.
TEST_F(BatchReportTest, RenamedKindFailsValidationNamingDocumentAndLine)
{
    if (!Validates()) {
        GTEST_SKIP() << "this build has no libxml2";
    }
    std::string settings = ReadFileBytes(shippedSettings);
    const std::string road = ToCp932("RD(道路){Road}");
    ASSERT_NE(std::string::npos, settings.find(road));
    settings.replace(settings.find(road), road.size(), ToCp932("RD(道路){Street}"));
    WriteFileBytes(folder / "renamed.ini", settings);

    const fs::path out = folder / "out";
    const BatchOutcome outcome =
        Sample(out, {"--per-kind", "--validate", "--fileset", "44202", "--report",
                     PathText(folder / "report.json")},
               folder / "renamed.ini");
    EXPECT_EQ(3, outcome.status) << outcome.out << outcome.err;

    const std::string document = ReadFileBytes(out / "44202" / "44202RD.xml");
    const std::size_t street = document.find("<Street ");
    ASSERT_NE(std::string::npos, street);
    const long line = 1 + static_cast<long>(std::count(document.begin(),
                                                       document.begin() + static_cast<long>(street),
                                                       '\n'));
    const std::string expected = "invalid: 44202/44202RD.xml:" + std::to_string(line) + ": ";
    const std::size_t at = outcome.out.find(expected);
    ASSERT_NE(std::string::npos, at) << outcome.out;
    const std::string message = outcome.out.substr(at + expected.size(),
                                                   outcome.out.find('\n', at) - at - expected.size());
    EXPECT_NE(std::string::npos, message.find("Street")) << message;
    EXPECT_NE(std::string::npos, outcome.out.find("valid: 44202/44202BL.xml\n"));
    EXPECT_NE(std::string::npos, outcome.out.find(" valid, 1 not valid\n"));

    const json report = ReadReport(folder / "report.json");
    int invalid = 0;
    for (const json& entry : report["documents"]) {
        if (entry["validity"] != "valid") {
            ++invalid;
            EXPECT_EQ("44202/44202RD.xml", entry["path"]);
            EXPECT_EQ("invalid", entry["validity"]);
            EXPECT_EQ(line, entry["line"]);
            EXPECT_EQ(message, entry["message"]);
        }
    }
    EXPECT_EQ(1, invalid);

    // Quiet, only what is not valid is printed, on the error stream after the dialogs.
    const BatchOutcome quiet =
        Sample(out, {"--per-kind", "--validate", "--fileset", "44202", "--quiet", "--existing",
                     "overwrite"},
               folder / "renamed.ini");
    EXPECT_EQ(3, quiet.status);
    EXPECT_EQ("", quiet.out);
    EXPECT_EQ("確認: XMLファイル 44202BS.xml は既に存在します。 [全て上書き]\n"
              "確認: データファイル 44202BK.sal がありません。 [全てスキップ]\n" +
                  expected + message + "\n",
              quiet.err);
}

TEST_F(BatchReportTest, MissingDtdIsNotValid)
{
    if (!Validates()) {
        GTEST_SKIP() << "this build has no libxml2";
    }
    const fs::path out = folder / "out";
    ASSERT_EQ(0, Sample(out, {"--fileset", "44201", "--quiet"}).status);
    fs::remove(out / "44201" / "gi.dtd");
    const std::unique_ptr<DocumentValidator> validator = MakeDtdValidator();
    // Not beside the document and no folder to fall back on.
    const DocumentValidity missing = validator->Validate(out / "44201" / "44201.xml", {});
    EXPECT_EQ(Validity::DtdMissing, missing.validity);
    EXPECT_EQ(fs::path(), missing.dtd);
    EXPECT_FALSE(missing.message.empty());
    const DocumentValidity found =
        validator->Validate(out / "44201" / "44201.xml", sample / "dtd");
    EXPECT_EQ(Validity::Valid, found.validity) << found.message;
    EXPECT_EQ(sample / "dtd" / "gi.dtd", found.dtd);
    EXPECT_EQ(Validity::Unreadable, validator->Validate(out / "none.xml", sample / "dtd").validity);

    // Not even well-formed: the parser's first message and its line.
    WriteFileBytes(out / "broken.xml", "<?xml version='1.0'?>\n<!DOCTYPE GI SYSTEM 'gi.dtd'>\n"
                                       "<GI>\n<dataset>\n</GI>\n");
    const DocumentValidity broken = validator->Validate(out / "broken.xml", sample / "dtd");
    EXPECT_EQ(Validity::Invalid, broken.validity);
    EXPECT_EQ(5, broken.line);
    EXPECT_NE(std::string::npos, broken.message.find("dataset")) << broken.message;
}

}

namespace {

TEST_F(BatchReportTest, PreviewWritesAMapPerFilesetAndSaysWhatEachShows)
{
    const fs::path maps = folder / "maps";
    const BatchOutcome run = Sample(folder / "out", {"--preview", PathText(maps)});
    ASSERT_EQ(0, run.status) << run.err;
    for (const auto& [code, name] : {std::pair{"44201", "大分市"}, std::pair{"44202", "別府市"},
                                     std::pair{"44203", "中津市"}}) {
        const fs::path map = maps / (std::string(code) + ".png");
        EXPECT_EQ("\x89PNG", ReadFileBytes(map).substr(0, 4)) << code;
        const std::string line = "map " + PathText(map) + ": " + name + "（" + code + "）: 線 ";
        EXPECT_NE(std::string::npos, run.out.find(line)) << run.out;
    }
    EXPECT_EQ(3, std::distance(fs::directory_iterator(maps), fs::directory_iterator()));

    // The same pictures from two threads; --quiet says nothing of them.
    const fs::path again = folder / "again";
    const BatchOutcome quiet =
        Sample(folder / "out2", {"--quiet", "--jobs", "2", "--preview", PathText(again)});
    EXPECT_EQ(0, quiet.status) << quiet.err;
    EXPECT_EQ("", quiet.out);
    EXPECT_EQ(FileTree(maps), FileTree(again));

    // A file where the folder should be: refused before anything is written.
    WriteFileBytes(folder / "taken", "x");
    const BatchOutcome refused =
        Sample(folder / "out3", {"--preview", PathText(folder / "taken")});
    EXPECT_EQ(2, refused.status);
    EXPECT_NE(std::string::npos, refused.err.find("is a file")) << refused.err;
    EXPECT_FALSE(fs::exists(folder / "out3"));
}

}
