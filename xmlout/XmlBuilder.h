#pragma once

#include <string>
#include <string_view>

#include "text/EngineObject.h"
#include "text/StringList.h"
#include "text/StringMap.h"

class OutputFile;

// Composes XML as text: tags, attribute texts and lines (strings without line ends),
// and writes line lists in Shift_JIS or UTF-8. No document tree is ever built.
//
// Attribute values are quoted with single quotes and escaped where they are quoted;
// text content from data is escaped by the writers with EscapeText. Element names,
// comments and the fixed snippets are written as they are.
class XmlBuilder : public EngineObject
{
public:
    XmlBuilder();

    static constexpr int indentWidth = 2;

    static std::string Indent(int level);
    static void IndentLines(StringList& lines, int level);

    // "<" becomes "&lt;" and "&" becomes "&amp;" unless it already begins a reference
    // (&name; &#digits; &#xhex;). Nothing else changes.
    static std::string EscapeText(std::string_view text);
    static void AppendEscapedText(std::string& out, std::string_view text);
    // As AppendEscapedText, and "'" becomes "&apos;" so a value cannot end its quotes
    // early.
    static void AppendEscapedAttribute(std::string& out, std::string_view value);

    static std::string Quote(std::string_view value);
    static std::string Attribute(std::string_view name, std::string_view value);
    static std::string AttributeList(const StringMap& attributes);
    static std::string StartTag(std::string_view name);
    static std::string StartTagWithAttributes(std::string_view name, std::string_view attrs);
    static std::string EndTag(std::string_view name);
    static std::string EmptyElement(std::string_view name, std::string_view attrs);
    static std::string TextElement(std::string_view name, std::string_view text);
    static std::string InlineElement(std::string_view name, std::string_view attrs,
                                     const StringList& lines);
    static std::string CommentLine(std::string_view text);

    static void BlockElement(StringList& out, std::string_view name, std::string_view attrs,
                             const StringList& children, int level);
    // Puts `inserted` before the first line containing "</" + name, each line with that
    // line's leading text and one more level in front; `inserted` is left empty.
    static void InsertBeforeClosing(StringList& lines, std::string_view name,
                                    StringList& inserted, int level);

    // The fixed text of `key`, or the key itself when there is none.
    std::string Snippet(const std::string& key) const;
    int BuildSnippets();

    // Writes blanksBefore empty lines, the lines with `level` indentation, then
    // blanksAfter empty lines, each ending in CR LF, converted to UTF-8 unless shiftJis.
    // Returns the number of list lines written. Failures are kept by the file.
    static int WriteLines(const StringList& lines, OutputFile& file, int level,
                          int blanksBefore, int blanksAfter, bool shiftJis);
    static void WriteBlankLines(OutputFile& file, int count, bool shiftJis);

private:
    StringMap snippets;
};
