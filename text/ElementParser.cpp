#include "text/ElementParser.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "text/SjisText.h"

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

// The text strictly between the bracket at `position` and its partner; without a
// partner, the rest of the text.
std::string_view ContentSpan(std::string_view source, int position, int partner)
{
    const std::size_t first = static_cast<std::size_t>(position) + 1;
    if (partner < 0) {
        return source.substr(first);
    }
    if (position < partner) {
        return source.substr(first, static_cast<std::size_t>(partner - position - 1));
    }
    return {};
}

}

ElementParser::ElementParser() = default;

ElementParser::ElementParser(std::string source) : text(std::move(source))
{
}

void ElementParser::SetText(std::string source)
{
    text = std::move(source);
    curlySource = nullptr;
}

int ElementParser::FindPartner(int position, const std::string& source) const
{
    return FindPartnerIn(position, source);
}

int ElementParser::FindPartnerIn(int position, std::string_view source) const
{
    // The partner is the first closer at which the closers after `position` outnumber
    // the openers after it; brackets of the other kind do not count.
    const char bracket = source[static_cast<std::size_t>(position)];
    return FindBalancing(source, position + 1, bracket, PartnerOf(bracket));
}

std::string ElementParser::BracketContent(int position, const std::string& source) const
{
    return std::string(ContentSpan(source, position, FindPartnerIn(position, source)));
}

int ElementParser::SplitElementAt(const std::string& source, int start, std::string& nameOut,
                                  std::string& attributesOut, std::string& bodyOut) const
{
    std::string_view nameSpan;
    std::string_view attributeSpan;
    std::string_view bodySpan;
    const int end = SplitSpans(source, start, nameSpan, attributeSpan, bodySpan);
    nameOut.assign(nameSpan);
    attributesOut.assign(attributeSpan);
    bodyOut.assign(bodySpan);
    return end;
}

bool ElementParser::UsualSpans(std::string_view source, int start, std::string_view& nameOut,
                               std::string_view& attributesOut, std::string_view& bodyOut,
                               int& end)
{
    const int last = static_cast<int>(source.size()) - 1;
    const int first = FindBracket(source, start);
    if (first < 0) {
        return false;
    }
    const auto name = source.substr(static_cast<std::size_t>(start),
                                    static_cast<std::size_t>(first - start));
    if (source[static_cast<std::size_t>(first)] == '{') {
        const int curlyEnd = FindBalancing(source, first + 1, '{', '}');
        if (curlyEnd < 0) {
            return false;
        }
        nameOut = name;
        attributesOut = {};
        bodyOut = ContentSpan(source, first, curlyEnd);
        end = curlyEnd;
        return true;
    }
    if (source[static_cast<std::size_t>(first)] != '(') {
        return false;
    }
    const int roundEnd = FindBalancing(source, first + 1, '(', ')');
    if (roundEnd < 0 || roundEnd >= last || source[static_cast<std::size_t>(roundEnd) + 1] != '{') {
        return false;
    }
    const int curlyEnd = FindBalancing(source, roundEnd + 2, '{', '}');
    if (curlyEnd < 0) {
        return false;
    }
    nameOut = name;
    attributesOut = ContentSpan(source, first, roundEnd);
    bodyOut = ContentSpan(source, roundEnd + 1, curlyEnd);
    end = curlyEnd;
    return true;
}

int ElementParser::SplitSpans(std::string_view source, int start, std::string_view& nameOut,
                              std::string_view& attributesOut, std::string_view& bodyOut) const
{
    const int last = static_cast<int>(source.size()) - 1;
    // The usual shapes, NAME{BODY} and NAME(ATTRIBUTES){BODY} with balanced brackets,
    // found from the first bracket alone; anything else is left to the general rules
    // below, which give the same result for these shapes.
    int usualEnd = 0;
    if (UsualSpans(source, start, nameOut, attributesOut, bodyOut, usualEnd)) {
        return usualEnd;
    }
    nameOut = {};
    attributesOut = {};
    bodyOut = {};
    // An element needs an opening bracket before the first closing one.
    const int firstClose = FindAnyByte(source, closeBrackets, start);
    const int firstOpen =
        firstClose < 0 ? -1 : FindAnyByteBefore(source, openBrackets, start, firstClose);
    if (firstOpen < 0) {
        return last;
    }
    // NAME(ATTRIBUTES) counts only when some "{" follows its "(".
    const bool roundFirst = source[static_cast<std::size_t>(firstOpen)] == '(';
    const int curly = roundFirst ? NextCurly(source, start) : firstOpen;
    const int round = roundFirst && curly >= 0 ? firstOpen : -1;
    if (round >= 0) {
        nameOut = source.substr(static_cast<std::size_t>(start),
                                static_cast<std::size_t>(round - start));
        const int roundEnd = FindPartnerIn(round, source);
        attributesOut = ContentSpan(source, round, roundEnd);
        if (roundEnd < 0) {
            return last;
        }
        if (roundEnd + 1 <= last && source[static_cast<std::size_t>(roundEnd) + 1] == '{') {
            const int curlyEnd = FindPartnerIn(roundEnd + 1, source);
            bodyOut = ContentSpan(source, roundEnd + 1, curlyEnd);
            return curlyEnd < 0 ? last : curlyEnd;
        }
        return roundEnd;
    }
    if (curly >= 0) {
        nameOut = source.substr(static_cast<std::size_t>(start),
                                static_cast<std::size_t>(curly - start));
        const int curlyEnd = FindPartnerIn(curly, source);
        bodyOut = ContentSpan(source, curly, curlyEnd);
        return curlyEnd < 0 ? last : curlyEnd;
    }
    return last;
}

int ElementParser::NextCurly(std::string_view source, int start) const
{
    // A walk over elements without a body would search again and again for the same
    // distant "{": remember it while the same text is walked forward.
    const bool sameWalk = source.data() == curlySource && source.size() == curlySize &&
                          start > curlyFrom && (curlyAt < 0 || start <= curlyAt);
    if (!sameWalk) {
        curlySource = source.data();
        curlySize = source.size();
        curlyFrom = start;
        curlyAt = FindByte(source, '{', start);
    }
    return curlyAt;
}

bool ElementParser::NextAt(const std::string& source, int& cursor, std::string& nameOut,
                           std::string& attributesOut, std::string& bodyOut) const
{
    std::string_view nameSpan;
    std::string_view attributeSpan;
    std::string_view bodySpan;
    if (!NextSpans(source, cursor, nameSpan, attributeSpan, bodySpan)) {
        return false;
    }
    nameOut.assign(nameSpan);
    attributesOut.assign(attributeSpan);
    bodyOut.assign(bodySpan);
    return true;
}

bool ElementParser::NextSpans(std::string_view source, int& cursor, std::string_view& nameOut,
                              std::string_view& attributesOut, std::string_view& bodyOut) const
{
    if (cursor < 0) {
        cursor = 0;
    }
    if (cursor >= static_cast<int>(source.size())) {
        return false;
    }
    int end = 0;
    if (!IndexedSpans(source, cursor, end, nameOut, attributesOut, bodyOut)) {
        end = SplitSpans(source, cursor, nameOut, attributesOut, bodyOut);
    }
    // An element always ends at or after the cursor, so every step makes progress.
    cursor = end < cursor ? cursor + 1 : end + 1;
    return true;
}

void ElementParser::IndexBrackets(std::string_view source)
{
    indexedText = source;
    bracketHint = 0;
    CollectBrackets(source, brackets);
}

void ElementParser::ForgetBrackets()
{
    indexedText = {};
    brackets.count = 0;
}

std::ptrdiff_t ElementParser::IndexedPartner(std::size_t bracket, std::size_t limit) const
{
    const std::ptrdiff_t partner = brackets.partners[bracket];
    return partner >= 0 && brackets.positions[static_cast<std::size_t>(partner)] < limit ? partner
                                                                                       : -1;
}

bool ElementParser::IndexedSpans(std::string_view source, int start, int& end,
                                 std::string_view& nameOut, std::string_view& attributesOut,
                                 std::string_view& bodyOut) const
{
    // The views may point anywhere, so they are compared as addresses.
    const std::less<const char*> before;
    if (indexedText.empty() || before(source.data(), indexedText.data()) ||
        before(indexedText.data() + indexedText.size(), source.data() + source.size())) {
        return false;
    }
    // Positions below are positions in the indexed text. A part begins at a character
    // boundary of the whole, so its brackets are exactly the indexed ones inside it.
    const auto base = static_cast<std::size_t>(source.data() - indexedText.data());
    const std::size_t from = base + static_cast<std::size_t>(start);
    const std::size_t limit = base + source.size();
    // A walk asks in ascending order of positions mostly (elements, then their
    // attributes and children, depth first), so the search goes on from the last answer.
    const std::size_t count = brackets.count;
    std::size_t first = bracketHint;
    if (first > count || (first > 0 && brackets.positions[first - 1] >= from)) {
        const auto begin = brackets.positions.begin();
        first = static_cast<std::size_t>(
            std::lower_bound(begin, begin + static_cast<std::ptrdiff_t>(count), from) - begin);
    } else {
        while (first < count && brackets.positions[first] < from) {
            ++first;
        }
    }
    bracketHint = first;
    if (first == count || brackets.positions[first] >= limit) {
        return false;
    }
    const std::size_t open = brackets.positions[first];
    std::size_t curly = first;
    if (indexedText[open] == '(') {
        const std::ptrdiff_t roundEnd = IndexedPartner(first, limit);
        // A ")" is one byte, so a "{" right after it is the next bracket.
        if (roundEnd < 0 || brackets.positions[static_cast<std::size_t>(roundEnd)] + 1 >= limit ||
            indexedText[brackets.positions[static_cast<std::size_t>(roundEnd)] + 1] != '{') {
            return false;
        }
        curly = static_cast<std::size_t>(roundEnd) + 1;
        attributesOut = indexedText.substr(
            open + 1, brackets.positions[static_cast<std::size_t>(roundEnd)] - open - 1);
    } else if (indexedText[open] == '{') {
        attributesOut = {};
    } else {
        return false;
    }
    const std::ptrdiff_t curlyEnd = IndexedPartner(curly, limit);
    if (curlyEnd < 0) {
        return false;
    }
    const std::size_t bodyStart = brackets.positions[curly] + 1;
    const std::size_t bodyEnd = brackets.positions[static_cast<std::size_t>(curlyEnd)];
    nameOut = indexedText.substr(from, open - from);
    bodyOut = indexedText.substr(bodyStart, bodyEnd - bodyStart);
    end = static_cast<int>(bodyEnd - base);
    return true;
}

bool ElementParser::NextElement(int& cursor)
{
    return Step(cursor, false);
}

bool ElementParser::NextElementFull(int& cursor)
{
    return Step(cursor, true);
}

bool ElementParser::Step(int& cursor, bool full)
{
    if (cursor < 0) {
        cursor = 0;
    }
    const int start = cursor;
    name.clear();
    attributeText.clear();
    body.clear();
    elementText.clear();
    attributes.Clear();
    if (!NextAt(text, cursor, name, attributeText, body)) {
        return false;
    }
    if (full && !attributeText.empty()) {
        ParseAttributes(attributeText, attributes);
    }
    if (full && !body.empty()) {
        SplitItems(body, items);
    }
    elementText.assign(text, static_cast<std::size_t>(start),
                       static_cast<std::size_t>(cursor - start));
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
    ForEachCommaItem(source, [&](std::string_view item) { target.emplace_back(item); });
    return static_cast<int>(target.size());
}
