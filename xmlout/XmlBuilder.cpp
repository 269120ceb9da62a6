#include "xmlout/XmlBuilder.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "text/SjisText.h"
#include "xmlout/LineAppenders.h"
#include "xmlout/OutputFile.h"

namespace {

bool IsNameStart(char byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '_' ||
           byte == ':';
}

bool IsNameChar(char byte)
{
    return IsNameStart(byte) || (byte >= '0' && byte <= '9') || byte == '.' || byte == '-';
}

bool IsHexDigit(char byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'f') ||
           (byte >= 'A' && byte <= 'F');
}

// Whether the "&" at `position` begins a character or entity reference.
bool BeginsReference(std::string_view text, std::size_t position)
{
    std::size_t next = position + 1;
    if (next < text.size() && text[next] == '#') {
        ++next;
        bool hex = false;
        if (next < text.size() && text[next] == 'x') {
            hex = true;
            ++next;
        }
        const std::size_t first = next;
        while (next < text.size() &&
               (hex ? IsHexDigit(text[next]) : (text[next] >= '0' && text[next] <= '9'))) {
            ++next;
        }
        return next > first && next < text.size() && text[next] == ';';
    }
    if (next >= text.size() || !IsNameStart(text[next])) {
        return false;
    }
    while (next < text.size() && IsNameChar(text[next])) {
        ++next;
    }
    return next < text.size() && text[next] == ';';
}

// The first byte at or after `from` that may need escaping ("<", "&" or "'"), or the
// size. Most texts have none, so eight bytes are tested at a time.
std::size_t NextSpecial(std::string_view text, std::size_t from)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t highs = 0x8080808080808080ull;
    std::size_t position = from;
    for (; position + 8 <= text.size(); position += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + position, sizeof word);
        std::uint64_t found = 0;
        for (const std::uint64_t pattern : {ones * '<', ones * '&', ones * '\''}) {
            const std::uint64_t x = word ^ pattern;
            found |= (x - ones) & ~x & highs;
        }
        if (found != 0) {
            return position + static_cast<std::size_t>(std::countr_zero(found)) / 8;
        }
    }
    for (; position < text.size(); ++position) {
        const char byte = text[position];
        if (byte == '<' || byte == '&' || byte == '\'') {
            return position;
        }
    }
    return position;
}

// "<", "&" and "'" are below 0x40 and so never trail bytes: a byte scan is safe.
void AppendEscaped(std::string& out, std::string_view text, bool attribute)
{
    std::size_t done = 0;
    for (std::size_t i = NextSpecial(text, 0); i < text.size(); i = NextSpecial(text, i + 1)) {
        const char byte = text[i];
        const char* replacement = nullptr;
        if (byte == '<') {
            replacement = "&lt;";
        } else if (byte == '&' && !BeginsReference(text, i)) {
            replacement = "&amp;";
        } else if (byte == '\'' && attribute) {
            replacement = "&apos;";
        }
        if (replacement != nullptr) {
            out.append(text.substr(done, i - done));
            out += replacement;
            done = i + 1;
        }
    }
    out.append(text.substr(done));
}

}

XmlBuilder::XmlBuilder()
{
    BuildSnippets();
}

std::string XmlBuilder::Indent(int level)
{
    return level > 0 ? std::string(static_cast<std::size_t>(level * indentWidth), ' ')
                     : std::string();
}

void XmlBuilder::IndentLines(StringList& lines, int level)
{
    const std::string prefix = Indent(level);
    for (std::string& line : lines) {
        line.insert(0, prefix);
    }
}

std::string XmlBuilder::EscapeText(std::string_view text)
{
    std::string out;
    AppendEscaped(out, text, false);
    return out;
}

void XmlBuilder::AppendEscapedText(std::string& out, std::string_view text)
{
    AppendEscaped(out, text, false);
}

void XmlBuilder::AppendEscapedAttribute(std::string& out, std::string_view value)
{
    AppendEscaped(out, value, true);
}

std::string XmlBuilder::Quote(std::string_view value)
{
    std::string out = "'";
    AppendEscaped(out, value, true);
    out += '\'';
    return out;
}

std::string XmlBuilder::Attribute(std::string_view name, std::string_view value)
{
    std::string out = " ";
    out += name;
    out += '=';
    out += Quote(value);
    return out;
}

std::string XmlBuilder::AttributeList(const StringMap& attributes)
{
    std::string out;
    attributes.ForEach([&](const std::string& name, const std::string& value) {
        out += ' ';
        out += name;
        out += "='";
        AppendEscaped(out, value, true);
        out += '\'';
    });
    return out;
}

std::string XmlBuilder::StartTag(std::string_view name)
{
    return StartTagWithAttributes(name, "");
}

std::string XmlBuilder::StartTagWithAttributes(std::string_view name, std::string_view attrs)
{
    std::string out = "<";
    out += name;
    out += attrs;
    out += '>';
    return out;
}

std::string XmlBuilder::EndTag(std::string_view name)
{
    std::string out = "</";
    out += name;
    out += '>';
    return out;
}

std::string XmlBuilder::EmptyElement(std::string_view name, std::string_view attrs)
{
    std::string out = StartTagWithAttributes(name, attrs);
    out.insert(out.size() - 1, "/");
    return out;
}

std::string XmlBuilder::TextElement(std::string_view name, std::string_view text)
{
    std::string out = StartTag(name);
    out += text;
    out += EndTag(name);
    return out;
}

std::string XmlBuilder::InlineElement(std::string_view name, std::string_view attrs,
                                      const StringList& lines)
{
    if (lines.empty() && !attrs.empty()) {
        return EmptyElement(name, attrs);
    }
    std::string out = StartTagWithAttributes(name, attrs);
    for (const std::string& line : lines) {
        out += line;
    }
    out += EndTag(name);
    return out;
}

std::string XmlBuilder::CommentLine(std::string_view text)
{
    std::string out = "<!-- ";
    out += text;
    out += " -->";
    return out;
}

void XmlBuilder::BlockElement(StringList& out, std::string_view name, std::string_view attrs,
                              const StringList& children, int level)
{
    out.clear();
    out.push_back(StartTagWithAttributes(name, attrs));
    const std::string prefix = Indent(level);
    for (const std::string& child : children) {
        out.push_back(prefix + child);
    }
    out.push_back(EndTag(name));
}

void XmlBuilder::InsertBeforeClosing(StringList& lines, std::string_view name,
                                     StringList& inserted, int level)
{
    const std::string closing = "</" + std::string(name);
    for (auto line = lines.begin(); line != lines.end(); ++line) {
        const int match = FindText(*line, closing, 0);
        if (match < 0) {
            continue;
        }
        const std::string prefix = line->substr(0, static_cast<std::size_t>(match)) + Indent(level);
        const std::size_t at = static_cast<std::size_t>(std::distance(lines.begin(), line));
        StringList indented;
        for (const std::string& entry : inserted) {
            indented.push_back(prefix + entry);
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), indented.begin(),
                     indented.end());
        inserted.clear();
        return;
    }
}

std::string XmlBuilder::Snippet(const std::string& key) const
{
    return snippets.GetOr(key, key);
}

int XmlBuilder::BuildSnippets()
{
    snippets.Clear();
    snippets.Set("interplation_linear", TextElement("interpolation", "linear"));
    snippets.Set("interplation_planar", TextElement("interpolation", "planar"));
    snippets.Set("endPeriod_now", EmptyElement("endPeriod", Attribute("indeterminatePosition", "now")));
    snippets.Set("indeterminatePosition_before", Attribute("indeterminatePosition", "before"));
    return static_cast<int>(snippets.Size());
}

int XmlBuilder::WriteLines(const StringList& lines, OutputFile& file, int level,
                           int blanksBefore, int blanksAfter, bool shiftJis)
{
    const std::string prefix = Indent(level);
    WriteBlankLines(file, blanksBefore, shiftJis);
    int count = 0;
    for (const std::string& line : lines) {
        // The prefix is ASCII, identical in both encodings.
        file.Write(prefix);
        if (shiftJis) {
            file.Write(line);
        } else {
            file.WriteUtf8(line);
        }
        file.Write(lineEnd);
        ++count;
    }
    WriteBlankLines(file, blanksAfter, shiftJis);
    return count;
}

void XmlBuilder::WriteBlankLines(OutputFile& file, int count, bool)
{
    // A line end is the same two bytes in Shift_JIS and in UTF-8.
    for (int i = 0; i < count; ++i) {
        file.Write(lineEnd);
    }
}

