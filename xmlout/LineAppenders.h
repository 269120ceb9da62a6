#pragma once

#include <string>
#include <string_view>

#include "text/StringList.h"

// Appends XML lines to either kind of output the writers compose: text on its way to a
// file, where each line ends in CR LF, or a line list of the document head, one entry
// a line without its end. Code written against these appenders composes the same
// lines for both.

inline constexpr std::string_view lineEnd = "\r\n";

// Opens a line of `indent` spaces; returns the text that the line's content goes to.
inline std::string& StartLine(std::string& out, int indent)
{
    out.append(static_cast<std::size_t>(indent), ' ');
    return out;
}

inline std::string& StartLine(StringList& out, int indent)
{
    out.emplace_back(static_cast<std::size_t>(indent), ' ');
    return out.back();
}

inline void EndLine(std::string& out)
{
    out += lineEnd;
}

inline void EndLine(StringList&)
{
}

template <class Lines>
void AppendLine(Lines& out, int indent, std::string_view text)
{
    StartLine(out, indent) += text;
    EndLine(out);
}

// <tag attrs>
template <class Lines>
void AppendStartTag(Lines& out, int indent, std::string_view tag, std::string_view attrs)
{
    std::string& line = StartLine(out, indent);
    line += '<';
    line += tag;
    line += attrs;
    line += '>';
    EndLine(out);
}

template <class Lines>
void AppendEndTag(Lines& out, int indent, std::string_view tag)
{
    std::string& line = StartLine(out, indent);
    line += "</";
    line += tag;
    line += '>';
    EndLine(out);
}
