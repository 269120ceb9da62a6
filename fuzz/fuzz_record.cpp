// The record writer on any record line, with fixed settings and a fixed point table:
// both output encodings, template expansion and attribute conversion; and the map
// drawn from the same line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/MapPreview.h"
#include "xmlout/FeatureWriter.h"
#include "xmlout/OutputFile.h"
#include "fuzz/FuzzSupport.h"

using fuzzsupport::Check;

namespace {

const std::string filesetCode = "44201";

// Road (道路), a title (地図データ) and a producer (不明) in code page 932, so that
// double-byte text reaches every lookup.
const std::string road = "\x93\xb9" "\x98\x48";
const std::string title = "\x92\x6e\x90\x7d" "\x83\x66\x81\x5b\x83\x5e";
const std::string unknown = "\x95\x73\x96\xbe";

const std::string settingsText =
    "# settings of the record fuzz target\r\n"
    "Object{" + road + "{RD}Rail{RL}Mesh{MH}}\r\n"
    "Convert{RD(" + road + "){Road}RL{Railway}MH{MeshElevation}CV{curve}PT{point}\r\n"
    "  SF{surface}PD{period}EG{edge}ND{node}NM{name}KN{reading}SB{type}JT{status}\r\n"
    "  FI{widthClass}YU{toll}SR{category}ID{id}RD_SB1{" + road + "}RD_JT1{open}\r\n"
    "  XX{}HIDDEN{}}\r\n"
    "MetaData{GI_VER{1.0}GI_DTD{gi.dtd}REMARK_CODE{JGD2000}DS_TITLE{" + title + "}\r\n"
    "  DS_KIKAN{" + unknown + "}POINT_NUMBER{0}POINT_MH{0}}\r\n"
    "MetaDataTemplate{metadata{title{DS_TITLE_NAME}producer{organization{DS_KIKAN}}\r\n"
    "  referenceSystem{REMARK_CODE}}}\r\n"
    "DataSetTemplate{datasetInformation(id{DS_INFO_ID}){name{DS_TITLE_NAME}\r\n"
    "  code{FILESET_CODE}pointCounts{points{POINT_NUMBER}}}}\r\n";

const std::string metadataText =
    "1316000,332000\r\n1250,830\r\n6\r\n0\r\n" + title + "\r\n" + unknown +
    "\r\n2024-04-01\r\n2024-10-01\r\ngi.dtd\r\n";

const std::string pointText =
    "0000010000000100\r\n0000030000000150\r\n0000050000000200\r\n"
    "-000010000000100\r\n12345678\r\n\r\n";

struct Fixture
{
    Fixture() : writer(fuzzsupport::ProcessFolder() / "fuzz.ini")
    {
        const std::filesystem::path folder = fuzzsupport::ProcessFolder();
        fuzzsupport::WriteFileBytes(folder / "fuzz.ini", settingsText);
        const std::filesystem::path dataFolder = folder / "data";
        std::filesystem::create_directories(dataFolder / filesetCode);
        fuzzsupport::WriteFileBytes(dataFolder / filesetCode / (filesetCode + ".slm"),
                                    metadataText);
        fuzzsupport::WriteFileBytes(dataFolder / filesetCode / (filesetCode + ".slp"),
                                    pointText);

        Check(writer.ReadIniFile(), "fixed settings not read");
        writer.LoadConvertSettings();
        writer.SetDataFolder(dataFolder);
        writer.SetFilesetCode(filesetCode);
        writer.ResetForFileset();
        Check(writer.ReadMetadataFile() == MetadataOutcome::Read, "fixed metadata not read");
        const int count = writer.LoadPointData("RD").points;
        Check(count == 6, "fixed point table not read");
        int counter = 0;
        for (int i = 0; i < count; ++i) {
            writer.ConvertPoint(counter);
        }
        writer.ClosePointData();
        Check(file.Open("/dev/null", OutputFile::Mode::Create), "/dev/null cannot be opened");
        map.emplace(writer);
        map->TakePoints(writer);
    }

    FeatureWriter writer;
    OutputFile file;
    std::optional<MapPreview> map;  // made once the settings are read
};

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture fixture;
    const std::string record(reinterpret_cast<const char*>(data), size);

    fixture.writer.WriteRecord(record, fixture.file, true);
    fixture.writer.WriteRecord(record, fixture.file, false);
    Check(!fixture.file.Failed(), "writing to /dev/null failed");
    fixture.map->DrawRecord("RD", record);

    StringList lines;
    fixture.writer.ExpandTemplate(record, lines, 1);

    StringMap attributes;
    fixture.writer.ParseAttributes(record, attributes);
    fixture.writer.ConvertAttributes(attributes);
    return 0;
}
