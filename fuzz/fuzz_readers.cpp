// The metadata and point-data readers on any files. The input up to its first NUL is
// the metadata file, the rest the point-data file; without a NUL the input is cut in
// half. No dialog presenter: every message dialog answers -1.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "readers/FilesetReader.h"
#include "fuzz/FuzzSupport.h"

using fuzzsupport::Check;

namespace {

const std::string filesetCode = "44201";


}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t cut = input.find('\0');
    std::size_t pointStart = cut + 1;
    if (cut == std::string_view::npos) {
        cut = size / 2;
        pointStart = cut;
    }
    const std::string_view metadata = input.substr(0, cut);
    const std::string_view pointData = input.substr(pointStart);

    const std::filesystem::path dataFolder = fuzzsupport::ProcessFolder() / "data";
    const std::filesystem::path filesetFolder = dataFolder / filesetCode;
    std::filesystem::create_directories(filesetFolder);
    fuzzsupport::WriteFileBytes(filesetFolder / (filesetCode + ".slm"), metadata);
    fuzzsupport::WriteFileBytes(filesetFolder / (filesetCode + ".slp"), pointData);

    // No settings file: the metadata comes from the metadata file alone.
    FilesetReader reader(dataFolder / "none.ini");
    reader.SetDataFolder(dataFolder);
    reader.SetFilesetCode(filesetCode);
    reader.ResetForFileset();

    const MetadataOutcome read = reader.ReadMetadataFile();
    Check(read != MetadataOutcome::FileMissing, "an existing metadata file is not read");
    Check((read == MetadataOutcome::NoMetadata) == (fuzzsupport::CountLines(metadata) == 0),
          "metadata read from no lines");
    reader.GetMetaData("DS_TITLE");
    reader.GetMetaData("GI_DTD");

    const int count = reader.LoadPointData("RD").points;
    Check(count == static_cast<int>(fuzzsupport::CountLines(pointData)), "points miscounted");
    int counter = 0;
    for (int i = 0; i < count; ++i) {
        reader.ConvertPoint(counter);
    }
    reader.ClosePointData();
    Check(counter == count && reader.PointCount() == static_cast<std::size_t>(count),
          "not every point was converted");

    if (count > 0) {
        Check(!reader.PointCoordinates("1").empty(), "the first point has no coordinates");
        Check(!reader.PointCoordinates(std::to_string(count)).empty(),
              "the last point has no coordinates");
    }
    Check(reader.PointCoordinates("0").empty(), "point 0 has coordinates");
    Check(reader.PointCoordinates(std::to_string(count + 1)).empty(),
          "a point beyond the file has coordinates");
    // Number texts made of the input itself: any bytes, signs, spaces, long digit runs.
    for (std::size_t start = 0; start < size && start < 64; start += 8) {
        reader.PointCoordinates(input.substr(start, 12));
    }
    reader.PointCoordinates(metadata);
    reader.PointCoordinates(pointData);
    return 0;
}
