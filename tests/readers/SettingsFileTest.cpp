#include "readers/SettingsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "tests/TestSupport.h"

namespace fs = std::filesystem;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// The entries of a map filled with `added` in that order, for comparison with a map
// that the settings file filled in file order.
Entries InMapOrder(const Entries& added)
{
    StringMap map;
    for (const auto& [key, value] : added) {
        map.Set(key, value);
    }
    return map.Entries();
}

class SettingsFileTest : public ::testing::Test
{
protected:
    // A settings object on folder/ordevik.ini holding `text`, already read.
    SettingsFile Read(const std::string& text)
    {
        WriteFileBytes(folder / "ordevik.ini", text);
        SettingsFile settings(folder / "ordevik.ini");
        EXPECT_TRUE(settings.ReadIniFile());
        return settings;
    }

    TempFolder folder;
};

}

TEST_F(SettingsFileTest, CutsCommentsTrimsLinesAndJoinsThemWithoutSeparator)
{
    const SettingsFile example = Read("# labels of the wizard\r\n"
                                      "Caption{\r\n"
                                      "  CsvListCaption{All filesets}  # left list\r\n"
                                      "  SelListCaption{Chosen}\r\n"
                                      "}\r\n"
                                      "Object{\n"
                                      "\tRoads{RD}\n"
                                      "\tRivers{RV}\n"
                                      "}");
    EXPECT_EQ(InMapOrder({{"Caption", "CsvListCaption{All filesets}SelListCaption{Chosen}"},
                          {"Object", "Roads{RD}Rivers{RV}"}}),
              example.Sections().Entries());

    const SettingsFile quirks = Read("A{first \n"
                                     "second}\n"
                                     " Name{ value } \v\f\n"
                                     "B{x#y}\n"
                                     "z}\n"
                                     "\x81\x40" "C{full width}\n"
                                     "X(a{1}){y}\n"
                                     "{nameless}\n");
    EXPECT_EQ(InMapOrder({{"A", "firstsecond"},
                          {"Name", " value "},
                          {"B", "xz"},
                          {"\x81\x40" "C", "full width"},
                          {"X", "y"}}),
              quirks.Sections().Entries());
}

TEST_F(SettingsFileTest, LoadersSkipNamelessEntriesAndKeepTheLaterOfTwo)
{
    SettingsFile settings = Read("Object{Roads{RD}{XX}Rivers{RV}Roads{RD2}}\n"
                                 "Convert{RD(Road){Rd}RV{Rv}{nameless}RD(Road2){Rd2}}\n"
                                 "MetaData{GI_VER{1.0}DS_TITLE{}GI_VER{2.0}}\n"
                                 "Caption{CsvListCaption{All}Other{ignored}}\n"
                                 "MetaDataTemplate{A{B{GI_VER}}}\n"
                                 "DataSetTemplate{D{E}}\n");
    EXPECT_EQ(3, settings.LoadWizardSettings());
    EXPECT_EQ(StringList({"Roads", "Rivers", "Roads"}), settings.ObjectNames());
    EXPECT_EQ(StringList({"RD", "RV", "RD2"}), settings.ObjectCodes());
    EXPECT_EQ("All", settings.GetCsvListCaption());
    EXPECT_EQ("", settings.GetSelListCaption());

    EXPECT_EQ(2, settings.LoadConvert());
    EXPECT_EQ(2, settings.LoadMetaData());
    const std::vector<std::pair<std::string, std::string>> lookups = {
        {settings.GetConvertBody("RD"), "Rd2"},
        {settings.GetConvertAttributes("RD"), "Road2"},
        {settings.GetConvertBody("RV"), "Rv"},
        {settings.GetConvertAttributes("RV"), ""},
        {settings.GetConvertBody("XX"), "XX"},
        {settings.GetConvertAttributes("XX"), "XX"},
        {settings.GetMetaData("GI_VER"), "2.0"},
        {settings.GetMetaData("DS_TITLE"), ""},
        {settings.GetMetaData("NO_SUCH_KEY"), "NO_SUCH_KEY"},
        {settings.GetMetaDataTemplate(), "A{B{GI_VER}}"},
        {settings.GetDataSetTemplate(), "D{E}"},
    };
    for (const auto& [actual, expected] : lookups) {
        EXPECT_EQ(expected, actual);
    }
}

TEST_F(SettingsFileTest, SetMetaDataReplacesUntilTheNextLoad)
{
    SettingsFile settings = Read("MetaData{GI_VER{1.0}}");
    settings.LoadConvertSettings();
    EXPECT_EQ(2, settings.SetMetaData("DS_TITLE", "T1"));
    EXPECT_EQ(2, settings.SetMetaData("DS_TITLE", "T2"));
    EXPECT_EQ("T2", settings.GetMetaData("DS_TITLE"));
    EXPECT_EQ(1, settings.LoadMetaData());
    EXPECT_EQ("DS_TITLE", settings.GetMetaData("DS_TITLE"));
    EXPECT_EQ(1, settings.GetMetaDataCount());
}

TEST_F(SettingsFileTest, MissingFilesReturnOneAndChangeNothing)
{
    SettingsFile settings(folder / "none.ini");
    EXPECT_FALSE(settings.ReadIniFile());
    EXPECT_FALSE(settings.ReadTextFile());
    EXPECT_EQ(0, settings.LoadWizardSettings());
    settings.LoadConvertSettings();
    EXPECT_TRUE(settings.Sections().Empty());
    EXPECT_TRUE(settings.ObjectCodes().empty());
    EXPECT_TRUE(settings.IntroLines().empty());
    EXPECT_EQ(0, settings.GetMetaDataCount());
    EXPECT_EQ("", settings.GetCsvListCaption() + settings.GetMetaDataTemplate() +
                      settings.GetDataSetTemplate());
    EXPECT_EQ("RD", settings.GetConvertBody("RD"));

    // A file that goes away between two reads leaves the first read in place.
    SettingsFile read = Read("Object{Roads{RD}}");
    WriteFileBytes(folder / "ordevik.txt", "line\n");
    ASSERT_TRUE(read.ReadTextFile());
    fs::remove(folder / "ordevik.ini");
    fs::remove(folder / "ordevik.txt");
    EXPECT_FALSE(read.ReadIniFile());
    EXPECT_FALSE(read.ReadTextFile());
    EXPECT_EQ((Entries{{"Object", "Roads{RD}"}}), read.Sections().Entries());
    EXPECT_EQ(StringList({"line"}), read.IntroLines());
}

TEST_F(SettingsFileTest, IntroductionTextKeepsEveryLineAsWritten)
{
    WriteFileBytes(folder / "ordevik.txt", "Welcome # not a comment\r\n\r\n  indented\nlast");
    SettingsFile settings(folder / "ordevik.ini");
    EXPECT_TRUE(settings.ReadTextFile());
    EXPECT_EQ(StringList({"Welcome # not a comment", "", "  indented", "last"}),
              settings.IntroLines());
}

TEST_F(SettingsFileTest, OtherFilesLieBesideTheSettingsFileUnderItsTitle)
{
    const SettingsFile settings(folder / "my.conf.ini");
    EXPECT_EQ(folder / "my.conf.ini", settings.IniPath());
    EXPECT_EQ(folder / "my.conf.txt", settings.TextPath());
    EXPECT_EQ(folder / "my.conf.bmp", settings.BitmapPath());
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(folder / "help" / ("page_" + std::to_string(i) + ".htm"),
                  settings.HelpPaths()[static_cast<std::size_t>(i)]);
    }

    // In a root folder: one separator, never two.
    EXPECT_EQ(fs::path("/ordevik.txt"), SettingsFile(fs::path("/ordevik.ini")).TextPath());
    EXPECT_EQ(fs::path("/help/page_0.htm"),
              SettingsFile(fs::path("/ordevik.ini")).HelpPaths()[0]);

    // Without a given file, every front end reads ordevik.ini beside the executable.
    EXPECT_EQ(ExecutablePath().parent_path() / "ordevik.ini", SettingsFile::DefaultPath());
}
