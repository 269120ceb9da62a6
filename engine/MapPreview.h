#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Picture.h"
#include "text/ElementParser.h"

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
    std::size_t every = 1;     // drawn from every `every`-th record (large kinds)
};

struct FilesetPreview
{
    std::string code;         // code page 932
    std::string name;         // code page 932
    RgbPicture picture;       // previewWidth × previewHeight
    std::string description;  // UTF-8, one line: what the picture shows
    std::vector<LegendEntry> legend;
};

// Records chosen to be drawn (MapPreview::SampleRecords).
struct RecordSample
{
    std::size_t style = 0;  // the kind's style, by position
    std::string records;    // the records, each ended by LF
};

// Draws one fileset's map while the run converts it. The frame is fixed when the first
// point table is taken: the points' bounding box together with the metadata's start
// point and extent. Memory: the picture (1.8 MB) and the samples waiting to be drawn
// (about 64 KB a kind). A large kind is drawn from a share of its records
// (SampleRecords), so that the map costs a small part of the run on any data.
// The mesh elevations are left out: they cover the whole extent and hide the rest.
//
// The time is bounded too: segments of a few pixels, which real data is made of, are
// always drawn, and longer ones while the fileset's budget of pixels lasts (the map's
// area); after that a long segment is drawn as its end point only, so that data
// whose curves cross the map back and forth costs no more than a few passes over it.
// One thread at a time, except as DrawSample says.
class MapPreview
{
public:
    // The kinds come from `settings`: names and order from its "Object" section, colours
    // from its "Preview" section (entries KIND{RRGGBB}, hexadecimal), else from a fixed
    // palette by position. A kind whose "Preview" entry is empty is left out.
    explicit MapPreview(const SettingsFile& settings);

    // Draws from the reader's point table from now on (it must stay as it is until the
    // next TakePoints or ForgetPoints), and on the first call fixes the frame from the
    // points, the start point and the extent.
    void TakePoints(const FilesetReader& reader);
    // The table is about to change (the mesh elevations' own points): nothing is drawn
    // until the next TakePoints.
    void ForgetPoints();
    // The records of one kind to draw, copied: all of them, or for a large kind every
    // k-th, about 64 KB. Nothing when the kind is not drawn.
    std::optional<RecordSample> SampleRecords(std::string_view kindCode,
                                              const TextLines::View& records);
    // Draws a sample. It may run on another thread than the other calls, one sample at
    // a time, while the point table stays (not across TakePoints, ForgetPoints and
    // Finish), and SampleRecords may run meanwhile.
    void DrawSample(const RecordSample& sample);
    // Draws the curves, points and surfaces of one record line of kind `kindCode`.
    void DrawRecord(std::string_view kindCode, std::string_view record);
    // The picture with its legend and scale, and the description; the preview is spent.
    FilesetPreview Finish(const std::string& code, const std::string& name);

private:
    struct KindStyle
    {
        std::string code;       // code page 932
        std::size_t legendRow;  // the "Object" entry it belongs to
        std::uint32_t colour;
        bool drawn;
    };
    struct Place
    {
        std::int16_t x;  // pixels of the picture; x < 0: the point has no place
        std::int16_t y;
    };
    // The style of a kind code, or null when it is not drawn.
    const KindStyle* StyleOf(std::string_view kindCode);
    void DrawShapes(const KindStyle& style, std::string_view record);
    // Makes the blank picture, when it is not made yet: on the thread that draws, which
    // is not always the one that made the preview.
    void StartPicture();
    // The point that an item names (from 1), or 0 when it names none of the table.
    std::size_t PointNumber(std::string_view numberText) const;
    // The places of the next items of a comma list that have one, up to batchSize;
    // returns how many, 0 at the end of the list.
    static constexpr std::size_t batchSize = 32;
    using PlaceBatch = std::array<Place, batchSize>;
    std::size_t NextPlaces(std::string_view items, std::size_t& position, PlaceBatch& batch);
    void DrawCurve(std::string_view items, std::uint32_t colour);
    void DrawMarks(std::string_view items, std::uint32_t colour);
    void DrawSurface(std::string_view value, std::uint32_t colour);
    // Picture pixels of the coordinates (x, y): north up.
    double PixelX(double x) const { return originX + (x - frameLeft) * scale; }
    double PixelY(double y) const { return originY - (y - frameBottom) * scale; }
    // A line two pixels wide, clipped to the map area.
    void Line(double x0, double y0, double x1, double y1, std::uint32_t colour);
    // The same between two pixels of the map area, within the budget of long segments.
    void Segment(int x, int y, int endX, int endY, std::uint32_t colour);
    void Mark(int x, int y, std::uint32_t colour);
    void DrawLegend(FilesetPreview& preview);
    void DrawScale();

    RgbPicture picture;  // empty until StartPicture
    std::vector<KindStyle> styles;
    std::vector<std::string> rowNames;  // UTF-8, per "Object" entry
    std::vector<std::uint32_t> rowColours;
    std::vector<long long> rowShapes;
    std::vector<std::size_t> rowSampling;  // the largest k of SampleRecords per row
    const KindStyle* lastStyle = nullptr;
    std::string lastKind;
    ElementParser parser;
    // The place of a point of the table in hand; x < 0 when it has none (not a number,
    // or outside the frame). Read from the table each time: a drawn record names most
    // of its points once.
    Place FindPlace(std::size_t index) const;
    const FilesetReader* points = nullptr;
    std::size_t pointCount = 0;  // of `points`'s table
    bool framed = false;
    double frameLeft = 0;
    double frameBottom = 0;
    double frameWidth = 0;   // coordinate units
    double frameHeight = 0;
    double scale = 1;        // pixels per coordinate unit
    double originX = 0;      // the pixel of (frameLeft, frameBottom)
    double originY = 0;
    double startX = 0;
    double startY = 0;
    long long lineBudget;    // pixels long segments may still paint
    bool budgetSpent = false;
    long long curves = 0;
    long long marks = 0;
    long long surfaces = 0;
    bool allPointsCoincide = false;
};
