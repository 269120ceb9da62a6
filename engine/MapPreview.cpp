#include "engine/MapPreview.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "readers/FilesetReader.h"
#include "text/Cp932.h"

namespace {

// Where things lie in the picture, in pixels: the map on the left, the legend and the
// scale on the right.
constexpr int mapLeft = 16;
constexpr int mapTop = 16;
constexpr int mapRight = 776;    // one past the map's last column
constexpr int mapBottom = 516;   // one past its last row
constexpr int mapMargin = 14;    // kept free inside the map's border
constexpr int legendLeft = 796;
constexpr int legendRight = previewWidth - 16;
constexpr int legendRowHeight = 30;
constexpr int legendFirstRow = 58;
constexpr int scaleTop = 440;
// Text sizes, the em in pixels.
constexpr int titleText = 26;
constexpr int nameText = 24;
constexpr int noteText = 22;
constexpr int countText = 20;
// The fixed texts of every map.
constexpr std::string_view legendTitle = "凡例";
constexpr std::string_view northArrow = "北↑";
constexpr std::string_view scaleTitle = "縮尺";
constexpr std::string_view noKinds = "描いた地物はありません";
// A segment up to this many pixels long is always drawn in full.
constexpr int shortSegment = 8;
// A kind's records drawn, at most, in bytes (see SampleRecords).
constexpr std::size_t drawnBytes = 64 * 1024;
// Points read to find the frame, at most.
constexpr std::size_t frameSample = 4096;

constexpr std::uint32_t backgroundColour = 0xF0F0F0;
constexpr std::uint32_t mapColour = 0xFFFFFF;
constexpr std::uint32_t borderColour = 0xA0A0A0;
constexpr std::uint32_t inkColour = 0x202020;
constexpr std::uint32_t faintInkColour = 0x606060;

// Colours by "Object" position when the settings name none: distinct on white.
constexpr std::uint32_t palette[] = {0xD62728, 0x1F77B4, 0x2CA02C, 0x9467BD, 0x8C564B,
                                     0xE377C2, 0x7F7F7F, 0xBCBD22, 0x17BECF, 0xFF7F0E,
                                     0x393B79, 0x637939};

// The colour of a "Preview" entry: six hexadecimal digits, or nothing.
std::optional<std::uint32_t> ParseColour(std::string_view text)
{
    std::uint32_t colour = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), colour, 16);
    if (text.size() != 6 || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return colour;
}

// The items of a comma list, one at a time.
bool NextItem(std::string_view items, std::size_t& position, std::string_view& item)
{
    if (position > items.size() || items.empty()) {
        return false;
    }
    const std::size_t comma = items.find(',', position);
    const std::size_t end = comma == std::string_view::npos ? items.size() : comma;
    item = items.substr(position, end - position);
    position = end + 1;
    return true;
}

// A number as "%.4f" writes it ("-45123.4567"), read exactly and quickly; anything
// else through from_chars.
bool ParseCoordinate(const char* first, const char* last, double& value)
{
    const char* at = first;
    const bool negative = at != last && *at == '-';
    at += negative;
    std::uint64_t units = 0;
    const char* digits = at;
    while (at != last && *at >= '0' && *at <= '9' && at - digits < 15) {
        units = units * 10 + static_cast<unsigned>(*at++ - '0');
    }
    if (at != digits && last - at == 5 && *at == '.') {
        bool plain = true;
        for (int i = 1; i <= 4; ++i) {
            plain &= at[i] >= '0' && at[i] <= '9';
            units = units * 10 + static_cast<unsigned>(at[i] - '0');
        }
        if (plain) {
            value = static_cast<double>(units) / 10000.0;
            value = negative ? -value : value;
            return true;
        }
    }
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last && std::isfinite(value);
}

// A coordinate text "x y" as two numbers.
bool ParsePoint(std::string_view text, double& x, double& y)
{
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) {
        return false;
    }
    const char* first = text.data();
    return ParseCoordinate(first, first + space, x) &&
           ParseCoordinate(first + space + 1, first + text.size(), y);
}

// Blends ink of `colour` at `coverage` (0..255) into a pixel.
void Blend(std::uint8_t* pixel, std::uint32_t colour, unsigned coverage)
{
    for (int channel = 0; channel < 3; ++channel) {
        const unsigned ink = colour >> (16 - 8 * channel) & 0xFF;
        pixel[channel] = static_cast<std::uint8_t>(
            (pixel[channel] * (255 - coverage) + ink * coverage + 127) / 255);
    }
}

void SetPixel(RgbPicture& picture, int x, int y, std::uint32_t colour)
{
    std::uint8_t* pixel = picture.At(x, y);
    pixel[0] = static_cast<std::uint8_t>(colour >> 16);
    pixel[1] = static_cast<std::uint8_t>(colour >> 8);
    pixel[2] = static_cast<std::uint8_t>(colour);
}

void FillRect(RgbPicture& picture, int left, int top, int right, int bottom,
              std::uint32_t colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, picture.width);
    bottom = std::min(bottom, picture.height);
    if (left >= right || top >= bottom) {
        return;
    }
    // The first row pixel by pixel, the others copied from it.
    for (int x = left; x < right; ++x) {
        SetPixel(picture, x, top, colour);
    }
    const std::size_t bytes = static_cast<std::size_t>(right - left) * 3;
    for (int y = top + 1; y < bottom; ++y) {
        std::memcpy(picture.At(left, y), picture.At(left, top), bytes);
    }
}

// Draws text with its top-left corner at (x, y), cut at `right`; returns its width.
// Without a Japanese face nothing is drawn and the width is 0.
int DrawText(RgbPicture& picture, int x, int y, std::string_view utf8, int pixelSize,
             std::uint32_t colour, int right)
{
    const std::optional<TextBitmap> text = DrawTextLine(utf8, pixelSize);
    if (!text) {
        return 0;
    }
    for (int row = 0; row < text->height && y + row < picture.height; ++row) {
        for (int column = 0; column < text->width && x + column < right; ++column) {
            // Sixteen levels of ink: the eye sees no difference, and the picture keeps
            // few enough colours to be stored with a palette.
            const std::uint8_t coverage = static_cast<std::uint8_t>(
                (text->coverage[static_cast<std::size_t>(row) * text->width + column] + 8) /
                17 * 17);
            if (coverage != 0 && y + row >= 0 && x + column >= 0) {
                Blend(picture.At(x + column, y + row), colour, coverage);
            }
        }
    }
    return text->width;
}

// A round length for the scale bar: 1, 2 or 5 times a power of ten, at most `limit`.
double RoundLength(double limit)
{
    const double power = std::pow(10.0, std::floor(std::log10(limit)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= limit) {
            return step * power;
        }
    }
    return power;
}

std::string FormatLength(double length)
{
    char text[64];
    if (length >= 1) {
        std::snprintf(text, sizeof text, "%.0f", length);
    } else {
        const int decimals = static_cast<int>(std::ceil(-std::log10(length) - 1e-9));
        std::snprintf(text, sizeof text, "%.*f", decimals, length);
    }
    return text;
}

}

MapPreview::MapPreview(const SettingsFile& settings)
    : lineBudget(static_cast<long long>(mapRight - mapLeft) * (mapBottom - mapTop))
{
    StringMap colours;
    if (const std::string* section = settings.Sections().Find("Preview")) {
        ElementParser entries(*section);
        for (int cursor = 0; entries.NextElement(cursor);) {
            if (!entries.Name().empty()) {
                colours.Set(entries.Name(), entries.Body());
            }
        }
    }
    const StringList& codes = settings.ObjectCodes();
    const StringList& names = settings.ObjectNames();
    for (std::size_t row = 0; row < codes.size(); ++row) {
        const std::uint32_t rowColour = palette[row % std::size(palette)];
        rowNames.push_back(ToUtf8(names[row]));
        rowColours.push_back(rowColour);
        rowShapes.push_back(0);
        rowSampling.push_back(1);
        std::size_t position = 0;
        std::string_view code;
        bool first = true;
        while (NextItem(codes[row], position, code)) {
            KindStyle style{std::string(code), row, rowColour, code != meshKind};
            if (const std::string* given = colours.Find(code)) {
                const std::optional<std::uint32_t> colour = ParseColour(*given);
                style.drawn = colour.has_value();
                style.colour = colour.value_or(rowColour);
            }
            // The legend shows the colour of the entry's first kind.
            if (first) {
                rowColours.back() = style.colour;
                first = false;
            }
            styles.push_back(std::move(style));
        }
    }
    // The legend is drawn at the end; its texts and the counts' characters are made
    // ready meanwhile.
    std::vector<TextLine> lines = {{std::string(legendTitle), titleText},
                                   {std::string(northArrow), noteText},
                                   {std::string(scaleTitle), noteText},
                                   {std::string(noKinds), noteText},
                                   {"0123456789 (1/).（座標の単位）", countText},
                                   {"ほか 0123456789 種", nameText}};
    for (const std::string& name : rowNames) {
        lines.push_back({name, nameText});
    }
    PrepareTextDrawing(std::move(lines));
}

void MapPreview::TakePoints(const FilesetReader& reader)
{
    points = &reader;
    const std::size_t count = reader.PointCount();
    pointCount = count;
    if (framed) {
        return;
    }
    // The frame from the extent and a sample of the points, evenly spread and with the
    // first and the last: a start point or unit gone wrong moves them all, and a stray
    // point outside the frame is left out of the picture.
    double left = std::numeric_limits<double>::infinity();
    double right = -left;
    double bottom = left;
    double top = -left;
    const auto take = [&](std::size_t index) {
        double x = 0;
        double y = 0;
        if (ParsePoint(reader.PointTextAt(index), x, y)) {
            left = std::min(left, x);
            right = std::max(right, x);
            bottom = std::min(bottom, y);
            top = std::max(top, y);
        }
    };
    const std::size_t step = std::max<std::size_t>(1, count / frameSample);
    for (std::size_t i = 0; i < count; i += step) {
        take(i);
    }
    if (count != 0) {
        take(count - 1);
    }
    framed = true;
    startX = reader.StartPointX();
    startY = reader.StartPointY();
    allPointsCoincide = count > 1 && left == right && bottom == top;
    // The extent counts only when it has an area; a start point of zero with no
    // extent says nothing about where the data lies.
    if (reader.ScopeX() > 0 && reader.ScopeY() > 0) {
        left = std::min(left, startX);
        bottom = std::min(bottom, startY);
        right = std::max(right, startX + reader.ScopeX());
        top = std::max(top, startY + reader.ScopeY());
    }
    if (left > right) {  // nothing at all: a unit square at the start point
        left = startX;
        bottom = startY;
        right = startX + 1;
        top = startY + 1;
    }
    frameLeft = left;
    frameBottom = bottom;
    frameWidth = right - left;
    frameHeight = top - bottom;
    const double roomX = mapRight - mapLeft - 2 * mapMargin;
    const double roomY = mapBottom - mapTop - 2 * mapMargin;
    if (frameWidth > 0 && frameHeight > 0) {
        scale = std::min(roomX / frameWidth, roomY / frameHeight);
    } else if (frameWidth > 0) {
        scale = roomX / frameWidth;
    } else if (frameHeight > 0) {
        scale = roomY / frameHeight;
    } else {
        scale = 1;
    }
    // The frame is centred in the map area.
    originX = (mapLeft + mapRight) / 2.0 - frameWidth * scale / 2;
    originY = (mapTop + mapBottom) / 2.0 + frameHeight * scale / 2;
}

void MapPreview::ForgetPoints()
{
    points = nullptr;
    pointCount = 0;
}

MapPreview::Place MapPreview::FindPlace(std::size_t index) const
{
    double x = 0;
    double y = 0;
    if (!ParsePoint(points->PointTextAt(index), x, y)) {
        return Place{-1, -1};
    }
    // Rounded to the nearest pixel; a point outside the frame has no place.
    const double roundedX = std::floor(PixelX(x) + 0.5);
    const double roundedY = std::floor(PixelY(y) + 0.5);
    if (roundedX >= mapLeft && roundedX < mapRight - 1 && roundedY >= mapTop &&
        roundedY < mapBottom - 1) {
        return Place{static_cast<std::int16_t>(roundedX), static_cast<std::int16_t>(roundedY)};
    }
    return Place{-1, -1};
}

std::optional<RecordSample> MapPreview::SampleRecords(std::string_view kindCode,
                                                     const TextLines::View& records)
{
    const KindStyle* style = StyleOf(kindCode);
    if (style == nullptr || !framed || points == nullptr) {
        return std::nullopt;
    }
    // A kind of more than drawnBytes of records is drawn from every k-th record, so
    // that the map costs a small share of the conversion whatever the data's size.
    const std::size_t every = (records.Bytes() + drawnBytes - 1) / drawnBytes;
    const std::size_t step = std::max<std::size_t>(1, every);
    std::size_t& sampling = rowSampling[style->legendRow];
    sampling = std::max(sampling, step);
    RecordSample sample;
    sample.style = static_cast<std::size_t>(style - styles.data());
    sample.records.reserve(records.Bytes() / step + records.Size() / step + 1);
    for (std::size_t i = 0; i < records.Size(); i += step) {
        sample.records += records[i];
        sample.records += '\n';
    }
    return sample;
}

void MapPreview::StartPicture()
{
    if (picture.width == 0) {
        picture = RgbPicture(previewWidth, previewHeight, backgroundColour);
        FillRect(picture, mapLeft, mapTop, mapRight, mapBottom, mapColour);
    }
}

void MapPreview::DrawSample(const RecordSample& sample)
{
    StartPicture();
    const std::string_view all = sample.records;
    for (std::size_t start = 0; start < all.size();) {
        const std::size_t end = all.find('\n', start);
        DrawShapes(styles[sample.style], all.substr(start, end - start));
        start = end + 1;
    }
}

const MapPreview::KindStyle* MapPreview::StyleOf(std::string_view kindCode)
{
    if (kindCode == lastKind) {
        return lastStyle;
    }
    lastKind = kindCode;
    lastStyle = nullptr;
    for (const KindStyle& style : styles) {
        if (style.code == kindCode) {
            lastStyle = style.drawn ? &style : nullptr;
            break;
        }
    }
    return lastStyle;
}

std::size_t MapPreview::PointNumber(std::string_view numberText) const
{
    // Point numbers are short runs of digits: read here, without a library call.
    if (numberText.empty() || numberText.size() > 9) {
        return 0;
    }
    std::size_t number = 0;
    for (const char digit : numberText) {
        if (digit < '0' || digit > '9') {
            return 0;
        }
        number = number * 10 + static_cast<unsigned>(digit - '0');
    }
    return number <= pointCount ? number : 0;
}

void MapPreview::DrawRecord(std::string_view kindCode, std::string_view record)
{
    const KindStyle* style = StyleOf(kindCode);
    if (style != nullptr && framed && points != nullptr) {
        StartPicture();
        DrawShapes(*style, record);
    }
}

void MapPreview::DrawShapes(const KindStyle& style, std::string_view record)
{
    const long long before = curves + marks + surfaces;
    int cursor = 0;
    std::string_view name;
    std::string_view attributes;
    std::string_view body;
    while (parser.NextSpans(record, cursor, name, attributes, body)) {
        int inner = 0;
        std::string_view childName;
        std::string_view childAttributes;
        std::string_view value;
        while (!body.empty() &&
               parser.NextSpans(body, inner, childName, childAttributes, value)) {
            if (childName == "CV") {
                DrawCurve(value, style.colour);
            } else if (childName == "PT") {
                DrawMarks(value, style.colour);
            } else if (childName == "SF") {
                DrawSurface(value, style.colour);
            }
        }
    }
    rowShapes[style.legendRow] += curves + marks + surfaces - before;
}

std::size_t MapPreview::NextPlaces(std::string_view items, std::size_t& position,
                                   PlaceBatch& batch)
{
    // First the numbers, each point's place asked for at once; then the places, which
    // are on their way meanwhile: a curve names points anywhere in the table.
    std::array<std::size_t, batchSize> numbers;
    std::size_t count = 0;
    std::string_view item;
    while (count < batchSize && NextItem(items, position, item)) {
        const std::size_t number = PointNumber(item);
        if (number != 0) {
            points->PrefetchPoint(number - 1);
            numbers[count++] = number;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Place place = FindPlace(numbers[i] - 1);
        if (place.x >= 0) {
            __builtin_prefetch(picture.At(place.x, place.y));
            batch[kept++] = place;
        }
    }
    return kept;
}

void MapPreview::DrawCurve(std::string_view items, std::uint32_t colour)
{
    std::optional<Place> previous;
    std::size_t position = 0;
    PlaceBatch batch;
    // A point without a place is left out, as the writer leaves its text empty.
    while (const std::size_t count = NextPlaces(items, position, batch)) {
        for (std::size_t i = 0; i < count; ++i) {
            const Place& from = previous ? *previous : batch[i];
            Segment(from.x, from.y, batch[i].x, batch[i].y, colour);
            previous = batch[i];
        }
    }
    // A curve counts when it has a point to draw.
    curves += previous.has_value();
}

void MapPreview::DrawMarks(std::string_view items, std::uint32_t colour)
{
    bool drawn = false;
    std::size_t position = 0;
    PlaceBatch batch;
    while (const std::size_t count = NextPlaces(items, position, batch)) {
        for (std::size_t i = 0; i < count; ++i) {
            Mark(batch[i].x, batch[i].y, colour);
        }
        drawn = true;
    }
    marks += drawn;
}

void MapPreview::DrawSurface(std::string_view value, std::uint32_t colour)
{
    // Two numbers of eight digits in units of 0.0001, the ring's width and height
    // from the start point.
    if (value.size() < 16) {
        return;
    }
    long long width = 0;
    long long height = 0;
    const std::string_view first = value.substr(0, 8);
    const std::string_view last = value.substr(value.size() - 8);
    if (std::from_chars(first.data(), first.data() + 8, width).ec != std::errc() ||
        std::from_chars(last.data(), last.data() + 8, height).ec != std::errc()) {
        return;
    }
    ++surfaces;
    const double x0 = PixelX(startX);
    const double y0 = PixelY(startY);
    const double x1 = PixelX(startX + static_cast<double>(width) * 0.0001);
    const double y1 = PixelY(startY + static_cast<double>(height) * 0.0001);
    Line(x0, y0, x1, y0, colour);
    Line(x1, y0, x1, y1, colour);
    Line(x1, y1, x0, y1, colour);
    Line(x0, y1, x0, y0, colour);
}

void MapPreview::Line(double x0, double y0, double x1, double y1, std::uint32_t colour)
{
    // Clipped to the map area (Liang-Barsky).
    const double minX = mapLeft;
    const double maxX = mapRight - 1;
    const double minY = mapTop;
    const double maxY = mapBottom - 1;
    double from = 0;
    double to = 1;
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - minX, maxX - x0, y0 - minY, maxY - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) {
                return;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            from = std::max(from, t);
        } else {
            to = std::min(to, t);
        }
    }
    if (from > to) {
        return;
    }
    Segment(static_cast<int>(std::lround(x0 + from * dx)),
            static_cast<int>(std::lround(y0 + from * dy)),
            static_cast<int>(std::lround(x0 + to * dx)),
            static_cast<int>(std::lround(y0 + to * dy)), colour);
}

void MapPreview::Segment(int x, int y, int endX, int endY, std::uint32_t colour)
{
    const int steps = std::max(std::abs(endX - x), std::abs(endY - y));
    if (steps > shortSegment) {
        if (steps > lineBudget) {
            budgetSpent = true;
            x = endX;  // the end point only
            y = endY;
        } else {
            lineBudget -= steps;
        }
    }
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(colour >> 16),
                                 static_cast<std::uint8_t>(colour >> 8),
                                 static_cast<std::uint8_t>(colour)};
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(picture.width) * 3;
    const int stepX = x < endX ? 1 : -1;
    const int stepY = y < endY ? 1 : -1;
    const int spanX = std::abs(endX - x);
    const int spanY = -std::abs(endY - y);
    int error = spanX + spanY;
    for (;;) {
        // Two pixels wide both ways; inside the map the right and lower neighbours are
        // still in the picture (the map's border is drawn over them at the end).
        std::uint8_t* pixel = picture.At(x, y);
        std::memcpy(pixel, rgb, 3);
        std::memcpy(pixel + 3, rgb, 3);
        std::memcpy(pixel + row, rgb, 3);
        std::memcpy(pixel + row + 3, rgb, 3);
        if (x == endX && y == endY) {
            return;
        }
        const int doubled = 2 * error;
        if (doubled >= spanY) {
            error += spanY;
            x += stepX;
        }
        if (doubled <= spanX) {
            error += spanX;
            y += stepY;
        }
    }
}

void MapPreview::Mark(int x, int y, std::uint32_t colour)
{
    FillRect(picture, std::max(x - 2, mapLeft), std::max(y - 2, mapTop),
             std::min(x + 3, mapRight), std::min(y + 3, mapBottom), colour);
}

void MapPreview::DrawLegend(FilesetPreview& preview)
{
    DrawText(picture, legendLeft, 18, legendTitle, titleText, inkColour, legendRight);
    for (std::size_t row = 0; row < rowNames.size(); ++row) {
        if (rowShapes[row] != 0) {
            preview.legend.push_back(
                {rowNames[row], rowColours[row], rowShapes[row], rowSampling[row]});
        }
    }
    const std::size_t room = (scaleTop - 16 - legendFirstRow) / legendRowHeight;
    // When the kinds do not all fit, the last row counts the rest.
    const std::size_t shown =
        preview.legend.size() <= room ? preview.legend.size() : room - 1;
    int y = legendFirstRow;
    for (std::size_t i = 0; i < shown; ++i, y += legendRowHeight) {
        const LegendEntry& entry = preview.legend[i];
        FillRect(picture, legendLeft, y + 6, legendLeft + 36, y + 24, entry.colour);
        const std::string count = entry.every > 1 ? std::to_string(entry.shapes) + " (1/" +
                                                        std::to_string(entry.every) + ")"
                                                  : std::to_string(entry.shapes);
        const std::optional<TextBitmap> measured = DrawTextLine(count, countText);
        const int countLeft = legendRight - (measured ? measured->width : 0);
        DrawText(picture, countLeft, y + 2, count, countText, faintInkColour, legendRight);
        DrawText(picture, legendLeft + 48, y, entry.name, nameText, inkColour, countLeft - 8);
    }
    if (shown < preview.legend.size()) {
        DrawText(picture, legendLeft + 48, y,
                 "ほか " + std::to_string(preview.legend.size() - shown) + " 種", nameText,
                 inkColour, legendRight);
    }
    if (preview.legend.empty()) {
        DrawText(picture, legendLeft, legendFirstRow, noKinds, noteText,
                 faintInkColour, legendRight);
    }
}

void MapPreview::DrawScale()
{
    if (!framed) {
        return;
    }
    DrawText(picture, legendLeft, scaleTop, scaleTitle, noteText, inkColour, legendRight);
    const double length = RoundLength((legendRight - legendLeft - 40) / scale);
    const int barWidth = std::max(1, static_cast<int>(std::lround(length * scale)));
    const int barTop = scaleTop + 38;
    FillRect(picture, legendLeft, barTop, legendLeft + barWidth, barTop + 6, inkColour);
    FillRect(picture, legendLeft, barTop - 6, legendLeft + 2, barTop + 6, inkColour);
    FillRect(picture, legendLeft + barWidth - 2, barTop - 6, legendLeft + barWidth,
             barTop + 6, inkColour);
    DrawText(picture, legendLeft, barTop + 12, FormatLength(length) + "（座標の単位）", countText,
             faintInkColour, legendRight);
}

FilesetPreview MapPreview::Finish(const std::string& code, const std::string& name)
{
    FilesetPreview preview;
    preview.code = code;
    preview.name = name;
    StartPicture();
    // The border last, so that no line drawn over the edge hides it.
    FillRect(picture, mapLeft - 1, mapTop - 1, mapRight + 1, mapTop, borderColour);
    FillRect(picture, mapLeft - 1, mapBottom, mapRight + 1, mapBottom + 1, borderColour);
    FillRect(picture, mapLeft - 1, mapTop, mapLeft, mapBottom, borderColour);
    FillRect(picture, mapRight, mapTop, mapRight + 1, mapBottom, borderColour);
    DrawText(picture, mapRight - 50, mapTop + 8, northArrow, noteText, faintInkColour, mapRight);
    DrawLegend(preview);
    DrawScale();

    const long long shapes = curves + marks + surfaces;
    std::string description = ToUtf8(name) + "（" + ToUtf8(code) + "）: ";
    if (shapes == 0) {
        description += "図形のある地物がありません。";
    } else {
        description += "線 " + std::to_string(curves) + " 本、点 " + std::to_string(marks) +
                       " 個、面 " + std::to_string(surfaces) + " 個。";
        if (allPointsCoincide) {
            description += "全ての点が同じ位置にあります。";
        }
        if (std::any_of(preview.legend.begin(), preview.legend.end(),
                        [](const LegendEntry& entry) { return entry.every > 1; })) {
            description += "多い種類は一部だけを描きました（凡例の 1/N）。";
        }
        if (budgetSpent) {
            description += "線が多く、長い線分の一部は端点だけを描きました。";
        }
    }
    preview.description = std::move(description);
    preview.picture = std::move(picture);
    return preview;
}
