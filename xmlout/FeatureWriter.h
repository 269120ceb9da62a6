#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "readers/FilesetReader.h"
#include "text/StringList.h"
#include "text/StringMap.h"
#include "xmlout/XmlBuilder.h"

class OutputFile;

// Turns record lines and the settings' templates into XML lines. A record line holds
// NAME(ATTRIBUTES){BODY}; its children are chosen by code: "CV" curve, "PT" point,
// "SF" surface, "PD" period, "EG" and "ND" topology references, anything else a value.
// Names pass through the "Convert" section, attribute values through the metadata and
// then "Convert"; an "ID" value gets the fileset code after its second byte.
//
// One class in three files, one idea each: FeatureWriter.cpp composes records,
// PointLines.cpp writes the point lines of curves and points in batches, and
// HeadTemplates.cpp expands the settings' templates into the document head.
//
// Not to be shared between threads: the const writers keep scratch text and caches of
// names and the reference line in mutable members. Each run has a writer of its own,
// and each further thread that composes the run's records a composing copy.
class FeatureWriter : public FilesetReader, public XmlBuilder
{
public:
    explicit FeatureWriter(const std::filesystem::path& settingsFile);
    // A composing copy: writes every record as `source` would now, from copies of its
    // settings, metadata, start point and fileset code and from `source`'s point table,
    // read in place, which must stay unchanged while the copy is used. Scratch text and
    // caches are the copy's own.
    struct ComposingCopy
    {
    };
    FeatureWriter(const FeatureWriter& source, ComposingCopy);

    // Converts one record line and writes it: per outer element one empty line, then
    // the element's lines indented by 4 spaces. Elements whose XML name is empty are
    // left out.
    void WriteRecord(std::string_view record, OutputFile& file, bool shiftJis);
    // The attribute text of one element, in the hash order of the output names. A value
    // that names one of `variables` takes its value instead of the metadata's.
    std::string ConvertAttributes(const StringMap& attributes,
                                  const StringMap* variables = nullptr) const;

    // The title of a document, DS_TITLE and the fileset name; the per-kind form names
    // the kind in brackets.
    std::string DocumentTitle(const std::string& filesetName) const;
    std::string DocumentTitle(const std::string& filesetName, const std::string& kindName) const;
    // The metadata block, from MetaDataTemplate with DS_TITLE_NAME = `title`.
    void BuildMetadataLines(StringList& out, const std::string& title);
    // The dataset information, from DataSetTemplate with DS_TITLE_NAME = `title`,
    // FILESET_CODE and DS_INFO_ID made from `code`, and the extent rectangle inserted.
    void BuildDatasetInformation(StringList& out, const std::string& code,
                                 const std::string& title);
    // Appends the XML lines of a template text. A leaf or attribute value that names
    // one of `variables` takes its value, any other the metadata's.
    void ExpandTemplate(const std::string& templateText, StringList& out, int level,
                        const StringMap& variables = StringMap());

    std::string BuildDoctype() const;
    static std::string BuildXmlDeclaration(bool shiftJis);

private:
    enum class ChildKind
    {
        Curve,
        Topology,
        Period,
        Point,
        Surface,
        Value,
    };
    // The writer of a child code; any code but the six geometric ones is a value.
    static ChildKind KindOf(std::string_view code);

    // The streaming writers append finished lines (indentation, text, CR LF) to `out`,
    // so a record reaches the file in one piece, converted once.
    void EmitChild(std::string& out, int indent, ChildKind kind, std::string_view code,
                   std::string_view attributeSource, std::string_view value) const;
    void EmitCurve(std::string& out, int indent, std::string_view tag,
                   std::string_view attrs, std::string_view value) const;
    void EmitPoint(std::string& out, int indent, std::string_view tag,
                   std::string_view attrs, std::string_view value) const;
    // The surface of a record (into text) and of the dataset extent (into a line list).
    template <class Lines>
    void EmitSurface(Lines& out, int indent, std::string_view tag, std::string_view attrs,
                     double dx, double dy) const;
    void EmitPeriod(std::string& out, int indent, std::string_view tag,
                    std::string_view attrs, std::string_view value) const;
    void EmitTopology(std::string& out, int indent, std::string_view tag,
                      std::string_view attrs, std::string_view value) const;
    void EmitValue(std::string& out, int indent, std::string_view code, std::string_view tag,
                   std::string_view attrs, std::string_view value) const;
    // One line per point number of a leaf body: indentation, the open tag, the point's
    // coordinates (empty for a number outside the points), the close tag and line end.
    void AppendPointLines(std::string& out, int indent, std::string_view openTag,
                          std::string_view numbers, std::string_view closeTagAndLineEnd) const;
    // A point line: indentation and open tag, the coordinates, close tag and line end.
    // The open and close pieces are kept in blocks of pieceSize bytes that are copied
    // whole; the coordinates are copied as their whole slot, and the close piece is
    // placed at the text's end, which overwrites the slot's padding.
    static constexpr std::size_t pieceSize = 32;
    struct PointLineShape
    {
        PointLineShape(std::string_view openPrefix, std::string_view closeAndLineEnd);
        std::string_view prefix;
        std::string_view suffix;
        std::size_t lineBytes;  // without the coordinates
        bool templated;         // both pieces fit their blocks
        std::array<char, pieceSize> prefixBlock{};
        std::array<char, pieceSize> suffixBlock{};
    };
    // Point numbers (from 1; 0 for an item that names none) of up to 64 items.
    using PointBatch = std::array<std::size_t, 64>;
    // Remembers where the record's first byte above 0x7F lies, before ASCII point lines
    // are appended behind it.
    void NoteNonAsciiBefore(const std::string& out) const;
    // Reads the next items of a leaf body into `batch`; returns how many.
    std::size_t ReadPointBatch(std::string_view numbers, std::size_t& position,
                               PointBatch& batch) const;
    // Appends the lines of the batch from its start while their points have a text in
    // the table, from slots of `size` bytes; returns how many were written.
    template <std::size_t size>
    std::size_t AppendTemplatedLines(std::string& out, const PointLineShape& shape,
                                     const PointBatch& batch, std::size_t count) const;
    // Appends the lines of batch items `from` to `count` piece by piece.
    void AppendGeneralLines(std::string& out, const PointLineShape& shape,
                            const PointBatch& batch, std::size_t from, std::size_t count) const;
    // The point (counted from 1) that the item at `position` of a leaf body names, or
    // 0 when it names none of the loaded points; moves `position` past the item and its
    // comma.
    std::size_t NextPointItem(std::string_view numbers, std::size_t& position) const;
    // Asks for the first point of the child at `cursor` of a record body when that
    // child is a curve or a point: the table is far larger than the caches, and the
    // coordinates are then on their way while the child before is written. A hint only;
    // nothing written depends on it.
    void PrefetchChildPoint(std::string_view recordBody, int cursor) const;
    // NextPointItem for every item but one to seven digits and a comma.
    std::size_t NextOtherPointItem(std::string_view numbers, std::size_t& position) const;
    // The attribute text of NAME(ATTRIBUTES) into `out`.
    void ConvertAttributeText(std::string_view attributeSource, std::string& out) const;
    // ConvertBodyView for the short codes and names that every record repeats, from a
    // small cache kept while the "Convert" table is unchanged.
    std::string_view OutputName(std::string_view code) const;
    // An attribute value after the fileset code (for "ID"), metadata and "Convert".
    std::string_view ConvertedValue(std::string_view key, std::string_view value) const;
    // The reference line of curves, points and surfaces, from "REMARK_CODE"; checked
    // once per record, as the metadata cannot change while a record is written, looked
    // up again only when the metadata changed and composed again only when the value
    // did.
    void RefreshCrsLine() const;
    // A template's leaf value: the variable it names, else the metadata's value.
    std::string TemplateValue(const std::string& key, const StringMap& variables) const;

    // Scratch space reused from record to record.
    mutable std::string idValue;
    // Of the record being composed: the first byte above 0x7F found so far (npos for
    // none), and the position from which the text has not been searched for one.
    mutable std::size_t firstNonAscii = std::string::npos;
    mutable std::size_t asciiScanFrom = 0;
    mutable std::string pointLinePrefix;
    // Converted attribute texts of the record, the child and a topology reference in hand.
    mutable std::string recordAttributes;
    mutable std::string childAttributes;
    mutable std::string referenceAttributes;
    struct CachedName
    {
        std::uint64_t code = 0;  // the code's bytes, packed (see OutputName)
        std::size_t length = 0;  // 0: the slot is empty
        bool converted = false;  // false: the table has no entry, the code stands
        std::string_view name;
    };
    mutable std::array<CachedName, 64> nameCache;
    mutable std::uint64_t nameCacheVersion = ~std::uint64_t{0};
    mutable std::string crsLine;
    mutable std::string crsCode;  // the "REMARK_CODE" value crsLine was made from
    mutable std::uint64_t crsVersion = 0;  // the metadata's version when last checked
    mutable bool crsLineReady = false;
    const std::string linearSnippet;
    const std::string planarSnippet;
    const std::string beforeSnippet;
    const std::string nowSnippet;
};
