#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/BatchTool.h"
#include "tests/engine/ConversionTestSupport.h"

namespace fs = std::filesystem;

namespace {

const fs::path sourceDir = ORDEVIK_SOURCE_DIR;
const fs::path sample = sourceDir / "samples" / "demo";
const fs::path shippedSettings = sourceDir / "resources" / "ordevik.ini";

struct Outcome
{
    int status;
    std::string out;
    std::string err;
};

Outcome RunCommand(const std::string& command, const fs::path& scratch)
{
    const fs::path out = scratch / "stdout.txt";
    const fs::path err = scratch / "stderr.txt";
    const int raw = std::system(
        (command + " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string())).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileBytes(out), ReadFileBytes(err)};
}

class BatchToolTest : public ::testing::Test
{
protected:
    Outcome Batch(const std::vector<std::string>& arguments)
    {
        std::string command = ShellQuoted(ORDEVIK_BATCH_PATH);
        for (const std::string& argument : arguments) {
            command += " " + ShellQuoted(argument);
        }
        return RunCommand(command, scratch.Path());
    }

    // RunBatch in this process, its streams kept.
    Outcome InProcess(const std::vector<std::string>& arguments)
    {
        std::vector<const char*> argv = {"ordevik-batch"};
        for (const std::string& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunBatch(static_cast<int>(argv.size()), argv.data(), out, err);
        return {status, out.str(), err.str()};
    }

    // The sample with its own settings, converted into `out`.
    static std::vector<std::string> SampleArguments(const fs::path& out,
                                                    std::vector<std::string> extra = {})
    {
        std::vector<std::string> arguments = {
            "--csv", (sample / "filesets.csv").string(), "--data", (sample / "data").string(),
            "--dtd", (sample / "dtd").string(), "--out", out.string(),
            "--settings", shippedSettings.string(), "--quiet"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    Outcome Sample(const fs::path& out, std::vector<std::string> extra = {})
    {
        return Batch(SampleArguments(out, std::move(extra)));
    }

    TempFolder scratch;
    TempFolder folder;
};

TEST_F(BatchToolTest, RefusedCommandLinesWriteNothingAndSayWhy)
{
    const fs::path out = folder.Path() / "out";
    const std::string csv = (sample / "filesets.csv").string();
    const std::string data = (sample / "data").string();
    const std::string dtd = (sample / "dtd").string();
    const std::string settings = shippedSettings.string();
    const std::vector<std::string> common = {"--csv", csv, "--data", data, "--dtd", dtd,
                                             "--out", out.string()};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = common;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    struct Case
    {
        std::vector<std::string> arguments;
        std::string err;
    };
    const std::string rerun = "\nRun with --help for more information.\n";
    const std::vector<Case> cases = {
        {{"--data", data, "--dtd", dtd, "--out", out.string()}, "--csv is required" + rerun},
        {{"--csv", "nothing.csv", "--data", data, "--dtd", dtd, "--out", out.string()},
         "CSVファイルがありません。 (nothing.csv)\n"},
        {{"--csv", data, "--data", data, "--dtd", dtd, "--out", out.string()},
         "CSVファイルがありません。 (" + data + ")\n"},
        {{"--csv", csv, "--data", csv, "--dtd", dtd, "--out", out.string()},
         "データフォルダがありません。 (" + csv + ")\n"},
        {{"--csv", csv, "--data", data, "--dtd", "nowhere", "--out", out.string()},
         "DTDフォルダがありません。 (nowhere)\n"},
        {with({"--settings", "missing.ini"}), "settings file not found: missing.ini\n"},
        {with({"--settings", settings, "--fileset", "99999"}),
         "fileset 99999 is not listed in " + csv + "\n"},
        {with({"--settings", settings, "--selection", "10"}),
         "--selection needs one 0 or 1 for each of the 13 \"Object\" entries of " + settings +
             "\n"},
        {with({"--settings", settings, "--selection", "1111111111112"}),
         "--selection needs one 0 or 1 for each of the 13 \"Object\" entries of " + settings +
             "\n"},
        {{"--csv", csv, "--data", data, "--dtd", dtd, "--out", csv, "--settings", settings},
         "the output folder is a file: " + csv + "\n"},
        {with({"--existing", "maybe"}), "--existing: maybe not in {overwrite,skip,stop}" + rerun},
        {with({"--jobs", "0"}), "--jobs: Value 0 not in range 1 to 256" + rerun},
    };
    for (const Case& entry : cases) {
        const Outcome outcome = InProcess(entry.arguments);
        EXPECT_EQ(2, outcome.status) << outcome.err;
        EXPECT_EQ("ordevik-batch: " + entry.err, outcome.err);
        EXPECT_EQ("", outcome.out);
        EXPECT_FALSE(fs::exists(out)) << entry.err;
    }
    const Outcome version = InProcess({"--version"});
    EXPECT_EQ(0, version.status);
    EXPECT_EQ("ordevik-batch 1.03\n", version.out);
    const Outcome help = InProcess({"--help"});
    EXPECT_EQ(0, help.status);
    EXPECT_EQ("", help.err);
    EXPECT_EQ(0u, help.out.find("ordevik-batch\nUsage: ordevik-batch [OPTIONS]\n")) << help.out;
}

TEST_F(BatchToolTest, ExistingFilesStopByDefaultWithAHint)
{
    const fs::path out = folder.Path() / "out";
    EXPECT_EQ(0, Sample(out).status);
    const Outcome again = InProcess(SampleArguments(out));
    EXPECT_EQ(1, again.status);
    EXPECT_EQ("確認: XMLファイル 44201.xml は既に存在します。 [終了]\n"
              "  hint: --existing overwrite or --existing skip answers this question\n",
              again.err);
    EXPECT_EQ(0, Sample(out, {"--existing", "overwrite"}).status);
    const Outcome skipped = InProcess(SampleArguments(out, {"--existing", "skip"}));
    EXPECT_EQ(0, skipped.status);
    EXPECT_EQ(0u, skipped.err.find("確認: XMLファイル 44201.xml は既に存在します。 [スキップ]\n"))
        << skipped.err;
}

TEST_F(BatchToolTest, MissingDataFilesAreSkippedOrStopTheRun)
{
    // Fileset 44203 has no bus-stop data.
    const Outcome skipped = Sample(folder.Path() / "a", {"--fileset", "44203"});
    EXPECT_EQ(0, skipped.status);
    EXPECT_EQ("確認: データファイル 44203BS.sal がありません。 [全てスキップ]\n", skipped.err);
    const Outcome stopped =
        Sample(folder.Path() / "b", {"--fileset", "44203", "--missing", "stop"});
    EXPECT_EQ(1, stopped.status);
    EXPECT_EQ("確認: データファイル 44203BS.sal がありません。 [終了]\n", stopped.err);
}

// Every document written in each of the eight option combinations validates against
// the shipped DTD: the copy beside it, or the sample's DTD when nothing is copied.
TEST_F(BatchToolTest, SampleValidatesInEveryCombination)
{
    int combination = 0;
    for (const bool perKind : {false, true}) {
        for (const bool shiftJis : {false, true}) {
            for (const bool noCopy : {false, true}) {
                const fs::path out = folder.Path() / std::to_string(++combination);
                std::vector<std::string> options;
                if (perKind) {
                    options.push_back("--per-kind");
                }
                if (shiftJis) {
                    options.push_back("--shift-jis");
                }
                if (noCopy) {
                    options.push_back("--no-dtd-copy");
                }
                const Outcome outcome = Sample(out, options);
                ASSERT_EQ(0, outcome.status) << outcome.err;
                int documents = 0;
                for (const auto& entry : fs::recursive_directory_iterator(out)) {
                    if (entry.path().extension() != ".xml" || fs::file_size(entry.path()) == 0) {
                        continue;
                    }
                    ++documents;
                    const std::string check =
                        noCopy ? "xmllint --noout --dtdvalid " +
                                     ShellQuoted((sample / "dtd" / "gi.dtd").string()) + " " +
                                     ShellQuoted(entry.path().string())
                               : "xmllint --noout --valid " + ShellQuoted(entry.path().string());
                    const Outcome valid = RunCommand(check, scratch.Path());
                    EXPECT_EQ(0, valid.status) << entry.path() << "\n" << valid.err;
                }
                EXPECT_GE(documents, perKind ? 25 : 5);
            }
        }
    }
}

TEST_F(BatchToolTest, NewKindFollowingTheSettingsGuide)
{
    // The recipe of docs/settings.md: an "Object" entry before the mesh kind, a
    // "Convert" entry, a data file and a DTD declaration.
    const fs::path copy = folder.Path() / "sample";
    fs::copy(sample, copy, fs::copy_options::recursive);
    std::string settings = ReadFileBytes(shippedSettings);
    const std::string mesh = ToCp932("メッシュ標高{MH}");
    settings.insert(settings.find(mesh), ToCp932("公園{PK}\r\n  "));
    const std::string convert = "Convert{";
    settings.insert(settings.find(convert) + convert.size(), ToCp932("\r\n  PK(公園){Park}"));
    WriteFileBytes(folder.Path() / "my.ini", settings);
    WriteFileBytes(copy / "data" / "44201" / "44201PK.sal",
               ToCp932("PK(ID{PK000001}){PT(ID{PT000101}){1}NM{中央公園}}\r\n"));
    std::string dtd = ReadFileBytes(copy / "dtd" / "gi.dtd");
    const std::size_t group = dtd.find("MeshElevation\">");
    ASSERT_NE(std::string::npos, group);
    dtd.insert(group, "Park | ");
    dtd += "<!ELEMENT Park (%geometry; | name)*>\r\n<!ATTLIST Park\r\n  id CDATA #REQUIRED>\r\n";
    WriteFileBytes(copy / "dtd" / "gi.dtd", dtd);

    const Outcome outcome = Batch({"--settings", (folder.Path() / "my.ini").string(), "--csv",
                                   (copy / "filesets.csv").string(), "--data",
                                   (copy / "data").string(), "--dtd", (copy / "dtd").string(),
                                   "--out", (folder.Path() / "out").string(), "--fileset",
                                   "44201", "--quiet"});
    ASSERT_EQ(0, outcome.status) << outcome.err;
    const fs::path document = folder.Path() / "out" / "44201" / "44201.xml";
    const std::string written = ReadFileBytes(document);
    EXPECT_NE(std::string::npos, written.find("<!-- 公園 -->"));
    EXPECT_NE(std::string::npos, written.find("<Park id='PK44201000001'>"));
    const Outcome valid =
        RunCommand("xmllint --noout --valid " + ShellQuoted(document.string()), scratch.Path());
    EXPECT_EQ(0, valid.status) << valid.err;
}

TEST_F(BatchToolTest, ParallelFilesetsWriteTheSameBytes)
{
    const Outcome one = Sample(folder.Path() / "one", {"--jobs", "1"});
    const Outcome two = Sample(folder.Path() / "two", {"--jobs", "2"});
    ASSERT_EQ(0, one.status);
    ASSERT_EQ(0, two.status);
    EXPECT_EQ(one.err, two.err);
    EXPECT_EQ(FileTree(folder.Path() / "one"), FileTree(folder.Path() / "two"));

    // A stop ends the run with status 1 however many filesets run at once.
    const Outcome stopped = Sample(folder.Path() / "stopped", {"--jobs", "2", "--missing", "stop"});
    EXPECT_EQ(1, stopped.status);
    EXPECT_EQ(0u, stopped.err.find("確認: データファイル 44202BK.sal がありません。 [終了]"))
        << stopped.err;
}

TEST_F(BatchToolTest, ParallelFilesetsOfAGeneratedDataSetWriteTheSameBytes)
{
    // Every third generated fileset has a short metadata file, whose missing values must
    // come from the settings and never from whichever fileset ran before it.
    const fs::path data = folder.Path() / "generated";
    ASSERT_EQ(0, RunCommand(ShellQuoted(ORDEVIK_GENERATOR_PATH) + " " + ShellQuoted(data.string()) +
                                " --scale 0.002 --filesets 6",
                            scratch.Path())
                     .status);
    auto convert = [&](const std::string& jobs, const fs::path& out) {
        return Batch({"--csv", (data / "filesets.csv").string(), "--data",
                      (data / "data").string(), "--dtd", (sample / "dtd").string(), "--out",
                      out.string(), "--settings", shippedSettings.string(), "--quiet", "--jobs",
                      jobs, "--per-kind"});
    };
    const Outcome one = convert("1", folder.Path() / "one");
    const Outcome two = convert("2", folder.Path() / "two");
    const Outcome three = convert("3", folder.Path() / "three");
    ASSERT_EQ(0, one.status) << one.err;
    EXPECT_EQ(one.err, two.err);
    EXPECT_EQ(one.err, three.err);
    const auto expected = FileTree(folder.Path() / "one");
    EXPECT_EQ(expected, FileTree(folder.Path() / "two"));
    EXPECT_EQ(expected, FileTree(folder.Path() / "three"));
    EXPECT_GE(expected.size(), 6u * 14u);
}

}
