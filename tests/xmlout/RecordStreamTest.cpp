#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "text/ElementParser.h"
#include "text/Numbers.h"
#include "tests/engine/ConversionTestSupport.h"
#include "xmlout/FeatureWriter.h"
#include "xmlout/OutputFile.h"

namespace fs = std::filesystem;

namespace {

// The file a record alone gives.
std::string WrittenRecord(FeatureWriter& writer, const fs::path& folder,
                          const std::string& record, bool shiftJis)
{
    const fs::path file = folder / "streamed.xml";
    OutputFile output;
    output.Open(file, OutputFile::Mode::Create);
    writer.WriteRecord(record, output, shiftJis);
    output.Close();
    return ReadFileBytes(file);
}

// The record writer walks a whole record from one index of its brackets. These tests
// hold it to a composition that walks every outer element with its own parser and
// writes every child as a record of its own from its element text, the lines composed
// as a block and written at level 2 after one empty line.
class RecordStreamTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFileBytes(folder.Path() / "s.ini",
                   ToCp932("Convert{RD(道路){Road}CV{Curve}NM{name}SB{type}X1{}ID{id}"
                           "RD_SB1{高速}EG{edge}ND{node}}"
                           "MetaData{REMARK_CODE{JGD}K{metadata value}}"));
        WriteFileBytes(folder.Path() / "data" / "F" / "F.slm", "100000,200000\r\n10,20\r\n");
        WriteFileBytes(folder.Path() / "data" / "F" / "F.slp",
                   "0000000100000002\r\n0000000300000004\r\n00000005\r\n");
        ASSERT_TRUE(writer.ReadIniFile());
        writer.LoadConvertSettings();
        writer.SetDataFolder(folder.Path() / "data");
        writer.SetFilesetCode("F");
        ASSERT_EQ(MetadataOutcome::Read, writer.ReadMetadataFile());
        int counter = 0;
        const int points = writer.LoadPointData("RD").points;
        while (counter < points) {
            writer.ConvertPoint(counter);
        }
        writer.ClosePointData();
    }

    std::string Streamed(const std::string& record, bool shiftJis)
    {
        return WrittenRecord(writer, folder.Path(), record, shiftJis);
    }

    // The lines of one child, from a record that holds only it (written without
    // conversion), without the record's own lines and indentation. The record's "{" is
    // left open, so its body is the child's text whatever brackets that leaves open.
    StringList ChildLines(const std::string& childText)
    {
        StringList lines;
        const std::string written = Streamed("RD{" + childText, true);
        std::size_t start = 0;
        for (std::size_t end = written.find("\r\n"); end != std::string::npos;
             start = end + 2, end = written.find("\r\n", start)) {
            const std::string line = written.substr(start, end - start);
            if (line.rfind("      ", 0) == 0) {
                lines.push_back(line.substr(6));
            }
        }
        return lines;
    }

    std::string Composed(const std::string& record, bool shiftJis)
    {
        const fs::path file = folder.Path() / "composed.xml";
        OutputFile output;
        output.Open(file, OutputFile::Mode::Create);
        ElementParser outer(record);
        int cursor = 0;
        while (outer.NextElementFull(cursor)) {
            const std::string tag = writer.GetConvertBody(outer.Name());
            if (tag.empty()) {
                continue;
            }
            StringList children;
            ElementParser inner(outer.Body());
            int innerCursor = 0;
            while (!outer.Body().empty() && inner.NextElement(innerCursor)) {
                if (inner.Name().empty()) {
                    continue;
                }
                const StringList lines = ChildLines(inner.ElementText());
                children.insert(children.end(), lines.begin(), lines.end());
            }
            StringList block;
            XmlBuilder::BlockElement(block, tag, writer.ConvertAttributes(outer.Attributes()),
                                     children, 1);
            XmlBuilder::WriteLines(block, output, 2, 1, 0, shiftJis);
        }
        output.Close();
        return ReadFileBytes(file);
    }

    TempFolder folder;
    FeatureWriter writer{folder.Path() / "s.ini"};
};

TEST_F(RecordStreamTest, HandWrittenRecordsMatchTheComposition)
{
    const char* const records[] = {
        "RD(ID{RD000001}){CV(ID{CV000001}){1,2,3}NM{Route 1}}",
        "RD(ID{A}K{K}){PT(id{x}){3,1,9,,x}SF{00012345,00067890}SF{12}PD{a,b<c}SB{RD_SB1}}",
        "RD{EG(ID{E}){CV(ID{C})ND(ID{N})X1{}}ND{}X1{gone}NM(a{1}){}JT{}NM{}}",
        // An attribute-only child needs a "{" of its own to stay an element.
        "RD{PT(ID{5})NM(a)NM{x}PT(b)}",
        "A{1} B{2}RD(ID{RD1}){NM{ボ}} trailing",
        "RD{CV{1,2",
        "RD(ID{x){NM{y}}",
        "\x83\x7B{x}RD{NM{\x81}}",
        "",
    };
    for (const char* record : records) {
        for (const bool shiftJis : {false, true}) {
            EXPECT_EQ(Composed(record, shiftJis), Streamed(record, shiftJis)) << record;
        }
    }
}

TEST_F(RecordStreamTest, RandomRecordsMatchTheComposition)
{
    // Records built from the pieces that matter to the walk: names, both bracket kinds,
    // commas, a double-byte character whose trail byte is "{", and stray text.
    const char* const pieces[] = {"RD", "CV", "PT", "SF", "PD", "EG", "ND", "NM", "SB", "X1",
                                  "ID", "(", ")", "{", "}", "{", "}", ",", "1", "2", "00012345",
                                  "\x83\x7B", " ", "&", "'", "<", "K"};
    std::uint64_t state = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string record;
        const int length = 1 + static_cast<int>(state % 24);
        for (int i = 0; i < length; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            record += pieces[(state >> 33) % std::size(pieces)];
        }
        ASSERT_EQ(Composed(record, false), Streamed(record, false)) << record;
    }
}

TEST_F(RecordStreamTest, PointItemsAreReadAsNumbersOneByOne)
{
    // Every item of a curve gives the coordinates of the point it names, read as atoi
    // reads it, or nothing when it names no point.
    const std::vector<std::string> items = {"007", " 2", "+3", "2x", "0", "-1", "", "4",
                                            "1234567890", "4294967298", "99999999999",
                                            "\x83\x7B", "3"};
    std::string list;
    for (const std::string& item : items) {
        list += (list.empty() ? "" : ",") + item;
    }
    const StringList lines = ChildLines("CV{" + list + "}");
    ASSERT_EQ(items.size() + 6, lines.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ("    <controlPoint>" + std::string(writer.PointCoordinates(items[i])) +
                      "</controlPoint>",
                  lines[3 + i])
            << items[i];
    }
    EXPECT_EQ("    <controlPoint></controlPoint>", lines[3]);
    EXPECT_EQ("    <controlPoint>10.0003 20.0004</controlPoint>", lines[3 + 1]);
    EXPECT_EQ("    <controlPoint>10.0005 20.0000</controlPoint>", lines[3 + 2]);
}

}

namespace {

// Point texts of every shape the writer copies differently: the usual 16 bytes, shorter
// ones, texts in wide slots, longer ones kept apart from the table, and items that name
// no point, in curves long enough to span several batches. The first table stays in
// narrow slots; the second widens them at its third point.
TEST(PointLinesTest, EveryPointTextLengthGivesItsLine)
{
    const std::string narrowTable = "0001234500067890\r\n"   // 36.2345 145.7890
                                    "00000001-1300000\r\n"   // 35.0001 9.0000
                                    "1e30    1e30    \r\n"   // kept apart
                                    "-0350000-1390000\r\n"   // 0.0000 0.0000
                                    "0000000100000002\r\n"   // 35.0001 139.0002
                                    "00000001-1400000\r\n";  // 35.0001 -1.0000
    std::string wideTable = narrowTable;
    wideTable.replace(wideTable.find("1e30"), 16, "9999999999999999");  // 10034.9999 10138.9999
    for (const bool narrow : {true, false}) {
        const std::string& table = narrow ? narrowTable : wideTable;
        TempFolder folder;
        WriteFileBytes(folder.Path() / "s.ini",
                       ToCp932("Convert{RD{Road}CV{Curve}PT{Point}}MetaData{REMARK_CODE{JGD}}"));
        WriteFileBytes(folder.Path() / "data" / "F" / "F.slm", "350000,1390000\r\n10,20\r\n");
        WriteFileBytes(folder.Path() / "data" / "F" / "F.slp", table);
        FeatureWriter writer{folder.Path() / "s.ini"};
        ASSERT_TRUE(writer.ReadIniFile());
        writer.LoadConvertSettings();
        writer.SetDataFolder(folder.Path() / "data");
        writer.SetFilesetCode("F");
        ASSERT_EQ(MetadataOutcome::Read, writer.ReadMetadataFile());
        int counter = 0;
        const int points = writer.LoadPointData("RD").points;
        ASSERT_EQ(6, points);
        while (counter < points) {
            writer.ConvertPoint(counter);
        }
        writer.ClosePointData();
        EXPECT_EQ(narrow ? 1u : 0u, writer.LongPointCount());
        if (narrow) {
            const std::string huge = FormatFixed4(1e30 * 0.0001 + writer.StartPointX());
            EXPECT_EQ(huge + " " + FormatFixed4(1e30 * 0.0001 + writer.StartPointY()),
                      writer.PointCoordinates("3"));
            EXPECT_GT(huge.size(), 16u);
        } else {
            EXPECT_EQ("10034.9999 10138.9999", writer.PointCoordinates("3"));
        }
        EXPECT_EQ("35.0001 9.0000", writer.PointCoordinates("2"));
        EXPECT_EQ("35.0001 -1.0000", writer.PointCoordinates("6"));

        std::vector<std::string> items;
        std::uint64_t state = 99;
        for (int i = 0; i < 150; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            const char* const choices[] = {"1", "2", "3", "4", "5", "5", "1", "6", "7", "", "x",
                                           "05"};
            items.push_back(choices[(state >> 33) % std::size(choices)]);
        }
        std::string list;
        std::string expected = "\r\n    <Road>\r\n      <Curve>\r\n        <CRS idref='JGD'/>\r\n"
                               "        <segment>\r\n";
        for (std::size_t i = 0; i < items.size(); ++i) {
            const std::string& item = items[i];
            list += (i == 0 ? "" : ",") + item;
            expected += "          <controlPoint>" + std::string(writer.PointCoordinates(item)) +
                        "</controlPoint>\r\n";
        }
        expected += "          <interpolation>linear</interpolation>\r\n        </segment>\r\n"
                    "      </Curve>\r\n      <Point>\r\n        <CRS idref='JGD'/>\r\n";
        for (const std::string& item : items) {
            expected += "        <position>" + std::string(writer.PointCoordinates(item)) +
                        "</position>\r\n";
        }
        expected += "      </Point>\r\n    </Road>\r\n";

        EXPECT_EQ(expected, WrittenRecord(writer, folder.Path(),
                                          "RD{CV{" + list + "}PT{" + list + "}}", false));
    }
}

// Names are looked up in a cache; a settings file read again must be seen at once.
TEST(PointLinesTest, NamesFollowTheSettingsWhenTheyAreReadAgain)
{
    TempFolder folder;
    FeatureWriter writer{folder.Path() / "s.ini"};
    auto write = [&](const std::string& record) {
        return WrittenRecord(writer, folder.Path(), record, true);
    };
    WriteFileBytes(folder.Path() / "s.ini", "Convert{RD{Road}NM{name}}");
    ASSERT_TRUE(writer.ReadIniFile());
    writer.LoadConvertSettings();
    EXPECT_EQ("\r\n    <Road>\r\n      <name>a</name>\r\n      <XY>b</XY>\r\n    </Road>\r\n",
              write("RD{NM{a}XY{b}}"));
    WriteFileBytes(folder.Path() / "s.ini", "Convert{RD{Street}XY{other}}");
    ASSERT_TRUE(writer.ReadIniFile());
    writer.LoadConvertSettings();
    EXPECT_EQ("\r\n    <Street>\r\n      <NM>a</NM>\r\n      <other>b</other>\r\n    </Street>\r\n",
              write("RD{NM{a}XY{b}}"));

    // So must the reference line, whichever way the metadata changes.
    const auto point = [](const std::string& reference) {
        return "\r\n    <Street>\r\n      <PT>\r\n        <CRS idref='" + reference +
               "'/>\r\n      </PT>\r\n    </Street>\r\n";
    };
    // Without a value the key stands, as for any metadata.
    EXPECT_EQ(point("REMARK_CODE"), write("RD{PT{}}"));
    WriteFileBytes(folder.Path() / "s.ini", "Convert{RD{Street}}MetaData{REMARK_CODE{A}}");
    ASSERT_TRUE(writer.ReadIniFile());
    writer.LoadConvertSettings();
    EXPECT_EQ(point("A"), write("RD{PT{}}"));
    writer.SetMetaData("REMARK_CODE", "B");
    EXPECT_EQ(point("B"), write("RD{PT{}}"));
}

}
