#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Picture.h"

class FilesetReader;
class SettingsFile;

// The map of one converted fileset: a picture drawn from the run's own point table and
// record lines as they are written, so nothing is read twice. Curves are drawn as
// lines, points as small marks, surfaces as their rings, each kind in its colour; north
// is up and the coordinates' aspect is kept. A legend of the kinds drawn (the settings'
// names, in the settings' order) and a scale bar lie to the right of the map.

// The picture's size in pixels: twice the wizard's picture control, so the page shows
// it at exactly half.
inline constexpr int previewWidth = 1128;
inline constexpr int previewHeight = 532;

struct LegendEntry
{
    std::string name;    // UTF-8, the "Object" entry's name
    std::uint32_t colour = 0;  // 0xRRGGBB
    long long shapes = 0;      // curves, points and surfaces drawn
};

struct FilesetPreview
{
    std::string code;         // code page 932
    std::string name;         // code page 932
    RgbPicture picture;       // previewWidth × previewHeight
    std::string description;  // UTF-8, one line: what the picture shows
    std::vector<LegendEntry> legend;
};
