#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/cli/BatchRun.h"
#include "tests/engine/ConversionTestSupport.h"

namespace fs = std::filesystem;

namespace {

const fs::path sourceDir = ORDEVIK_SOURCE_DIR;

// Faults of the kind a whole country's data brings: the run must end with the system's
// message and its exit status, never crash, and never touch anything outside the
// output folder.
class FaultTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::copy(sourceDir / "samples" / "demo", folder.Path() / "in", fs::copy_options::recursive);
        fs::copy_file(sourceDir / "resources" / "ordevik.ini", folder.Path() / "in" / "o.ini");
    }

    fs::path In(const std::string& relative) const { return folder.Path() / "in" / relative; }
    fs::path Out() const { return folder.Path() / "out"; }

    // Every path outside the output folder with its bytes (folders as "<folder>").
    std::map<std::string, std::string> Outside() const
    {
        std::map<std::string, std::string> entries;
        for (auto it = fs::recursive_directory_iterator(folder.Path());
             it != fs::recursive_directory_iterator(); ++it) {
            const fs::path& path = it->path();
            if (path == Out() || path.filename() == "stdout.txt" ||
                path.filename() == "stderr.txt") {
                if (path == Out()) {
                    it.disable_recursion_pending();
                }
                continue;
            }
            entries[path.string()] = it->is_symlink()        ? "<link>"
                                     : it->is_regular_file() ? ReadFileBytes(path)
                                                             : "<folder>";
        }
        return entries;
    }

    int Run(std::vector<std::string> extra = {})
    {
        const std::map<std::string, std::string> before = Outside();
        std::vector<std::string> arguments = {"--quiet", "--existing", "overwrite",
                                              "--csv", PathText(In("filesets.csv")),
                                              "--data", PathText(In("data")),
                                              "--dtd", PathText(In("dtd")),
                                              "--out", PathText(Out()),
                                              "--settings", PathText(In("o.ini"))};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const BatchOutcome outcome = RunBatchTool(arguments, folder.Path());
        err = outcome.err;
        EXPECT_NE(-1, outcome.status) << "the batch tool did not exit normally";
        EXPECT_EQ(before, Outside()) << "a file outside the output folder changed";
        return outcome.status;
    }

    bool Mentions(const std::string& message) const
    {
        return err.find(message) != std::string::npos;
    }

    TempFolder folder;
    std::string err;
};

TEST_F(FaultTest, FullDiskStopsTheRunWithTheWriteFailure)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no /dev/full, a device that refuses every write";
#endif
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full, a device that refuses every write";
    }
    fs::create_directories(Out() / "44201");
    fs::create_symlink("/dev/full", Out() / "44201" / "44201.xml");
    EXPECT_EQ(1, Run({"--fileset", "44201"}));
    EXPECT_TRUE(Mentions("失敗: XMLファイル 44201.xml に書き込めません。")) << err;
    EXPECT_FALSE(Mentions("done:"));
}

TEST_F(FaultTest, UnreadableInputsCountAsMissing)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no /proc/self/mem, a file that opens but cannot be read";
#endif
    // Reading a process's own memory at offset 0 fails: a file that opens but cannot
    // be read.
    fs::remove(In("data/44201/44201RD.sal"));
    fs::create_symlink("/proc/self/mem", In("data/44201/44201RD.sal"));
    EXPECT_EQ(0, Run({"--fileset", "44201"}));
    EXPECT_TRUE(Mentions("確認: データファイル 44201RD.sal がありません。 [全てスキップ]")) << err;

    fs::remove(In("data/44201/44201.slp"));
    fs::create_symlink("/proc/self/mem", In("data/44201/44201.slp"));
    EXPECT_EQ(1, Run({"--fileset", "44201"}));
    EXPECT_TRUE(Mentions("失敗: 点データファイルがありません。")) << err;

    fs::remove(In("data/44201/44201.slm"));
    fs::create_symlink("/proc/self/mem", In("data/44201/44201.slm"));
    EXPECT_EQ(1, Run({"--fileset", "44201"}));
    EXPECT_TRUE(Mentions("失敗: メタデータファイルがありません。")) << err;
}

TEST_F(FaultTest, FoldersWhereFilesAreExpectedAndFilesWhereFoldersAre)
{
    fs::remove(In("data/44202/44202RD.sal"));
    fs::create_directory(In("data/44202/44202RD.sal"));
    fs::remove(In("data/44203/44203.slp"));
    fs::create_directory(In("data/44203/44203.slp"));
    EXPECT_EQ(1, Run());
    EXPECT_TRUE(Mentions("データファイル 44202RD.sal がありません。") ||
                Mentions("データファイル 44202BK.sal がありません。"))
        << err;
    EXPECT_TRUE(Mentions("失敗: 点データファイルがありません。")) << err;

    // A file in place of a fileset's data folder: its files are missing.
    fs::remove_all(In("data/44202"));
    WriteFileBytes(In("data/44202"), "not a folder");
    // A file in place of a fileset's output folder: its documents cannot be opened.
    fs::remove_all(Out() / "44202");
    WriteFileBytes(Out() / "44202", "");
    EXPECT_EQ(0, Run({"--fileset", "44201", "--fileset", "44202"}));
    EXPECT_TRUE(Mentions("データファイル 44202")) << err;
    EXPECT_EQ("", ReadFileBytes(Out() / "44202"));

    fs::remove(In("data/44202"));
    WriteFileBytes(In("data/44202/44202.slm"), "1,1\r\n");
    fs::remove_all(In("dtd"));
    WriteFileBytes(In("dtd"), "");
    EXPECT_EQ(2, Run());
    EXPECT_TRUE(Mentions("DTDフォルダがありません。")) << err;
}

TEST_F(FaultTest, UnsafeFilesetCodesWriteNothingOutside)
{
    WriteFileBytes(In("filesets.csv"), "../escape,x\r\n/tmp,y\r\n.,z\r\n44201,ok\r\n");
    fs::create_directories(In("data/../escape"));
    EXPECT_EQ(0, Run());
    for (const char* code : {"../escape", "/tmp", "."}) {
        EXPECT_TRUE(Mentions(std::string("警告: ファイルセットコード ") + code +
                             " は使用できません。"))
            << err;
    }
    EXPECT_TRUE(fs::exists(Out() / "44201" / "44201.xml"));
    std::vector<std::string> outputs;
    for (const auto& entry : fs::directory_iterator(Out())) {
        outputs.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(std::vector<std::string>{"44201"}, outputs);
}

TEST_F(FaultTest, PointNumbersBeyondThePointFileAndHugeLines)
{
    // Several megabytes in one record line, one point line and one metadata line.
    std::string record = "RD(ID{RD900001}){CV(ID{CV900001}){1,99999999,";
    for (int i = 0; i < 700000; ++i) {
        record += "2,";
    }
    record += "-5,x}NM{" + std::string(3000000, 'a') + "}}\r\n";
    WriteFileBytes(In("data/44201/44201RD.sal"), record);
    WriteFileBytes(In("data/44201/44201.slp"),
               ReadFileBytes(In("data/44201/44201.slp")) + std::string(4000000, '7') + "\r\n");
    WriteFileBytes(In("data/44201/44201.slm"),
               "1316000,332000\r\n1250,830\r\n" + std::string(4000000, 'x') + "\r\n");
    EXPECT_EQ(0, Run({"--fileset", "44201", "--selection", "1000000000000"}));
    const std::string document = ReadFileBytes(Out() / "44201" / "44201.xml");
    // Numbers outside the point table give empty coordinates; the lines stay.
    EXPECT_NE(std::string::npos, document.find("<controlPoint></controlPoint>"));
    EXPECT_NE(std::string::npos, document.find(std::string(3000000, 'a')));
    EXPECT_NE(std::string::npos, document.find("</GI>"));
}

TEST_F(FaultTest, BinaryGarbageEndsWithAMessageNeverACrash)
{
    std::string garbage;
    std::uint64_t state = 7;
    for (int i = 0; i < 200000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        garbage += static_cast<char>(state >> 56);
    }
    for (const char* file : {"data/44201/44201RD.sal", "data/44201/44201.slp",
                             "data/44201/44201.slm", "data/44201/44201MH.slp"}) {
        WriteFileBytes(In(file), garbage);
    }
    const int status = Run({"--fileset", "44201"});
    EXPECT_TRUE(status == 0 || status == 1) << err;

    // Garbage settings hold no catalogue: nothing to select, nothing converted.
    WriteFileBytes(In("o.ini"), garbage);
    EXPECT_EQ(2, Run({"--selection", "1"}));
    EXPECT_TRUE(Mentions("--selection needs one 0 or 1 for each of the 0")) << err;
    EXPECT_EQ(0, Run());

    WriteFileBytes(In("filesets.csv"), garbage);
    const int csvStatus = Run({"--selection", ""});
    EXPECT_TRUE(csvStatus == 0 || csvStatus == 1) << err;
}

}
