#include "xmlout/FeatureWriter.h"

#include <algorithm>
#include <cmath>

#include "engine/ElementParser.h"
#include "engine/Numbers.h"
#include "xmlout/OutputFile.h"

namespace {

// Children with these codes hold coded values, translated through "Convert".
bool IsCodedValue(const std::string& code)
{
    return code == "JT" || code == "SB" || code == "FI" || code == "YU" || code == "SR";
}

// Width of one number of a surface value: XXXXXXXX,YYYYYYYY.
constexpr std::size_t surfaceFieldWidth = 8;
constexpr double unit = 0.0001;

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

}

FeatureWriter::FeatureWriter(DialogPresenter* dialogPresenter) : FilesetReader(dialogPresenter)
{
}

FeatureWriter::FeatureWriter(DialogPresenter* dialogPresenter, const std::filesystem::path& settingsFile)
    : FilesetReader(dialogPresenter, settingsFile)
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

std::string FeatureWriter::ConvertAttributes(const StringMap& source) const
{
    StringMap converted;
    source.ForEach([&](const std::string& key, const std::string& value) {
        std::string valueText = value;
        if (key == "ID") {
            // The fileset code keeps identifiers unique across filesets.
            valueText.insert(std::min<std::size_t>(2, valueText.size()), filesetCode);
        }
        const std::string outputName = GetConvertBody(key);
        // An attribute without an XML name cannot be written.
        if (outputName.empty()) {
            return;
        }
        converted.Set(outputName, GetConvertBody(GetMetaData(valueText)));
    });
    return AttributeList(converted);
}

std::string FeatureWriter::CrsLine() const
{
    return EmptyElement("CRS", Attribute("idref", GetMetaData("REMARK_CODE")));
}

void FeatureWriter::WriteRecord(const std::string& record, OutputFile& file, bool shiftJis)
{
    ElementParser outer(record);
    int cursor = 0;
    while (outer.NextElementFull(cursor)) {
        const std::string tag = GetConvertBody(outer.Name());
        if (tag.empty()) {
            continue;
        }
        const std::string attrs = ConvertAttributes(outer.Attributes());
        StringList children;
        if (!outer.Body().empty()) {
            ElementParser inner(outer.Body());
            int innerCursor = 0;
            StringList childLines;
            while (inner.NextElement(innerCursor)) {
                if (inner.Name().empty()) {
                    continue;
                }
                childLines.clear();
                WriteChild(inner.Name(), inner.ElementText(), childLines);
                children.insert(children.end(), std::make_move_iterator(childLines.begin()),
                                std::make_move_iterator(childLines.end()));
            }
        }
        StringList lines;
        BlockElement(lines, tag, attrs, children, 1);
        WriteLines(lines, file, 2, 1, 0, shiftJis);
    }
}

void FeatureWriter::WriteChild(const std::string& childName, const std::string& childText,
                               StringList& out) const
{
    if (childName == "CV") {
        WriteCurve(childText, out);
    } else if (childName == "EG" || childName == "ND") {
        WriteTopology(childText, out);
    } else if (childName == "PD") {
        WritePeriod(childText, out);
    } else if (childName == "PT") {
        WritePoint(childText, out);
    } else if (childName == "SF") {
        WriteSurface(childText, out);
    } else {
        WriteValue(childText, out);
    }
}

void FeatureWriter::WriteCurve(const std::string& childText, StringList& out) const
{
    out.clear();
    ElementParser parser(childText);
    int cursor = 0;
    parser.NextElementFull(cursor);
    const std::string tag = GetConvertBody(parser.Name());
    if (tag.empty()) {
        return;
    }
    OpenCloseLines(out, tag, ConvertAttributes(parser.Attributes()));
    InsertLineBeforeLast(out, CrsLine(), 1);
    StringList controlPoints;
    for (const std::string& item : parser.Items()) {
        controlPoints.push_back(TextElement("controlPoint", PointCoordinates(item)));
    }
    controlPoints.push_back(Snippet("interplation_linear"));
    StringList segment;
    WrapLines(segment, "segment", controlPoints, 1);
    InsertLinesBeforeLast(out, segment, 1);
}

void FeatureWriter::WritePoint(const std::string& childText, StringList& out) const
{
    out.clear();
    ElementParser parser(childText);
    int cursor = 0;
    parser.NextElementFull(cursor);
    const std::string tag = GetConvertBody(parser.Name());
    if (tag.empty()) {
        return;
    }
    OpenCloseLines(out, tag, ConvertAttributes(parser.Attributes()));
    InsertLineBeforeLast(out, CrsLine(), 1);
    for (const std::string& item : parser.Items()) {
        InsertLineBeforeLast(out, TextElement("position", PointCoordinates(item)), 1);
    }
}

void FeatureWriter::SurfaceLines(const std::string& tag, const std::string& attrs, double dx,
                                 double dy, StringList& out) const
{
    OpenCloseLines(out, tag, attrs);
    StringList patch;
    WrapLine(patch, "patch", CrsLine(), 1);
    for (int corner = 0; corner < 5; ++corner) {
        const double x = startPointX + ((corner == 1 || corner == 2) ? dx : 0.0);
        const double y = startPointY + ((corner == 2 || corner == 3) ? dy : 0.0);
        std::string point;
        AppendFixed4(point, x);
        point += ' ';
        AppendFixed4(point, y);
        InsertLineBeforeLast(patch, TextElement("controlPoint", point), 1);
    }
    InsertLineBeforeLast(patch, Snippet("interplation_planar"), 1);
    InsertLinesBeforeLast(out, patch, 1);
}

void FeatureWriter::WriteSurface(const std::string& childText, StringList& out) const
{
    out.clear();
    ElementParser parser(childText);
    int cursor = 0;
    parser.NextElementFull(cursor);
    const std::string tag = GetConvertBody(parser.Name());
    if (tag.empty()) {
        return;
    }
    // The first and the last eight bytes; a shorter value gives shorter pieces.
    const std::string_view value(parser.Body());
    const std::size_t width = std::min(surfaceFieldWidth, value.size());
    const double dx = ReadDecimal(value.substr(0, width)) * unit;
    const double dy = ReadDecimal(value.substr(value.size() - width)) * unit;
    SurfaceLines(tag, ConvertAttributes(parser.Attributes()), dx, dy, out);
}

void FeatureWriter::WritePeriod(const std::string& childText, StringList& out) const
{
    out.clear();
    ElementParser parser(childText);
    int cursor = 0;
    parser.NextElementFull(cursor);
    const std::string tag = GetConvertBody(parser.Name());
    if (tag.empty()) {
        return;
    }
    OpenCloseLines(out, tag, ConvertAttributes(parser.Attributes()));
    const std::string before = Snippet("indeterminatePosition_before");
    for (const std::string& item : parser.Items()) {
        InsertLineBeforeLast(out, InsertAttributes(TextElement("begin", EscapeText(item)), before),
                             1);
    }
    InsertLineBeforeLast(out, Snippet("endPeriod_now"), 1);
}

void FeatureWriter::WriteTopology(const std::string& childText, StringList& out) const
{
    out.clear();
    ElementParser parser(childText);
    int cursor = 0;
    parser.NextElementFull(cursor);
    const std::string tag = GetConvertBody(parser.Name());
    if (tag.empty()) {
        return;
    }
    OpenCloseLines(out, tag, ConvertAttributes(parser.Attributes()));
    ElementParser references(parser.Body());
    int referenceCursor = 0;
    while (references.NextElementFull(referenceCursor)) {
        if (references.Name().empty()) {
            continue;
        }
        const std::string referenceTag = GetConvertBody(references.Name());
        if (referenceTag.empty()) {
            continue;
        }
        InsertLineBeforeLast(
            out, EmptyElement(referenceTag, ConvertAttributes(references.Attributes())), 1);
    }
}

void FeatureWriter::WriteValue(const std::string& childText, StringList& out) const
{
    ElementParser parser(childText);
    int cursor = 0;
    parser.NextElementFull(cursor);
    const std::string tag = GetConvertBody(parser.Name());
    if (tag.empty()) {
        return;
    }
    const std::string valueText =
        IsCodedValue(parser.Name()) ? GetConvertBody(parser.Body()) : parser.Body();
    out.push_back(TextElementWithAttributes(tag, ConvertAttributes(parser.Attributes()),
                                            EscapeText(valueText)));
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
    StringList surface;
    SurfaceLines(tag, ConvertAttributes(surfaceAttributes), dx, dy, surface);
    StringList extent;
    BlockElement(extent, "datasetExtent", "", surface, 1);
    InsertBeforeClosing(out, "datasetInformation", extent, 1);
}

void FeatureWriter::ExpandTemplate(const std::string& templateText, StringList& out, int level)
{
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
        if (bodyParser.HasElement()) {
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
