// Writes a large, realistic data set for the benchmark: several filesets, each with a
// point-data file of at least 200 000 points at scale 1, a mesh, and data files of
// every kind of the shipped catalogue in the proportions of a city map. Deterministic:
// the same seed, scale and shape give the same bytes.
//
//   generate_dataset FOLDER [--scale S] [--seed N] [--filesets F] [--shape SHAPE]
//
// Shapes (coordinates and layout):
//   degrees  four filesets in degrees, start points of whole units (the default)
//   metres   four filesets in plane rectangular metres: negative and positive start
//            points of five and six whole digits, one fileset crossing zero, one with
//            the largest offsets a point file holds
//   offset   four filesets, two in degrees and two in metres, whose start points lie
//            between units of 0.0001
//   small    600 filesets (at scale 1) of about 45 KB of input each
//   big      one fileset as large as the four of the degrees shape together

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/IconvText.h"

namespace fs = std::filesystem;

namespace {

// A small generator of our own, so the bytes do not depend on the library's
// distributions.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    // A number in [low, high].
    long Between(long low, long high)
    {
        return low + static_cast<long>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }

private:
    std::uint64_t state;
};

std::string Cp932(const std::string& utf8)
{
    return ConvertWithIconv(utf8, "CP932", "UTF-8");
}

std::string Padded(long value, int width)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*ld", width, value);
    return buffer;
}

class Writer
{
public:
    explicit Writer(const fs::path& path) : stream(path, std::ios::binary | std::ios::trunc) {}
    void Line(const std::string& text) { stream << text << "\r\n"; }

private:
    std::ofstream stream;
};

struct Fileset
{
    std::string code;
    std::string name;
};

const char* const placeWords[] = {"中央", "本町", "栄町", "緑が丘", "桜台", "港南", "東雲",
                                  "若葉", "新町", "大通", "旭町", "松原", "ボウル通り"};
const char* const roadWords[] = {"国道", "県道", "市道", "環状線", "バイパス", "通り"};

// Where a fileset lies: its start point as written in the metadata file (units of
// 0.0001) and its extent in units.
struct Placement
{
    std::string startX;
    std::string startY;
    long extentX;
    long extentY;
};

// The extent of a fileset in degrees, in units of 0.0001 degree.
constexpr long degreeExtentX = 6000;
constexpr long degreeExtentY = 4500;
// The extent of a fileset in metres, 2 km by 1.5 km, in units of 0.0001 m.
constexpr long metreExtentX = 20000000;
constexpr long metreExtentY = 15000000;
// The largest offset eight digits hold.
constexpr long largestOffset = 99999999;

Placement Degrees(int index)
{
    return {std::to_string(1390000 + index * 1000), std::to_string(356000 + index * 700),
            degreeExtentX, degreeExtentY};
}

// Plane rectangular coordinates, in turn: X negative and Y positive, X positive and Y
// negative, both negative with six whole digits, and X from -1000 m across zero.
Placement Metres(int index)
{
    switch (index % 4) {
    case 0:
        return {"-451234567", "1234567890", metreExtentX, metreExtentY};
    case 1:
        return {"1234567890", "-451234567", largestOffset, largestOffset};
    case 2:
        return {"-987654321", "-1987654321", metreExtentX, metreExtentY};
    default:
        return {"-10000000", "-351234567", metreExtentX, metreExtentY};
    }
}

// Start points between units: degrees and metres in turn.
Placement BetweenUnits(int index)
{
    if (index % 2 == 0) {
        return {std::to_string(1390000 + index * 1000) + ".37",
                std::to_string(356000 + index * 700) + ".5", degreeExtentX, degreeExtentY};
    }
    return {"-451234567.25", "1234567890.125", metreExtentX, metreExtentY};
}

class Generator
{
public:
    Generator(const fs::path& root, double scaleFactor, std::uint64_t seed)
        : folder(root), scale(scaleFactor), random(seed)
    {
    }

    void FilesetFiles(const Fileset& fileset, int index, const Placement& placement)
    {
        const fs::path base = folder / "data" / fileset.code;
        fs::create_directories(base);
        const std::string code = fileset.code;
        const long extentX = placement.extentX;
        const long extentY = placement.extentY;
        pointCount = Count(250000);
        meshSide = std::max(2L, static_cast<long>(200 * std::sqrt(scale)));

        // Every third fileset has a short metadata file: its other values come from
        // the settings file.
        Writer metadata(base / (code + ".slm"));
        metadata.Line(placement.startX + "," + placement.startY);
        metadata.Line(std::to_string(extentX) + "," + std::to_string(extentY));
        if (index % 3 != 2) {
            metadata.Line(std::to_string(pointCount));
            metadata.Line(std::to_string(meshSide * meshSide));
            metadata.Line(Cp932("数値地図（ベンチマーク）"));
            metadata.Line("2020-2025");
            metadata.Line("2025-04-01");
            metadata.Line("2026-01-01");
            metadata.Line("gi.dtd");
        }

        Writer points(base / (code + ".slp"));
        for (long i = 0; i < pointCount; ++i) {
            points.Line(Padded(random.Between(0, extentX), 8) +
                        Padded(random.Between(0, extentY), 8));
        }
        Writer mesh(base / (code + "MH.slp"));
        for (long row = 0; row < meshSide; ++row) {
            for (long column = 0; column < meshSide; ++column) {
                mesh.Line(Padded(column * extentX / meshSide, 8) +
                          Padded(row * extentY / meshSide, 8));
            }
        }

        Curves(base, code, "RD", Count(8000), 20, 120, true);
        Curves(base, code, "RL", Count(1000), 40, 160, false);
        Curves(base, code, "RV", Count(1500), 30, 130, false);
        Curves(base, code, "AL", Count(500), 80, 220, false);
        Areas(base, code, "WA", Count(1000));
        Areas(base, code, "AA", Count(50));
        Buildings(base, code, Count(20000));
        Blocks(base, code, Count(3000));
        Points(base, code, "PN", Count(3000), "SB{PN_SB1}");
        Points(base, code, "AN", Count(3000), "SR{AN_SR1}");
        Points(base, code, "CP", Count(500), "SR{CP_SR1}EL{12.5}");
        Points(base, code, "ST", Count(200), "SB{ST_SB1}PD{1911-11-01}");
        Points(base, code, "BS", Count(1000), "JT{BS_JT1}");
        Mesh(base, code);
    }

private:
    long Count(long atScaleOne) const
    {
        return std::max(1L, static_cast<long>(static_cast<double>(atScaleOne) * scale));
    }

    std::string Id(const std::string& kind, long number) { return kind + Padded(number, 6); }

    std::string PointList(long length)
    {
        std::string list;
        long point = random.Between(1, pointCount);
        for (long i = 0; i < length; ++i) {
            if (i > 0) {
                list += ',';
            }
            // Neighbouring numbers, as digitised lines use consecutive points.
            point = point % pointCount + 1;
            list += std::to_string(point);
        }
        return list;
    }

    std::string Name(const char* const* words, std::size_t count)
    {
        return Cp932(std::string(words[random.Next() % count]) +
                     std::to_string(random.Between(1, 99)) + "号");
    }

    void Curves(const fs::path& base, const std::string& code, const std::string& kind,
                long count, long shortest, long longest, bool roads)
    {
        Writer out(base / (code + kind + ".sal"));
        for (long n = 1; n <= count; ++n) {
            std::string record = kind + "(ID{" + Id(kind, n) + "}){CV(ID{" + Id("CV", n) +
                                 "}){" + PointList(random.Between(shortest, longest)) + "}";
            if (roads) {
                const std::string first = std::to_string(random.Between(1, pointCount));
                record += "PT(ID{" + Id("PT", n) + "}){" + first + "}ND(ID{" + Id("ND", n) +
                          "}){PT(ID{" + Id("PT", n) + "})}EG(ID{" + Id("EG", n) + "}){CV(ID{" +
                          Id("CV", n) + "})ND(ID{" + Id("ND", n) + "})}NM{" +
                          Name(roadWords, std::size(roadWords)) + "}RN{" +
                          std::to_string(n % 500) + "}SB{RD_SB" + std::to_string(n % 3 + 1) +
                          "}FI{RD_FI" + std::to_string(n % 4 + 1) + "}YU{RD_YU1}JT{RD_JT1}";
                if (n % 10 == 0) {
                    record += "PD(ID{" + Id("PD", n) + "}){1965-04-01,1999-12-01}";
                }
            } else {
                record += "NM{" + Name(placeWords, std::size(placeWords)) + "}SB{" + kind +
                          "_SB1}";
            }
            out.Line(record + "}");
        }
    }

    void Areas(const fs::path& base, const std::string& code, const std::string& kind,
               long count)
    {
        Writer out(base / (code + kind + ".sal"));
        for (long n = 1; n <= count; ++n) {
            std::string record = kind + "(ID{" + Id(kind, n) + "}){SF(ID{" + Id("SF", n) +
                                 "}){" + Padded(random.Between(100, 9000), 8) + "," +
                                 Padded(random.Between(100, 9000), 8) + "}NM{" +
                                 Name(placeWords, std::size(placeWords)) + "}";
            record += kind == "AA" ? "AC{" + code + "}PD{1889-04-01,2005-01-01}" : "SB{WA_SB1}";
            out.Line(record + "}");
        }
    }

    void Buildings(const fs::path& base, const std::string& code, long count)
    {
        Writer out(base / (code + "BL.sal"));
        for (long n = 1; n <= count; ++n) {
            const long first = random.Between(1, pointCount - 4);
            std::string ring;
            for (long i = 0; i < 4; ++i) {
                ring += std::to_string(first + i) + ",";
            }
            ring += std::to_string(first);
            out.Line("BL(ID{" + Id("BL", n) + "}){CV(ID{" + Id("CV", n) + "}){" + ring +
                     "}PT(ID{" + Id("PT", n) + "}){" + std::to_string(first) + "}NM{" +
                     Name(placeWords, std::size(placeWords)) + Cp932("ビル & 店舗") +
                     "}SB{BL_SB" + std::to_string(n % 2 + 1) + "}}");
        }
    }

    void Blocks(const fs::path& base, const std::string& code, long count)
    {
        Writer out(base / (code + "BK.sal"));
        for (long n = 1; n <= count; ++n) {
            out.Line("BK(ID{" + Id("BK", n) + "}){CV(ID{" + Id("CV", n) + "}){" + PointList(6) +
                     "}NM{" + Name(placeWords, std::size(placeWords)) + Cp932("丁目") + "}}");
        }
    }

    void Points(const fs::path& base, const std::string& code, const std::string& kind,
                long count, const std::string& values)
    {
        Writer out(base / (code + kind + ".sal"));
        for (long n = 1; n <= count; ++n) {
            out.Line(kind + "(ID{" + Id(kind, n) + "}){PT(ID{" + Id("PT", n) + "}){" +
                     std::to_string(random.Between(1, pointCount)) + "}NM{" +
                     Name(placeWords, std::size(placeWords)) + "}" + values + "}");
        }
    }

    void Mesh(const fs::path& base, const std::string& code)
    {
        Writer out(base / (code + "MH.sal"));
        const long count = meshSide * meshSide;
        for (long n = 1; n <= count; ++n) {
            out.Line("MH(ID{" + Id("MH", n) + "}){PT{" + std::to_string(n) + "}EL{" +
                     std::to_string(random.Between(0, 3000) / 10) + "." + std::to_string(random.Between(0, 9)) + "}}");
        }
    }

    fs::path folder;
    double scale;
    Random random;
    long pointCount = 0;
    long meshSide = 0;
};

}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: generate_dataset FOLDER [--scale S] [--seed N] "
                             "[--filesets F] [--shape degrees|metres|offset|small|big]\n");
        return 2;
    }
    const fs::path folder = argv[1];
    double scale = 1.0;
    std::uint64_t seed = 1;
    int filesetCount = -1;
    std::string shape = "degrees";
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--scale") {
            scale = std::atof(argv[i + 1]);
        } else if (option == "--seed") {
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (option == "--filesets") {
            filesetCount = std::atoi(argv[i + 1]);
        } else if (option == "--shape") {
            shape = argv[i + 1];
        }
    }
    if (shape != "degrees" && shape != "metres" && shape != "offset" && shape != "small" &&
        shape != "big") {
        std::fprintf(stderr, "generate_dataset: unknown shape %s\n", shape.c_str());
        return 2;
    }
    std::vector<Fileset> names = {{"13101", "千代田区"}, {"13102", "中央区"},
                                  {"13103", "港区"},     {"13104", "新宿区"},
                                  {"13105", "文京区"},   {"13106", "台東区"},
                                  {"13107", "墨田区"},   {"13108", "江東区"}};
    double filesetScale = scale;
    if (shape == "small") {
        // About 45 KB of input a fileset, whatever the scale; the scale sets their number.
        filesetScale = 0.003;
        if (filesetCount < 0) {
            filesetCount = std::max(1, static_cast<int>(600 * scale));
        }
        names.clear();
        for (int i = 0; i < filesetCount; ++i) {
            names.push_back({std::to_string(20001 + i), "町" + std::to_string(i + 1)});
        }
    } else if (shape == "big") {
        filesetScale = 4 * scale;
        if (filesetCount < 0) {
            filesetCount = 1;
        }
    }
    if (filesetCount < 0) {
        filesetCount = 4;
    }
    fs::create_directories(folder / "data");
    Writer list(folder / "filesets.csv");
    Generator generator(folder, filesetScale, seed);
    for (int i = 0; i < filesetCount && i < static_cast<int>(names.size()); ++i) {
        list.Line(names[i].code + "," + Cp932(names[i].name));
        const Placement placement =
            shape == "metres" ? Metres(i) : shape == "offset" ? BetweenUnits(i) : Degrees(i);
        generator.FilesetFiles(names[i], i, placement);
    }
    return 0;
}
