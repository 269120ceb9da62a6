#include "readers/FilesetReader.h"

#include "text/Numbers.h"
#include "text/SjisText.h"

namespace {

// Offsets in metadata files count units of 0.0001.
constexpr double unit = 0.0001;

const char* const metadataKeys[] = {"POINT_NUMBER", "POINT_MH",   "DS_TITLE", "DS_KIKAN",
                                    "DS_SHUTOKU",   "DS_KOSHIN", "GI_DTD"};

// A pair "X,Y"; without a comma X is empty and Y is the whole line.
void ReadPair(const std::string& line, double& x, double& y)
{
    const CommaSplit pair = SplitAtComma(line);
    if (!pair.found) {
        x = 0.0;
        y = ReadDecimal(line) * unit;
        return;
    }
    x = ReadDecimal(pair.before) * unit;
    y = ReadDecimal(pair.after) * unit;
}

}

FilesetReader::FilesetReader(const std::filesystem::path& settingsFile)
    : SettingsFile(settingsFile)
{
}

FilesetReader::FilesetReader(const FilesetReader& source, SharingCopy)
    : SettingsFile(source),
      pointOwner(source.pointOwner),
      slotSize(source.slotSize),
      longPointCount(source.longPointCount),
      pointCount(source.pointCount),
      scopeY(source.scopeY),
      scopeX(source.scopeX),
      startPointY(source.startPointY),
      startPointX(source.startPointX),
      dataFolder(source.dataFolder),
      filesetCode(source.filesetCode)
{
}

void FilesetReader::ResetForFileset()
{
    LoadMetaData();
    startPointX = 0.0;
    startPointY = 0.0;
    scopeX = 0.0;
    scopeY = 0.0;
    metadataFileLines.clear();
}

std::filesystem::path FilesetReader::FilesetInput(const std::string& fileName) const
{
    const std::filesystem::path folder = FindInputEntry(dataFolder / FsName(filesetCode));
    return FindInputEntry(folder / FsName(fileName));
}

MetadataOutcome FilesetReader::ReadMetadataFile()
{
    const std::filesystem::path path = FilesetInput(filesetCode + ".slm");
    StringList lines;
    // A file that exists but cannot be read counts as missing.
    if (ReadTextLines(path, lines) != 0) {
        return MetadataOutcome::FileMissing;
    }
    for (std::string& line : lines) {
        metadataFileLines.push_back(std::move(line));
    }
    return ParseMetadata() == 0 ? MetadataOutcome::NoMetadata : MetadataOutcome::Read;
}

int FilesetReader::ParseMetadata()
{
    int lineNumber = 1;
    while (!metadataFileLines.empty()) {
        const std::string line = std::move(metadataFileLines.front());
        metadataFileLines.pop_front();
        if (lineNumber == 1) {
            ReadPair(line, startPointX, startPointY);
            SetMetaData("StartPointX", FormatFixed4(startPointX));
            SetMetaData("StartPointY", FormatFixed4(startPointY));
        } else if (lineNumber == 2) {
            ReadPair(line, scopeX, scopeY);
            SetMetaData("ScopeX", FormatFixed4(scopeX));
            SetMetaData("ScopeY", FormatFixed4(scopeY));
        } else if (lineNumber <= 9 && !line.empty()) {
            SetMetaData(metadataKeys[lineNumber - 3], line);
        }
        ++lineNumber;
    }
    metadataFileLines.clear();
    return GetMetaDataCount();
}
