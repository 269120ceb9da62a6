#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/Conversion.h"
#include "engine/MapPreview.h"
#include "tests/engine/ConversionTestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t green = 0x00FF00;
constexpr std::uint32_t blue = 0x0000FF;
constexpr std::uint32_t white = 0xFFFFFF;

// A settings file of three kinds, each with its colour, and a fourth of the palette's.
const std::string settings = "Object{\n道路{RD}\n基準点{CP}\n建物{BL}\n河川{RV}\n}\n"
                             "Preview{\nRD{FF0000}\nCP{0000FF}\nBL{00FF00}\n}\n";

// A fileset made by hand: its metadata (start point and extent in units of 0.0001),
// point lines and data files by kind code.
struct Fileset
{
    std::string start = "0,0";
    std::string extent = "1000000,1000000";
    std::vector<std::string> points;
    std::map<std::string, std::string> records;
};

class MapPreviewTest : public ::testing::Test
{
protected:
    // Converts the filesets (codes F1, F2, ...) drawing at most `maps` of them.
    RunReport Convert(const std::vector<Fileset>& filesets, int maps = 8)
    {
        WriteFileBytes(folder.Path() / "settings.ini", ToCp932(settings));
        ConversionRequest request;
        request.options.dataFolder = folder.Path() / "data";
        request.options.dtdFolder = folder.Path() / "dtd";
        request.options.xmlFolder = folder.Path() / "xml";
        request.options.settingsFile = folder.Path() / "settings.ini";
        request.options.skipDtdCopy = true;
        request.options.previewFilesets = maps;
        fs::create_directories(request.options.dtdFolder);
        fs::create_directories(request.options.xmlFolder);
        for (std::size_t i = 0; i < filesets.size(); ++i) {
            const std::string code = "F" + std::to_string(i + 1);
            const fs::path data = request.options.dataFolder / code;
            fs::create_directories(data);
            const Fileset& fileset = filesets[i];
            WriteFileBytes(data / (code + ".slm"),
                           CrLf({fileset.start, fileset.extent, "1", "0", "title", "a", "b", "c",
                                 "gi.dtd"}));
            WriteFileBytes(data / (code + ".slp"), CrLf(fileset.points));
            for (const auto& [kind, lines] : fileset.records) {
                WriteFileBytes(data / (code + kind + ".sal"), lines + "\r\n");
            }
            request.selectedFilesets[code] = ToCp932("見本");
            request.featureSelection[code] = "1111";
        }
        // No one to answer: a kind without a data file is skipped.
        RecordingProgress progress;
        return RunConversion(request, nullptr, progress).report;
    }

    // Whether `colour` is among the 3 × 3 pixels around (x, y): lines end where their
    // coordinates round to.
    static bool Near(const RgbPicture& picture, int x, int y, std::uint32_t colour)
    {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (picture.Colour(x + dx, y + dy) == colour) {
                    return true;
                }
            }
        }
        return false;
    }

    TempFolder folder;
};

// The map area is 760 × 500 pixels from (16, 16) with 14 kept free inside: a frame of
// 100 × 100 units fits its height, 4.72 pixels a unit, centred: (0, 0) lies at
// (160, 502) and (100, 100) at (632, 30).
int X(double x) { return static_cast<int>(160 + x * 4.72 + 0.5); }
int Y(double y) { return static_cast<int>(502 - y * 4.72 + 0.5); }

TEST_F(MapPreviewTest, ShapesLieWhereTheirCoordinatesSayNorthUp)
{
    Fileset fileset;
    fileset.points = {"0000000000000000", "0100000001000000", "0000000001000000"};
    fileset.records["RD"] = "RD(ID{RD1}){CV(ID{CV1}){1,2}}";  // south-west to north-east
    fileset.records["CP"] = "CP(ID{CP1}){PT(ID{PT1}){3}}";    // the north-west corner
    // The south-west quarter.
    fileset.records["BL"] = "BL(ID{BL1}){SF(ID{SF1}){00500000,00500000}}";
    const RunReport report = Convert({fileset});
    ASSERT_EQ(1u, report.filesets.size());
    ASSERT_NE(nullptr, report.filesets[0].preview);
    const FilesetPreview& map = *report.filesets[0].preview;
    const RgbPicture& picture = map.picture;
    ASSERT_EQ(previewWidth, picture.width);
    ASSERT_EQ(previewHeight, picture.height);

    EXPECT_TRUE(Near(picture, X(75), Y(75), red)) << "on the diagonal";
    EXPECT_EQ(white, picture.Colour(X(75), Y(25))) << "not mirrored";
    EXPECT_EQ(white, picture.Colour(X(25), Y(75)));
    EXPECT_TRUE(Near(picture, X(0), Y(100), blue)) << "the point in the north-west corner";
    EXPECT_NE(blue, picture.Colour(X(0), Y(0)));
    EXPECT_TRUE(Near(picture, X(25), Y(0), green)) << "the ring's south edge";
    EXPECT_TRUE(Near(picture, X(50), Y(25), green)) << "its east edge";
    EXPECT_TRUE(Near(picture, X(25), Y(50), green)) << "its north edge";
    EXPECT_EQ(white, picture.Colour(X(40), Y(10))) << "a ring, not filled";
    EXPECT_EQ(white, picture.Colour(X(75), Y(50)));

    // The legend: the kinds drawn, in the settings' order, with their colours.
    ASSERT_EQ(3u, map.legend.size());
    EXPECT_EQ("道路", map.legend[0].name);
    EXPECT_EQ(red, map.legend[0].colour);
    EXPECT_EQ("基準点", map.legend[1].name);
    EXPECT_EQ("建物", map.legend[2].name);
    EXPECT_EQ(green, map.legend[2].colour);
    EXPECT_EQ("見本（F1）: 線 1 本、点 1 個、面 1 個。", map.description);
}

TEST_F(MapPreviewTest, UnusualFilesetsDrawAndSayWhatTheyShow)
{
    // Every point in one place: drawn in the middle of the map.
    Fileset together;
    together.extent = "0,0";
    together.points = {"0000500000005000", "0000500000005000"};
    together.records["RD"] = "RD(ID{RD1}){CV(ID{CV1}){1,2}}";
    // No geometry at all: records of values only, and a point number beyond the table.
    Fileset empty;
    empty.points = {"0000000000000000"};
    empty.records["RD"] = "RD(ID{RD1}){NM{name}}";
    empty.records["CP"] = "CP(ID{CP1}){PT(ID{PT1}){7}}";
    // A start point of minus zero.
    Fileset minusZero;
    minusZero.start = "-0,-0";
    minusZero.points = {"0000000000000000", "0100000001000000"};
    minusZero.records["RD"] = "RD(ID{RD1}){CV(ID{CV1}){1,2}}";
    // Plane rectangular coordinates in metres, far from the origin and negative.
    Fileset metres;
    metres.start = "-451234567,1234567890";
    metres.extent = "99999999,99999999";
    metres.points = {"0000000000000000", "9999999999999999"};
    metres.records["RD"] = "RD(ID{RD1}){CV(ID{CV1}){1,2}}";
    metres.records["BL"] = "BL(ID{BL1}){SF(ID{SF1}){50000000,50000000}}";

    const RunReport report = Convert({together, empty, minusZero, metres});
    ASSERT_EQ(4u, report.filesets.size());
    for (const FilesetEntry& fileset : report.filesets) {
        ASSERT_NE(nullptr, fileset.preview) << fileset.code;
    }
    const FilesetPreview& one = *report.filesets[0].preview;
    EXPECT_EQ("見本（F2）: 図形のある地物がありません。",
              report.filesets[1].preview->description);
    EXPECT_TRUE(report.filesets[1].preview->legend.empty());
    EXPECT_EQ("見本（F1）: 線 1 本、点 0 個、面 0 個。全ての点が同じ位置にあります。",
              one.description);
    EXPECT_TRUE(Near(one.picture, 396, 266, red)) << "the centre of the map";

    // Minus zero is drawn as zero: the same diagonal as from a start point of zero.
    EXPECT_TRUE(Near(report.filesets[2].preview->picture, X(75), Y(75), red));
    // In metres the diagonal and the ring fill the frame as in degrees.
    const RgbPicture& inMetres = report.filesets[3].preview->picture;
    EXPECT_TRUE(Near(inMetres, X(75), Y(75), red));
    EXPECT_TRUE(Near(inMetres, X(25), Y(50), green));
    EXPECT_EQ("見本（F4）: 線 1 本、点 0 個、面 1 個。", report.filesets[3].preview->description);
}

TEST_F(MapPreviewTest, OnlyTheFirstFilesetsAreDrawnAndAKindMayBeLeftOut)
{
    Fileset fileset;
    fileset.points = {"0000000000000000", "0100000001000000"};
    fileset.records["RD"] = "RD(ID{RD1}){CV(ID{CV1}){1,2}}";
    fileset.records["RV"] = "RV(ID{RV1}){CV(ID{CV1}){2,1}}";
    const RunReport report = Convert({fileset, fileset, fileset}, 2);
    ASSERT_EQ(3u, report.filesets.size());
    EXPECT_NE(nullptr, report.filesets[0].preview);
    EXPECT_NE(nullptr, report.filesets[1].preview);
    EXPECT_EQ(nullptr, report.filesets[2].preview);
    // The river has no colour of its own: the palette's fourth, drawn over the road.
    const FilesetPreview& map = *report.filesets[0].preview;
    ASSERT_EQ(2u, map.legend.size());
    EXPECT_EQ("河川", map.legend[1].name);
    EXPECT_NE(red, map.legend[1].colour);
    EXPECT_EQ(1u, map.legend[0].every);
}

TEST_F(MapPreviewTest, LargeKindIsDrawnFromAShareOfItsRecordsAndSaysSo)
{
    // 12 000 roads of 41 bytes each: 492 000 bytes, drawn from every eighth record.
    Fileset fileset;
    fileset.points = {"0000000000000000", "0100000001000000"};
    std::string roads;
    for (int i = 0; i < 12000; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "RD(ID{RD%06d}){CV(ID{CV%06d}){1,2}}\r\n", i, i);
        roads += line;
    }
    roads.resize(roads.size() - 2);
    fileset.records["RD"] = roads;
    fileset.records["CP"] = "CP(ID{CP1}){PT(ID{PT1}){2}}";
    const RunReport report = Convert({fileset});
    const FilesetPreview& map = *report.filesets[0].preview;
    ASSERT_EQ(2u, map.legend.size());
    EXPECT_EQ(8u, map.legend[0].every);
    EXPECT_EQ(1500, map.legend[0].shapes);
    EXPECT_EQ(1u, map.legend[1].every) << "a small kind is drawn whole";
    EXPECT_TRUE(Near(map.picture, X(75), Y(75), red));
    EXPECT_NE(std::string::npos, map.description.find("一部だけを描きました"))
        << map.description;
}

}
