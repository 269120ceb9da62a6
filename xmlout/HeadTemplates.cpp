#include "xmlout/FeatureWriter.h"

#include <cmath>

#include "text/ElementParser.h"
#include "xmlout/LineAppenders.h"

namespace {

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

std::string FeatureWriter::BuildXmlDeclaration(bool shiftJis)
{
    return std::string("<?xml version='1.0' encoding=") +
           (shiftJis ? "'Shift_JIS'" : "'UTF-8'") + "?>";
}

std::string FeatureWriter::BuildDoctype() const
{
    return "<!DOCTYPE GI SYSTEM '" + GetMetaData("GI_DTD") + "'>";
}

std::string FeatureWriter::DocumentTitle(const std::string& filesetName) const
{
    return GetMetaData("DS_TITLE") + " " + filesetName;
}

std::string FeatureWriter::DocumentTitle(const std::string& filesetName,
                                         const std::string& kindName) const
{
    return DocumentTitle(filesetName) + " [" + kindName + "]";
}

void FeatureWriter::BuildMetadataLines(StringList& out, const std::string& title)
{
    StringMap variables;
    variables.Set("DS_TITLE_NAME", title);
    out.clear();
    ExpandTemplate(GetMetaDataTemplate(), out, 1, variables);
}

void FeatureWriter::BuildDatasetInformation(StringList& out, const std::string& code,
                                            const std::string& title)
{
    StringMap variables;
    variables.Set("DS_TITLE_NAME", title);
    variables.Set("FILESET_CODE", "dataset" + code);
    variables.Set("DS_INFO_ID", "datasetInformation" + code);
    out.clear();
    ExpandTemplate(GetDataSetTemplate(), out, 1, variables);
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
    RefreshCrsLine();
    StringList surface;
    EmitSurface(surface, 0, tag, ConvertAttributes(surfaceAttributes), dx, dy);
    StringList extent;
    BlockElement(extent, "datasetExtent", "", surface, 1);
    InsertBeforeClosing(out, "datasetInformation", extent, 1);
}

std::string FeatureWriter::TemplateValue(const std::string& key, const StringMap& variables) const
{
    const std::string* variable = variables.Find(key);
    return variable != nullptr ? *variable : GetMetaData(key);
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

void FeatureWriter::ExpandTemplate(const std::string& templateText, StringList& out, int level,
                                   const StringMap& variables)
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
        const std::string attrs = ConvertAttributes(parser.Attributes(), &variables);
        StringList children;
        const ElementParser bodyParser(parser.Body());
        if (templateDepth < maxTemplateDepth && bodyParser.HasElement()) {
            ExpandTemplate(parser.Body(), children, 1, variables);
        } else {
            children.push_back(EscapeText(TemplateValue(parser.Body(), variables)));
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
