#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ElementParser.h"
#include "tests/engine/ConversionTestSupport.h"
#include "xmlout/FeatureWriter.h"
#include "xmlout/OutputFile.h"

namespace fs = std::filesystem;

namespace {

// The record writer streams a record straight into the output. These tests hold it to
// the line-list composition it replaces: every outer element walked with its own
// parser, every child handed to its writer as element text, the lines composed as a
// block and written at level 2 after one empty line.
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
        writer.ReadIniFile();
        writer.LoadConvertSettings();
        writer.SetDataFolder(folder.Path() / "data");
        writer.SetFilesetCode("F");
        writer.ReadMetadataFile("RD");
        int counter = 0;
        const int points = writer.LoadPointData("RD");
        while (counter < points) {
            writer.ConvertPoint(counter);
        }
        writer.ClosePointData();
    }

    std::string Streamed(const std::string& record, bool shiftJis)
    {
        const fs::path file = folder.Path() / "streamed.xml";
        OutputFile output;
        output.Open(file, OutputFile::Mode::Create);
        writer.WriteRecord(record, output, shiftJis);
        output.Close();
        return ReadFileBytes(file);
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
                StringList lines;
                const std::string& code = inner.Name();
                if (code == "CV") {
                    writer.WriteCurve(inner.ElementText(), lines);
                } else if (code == "EG" || code == "ND") {
                    writer.WriteTopology(inner.ElementText(), lines);
                } else if (code == "PD") {
                    writer.WritePeriod(inner.ElementText(), lines);
                } else if (code == "PT") {
                    writer.WritePoint(inner.ElementText(), lines);
                } else if (code == "SF") {
                    writer.WriteSurface(inner.ElementText(), lines);
                } else {
                    writer.WriteValue(inner.ElementText(), lines);
                }
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
    FeatureWriter writer{nullptr, folder.Path() / "s.ini"};
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
    StringList lines;
    writer.WriteCurve("CV{" + list + "}", lines);
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
