#include "engine/ElementParser.h"

#include <utility>

#include "engine/SjisText.h"

namespace {

char PartnerOf(char bracket)
{
    switch (bracket) {
    case '(':
        return ')';
    case ')':
        return '(';
    case '{':
        return '}';
    default:
        return '{';
    }
}

}

ElementParser::ElementParser() = default;

ElementParser::ElementParser(std::string source) : text(std::move(source))
{
}

void ElementParser::SetText(std::string source)
{
    text = std::move(source);
}

int ElementParser::FindPartner(int position, const std::string& source) const
{
    const char opener = source[position];
    const char closer = PartnerOf(opener);
    int closing = position;
    int opening = position;
    // Each further opener before the next closer pushes the match one closer on.
    do {
        closing = FindByte(source, closer, closing + 1);
        opening = FindByte(source, opener, opening + 1);
    } while (opening > 0 && opening < closing);
    return closing;
}

std::string ElementParser::BracketContent(int position, const std::string& source) const
{
    const int partner = FindPartner(position, source);
    if (partner < 0) {
        return source.substr(position + 1);
    }
    if (position < partner) {
        return source.substr(position + 1, partner - position - 1);
    }
    return {};
}

int ElementParser::SplitElementAt(const std::string& source, int start, std::string& nameOut,
                                  std::string& attributesOut, std::string& bodyOut) const
{
    const int last = static_cast<int>(source.size()) - 1;
    const int firstOpen = FindAnyByte(source, openBrackets, start);
    const int firstClose = FindAnyByte(source, closeBrackets, start);
    if (firstClose >= 0 && firstOpen >= 0 && firstOpen < firstClose) {
        const int round = FindByte(source, '(', start);
        const int curly = FindByte(source, '{', start);
        if (round >= 0 && round < curly) {
            nameOut = source.substr(start, round - start);
            attributesOut = BracketContent(round, source);
            const int roundEnd = FindPartner(round, source);
            if (roundEnd < 0) {
                bodyOut.clear();
                return last;
            }
            if (roundEnd + 1 <= last && source[roundEnd + 1] == '{') {
                bodyOut = BracketContent(roundEnd + 1, source);
                const int curlyEnd = FindPartner(roundEnd + 1, source);
                return curlyEnd < 0 ? last : curlyEnd;
            }
            bodyOut.clear();
            return roundEnd;
        }
        if (curly >= 0) {
            nameOut = source.substr(start, curly - start);
            attributesOut.clear();
            bodyOut = BracketContent(curly, source);
            const int curlyEnd = FindPartner(curly, source);
            return curlyEnd < 0 ? last : curlyEnd;
        }
    }
    nameOut.clear();
    attributesOut.clear();
    bodyOut.clear();
    return last;
}

bool ElementParser::NextAt(const std::string& source, int& cursor, std::string& nameOut,
                           std::string& attributesOut, std::string& bodyOut) const
{
    if (cursor >= static_cast<int>(source.size())) {
        return false;
    }
    const int end = SplitElementAt(source, cursor, nameOut, attributesOut, bodyOut);
    // An element always ends at or after the cursor, so every step makes progress.
    cursor = end < cursor ? cursor + 1 : end + 1;
    return true;
}

bool ElementParser::NextElement(int& cursor)
{
    const int start = cursor;
    name.clear();
    attributeText.clear();
    body.clear();
    elementText.clear();
    attributes.Clear();
    if (!NextAt(text, cursor, name, attributeText, body)) {
        return false;
    }
    elementText.assign(text, start < 0 ? 0 : start, cursor - start);
    return true;
}

bool ElementParser::NextElementFull(int& cursor)
{
    const int start = cursor;
    name.clear();
    attributeText.clear();
    body.clear();
    elementText.clear();
    attributes.Clear();
    if (!NextAt(text, cursor, name, attributeText, body)) {
        return false;
    }
    if (!attributeText.empty()) {
        ParseAttributes(attributeText, attributes);
    }
    if (!body.empty()) {
        SplitItems(body, items);
    }
    elementText.assign(text, start < 0 ? 0 : start, cursor - start);
    return true;
}

bool ElementParser::HasElement() const
{
    std::string nameOut;
    std::string attributesOut;
    std::string bodyOut;
    SplitElementAt(text, 0, nameOut, attributesOut, bodyOut);
    return !nameOut.empty();
}

int ElementParser::ParseAttributes(const std::string& source, StringMap& target) const
{
    target.Clear();
    int cursor = 0;
    int steps = 0;
    std::string key;
    std::string ignored;
    std::string value;
    while (NextAt(source, cursor, key, ignored, value)) {
        target.Set(key, value);
        ++steps;
    }
    return steps;
}

int ElementParser::SplitItems(const std::string& source, StringList& target) const
{
    const int length = static_cast<int>(source.size());
    int position = 0;
    while (position <= length) {
        const int comma = FindByte(source, ',', position);
        if (comma >= 0) {
            target.emplace_back(source, position, comma - position);
            position = comma + 1;
        } else {
            target.emplace_back(source, position);
            position = length + 1;
        }
    }
    return static_cast<int>(target.size());
}
