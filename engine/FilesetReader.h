#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/SettingsFile.h"
#include "engine/FileSystem.h"
#include "engine/StringList.h"

class DialogPresenter;

// The settings of a conversion run together with the current fileset's point table,
// start point, extent and metadata values.
//
// Point-data files hold one point per line: bytes 1-8 the X offset and bytes 9-16 the
// Y offset, in units of 0.0001, added to the fileset's start point. The metadata file
// holds nine lines: start point, extent, then seven texts stored under fixed keys.
class FilesetReader : public SettingsFile
{
public:
    explicit FilesetReader(DialogPresenter* presenter);
    FilesetReader(DialogPresenter* presenter, const std::filesystem::path& settingsFile);

    void SetDataFolder(const std::filesystem::path& folder) { dataFolder = folder; }
    void SetFilesetCode(const std::string& code) { filesetCode = code; }
    const std::string& FilesetCode() const { return filesetCode; }

    // Forgets everything an earlier fileset left: the metadata table returns to the
    // settings file's "MetaData" values, the start point and extent to 0.
    void ResetForFileset();

    // Opens and counts the point-data file of the kind ("MH" has its own file). Returns
    // the number of points, or 0 after telling the user of a missing or empty file.
    int LoadPointData(const std::string& kindCode);
    // Converts the next point line into its coordinate text and adds 1 to `counter`.
    void ConvertPoint(int& counter);
    void ClosePointData();
    // The coordinate text of point `numberText` (counted from 1), or the empty text when
    // the number is not a number or lies outside the loaded points.
    std::string_view PointCoordinates(std::string_view numberText) const;
    std::size_t PointCount() const { return pointEnds.size(); }

    // Reads the fileset's metadata file. Returns 0 after telling the user that it is
    // missing or leaves no metadata; otherwise the number of metadata entries.
    int ReadMetadataFile(const std::string& kindCode);
    // Consumes `metadataFileLines`; returns the number of metadata entries afterwards.
    int ParseMetadata();

    double StartPointX() const { return startPointX; }
    double StartPointY() const { return startPointY; }
    double ScopeX() const { return scopeX; }
    double ScopeY() const { return scopeY; }

protected:
    // The coordinate text of the point at `index` (from 0; below PointCount()).
    std::string_view PointText(std::size_t index) const
    {
        const std::size_t begin = index == 0 ? 0 : pointEnds[index - 1];
        return std::string_view(points).substr(begin, pointEnds[index] - begin);
    }
    // The input file `fileName` in the fileset's folder, found ignoring letter case.
    std::filesystem::path FilesetInput(const std::string& fileName) const;
    void ShowFailure(const std::string& message) const;

    DialogPresenter* presenter;
    // The coordinate texts one after another; point i (from 0) ends at pointEnds[i].
    std::string points;
    std::vector<std::size_t> pointEnds;
    StringList metadataFileLines;
    LineReader pointFile;
    double scopeY = 0.0;
    double scopeX = 0.0;
    double startPointY = 0.0;
    double startPointX = 0.0;
    std::filesystem::path dataFolder;
    std::string filesetCode;
};
