#include "xmlout/FeatureWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

#include "text/Numbers.h"
#include "text/SjisText.h"

namespace {

// Copies a piece of a line and returns the position after it. Pieces are short, so
// two overlapping fixed-size moves beat a call of memcpy.
[[gnu::always_inline]] inline char* CopyShort(char* to, std::string_view piece)
{
    const char* from = piece.data();
    const std::size_t size = piece.size();
    if (size >= 16 && size <= 32) {
        std::memcpy(to, from, 16);
        std::memcpy(to + size - 16, from + size - 16, 16);
    } else if (size >= 8 && size < 16) {
        std::memcpy(to, from, 8);
        std::memcpy(to + size - 8, from + size - 8, 8);
    } else {
        std::memcpy(to, from, size);
    }
    return to + size;
}

}

inline std::size_t FeatureWriter::NextPointItem(std::string_view numbers,
                                                std::size_t& position) const
{
    const std::size_t start = position;
    // The usual item: one to seven digits and a comma, read in one step.
    if (numbers.size() - start >= 8) {
        std::uint64_t word;
        std::memcpy(&word, numbers.data() + start, sizeof word);
        const std::uint64_t others = NonDigitBytes(word);
        const int digits = std::countr_zero(others) / 8;
        if (others != 0 && digits != 0 && ((word >> (8 * digits)) & 0xFF) == ',') {
            position = start + static_cast<std::size_t>(digits) + 1;
            // The digits move to the top bytes; the zero bytes below them read as
            // leading zeros.
            const std::uint64_t number =
                EightDigitsValue((word ^ 0x3030303030303030ull) << (8 * (8 - digits)));
            return number <= PointCount() ? number : 0;
        }
    }
    return NextOtherPointItem(numbers, position);
}

std::size_t FeatureWriter::NextOtherPointItem(std::string_view numbers,
                                              std::size_t& position) const
{
    // Split at the next comma, with plain numbers read on the way and anything else
    // read as a number the general way. A comma cannot be a trail byte, but a lead
    // byte still takes the byte after it.
    const std::size_t size = numbers.size();
    const std::size_t start = position;
    std::size_t end = start;
    std::size_t number = 0;
    bool plain = true;
    while (end < size && numbers[end] != ',') {
        const unsigned char byte = static_cast<unsigned char>(numbers[end]);
        if (byte >= '0' && byte <= '9') {
            number = number * 10 + (byte - '0');
        } else {
            plain = false;
            if (IsLeadByte(byte)) {
                ++end;
            }
        }
        ++end;
    }
    end = std::min(end, size);
    position = end + 1;
    const std::size_t length = end - start;
    if (!plain || length == 0 || length > 9) {
        const std::optional<int> read = ReadInt(numbers.substr(start, length));
        number = read && *read > 0 ? static_cast<std::size_t>(*read) : 0;
    }
    return number <= PointCount() ? number : 0;
}

void FeatureWriter::PrefetchChildPoint(std::string_view recordBody, int cursor) const
{
    const auto at = static_cast<std::size_t>(cursor);
    if (PointCount() == 0 || at >= recordBody.size() || recordBody.size() - at < 3 ||
        (recordBody.compare(at, 2, "CV") != 0 && recordBody.compare(at, 2, "PT") != 0)) {
        return;
    }
    std::string_view code;
    std::string_view attributeSource;
    std::string_view value;
    int next = cursor;
    if (!NextSpans(recordBody, next, code, attributeSource, value)) {
        return;
    }
    std::size_t number = 0;
    for (std::size_t i = 0; i < value.size() && i < 8 && value[i] >= '0' && value[i] <= '9'; ++i) {
        number = number * 10 + static_cast<std::size_t>(value[i] - '0');
    }
    if (number != 0 && number <= PointCount()) {
        __builtin_prefetch(PointSlot(number - 1));
    }
}

void FeatureWriter::AppendPointLines(std::string& out, int indent, std::string_view openTag,
                                     std::string_view numbers,
                                     std::string_view closeTagAndLineEnd) const
{
    NoteNonAsciiBefore(out);
    pointLinePrefix.assign(static_cast<std::size_t>(indent), ' ');
    pointLinePrefix += openTag;
    const PointLineShape shape(pointLinePrefix, closeTagAndLineEnd);
    // Items go in batches: first their point numbers, then the lines copied into place
    // with one resize. Empty items count, so a text of n commas has n + 1 items; an
    // item that names no point gives a line without coordinates.
    PointBatch batch;
    std::size_t position = 0;
    while (position <= numbers.size()) {
        const std::size_t count = ReadPointBatch(numbers, position, batch);
        const std::size_t done =
            !shape.templated         ? 0
            : slotSize == narrowSlot ? AppendTemplatedLines<narrowSlot>(out, shape, batch, count)
                                     : AppendTemplatedLines<wideSlot>(out, shape, batch, count);
        AppendGeneralLines(out, shape, batch, done, count);
    }
    // The lines are ASCII: the search for text to convert to UTF-8 skips them.
    asciiScanFrom = out.size();
}

void FeatureWriter::NoteNonAsciiBefore(const std::string& out) const
{
    if (firstNonAscii == std::string::npos) {
        const std::size_t wide = FirstNonAscii(out, std::min(asciiScanFrom, out.size()));
        if (wide < out.size()) {
            firstNonAscii = wide;
        }
    }
}

FeatureWriter::PointLineShape::PointLineShape(std::string_view openPrefix,
                                              std::string_view closeAndLineEnd)
    : prefix(openPrefix),
      suffix(closeAndLineEnd),
      lineBytes(openPrefix.size() + closeAndLineEnd.size()),
      templated(openPrefix.size() <= pieceSize && closeAndLineEnd.size() <= pieceSize)
{
    if (templated) {
        std::memcpy(prefixBlock.data(), prefix.data(), prefix.size());
        std::memcpy(suffixBlock.data(), suffix.data(), suffix.size());
    }
}

std::size_t FeatureWriter::ReadPointBatch(std::string_view numbers, std::size_t& position,
                                          PointBatch& batch) const
{
    std::size_t count = 0;
    while (count < batch.size() && position <= numbers.size()) {
        const std::size_t point = NextPointItem(numbers, position);
        batch[count] = point;
        // The table is far larger than the caches: its slots are asked for while the
        // batch's other numbers are read, before the lines need them.
        if (point != 0) {
            __builtin_prefetch(PointSlot(point - 1));
        }
        ++count;
    }
    return count;
}

template <std::size_t size>
std::size_t FeatureWriter::AppendTemplatedLines(std::string& out, const PointLineShape& shape,
                                                const PointBatch& batch,
                                                std::size_t count) const
{
    const std::size_t oldSize = out.size();
    // The blocks and the slot are copied whole: the output gets room for the overhang
    // of the last line.
    out.resize(oldSize + count * (shape.lineBytes + size) + 2 * pieceSize);
    char* to = out.data() + oldSize;
    // Locals, so that the stores into the output do not make the compiler load them
    // again for every line.
    const char* const slots = PointSlot(0);
    const std::size_t coordinatesAt = shape.prefix.size();
    const std::size_t lineBytes = shape.lineBytes;
    std::size_t done = 0;
    for (; done < count && batch[done] != 0; ++done) {
        const char* slot = slots + (batch[done] - 1) * size;
        if (static_cast<unsigned char>(slot[0]) == longPointMark) {
            break;
        }
        const std::size_t length = SlotTextLength<size>(slot);
        std::memcpy(to, shape.prefixBlock.data(), pieceSize);
        std::memcpy(to + coordinatesAt, slot, size);
        std::memcpy(to + coordinatesAt + length, shape.suffixBlock.data(), pieceSize);
        to += lineBytes + length;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return done;
}

void FeatureWriter::AppendGeneralLines(std::string& out, const PointLineShape& shape,
                                       const PointBatch& batch, std::size_t from,
                                       std::size_t count) const
{
    if (from == count) {
        return;
    }
    std::size_t textBytes = 0;
    for (std::size_t i = from; i < count; ++i) {
        if (batch[i] != 0) {
            textBytes += PointText(batch[i] - 1).size();
        }
    }
    const std::size_t oldSize = out.size();
    out.resize(oldSize + textBytes + (count - from) * shape.lineBytes);
    char* to = out.data() + oldSize;
    for (std::size_t i = from; i < count; ++i) {
        to = CopyShort(to, shape.prefix);
        if (batch[i] != 0) {
            to = CopyShort(to, PointText(batch[i] - 1));
        }
        to = CopyShort(to, shape.suffix);
    }
}
