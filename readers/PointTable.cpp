#include "readers/FilesetReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

#include "text/Numbers.h"
#include "text/SjisText.h"

namespace {

// Offsets in point-data files count units of 0.0001, in fields of eight bytes.
constexpr double unit = 0.0001;
constexpr std::size_t fieldWidth = 8;

// True when a field of a point line is eight plain digits, the usual form; then
// `value` is their number.
bool ReadPlainField(std::string_view field, std::uint64_t& value)
{
    if (field.size() != fieldWidth) {
        return false;
    }
    std::uint64_t word;
    std::memcpy(&word, field.data(), sizeof word);
    if (NonDigitBytes(word) != 0) {
        return false;
    }
    value = EightDigitsValue(word);
    return true;
}

// A field of a point line: eight plain digits read at once, anything else as the C
// library reads a decimal number.
double ReadField(std::string_view field)
{
    std::uint64_t value = 0;
    return ReadPlainField(field, value) ? static_cast<double>(value) : ReadDecimal(field);
}

// The start point coordinate in whole units of 0.0001 when it is one (within 1e-6
// units) and small enough (below 10^6 in magnitude) that every point of eight plain
// digits then prints as its exact sum of units: start + field * 0.0001 computed in
// double lies within 4e-10 of that decimal, far inside the 5e-5 that would change its
// "%.4f" text. Empty otherwise.
std::optional<long long> WholeUnits(double start)
{
    if (!(std::fabs(start) < 1e6)) {
        return std::nullopt;
    }
    const double units = start * 10000.0;
    const double nearest = std::nearbyint(units);
    if (std::fabs(units - nearest) > 1e-6) {
        return std::nullopt;
    }
    return static_cast<long long>(nearest);
}

}

PointDataLoad FilesetReader::LoadPointData(const std::string& kindCode)
{
    const std::string fileName =
        kindCode == meshKind ? filesetCode + kindCode + ".slp" : filesetCode + ".slp";
    const std::filesystem::path path = FilesetInput(fileName);
    longPoints.clear();
    longPointCount = 0;
    pointCount = 0;
    pointFileSize = 0;
    pointFilePosition = 0;
    pointsExpected = 0;
    startUnitsX = WholeUnits(startPointX);
    startUnitsY = WholeUnits(startPointY);
    // Narrow slots until a point needs a wide one (see ConvertPoint).
    slotSize = narrowSlot;
    // A file that exists but cannot be read counts as missing. The file is read whole:
    // the points are counted first and converted afterwards.
    if (!ReadWholeText(path, pointFileText, 0, pointFileSize)) {
        pointFileSize = 0;
        return {PointDataOutcome::FileMissing, 0};
    }
    const std::size_t lines = CountTextLines(PointFileView());
    // A run counts points in an int: more lines than that are refused as no point data.
    const int count = lines <= static_cast<std::size_t>(std::numeric_limits<int>::max())
                          ? static_cast<int>(lines)
                          : 0;
    if (count == 0) {
        pointFileSize = 0;
        return {PointDataOutcome::NoPoints, 0};
    }
    // Memory runs out here as it would in any other allocation.
    if (!pointSlots.Reserve(static_cast<std::size_t>(count) * slotSize, 0)) {
        throw std::bad_alloc();
    }
    pointsExpected = static_cast<std::size_t>(count);
    return {PointDataOutcome::Loaded, count};
}

void FilesetReader::ConvertPoint(int& counter)
{
    ++counter;
    // The text is composed first, with NULs after it to the end of a wide slot; its
    // length then decides where it goes. Narrow slots widen for the first text that
    // needs it, so a table has wide slots only when its data set's texts call for them.
    char formatted[composedSize];
    std::size_t length = ComposePlainPointLine(formatted);
    if (length == 0) {
        length = ComposePointLine(formatted);
    }
    if (length > slotSize && slotSize == narrowSlot && length <= wideSlot) {
        WidenSlots();
    }
    const std::size_t slot = pointCount * slotSize;
    if (!pointSlots.Reserve(slot + slotSize, slot)) {
        throw std::bad_alloc();
    }
    char* const to = pointSlots.Data() + slot;
    ++pointCount;
    // Copies of a fixed size, which the compiler makes two or four moves.
    if (length <= narrowSlot && slotSize == narrowSlot) {
        std::memcpy(to, formatted, narrowSlot);
        return;
    }
    if (length <= slotSize) {
        std::memcpy(to, formatted, wideSlot);
        return;
    }
    // Longer than a wide slot: the text is in pointText.
    const std::uint64_t offset = longPoints.size();
    const auto textLength = static_cast<std::uint32_t>(pointText.size());
    longPoints += pointText;
    ++longPointCount;
    std::memset(to, 0, slotSize);
    to[0] = static_cast<char>(longPointMark);
    std::memcpy(to + 4, &offset, sizeof offset);
    std::memcpy(to + 12, &textLength, sizeof textLength);
}

void FilesetReader::WidenSlots()
{
    const std::size_t points = std::max(pointsExpected, pointCount + 1);
    if (!pointSlots.Reserve(points * wideSlot, pointCount * narrowSlot)) {
        throw std::bad_alloc();
    }
    // From the last slot down, so that no slot is overwritten before it has moved.
    char* const slots = pointSlots.Data();
    for (std::size_t i = pointCount; i-- > 0;) {
        std::memmove(slots + i * wideSlot, slots + i * narrowSlot, narrowSlot);
        std::memset(slots + i * wideSlot + narrowSlot, 0, wideSlot - narrowSlot);
    }
    slotSize = wideSlot;
}

std::size_t FilesetReader::ComposePointLine(char* to)
{
    std::string_view pointLine;
    if (!NextTextLine(PointFileView(), pointFilePosition, pointLine)) {
        pointLine = {};
    }
    const std::string_view xField = pointLine.substr(0, std::min(fieldWidth, pointLine.size()));
    const std::string_view yField = pointLine.size() > fieldWidth
                                        ? pointLine.substr(fieldWidth, fieldWidth)
                                        : std::string_view();
    std::uint64_t xValue = 0;
    std::uint64_t yValue = 0;
    if (ReadPlainField(xField, xValue) && ReadPlainField(yField, yValue)) {
        if (const std::size_t length = ComposeWholeUnitsPoint(to, xValue, yValue)) {
            return length;
        }
    }
    const double x = ReadField(xField) * unit + startPointX;
    const double y = ReadField(yField) * unit + startPointY;
    if (const std::size_t length = ComposeSum(to, x, y)) {
        return length;
    }
    pointText.clear();
    AppendFixed4(pointText, x);
    pointText += ' ';
    AppendFixed4(pointText, y);
    if (pointText.size() <= wideSlot) {
        std::memset(to, 0, 2 * wideSlot);
        std::memcpy(to, pointText.data(), pointText.size());
    }
    return pointText.size();
}

std::size_t FilesetReader::ComposePlainPointLine(char* to)
{
    const std::string_view file = PointFileView();
    if (pointFilePosition >= file.size() || file.size() - pointFilePosition < plainPointLine) {
        return 0;
    }
    const std::size_t length =
        ComposePlainLine(file.substr(pointFilePosition, plainPointLine), to);
    if (length != 0) {
        pointFilePosition += plainPointLine;
    }
    return length;
}

// Inlined into both callers: the one-by-one loop is the hot path of every point step.
[[gnu::always_inline]] inline std::size_t FilesetReader::ComposePlainLine(std::string_view line,
                                                                          char* to) const
{
    // Nearly every line of a point file: sixteen digits and CR LF. Anything else is
    // left to the general reading.
    static_assert(plainPointLine == 2 * fieldWidth + 2);
    std::uint64_t xValue = 0;
    std::uint64_t yValue = 0;
    if (line.size() != plainPointLine || line[2 * fieldWidth] != '\r' ||
        line[2 * fieldWidth + 1] != '\n' || !ReadPlainField(line.substr(0, fieldWidth), xValue) ||
        !ReadPlainField(line.substr(fieldWidth, fieldWidth), yValue)) {
        return 0;
    }
    std::size_t length = ComposeWholeUnitsPoint(to, xValue, yValue);
    if (length == 0) {
        length = ComposeSum(to, static_cast<double>(xValue) * unit + startPointX,
                            static_cast<double>(yValue) * unit + startPointY);
    }
    return length;
}

bool FilesetReader::PreparePlainPoints(std::size_t& first, std::size_t& end)
{
    first = pointCount;
    end = pointsExpected;
    if (first == 0 || first >= end ||
        pointFileSize - pointFilePosition != (end - first) * plainPointLine) {
        return false;
    }
    if (!pointSlots.Reserve(end * slotSize, first * slotSize)) {
        throw std::bad_alloc();
    }
    return true;
}

bool FilesetReader::ConvertPlainPoints(std::size_t first, std::size_t end)
{
    // Point i's line lies at pointFilePosition + (i - pointCount) lines. Should any
    // line have another length, some line of this grid would lack its CR LF or digits.
    const std::string_view file = PointFileView();
    char* const slots = pointSlots.Data();
    char formatted[composedSize];
    for (std::size_t point = first; point < end; ++point) {
        const std::string_view line =
            file.substr(pointFilePosition + (point - pointCount) * plainPointLine, plainPointLine);
        const std::size_t length = ComposePlainLine(line, formatted);
        if (length == 0 || length > slotSize) {
            return false;
        }
        // Copies of a fixed size, as in ConvertPoint.
        if (slotSize == narrowSlot) {
            std::memcpy(slots + point * narrowSlot, formatted, narrowSlot);
        } else {
            std::memcpy(slots + point * wideSlot, formatted, wideSlot);
        }
    }
    return true;
}

void FilesetReader::FinishPlainPoints()
{
    pointFilePosition = pointFileSize;
    pointCount = pointsExpected;
}

std::size_t FilesetReader::ComposeSum(char* to, double x, double y)
{
    char* end = WriteFixed4(to, x);
    if (end != nullptr) {
        *end++ = ' ';
        end = WriteFixed4(end, y);
    }
    if (end == nullptr || end - to > static_cast<std::ptrdiff_t>(wideSlot)) {
        return 0;
    }
    std::memset(end, 0, wideSlot);
    return static_cast<std::size_t>(end - to);
}

std::size_t FilesetReader::ComposeWholeUnitsPoint(char* to, std::uint64_t xValue,
                                                  std::uint64_t yValue) const
{
    // From a start point of whole units the text is the exact sum of units (see
    // WholeUnits), except at zero, where the sign of the computed value decides between
    // "0.0000" and "-0.0000". Sums stay below 1.01 * 10^6 in magnitude, so the text has
    // at most 27 bytes.
    if (!startUnitsX || !startUnitsY) {
        return 0;
    }
    const long long xUnits = *startUnitsX + static_cast<long long>(xValue);
    const long long yUnits = *startUnitsY + static_cast<long long>(yValue);
    if (xUnits == 0 || yUnits == 0) {
        return 0;
    }
    char* end = WriteUnits4(to, xUnits);
    *end++ = ' ';
    end = WriteUnits4(end, yUnits);
    std::memset(end, 0, wideSlot);
    return static_cast<std::size_t>(end - to);
}

void FilesetReader::ClosePointData()
{
    pointFileSize = 0;
    pointFilePosition = 0;
    // The text is not read again: its memory can serve the data files read meanwhile.
    pointFileText.Release();
}

std::string_view FilesetReader::PointCoordinates(std::string_view numberText) const
{
    const std::optional<int> number = ReadInt(numberText);
    if (!number || *number < 1 || static_cast<std::size_t>(*number) > pointCount) {
        return {};
    }
    return PointText(static_cast<std::size_t>(*number) - 1);
}

