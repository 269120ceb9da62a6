#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

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

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Outcome RunCommand(const std::string& command, const fs::path& scratch)
{
    const fs::path out = scratch / "stdout.txt";
    const fs::path err = scratch / "stderr.txt";
    const int raw = std::system(
        (command + " >" + Quoted(out.string()) + " 2>" + Quoted(err.string())).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileBytes(out), ReadFileBytes(err)};
}

// Every regular file below `root`, by path relative to it, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).string()] = ReadFileBytes(entry.path());
        }
    }
    return files;
}

class BatchToolTest : public ::testing::Test
{
protected:
    Outcome Batch(const std::vector<std::string>& arguments)
    {
        std::string command = Quoted(ORDEVIK_BATCH_PATH);
        for (const std::string& argument : arguments) {
            command += " " + Quoted(argument);
        }
        return RunCommand(command, scratch.Path());
    }

    // The sample with its own settings, converted into `out`.
    Outcome Sample(const fs::path& out, std::vector<std::string> extra = {})
    {
        std::vector<std::string> arguments = {
            "--csv", (sample / "filesets.csv").string(), "--data", (sample / "data").string(),
            "--dtd", (sample / "dtd").string(), "--out", out.string(),
            "--settings", shippedSettings.string(), "--quiet"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return Batch(arguments);
    }

    TempFolder scratch;
    TempFolder folder;
};

TEST_F(BatchToolTest, ExitStatusOfEachCase)
{
    const fs::path out = folder.Path() / "out";
    const std::string csv = (sample / "filesets.csv").string();
    const std::string data = (sample / "data").string();
    const std::string dtd = (sample / "dtd").string();
    const std::string settings = shippedSettings.string();
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--data", data, "--dtd", dtd, "--out", out.string()}, 2, "--csv"},
        {{"--csv", "nothing.csv", "--data", data, "--dtd", dtd, "--out", out.string()}, 2,
         "CSVファイルがありません。"},
        {{"--csv", csv, "--data", csv, "--dtd", dtd, "--out", out.string()}, 2,
         "データフォルダがありません。"},
        {{"--csv", csv, "--data", data, "--dtd", "nowhere", "--out", out.string()}, 2,
         "DTDフォルダがありません。"},
        {{"--csv", data, "--data", data, "--dtd", dtd, "--out", out.string()}, 2,
         "CSVファイルがありません。"},
        {{"--csv", csv, "--data", data, "--dtd", dtd, "--out", out.string(), "--settings",
          "missing.ini"},
         2, "settings file not found"},
        {{"--csv", csv, "--data", data, "--dtd", dtd, "--out", out.string(), "--settings",
          settings, "--fileset", "99999"},
         2, "fileset 99999 is not listed"},
        {{"--csv", csv, "--data", data, "--dtd", dtd, "--out", out.string(), "--settings",
          settings, "--selection", "10"},
         2, "--selection needs one 0 or 1 for each of the 13"},
        {{"--csv", csv, "--data", data, "--dtd", dtd, "--out", out.string(), "--settings",
          settings, "--selection", "1111111111112"},
         2, "--selection"},
        {{"--csv", csv, "--data", data, "--dtd", dtd, "--out", csv, "--settings", settings}, 2,
         "output folder is a file"},
        {{"--csv", csv, "--data", data, "--dtd", dtd, "--out", out.string(), "--settings",
          settings, "--existing", "maybe"},
         2, "--existing"},
    };
    for (const Case& entry : cases) {
        const Outcome outcome = Batch(entry.arguments);
        EXPECT_EQ(entry.status, outcome.status) << outcome.err;
        EXPECT_NE(std::string::npos, outcome.err.find(entry.message)) << outcome.err;
        EXPECT_FALSE(fs::exists(out)) << entry.message;
    }

    EXPECT_EQ(0, Batch({"--help"}).status);
    EXPECT_EQ(0, Sample(out).status);
    // Existing files: the default answer stops, with a hint.
    const Outcome again = Sample(out);
    EXPECT_EQ(1, again.status);
    EXPECT_NE(std::string::npos,
              again.err.find("確認: XMLファイル 44201.xml は既に存在します。 [終了]"));
    EXPECT_NE(std::string::npos, again.err.find("--existing"));
    EXPECT_EQ(0, Sample(out, {"--existing", "overwrite"}).status);
    EXPECT_EQ(0, Sample(out, {"--existing", "skip"}).status);
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
                                     Quoted((sample / "dtd" / "gi.dtd").string()) + " " +
                                     Quoted(entry.path().string())
                               : "xmllint --noout --valid " + Quoted(entry.path().string());
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
        RunCommand("xmllint --noout --valid " + Quoted(document.string()), scratch.Path());
    EXPECT_EQ(0, valid.status) << valid.err;
}

TEST_F(BatchToolTest, ParallelFilesetsWriteTheSameBytes)
{
    const Outcome one = Sample(folder.Path() / "one", {"--jobs", "1"});
    const Outcome two = Sample(folder.Path() / "two", {"--jobs", "2"});
    ASSERT_EQ(0, one.status);
    ASSERT_EQ(0, two.status);
    EXPECT_EQ(one.err, two.err);
    EXPECT_EQ(Tree(folder.Path() / "one"), Tree(folder.Path() / "two"));

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
    ASSERT_EQ(0, RunCommand(Quoted(ORDEVIK_GENERATOR_PATH) + " " + Quoted(data.string()) +
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
    const auto expected = Tree(folder.Path() / "one");
    EXPECT_EQ(expected, Tree(folder.Path() / "two"));
    EXPECT_EQ(expected, Tree(folder.Path() / "three"));
    EXPECT_GE(expected.size(), 6u * 14u);
}

}
