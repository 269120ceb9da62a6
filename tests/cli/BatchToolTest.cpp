#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/cli/BatchRun.h"
#include "tests/engine/ConversionTestSupport.h"

namespace fs = std::filesystem;

namespace {

const fs::path sourceDir = ORDEVIK_SOURCE_DIR;
const fs::path sample = sourceDir / "samples" / "demo";
const fs::path shippedSettings = sourceDir / "resources" / "ordevik.ini";

using Outcome = BatchOutcome;

class BatchToolTest : public ::testing::Test
{
protected:
    Outcome Batch(const std::vector<std::string>& arguments)
    {
        return RunBatchTool(arguments, scratch.Path());
    }

    Outcome InProcess(const std::vector<std::string>& arguments)
    {
        return RunBatchInProcess(arguments);
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
    if (!commandsRun) {
        GTEST_SKIP() << "xmllint validates the documents: " << noCommands;
    }
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
    if (!commandsRun) {
        GTEST_SKIP() << "xmllint validates the document: " << noCommands;
    }
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
    if (!commandsRun) {
        GTEST_SKIP() << "the data set generator is a Linux program: " << noCommands;
    }
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


// Every shape of the benchmark's data sets (degrees, metres of either sign, start points
// between units, many small filesets, one big one) writes the bytes that the general
// reading of the point files gives: the same points written with blanks for leading
// zeros and bare LF line ends, so that every field is read as a decimal number and
// every sum is formatted from its double instead of composed from whole units.
TEST_F(BatchToolTest, EveryGeneratedShapeWritesWhatTheGeneralPointReadingWrites)
{
    if (!commandsRun) {
        GTEST_SKIP() << "the data set generator is a Linux program: " << noCommands;
    }
    for (const std::string shape : {"degrees", "metres", "offset", "small", "big"}) {
        const fs::path data = folder.Path() / shape / "fast";
        ASSERT_EQ(0, RunCommand(ShellQuoted(ORDEVIK_GENERATOR_PATH) + " " +
                                    ShellQuoted(data.string()) + " --scale 0.002 --shape " +
                                    shape + (shape == "small" ? " --filesets 3" : ""),
                                scratch.Path())
                         .status);
        const fs::path general = folder.Path() / shape / "general";
        fs::copy(data, general, fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(general / "data")) {
            if (entry.path().extension() != ".slp") {
                continue;
            }
            const std::string points = ReadFileBytes(entry.path());
            std::string rewritten;
            for (std::size_t line = 0; line + 18 <= points.size(); line += 18) {
                for (std::size_t field = line; field < line + 16; field += 8) {
                    std::string digits = points.substr(field, 8);
                    const std::size_t first = std::min<std::size_t>(digits.find_first_not_of('0'), 7);
                    digits.replace(0, first, first, ' ');
                    rewritten += digits;
                }
                rewritten += '\n';
            }
            WriteFileBytes(entry.path(), rewritten);
        }
        auto convert = [&](const fs::path& set, const fs::path& out) {
            return Batch({"--csv", (set / "filesets.csv").string(), "--data",
                          (set / "data").string(), "--dtd", (sample / "dtd").string(), "--out",
                          out.string(), "--settings", shippedSettings.string(), "--quiet"});
        };
        const Outcome fast = convert(data, folder.Path() / shape / "out-fast");
        const Outcome slow = convert(general, folder.Path() / shape / "out-general");
        ASSERT_EQ(0, fast.status) << shape << fast.err;
        EXPECT_EQ(fast.err, slow.err) << shape;
        const auto written = FileTree(folder.Path() / shape / "out-fast");
        EXPECT_EQ(written, FileTree(folder.Path() / shape / "out-general")) << shape;
        EXPECT_FALSE(written.empty()) << shape;
    }
}
}

namespace {

// Every byte of a file, read through the platform layer, which reaches long paths.
std::string ReadLongPathFile(const fs::path& file)
{
    std::string bytes;
    std::FILE* in = OpenFile(file, "rb");
    if (in == nullptr) {
        return bytes;
    }
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) != 0;) {
        bytes.append(chunk, got);
    }
    std::fclose(in);
    return bytes;
}

// The documents and DTD copies of each fileset folder of an output folder, by fileset
// and name, with their bytes.
std::map<std::string, std::string> Documents(const fs::path& out,
                                             const std::vector<std::string>& codes)
{
    std::map<std::string, std::string> files;
    for (const std::string& code : codes) {
        for (const char* suffix : {".xml", ".dtd"}) {
            for (const fs::path& file : ListFilesWithSuffix(out / code, suffix)) {
                files[code + "/" + PathText(file.filename())] = ReadLongPathFile(file);
            }
        }
    }
    return files;
}

}

// Codes that Windows takes for devices (CON, NUL, LPT1, with or without an extension)
// are refused there like any unsafe code. Linux writes them as folders of that name, as
// it always has.
TEST_F(BatchToolTest, ReservedWindowsNamesAsFilesetCodes)
{
    const fs::path copy = folder.Path() / "sample";
    fs::copy(sample, copy, fs::copy_options::recursive);
    WriteFileBytes(copy / "filesets.csv",
                   "44203,a\r\nCON,b\r\nnul.txt,c\r\nLPT1,d\r\n");
    const fs::path out = folder.Path() / "out";
    const Outcome outcome =
        InProcess({"--csv", PathText(copy / "filesets.csv"), "--data", PathText(copy / "data"),
                   "--dtd", PathText(copy / "dtd"), "--out", PathText(out), "--settings",
                   PathText(shippedSettings), "--quiet"});
    EXPECT_EQ(0, outcome.status);
    std::vector<std::string> folders;
    for (const auto& entry : fs::directory_iterator(out)) {
        folders.push_back(PathText(entry.path().filename()));
    }
    std::sort(folders.begin(), folders.end());
#ifdef _WIN32
    EXPECT_EQ("確認: データファイル 44203BS.sal がありません。 [全てスキップ]\n"
              "警告: ファイルセットコード CON は使用できません。 [ＯＫ]\n"
              "警告: ファイルセットコード LPT1 は使用できません。 [ＯＫ]\n"
              "警告: ファイルセットコード nul.txt は使用できません。 [ＯＫ]\n",
              outcome.err);
    EXPECT_EQ(std::vector<std::string>{"44203"}, folders);
#else
    EXPECT_EQ("確認: データファイル 44203BS.sal がありません。 [全てスキップ]\n", outcome.err);
    EXPECT_EQ((std::vector<std::string>{"44203", "CON", "LPT1", "nul.txt"}), folders);
#endif
}

// A data set and an output folder deep enough that their paths pass 260 characters
// (Windows needs their long form) give the same documents as near the root.
TEST_F(BatchToolTest, PathsLongerThan260CharactersWork)
{
    fs::path deep = folder.Path();
    for (int level = 0; level < 6; ++level) {
        deep /= std::string(45, static_cast<char>('a' + level));
        ASSERT_TRUE(CreateFolder(deep));
    }
    // The sample copied with the platform's own services, which reach such paths.
    for (const auto& entry : fs::recursive_directory_iterator(sample)) {
        const fs::path target = deep / fs::relative(entry.path(), sample);
        if (entry.is_directory()) {
            ASSERT_TRUE(CreateFolder(target));
        } else {
            ASSERT_TRUE(CopyFileOverwrite(entry.path(), target));
        }
    }
    const std::vector<std::string> codes = {"44201", "44202", "44203"};
    const fs::path shallow = folder.Path() / "shallow";
    ASSERT_EQ(0, InProcess(SampleArguments(shallow, {"--per-kind"})).status);

    const fs::path out = deep / "out";
    ASSERT_GT(PathText(out / "44201" / "44201RD.xml").size(), 300u);
    const Outcome outcome = InProcess(
        {"--csv", PathText(deep / "filesets.csv"), "--data", PathText(deep / "data"), "--dtd",
         PathText(deep / "dtd"), "--out", PathText(out), "--settings",
         PathText(shippedSettings), "--quiet", "--per-kind"});
    ASSERT_EQ(0, outcome.status) << outcome.err;
    const auto expected = Documents(shallow, codes);
    EXPECT_EQ(15u + 9u + 7u, expected.size()) << "a document per kind and the DTD";
    EXPECT_EQ(expected, Documents(out, codes));
}
