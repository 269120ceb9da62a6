#include "xmlout/FeatureWriter.h"

#include <algorithm>
#include <cstring>

#include "text/ElementParser.h"
#include "text/Numbers.h"
#include "text/SjisText.h"
#include "xmlout/LineAppenders.h"
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
// Records stand at level 2 (4 spaces), their children one level deeper.
constexpr int recordIndent = 4;
constexpr int childIndent = 2;


}

FeatureWriter::FeatureWriter(const std::filesystem::path& settingsFile)
    : FilesetReader(settingsFile),
      linearSnippet(Snippet("interplation_linear")),
      planarSnippet(Snippet("interplation_planar")),
      beforeSnippet(Snippet("indeterminatePosition_before")),
      nowSnippet(Snippet("endPeriod_now"))
{
}

FeatureWriter::FeatureWriter(const FeatureWriter& source, ComposingCopy)
    : FilesetReader(source, SharingCopy{}),
      XmlBuilder(source),
      linearSnippet(source.linearSnippet),
      planarSnippet(source.planarSnippet),
      beforeSnippet(source.beforeSnippet),
      nowSnippet(source.nowSnippet)
{
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

std::string FeatureWriter::ConvertAttributes(const StringMap& source,
                                             const StringMap* variables) const
{
    StringMap converted;
    source.ForEach([&](const std::string& key, const std::string& value) {
        const std::string_view outputName = OutputName(key);
        // An attribute without an XML name cannot be written.
        if (outputName.empty()) {
            return;
        }
        const std::string* variable = variables != nullptr ? variables->Find(value) : nullptr;
        converted.Set(outputName, variable != nullptr ? ConvertBodyView(*variable)
                                                      : ConvertedValue(key, value));
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

template <class Lines>
void FeatureWriter::EmitSurface(Lines& out, int indent, std::string_view tag,
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
        std::string& line = StartLine(out, indent + 4);
        line += "<controlPoint>";
        AppendFixed4(line, x);
        line += ' ';
        AppendFixed4(line, y);
        line += "</controlPoint>";
        EndLine(out);
    }
    AppendLine(out, indent + 4, planarSnippet);
    AppendLine(out, indent + 2, "</patch>");
    AppendEndTag(out, indent, tag);
}

// The dataset extent is a surface of the head (HeadTemplates.cpp).
template void FeatureWriter::EmitSurface(StringList& out, int indent, std::string_view tag,
                                         std::string_view attrs, double dx, double dy) const;

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

