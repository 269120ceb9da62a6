#include "readers/FilesetReader.h"
#include "text/Numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/TestSupport.h"

namespace fs = std::filesystem;

class FilesetReaderTest : public testing::Test
{
protected:
    FilesetReaderTest()
    {
        fs::create_directories(folder / "data" / "F01");
        reader.SetDataFolder(folder / "data");
        reader.SetFilesetCode("F01");
    }

    // Reads settings given as code page 932 text.
    void ReadSettings(const std::string& settings)
    {
        WriteFileBytes(folder / "ordevik.ini", settings);
        ASSERT_TRUE(reader.ReadIniFile());
        reader.LoadConvertSettings();
    }

    fs::path Input(const std::string& name) const { return folder / "data" / "F01" / name; }

    // Loads and converts the kind's point-data file as the run does; the number of points.
    int LoadPoints(const std::string& kind)
    {
        const PointDataLoad load = reader.LoadPointData(kind);
        EXPECT_EQ(PointDataOutcome::Loaded, load.outcome);
        const int count = load.points;
        int counter = 0;
        for (int i = 0; i < count; ++i) {
            reader.ConvertPoint(counter);
        }
        reader.ClosePointData();
        EXPECT_EQ(count, counter);
        return count;
    }

    std::vector<std::string> Points() const
    {
        std::vector<std::string> texts;
        for (std::size_t number = 1; number <= reader.PointCount(); ++number) {
            texts.emplace_back(reader.PointCoordinates(std::to_string(number)));
        }
        return texts;
    }

    // Reads the metadata file; the number of metadata entries afterwards.
    int MetadataEntries()
    {
        EXPECT_EQ(MetadataOutcome::Read, reader.ReadMetadataFile());
        return reader.GetMetaDataCount();
    }

    std::vector<std::string> Metadata(const std::vector<std::string>& keys) const
    {
        std::vector<std::string> values;
        for (const std::string& key : keys) {
            values.push_back(reader.GetMetaData(key));
        }
        return values;
    }

    TempFolder folder;
    FilesetReader reader{folder / "ordevik.ini"};
};

TEST_F(FilesetReaderTest, PointLinesAreFixedWidthOffsetsFromTheStartPoint)
{
    ReadSettings("");
    WriteFileBytes(Input("F01.slm"), "350000,1390000\r\n");
    ASSERT_EQ(2, MetadataEntries());
    WriteFileBytes(Input("F01.slp"),
                   "0001234500067890\r\n"
                   "00012345\r\n"
                   "00012345000678901234 extra\r\n"
                   "   -1000  5.5e1\n"
                   "\n"
                   "12x45678abcdefgh\n"
                   "0000000100000002");

    EXPECT_EQ(7, LoadPoints("RD"));
    const std::vector<std::string> expected = {
        "36.2345 145.7890", "36.2345 139.0000", "36.2345 145.7890", "34.9000 139.0055",
        "35.0000 139.0000", "35.0012 139.0000", "35.0001 139.0002"};
    EXPECT_EQ(expected, Points());
}

TEST_F(FilesetReaderTest, MeshElevationKindReadsTheFileNamedWithMh)
{
    ReadSettings("");
    WriteFileBytes(Input("F01.slp"), "0000000100000001\n");
    WriteFileBytes(Input("F01MH.slp"), "0000000200000002\n0000000300000003\n");

    EXPECT_EQ(2, LoadPoints("MH"));
    EXPECT_EQ((std::vector<std::string>{"0.0002 0.0002", "0.0003 0.0003"}), Points());
    EXPECT_EQ(1, LoadPoints("RD"));
    EXPECT_EQ((std::vector<std::string>{"0.0001 0.0001"}), Points());
}

TEST_F(FilesetReaderTest, MissingEmptyOrUnreadablePointFileIsReportedAndLoadsNothing)
{
    ReadSettings("");
    WriteFileBytes(Input("F01MH.slp"), "0000000100000001\n");
    ASSERT_EQ(1, LoadPoints("MH"));

    const auto outcome = [&] {
        const PointDataLoad load = reader.LoadPointData("RD");
        EXPECT_EQ(0, load.points);
        EXPECT_EQ(0u, reader.PointCount());
        return load.outcome;
    };
    EXPECT_EQ(PointDataOutcome::FileMissing, outcome());
    WriteFileBytes(Input("F01.slp"), "");
    EXPECT_EQ(PointDataOutcome::NoPoints, outcome());
    fs::remove(Input("F01.slp"));
    fs::create_directory(Input("F01.slp"));
    EXPECT_EQ(PointDataOutcome::FileMissing, outcome());
}

TEST_F(FilesetReaderTest, PointNumberOutsideTheTableGivesEmptyText)
{
    ReadSettings("");
    WriteFileBytes(Input("F01.slp"), "0000000100000001\n0000000200000002\n0000000300000003\n");
    ASSERT_EQ(3, LoadPoints("RD"));

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1", "0.0001 0.0001"}, {"3", "0.0003 0.0003"},  {" 2", "0.0002 0.0002"},
        {"+2", "0.0002 0.0002"}, {"2x", "0.0002 0.0002"}, {"0", ""},
        {"-1", ""}, {"4", ""}, {"x", ""}, {"", ""}, {"2147483648", ""}, {"4294967297", ""},
        {"99999999999999999999", ""}};
    for (const auto& [number, coordinates] : cases) {
        EXPECT_EQ(coordinates, reader.PointCoordinates(number)) << number;
    }
}

TEST_F(FilesetReaderTest, FirstTwoLinesSetStartPointAndExtent)
{
    ReadSettings("");
    struct Case
    {
        std::string line;
        std::vector<std::string> texts;  // StartPointX, StartPointY, ScopeX, ScopeY
        double x;
        double y;
    };
    const std::vector<Case> cases = {
        {"120,345", {"0.0120", "0.0345", "0.0120", "0.0345"}, 0.012, 0.0345},
        {"5,7", {"0.0005", "0.0007", "0.0005", "0.0007"}, 0.0005, 0.0007},
        {"120", {"0.0000", "0.0120", "0.0000", "0.0120"}, 0.0, 0.012},
    };
    for (const Case& c : cases) {
        WriteFileBytes(Input("F01.slm"), c.line + "\n" + c.line + "\n");
        EXPECT_EQ(4, MetadataEntries());
        EXPECT_EQ(c.texts, Metadata({"StartPointX", "StartPointY", "ScopeX", "ScopeY"}));
        EXPECT_DOUBLE_EQ(c.x, reader.StartPointX()) << c.line;
        EXPECT_DOUBLE_EQ(c.y, reader.StartPointY()) << c.line;
        EXPECT_DOUBLE_EQ(c.x, reader.ScopeX()) << c.line;
        EXPECT_DOUBLE_EQ(c.y, reader.ScopeY()) << c.line;
    }
}

TEST_F(FilesetReaderTest, TextLinesFillTheirKeysAndAnEmptyLineKeepsTheSettingsValue)
{
    ReadSettings("MetaData{DS_TITLE{Settings title}DS_KIKAN{Settings office}}");
    WriteFileBytes(Input("F01.slm"),
                   "1,2\r\n3,4\r\n1200\r\n300\r\n\r\n\x93\xB9\x98\x48\r\n2001-01-01\r\n"
                   "2002-02-02\r\ngi.dtd\r\ntenth line\r\n");

    // Two settings values, four numbers and five of the seven texts.
    EXPECT_EQ(11, MetadataEntries());
    const std::vector<std::string> expected = {
        "1200", "300", "Settings title", "\x93\xB9\x98\x48", "2001-01-01", "2002-02-02",
        "gi.dtd"};
    EXPECT_EQ(expected, Metadata({"POINT_NUMBER", "POINT_MH", "DS_TITLE", "DS_KIKAN",
                                  "DS_SHUTOKU", "DS_KOSHIN", "GI_DTD"}));
}

TEST_F(FilesetReaderTest, ResetReturnsToTheSettingsSoNothingLeaksIntoTheNextFileset)
{
    ReadSettings("MetaData{DS_TITLE{Settings title}}");
    WriteFileBytes(Input("F01.slm"), "10,20\n30,40\n1\n2\nTitle A\nOffice A\nA\nA\na.dtd\n");
    ASSERT_EQ(11, MetadataEntries());

    reader.ResetForFileset();
    EXPECT_EQ((std::vector<double>{0.0, 0.0, 0.0, 0.0}),
              (std::vector<double>{reader.StartPointX(), reader.StartPointY(), reader.ScopeX(),
                                   reader.ScopeY()}));
    EXPECT_EQ(1, reader.GetMetaDataCount());

    // A short file sets what it has; the rest stays as the settings give it.
    reader.SetFilesetCode("F02");
    fs::create_directory(folder / "data" / "F02");
    WriteFileBytes(folder / "data" / "F02" / "F02.slm", "50,60\n70,80\n77\n");
    EXPECT_EQ(6, MetadataEntries());
    const std::vector<std::string> expected = {"0.0050", "0.0080", "77", "POINT_MH",
                                               "Settings title", "DS_KIKAN", "GI_DTD"};
    EXPECT_EQ(expected, Metadata({"StartPointX", "ScopeY", "POINT_NUMBER", "POINT_MH",
                                  "DS_TITLE", "DS_KIKAN", "GI_DTD"}));
}

TEST_F(FilesetReaderTest, MissingUnreadableOrEmptyMetadataIsReported)
{
    ReadSettings("");
    EXPECT_EQ(MetadataOutcome::FileMissing, reader.ReadMetadataFile());
    fs::create_directory(Input("F01.slm"));
    EXPECT_EQ(MetadataOutcome::FileMissing, reader.ReadMetadataFile());
    fs::remove(Input("F01.slm"));
    WriteFileBytes(Input("F01.slm"), "");
    EXPECT_EQ(MetadataOutcome::NoMetadata, reader.ReadMetadataFile());

    // An empty file is fine while the settings give metadata.
    ReadSettings("MetaData{GI_VER{1.0}}");
    EXPECT_EQ(1, MetadataEntries());
}

TEST_F(FilesetReaderTest, InputsAreFoundIgnoringLetterCase)
{
    ReadSettings("");
    fs::create_directories(folder / "data" / "AB12");
    WriteFileBytes(folder / "data" / "AB12" / "AB12.SLM", "10000,20000\n");
    WriteFileBytes(folder / "data" / "AB12" / "ab12.SLP", "0000000100000001\n");
    WriteFileBytes(folder / "data" / "AB12" / "Ab12mh.slp", "0000000200000002\n");
    reader.SetFilesetCode("ab12");

    EXPECT_EQ(2, MetadataEntries());
    EXPECT_EQ(1, LoadPoints("RD"));
    EXPECT_EQ((std::vector<std::string>{"1.0001 2.0001"}), Points());
    EXPECT_EQ(1, LoadPoints("MH"));
    EXPECT_EQ((std::vector<std::string>{"1.0002 2.0002"}), Points());
}

// Eight plain digits are read in one go; every other field as a decimal number. Both
// must give what the C library's reading gives.
TEST_F(FilesetReaderTest, PointFieldsOfEveryShapeReadAsDecimalNumbers)
{
    ReadSettings("");
    WriteFileBytes(Input("F01.slm"), "0,0\r\n");
    const std::vector<std::string> fields = {"12345678", "99999999", "00000000", " 1234567",
                                             "1234567x", "-0000001", "0000.500", "1e3     ",
                                             "90000009", "/0000000", ":0000000", "0000000:"};
    std::string lines;
    for (const std::string& field : fields) {
        lines += field + "00000001\r\n";
    }
    WriteFileBytes(Input("F01.slp"), lines);
    ASSERT_EQ(static_cast<int>(fields.size()), LoadPoints("CV"));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(FormatFixed4(ReadDecimal(fields[i]) * 0.0001) + " 0.0001", Points()[i])
            << fields[i];
    }
}

// A point's text is "%.4f" of field * 0.0001 + start for each coordinate, however it is
// composed; start points of whole units take a shortcut that must give the same text.
TEST_F(FilesetReaderTest, PointTextsAreTheFormattedSumsForEveryStartPoint)
{
    ReadSettings("");
    std::string points;
    std::vector<std::pair<std::string, std::string>> fields;
    std::uint64_t state = 2024;
    for (int i = 0; i < 3000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        auto field = [&](int shift) {
            const std::uint64_t value = (state >> shift) % 100000000;
            std::string text = std::to_string(value);
            text.insert(0, 8 - text.size(), '0');
            switch ((state >> (shift + 27)) % 16) {
            case 0:
                return std::string("00000000");
            case 1:
                return std::string(" -1234.5");
            case 2:
                return std::string("1e3     ");
            default:
                return text;
            }
        };
        fields.emplace_back(field(3), field(30));
        // Mostly CR LF, some bare LF, and no line end at the very end.
        const char* const lineEnd = i == 2999 ? "" : i % 7 == 3 ? "\n" : "\r\n";
        points += fields.back().first + fields.back().second + lineEnd;
    }
    WriteFileBytes(Input("F01.slp"), points);
    for (const std::string start :
         {"350000,1390000", "-350000,-1390000", "0,0", "-0,-0", "1,-1", "-99999999,-99999999",
          "12345678901,5", "3.5,-0.25", "9999999999,-9999999999", "1e30,1e-30",
          "-451234567,1234567890", "1234567890,-451234567", "-9876543210,-19876543210",
          "-451234567.25,1234567890.125", "1390000.37,356000.5", "-5000,-50000"}) {
        WriteFileBytes(Input("F01.slm"), start + "\r\n");
        ASSERT_EQ(MetadataOutcome::Read, reader.ReadMetadataFile());
        ASSERT_EQ(static_cast<int>(fields.size()), LoadPoints("RD")) << start;
        const double startX = reader.StartPointX();
        const double startY = reader.StartPointY();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::string expected =
                FormatFixed4(ReadDecimal(fields[i].first) * 0.0001 + startX) + " " +
                FormatFixed4(ReadDecimal(fields[i].second) * 0.0001 + startY);
            ASSERT_EQ(expected, reader.PointCoordinates(std::to_string(i + 1)))
                << start << " " << fields[i].first << fields[i].second;
        }
    }
}

// Coordinates of every usual shape (degrees, plane rectangular metres of five and six
// whole digits and either sign, start points between units) are what printf writes for
// their sums, and all of them lie in the table, none kept apart.
TEST_F(FilesetReaderTest, PointsOfEveryShapeFitTheTableAndAreWhatPrintfWrites)
{
    ReadSettings("");
    std::vector<std::pair<std::string, std::string>> fields = {
        {"00000000", "00000000"}, {"99999999", "99999999"}, {"00000000", "99999999"}};
    std::uint64_t state = 5;
    for (int i = 0; i < 2000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        char line[20];
        std::snprintf(line, sizeof line, "%08llu%08llu",
                      static_cast<unsigned long long>((state >> 8) % 100000000),
                      static_cast<unsigned long long>((state >> 36) % 100000000));
        fields.emplace_back(std::string(line, 8), std::string(line + 8, 8));
    }
    std::string points;
    for (const auto& [x, y] : fields) {
        points += x + y + "\r\n";
    }
    WriteFileBytes(Input("F01.slp"), points);
    auto printed = [](double value) {
        char text[400];
        std::snprintf(text, sizeof text, "%.4f", value);
        return std::string(text);
    };
    for (const std::string start :
         {"1390000,356000", "-451234567,1234567890", "1234567890,-451234567",
          "-9876543210,-9999999999", "-10000000,-351234567", "-50000000,-50000000",
          "1390000.37,356000.5", "-451234567.25,1234567890.125", "-0,-0"}) {
        WriteFileBytes(Input("F01.slm"), start + "\r\n");
        ASSERT_EQ(MetadataOutcome::Read, reader.ReadMetadataFile());
        ASSERT_EQ(static_cast<int>(fields.size()), LoadPoints("RD")) << start;
        EXPECT_EQ(0u, reader.LongPointCount()) << start;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::string expected =
                printed(ReadDecimal(fields[i].first) * 0.0001 + reader.StartPointX()) + " " +
                printed(ReadDecimal(fields[i].second) * 0.0001 + reader.StartPointY());
            ASSERT_EQ(expected, reader.PointCoordinates(std::to_string(i + 1)))
                << start << " " << fields[i].first << fields[i].second;
        }
    }
}

// A text that needs a wide slot late in the file moves every earlier point, the one
// kept apart included, into wide slots; nothing is lost or changed on the way.
TEST_F(FilesetReaderTest, SlotsWidenLateWithoutChangingEarlierPoints)
{
    ReadSettings("");
    WriteFileBytes(Input("F01.slm"), "1390000,356000\r\n");
    std::vector<std::string> lines;
    for (long long i = 0; i < 70000; ++i) {
        char line[20];
        std::snprintf(line, sizeof line, "%08lld%08lld", i * 7919 % 60000, i * 104729 % 45000);
        lines.emplace_back(line);
    }
    lines[10] = "1e30    1e30    ";
    lines[69000] = "9999999999999999";
    std::string points;
    for (const std::string& line : lines) {
        points += line + "\r\n";
    }
    WriteFileBytes(Input("F01.slp"), points);
    ASSERT_EQ(MetadataOutcome::Read, reader.ReadMetadataFile());
    ASSERT_EQ(static_cast<int>(lines.size()), LoadPoints("RD"));
    EXPECT_EQ(1u, reader.LongPointCount());
    const std::vector<std::string> texts = Points();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string expected =
            FormatFixed4(ReadDecimal(lines[i].substr(0, 8)) * 0.0001 + reader.StartPointX()) +
            " " + FormatFixed4(ReadDecimal(lines[i].substr(8)) * 0.0001 + reader.StartPointY());
        ASSERT_EQ(expected, texts[i]) << i;
    }
}
