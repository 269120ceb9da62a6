#include "xmlout/FeatureWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>

#include "text/Cp932.h"
#include "text/ElementParser.h"
#include "text/Numbers.h"
#include "text/SjisText.h"
#include "xmlout/OutputFile.h"

namespace {

// Children with these codes hold coded values, translated through "Convert".
bool IsCodedValue(std::string_view code)
{
    return code == "JT" || code == "SB" || code == "FI" || code == "YU" || code == "SR";
}

// Width of one number of a surface value: XXXXXXXX,YYYYYYYY.
constexpr std::size_t surfaceFieldWidth = 8;
constexpr double unit = 0.0001;
constexpr std::string_view lineEnd = "\r\n";
// Records stand at level 2 (4 spaces), their children one level deeper.
constexpr int recordIndent = 4;
constexpr int childIndent = 2;

// trunc(value * 10000) as a 64-bit integer; a value that is not finite or does not fit
// counts as 0.
long long TruncatedUnits(double value)
{
    const double units = std::trunc(value * 10000.0);
    if (!std::isfinite(units) || units >= 9.2e18 || units <= -9.2e18) {
        return 0;
    }
    return static_cast<long long>(units);
}

void StartLine(std::string& out, int indent)
{
    out.append(static_cast<std::size_t>(indent), ' ');
}

void EndLine(std::string& out)
{
    out += lineEnd;
}

void AppendLine(std::string& out, int indent, std::string_view text)
{
    StartLine(out, indent);
    out += text;
    EndLine(out);
}

// <tag attrs>
void AppendStartTag(std::string& out, int indent, std::string_view tag, std::string_view attrs)
{
    StartLine(out, indent);
    out += '<';
    out += tag;
    out += attrs;
    out += '>';
    EndLine(out);
}

void AppendEndTag(std::string& out, int indent, std::string_view tag)
{
    StartLine(out, indent);
    out += "</";
    out += tag;
    out += '>';
    EndLine(out);
}


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

// Lines of a text that the streaming writers produced.
void SplitLines(const std::string& text, StringList& out)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(lineEnd, start);
        out.push_back(text.substr(start, end - start));
        start = end + lineEnd.size();
    }
}

}

FeatureWriter::FeatureWriter(DialogPresenter* dialogPresenter)
    : FeatureWriter(dialogPresenter, SettingsFile().IniPath())
{
}

FeatureWriter::FeatureWriter(DialogPresenter* dialogPresenter,
                             const std::filesystem::path& settingsFile)
    : FilesetReader(dialogPresenter, settingsFile),
      linearSnippet(Snippet("interplation_linear")),
      planarSnippet(Snippet("interplation_planar")),
      beforeSnippet(Snippet("indeterminatePosition_before")),
      nowSnippet(Snippet("endPeriod_now"))
{
}

std::string FeatureWriter::BuildXmlDeclaration(bool shiftJis)
{
    return std::string("<?xml version='1.0' encoding=") +
           (shiftJis ? "'Shift_JIS'" : "'UTF-8'") + "?>";
}

std::string FeatureWriter::BuildDoctype() const
{
    return "<!DOCTYPE GI SYSTEM '" + GetMetaData("GI_DTD") + "'>";
}

std::string_view FeatureWriter::ConvertedValue(std::string_view key, std::string_view value) const
{
    std::string_view source = value;
    if (key == "ID") {
        // The fileset code keeps identifiers unique across filesets.
        const std::size_t split = std::min<std::size_t>(2, value.size());
        idValue.assign(value.data(), split);
        idValue.append(filesetCode);
        idValue.append(value.data() + split, value.size() - split);
        source = idValue;
    }
    return ConvertBodyView(MetaDataView(source));
}

std::string_view FeatureWriter::OutputName(std::string_view code) const
{
    if (code.empty() || code.size() > sizeof(std::uint64_t)) {
        return ConvertBodyView(code);
    }
    if (nameCacheVersion != ConvertVersion()) {
        nameCache.fill(CachedName{});
        nameCacheVersion = ConvertVersion();
    }
    // With the length, these bytes tell every code of up to eight bytes apart.
    const char* bytes = code.data();
    const std::size_t size = code.size();
    std::uint64_t packed;
    if (size >= 4) {
        std::uint32_t low;
        std::uint32_t high;
        std::memcpy(&low, bytes, sizeof low);
        std::memcpy(&high, bytes + size - 4, sizeof high);
        packed = (static_cast<std::uint64_t>(high) << 32) | low;
    } else {
        packed = (static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[0])) << 16) |
                 (static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[size / 2])) << 8) |
                 static_cast<unsigned char>(bytes[size - 1]);
    }
    CachedName& cached = nameCache[(packed * 0x9E3779B97F4A7C15ull) >> 58];
    if (cached.length != code.size() || cached.code != packed) {
        const std::string_view found = ConvertBodyView(code);
        // A code without an entry stands for itself; its view points into the record
        // and must not be kept.
        cached = {packed, code.size(), found.data() != code.data(), found};
    }
    return cached.converted ? cached.name : code;
}

std::string FeatureWriter::ConvertAttributes(const StringMap& source) const
{
    StringMap converted;
    source.ForEach([&](const std::string& key, const std::string& value) {
        const std::string_view outputName = OutputName(key);
        // An attribute without an XML name cannot be written.
        if (!outputName.empty()) {
            converted.Set(outputName, ConvertedValue(key, value));
        }
    });
    return AttributeList(converted);
}

void FeatureWriter::ConvertAttributeText(std::string_view attributeSource,
                                         std::string& out) const
{
    out.clear();
    if (attributeSource.empty()) {
        return;
    }
    // Most elements carry one attribute, whose text needs no map to order it.
    int cursor = 0;
    std::string_view key;
    std::string_view ignored;
    std::string_view value;
    NextSpans(attributeSource, cursor, key, ignored, value);
    // The walk ends where the first step left off: one attribute.
    if (cursor >= static_cast<int>(attributeSource.size())) {
        const std::string_view outputName = OutputName(key);
        if (!outputName.empty()) {
            out += ' ';
            out += outputName;
            out += "='";
            AppendEscapedAttribute(out, ConvertedValue(key, value));
            out += '\'';
        }
        return;
    }
    StringMap parsed;
    ParseAttributes(std::string(attributeSource), parsed);
    out = ConvertAttributes(parsed);
}

void FeatureWriter::RefreshCrsLine() const
{
    if (crsLineReady && crsVersion == MetaDataVersion()) {
        return;
    }
    crsVersion = MetaDataVersion();
    const std::string_view code = MetaDataView("REMARK_CODE");
    if (crsLineReady && code == crsCode) {
        return;
    }
    crsCode = code;
    crsLine = EmptyElement("CRS", Attribute("idref", crsCode));
    crsLineReady = true;
}

void FeatureWriter::WriteRecord(std::string_view record, OutputFile& file, bool shiftJis)
{
    RefreshCrsLine();
    // The record is walked level by level: elements, their children, attribute texts
    // and references. Its brackets are found once for all of them.
    struct Index
    {
        FeatureWriter& writer;
        ~Index() { writer.ForgetBrackets(); }
    } const index{*this};
    IndexBrackets(record);
    std::string_view outerName;
    std::string_view outerAttributes;
    std::string_view outerBody;
    std::string_view childName;
    std::string_view childSource;
    std::string_view childBody;
    int cursor = 0;
    while (NextSpans(record, cursor, outerName, outerAttributes, outerBody)) {
        const std::string_view tag = OutputName(outerName);
        if (tag.empty()) {
            continue;
        }
        std::string& recordText = file.StartText();
        asciiScanFrom = recordText.size();
        firstNonAscii = std::string::npos;
        recordText += lineEnd;
        ConvertAttributeText(outerAttributes, recordAttributes);
        AppendStartTag(recordText, recordIndent, tag, recordAttributes);
        int childCursor = 0;
        while (!outerBody.empty() &&
               NextSpans(outerBody, childCursor, childName, childSource, childBody)) {
            if (childName.empty()) {
                continue;
            }
            // A writer sees the child as element text of its own. NAME(ATTRIBUTES) without
            // a body stays an element only when a "{" inside its attributes says so.
            if (childBody.empty() && outerBody[static_cast<std::size_t>(childCursor) - 1] == ')' &&
                FindByte(childSource, '{', 0) < 0) {
                continue;
            }
            // The next child's first point is on its way while this one is written.
            PrefetchChildPoint(outerBody, childCursor);
            EmitChild(recordText, recordIndent + childIndent, KindOf(childName), childName,
                      childSource, childBody);
        }
        AppendEndTag(recordText, recordIndent, tag);
        file.FinishText(!shiftJis,
                        firstNonAscii != std::string::npos ? firstNonAscii : asciiScanFrom);
    }
}

FeatureWriter::ChildKind FeatureWriter::KindOf(std::string_view code)
{
    if (code == "CV") {
        return ChildKind::Curve;
    }
    if (code == "EG" || code == "ND") {
        return ChildKind::Topology;
    }
    if (code == "PD") {
        return ChildKind::Period;
    }
    if (code == "PT") {
        return ChildKind::Point;
    }
    if (code == "SF") {
        return ChildKind::Surface;
    }
    return ChildKind::Value;
}

void FeatureWriter::EmitChild(std::string& out, int indent, ChildKind kind,
                              std::string_view code, std::string_view attributeSource,
                              std::string_view value) const
{
    const std::string_view tag = OutputName(code);
    if (tag.empty()) {
        return;
    }
    ConvertAttributeText(attributeSource, childAttributes);
    const std::string_view attrs = childAttributes;
    if (kind == ChildKind::Curve) {
        EmitCurve(out, indent, tag, attrs, value);
    } else if (kind == ChildKind::Topology) {
        EmitTopology(out, indent, tag, attrs, value);
    } else if (kind == ChildKind::Period) {
        EmitPeriod(out, indent, tag, attrs, value);
    } else if (kind == ChildKind::Point) {
        EmitPoint(out, indent, tag, attrs, value);
    } else if (kind == ChildKind::Surface) {
        // The first and the last eight bytes; a shorter value gives shorter pieces.
        const std::string_view surfaceValue = value;
        const std::size_t width = std::min(surfaceFieldWidth, surfaceValue.size());
        const double dx = ReadDecimal(surfaceValue.substr(0, width)) * unit;
        const double dy = ReadDecimal(surfaceValue.substr(surfaceValue.size() - width)) * unit;
        EmitSurface(out, indent, tag, attrs, dx, dy);
    } else {
        EmitValue(out, indent, code, tag, attrs, value);
    }
}

void FeatureWriter::EmitCurve(std::string& out, int indent, std::string_view tag,
                              std::string_view attrs, std::string_view value) const
{
    AppendStartTag(out, indent, tag, attrs);
    AppendLine(out, indent + 2, crsLine);
    AppendLine(out, indent + 2, "<segment>");
    if (!value.empty()) {
        AppendPointLines(out, indent + 4, "<controlPoint>", value, "</controlPoint>\r\n");
    }
    AppendLine(out, indent + 4, linearSnippet);
    AppendLine(out, indent + 2, "</segment>");
    AppendEndTag(out, indent, tag);
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
            !shape.templated          ? 0
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

void FeatureWriter::EmitPoint(std::string& out, int indent, std::string_view tag,
                              std::string_view attrs, std::string_view value) const
{
    AppendStartTag(out, indent, tag, attrs);
    AppendLine(out, indent + 2, crsLine);
    if (!value.empty()) {
        AppendPointLines(out, indent + 2, "<position>", value, "</position>\r\n");
    }
    AppendEndTag(out, indent, tag);
}

void FeatureWriter::EmitSurface(std::string& out, int indent, std::string_view tag,
                                std::string_view attrs, double dx, double dy) const
{
    AppendStartTag(out, indent, tag, attrs);
    AppendLine(out, indent + 2, "<patch>");
    AppendLine(out, indent + 4, crsLine);
    // The ring runs (x0,y0), (x0+dx,y0), (x0+dx,y0+dy), (x0,y0+dy) and back. Where a
    // corner is x0 it is x0 itself, not x0 + 0: a start point of -0 stays "-0.0000".
    for (int corner = 0; corner < 5; ++corner) {
        const double x = (corner == 1 || corner == 2) ? startPointX + dx : startPointX;
        const double y = (corner == 2 || corner == 3) ? startPointY + dy : startPointY;
        StartLine(out, indent + 4);
        out += "<controlPoint>";
        AppendFixed4(out, x);
        out += ' ';
        AppendFixed4(out, y);
        out += "</controlPoint>";
        EndLine(out);
    }
    AppendLine(out, indent + 4, planarSnippet);
    AppendLine(out, indent + 2, "</patch>");
    AppendEndTag(out, indent, tag);
}

void FeatureWriter::EmitPeriod(std::string& out, int indent, std::string_view tag,
                               std::string_view attrs, std::string_view value) const
{
    AppendStartTag(out, indent, tag, attrs);
    if (!value.empty()) {
        ForEachCommaItem(value, [&](std::string_view item) {
            StartLine(out, indent + 2);
            out += "<begin";
            out += beforeSnippet;
            out += '>';
            AppendEscapedText(out, item);
            out += "</begin>";
            EndLine(out);
        });
    }
    AppendLine(out, indent + 2, nowSnippet);
    AppendEndTag(out, indent, tag);
}

void FeatureWriter::EmitTopology(std::string& out, int indent, std::string_view tag,
                                 std::string_view attrs, std::string_view value) const
{
    AppendStartTag(out, indent, tag, attrs);
    std::string_view referenceName;
    std::string_view referenceSource;
    std::string_view referenceBody;
    int cursor = 0;
    while (NextSpans(value, cursor, referenceName, referenceSource, referenceBody)) {
        if (referenceName.empty()) {
            continue;
        }
        const std::string_view referenceTag = OutputName(referenceName);
        if (referenceTag.empty()) {
            continue;
        }
        ConvertAttributeText(referenceSource, referenceAttributes);
        StartLine(out, indent + 2);
        out += '<';
        out += referenceTag;
        out += referenceAttributes;
        out += "/>";
        EndLine(out);
    }
    AppendEndTag(out, indent, tag);
}

void FeatureWriter::EmitValue(std::string& out, int indent, std::string_view code,
                              std::string_view tag, std::string_view attrs,
                              std::string_view value) const
{
    const std::string_view valueText = IsCodedValue(code) ? OutputName(value) : value;
    StartLine(out, indent);
    if (valueText.empty() && !attrs.empty()) {
        out += '<';
        out += tag;
        out += attrs;
        out += "/>";
    } else {
        out += '<';
        out += tag;
        out += attrs;
        out += '>';
        AppendEscapedText(out, valueText);
        out += "</";
        out += tag;
        out += '>';
    }
    EndLine(out);
}

void FeatureWriter::BuildMetadataTitle(const std::string& title, StringList& out)
{
    SetMetaData("DS_TITLE_NAME", title);
    out.clear();
    ExpandTemplate(GetMetaDataTemplate(), out, 1);
}

void FeatureWriter::BuildMetadataLines(StringList& out, const std::string& filesetName)
{
    BuildMetadataTitle(GetMetaData("DS_TITLE") + " " + filesetName, out);
}

void FeatureWriter::BuildMetadataLines(StringList& out, const std::string& filesetName,
                                       const std::string& kindName)
{
    BuildMetadataTitle(GetMetaData("DS_TITLE") + " " + filesetName + " [" + kindName + "]", out);
}

void FeatureWriter::BuildDatasetInformation(StringList& out, const std::string& code)
{
    out.clear();
    SetMetaData("FILESET_CODE", "dataset" + code);
    SetMetaData("DS_INFO_ID", "datasetInformation" + code);
    ExpandTemplate(GetDataSetTemplate(), out, 1);
    // The rectangle uses the truncated units themselves, so extents of 10000 units or
    // more, or negative ones, are drawn as they are.
    const double dx = static_cast<double>(TruncatedUnits(scopeX)) * unit;
    const double dy = static_cast<double>(TruncatedUnits(scopeY)) * unit;
    const std::string tag = GetConvertBody("SF");
    if (tag.empty()) {
        return;
    }
    StringMap surfaceAttributes;
    surfaceAttributes.Set("id", "surface" + code);
    std::string surfaceText;
    RefreshCrsLine();
    EmitSurface(surfaceText, 0, tag, ConvertAttributes(surfaceAttributes), dx, dy);
    StringList surface;
    SplitLines(surfaceText, surface);
    StringList extent;
    BlockElement(extent, "datasetExtent", "", surface, 1);
    InsertBeforeClosing(out, "datasetInformation", extent, 1);
}

namespace {

// Templates nest a few levels deep. Each level is one call of ExpandTemplate, so from
// this depth on a body is written as leaf text: a settings file that nests thousands of
// levels must not exhaust the stack.
constexpr int maxTemplateDepth = 100;
thread_local int templateDepth = 0;

struct TemplateLevel
{
    TemplateLevel() { ++templateDepth; }
    ~TemplateLevel() { --templateDepth; }
    TemplateLevel(const TemplateLevel&) = delete;
    TemplateLevel& operator=(const TemplateLevel&) = delete;
};

}

void FeatureWriter::ExpandTemplate(const std::string& templateText, StringList& out, int level)
{
    const TemplateLevel templateLevel;
    ElementParser parser(templateText);
    int cursor = 0;
    while (parser.NextElementFull(cursor)) {
        if (parser.Name().empty()) {
            continue;
        }
        const std::string tag = GetConvertBody(parser.Name());
        if (tag.empty()) {
            continue;
        }
        const std::string attrs = ConvertAttributes(parser.Attributes());
        StringList children;
        const ElementParser bodyParser(parser.Body());
        if (templateDepth < maxTemplateDepth && bodyParser.HasElement()) {
            ExpandTemplate(parser.Body(), children, 1);
        } else {
            children.push_back(EscapeText(GetMetaData(parser.Body())));
        }
        if (children.empty()) {
            out.push_back(EmptyElement(tag, attrs));
        } else if (children.size() == 1) {
            out.push_back(InlineElement(tag, attrs, children));
        } else {
            StringList block;
            BlockElement(block, tag, attrs, children, level);
            out.insert(out.end(), block.begin(), block.end());
        }
    }
}
