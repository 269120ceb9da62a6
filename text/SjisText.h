#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/Cp932.h"

// Searches in code page 932 text. Each search starts at a character boundary and steps
// over double-byte characters, so a trail byte is never taken for the byte sought.
// The bytes sought are single-byte characters (below 0x80). Positions are byte
// offsets; -1 means not found.

int FindByte(std::string_view text, char wanted, int from);
// The first byte at or after `from` that is one of `wanted`.
int FindAnyByte(std::string_view text, std::string_view wanted, int from);
// As FindAnyByte, looking only before position `limit`.
int FindAnyByteBefore(std::string_view text, std::string_view wanted, int from, int limit);
// A text cut at its first comma: `before` it and `after` it; without a comma `before`
// is the whole text, `after` is empty and `found` false.
struct CommaSplit
{
    std::string_view before;
    std::string_view after;
    bool found;
};
CommaSplit SplitAtComma(std::string_view text);

// Calls visit(item) for every comma-separated item of a text, in order; empty items
// count, so n commas give n + 1 items. A comma cannot be a trail byte, but a lead byte
// still takes the byte after it.
template <typename Visit>
void ForEachCommaItem(std::string_view text, Visit&& visit);

// The first of "(", ")", "{" and "}" at or after `from`.
int FindBracket(std::string_view text, int from);
// The "(", ")", "{" and "}" characters of a text: their positions, ascending, and for
// each opener the index of the closer that balances it (the first closer of its kind
// at which everything of that kind opened since is closed again), -1 for an opener
// without one and for closers. The arrays are reused from text to text and only grow:
// only their first `count` entries belong to the text.
struct Brackets
{
    std::size_t count = 0;
    std::vector<std::size_t> positions;
    std::vector<std::ptrdiff_t> partners;
    std::vector<std::size_t> openRound;  // scratch of CollectBrackets
    std::vector<std::size_t> openCurly;
};
// Fills `brackets` (replacing what it held) in one walk over the text.
void CollectBrackets(std::string_view text, Brackets& brackets);
// The first `closer` at or after `from` at which the closers seen outnumber the
// `opener`s seen (the partner of an opener just before `from`).
int FindBalancing(std::string_view text, int from, char opener, char closer);
int FindText(std::string_view text, std::string_view wanted, int from);

// Equal when the texts differ only in the case of ASCII letters of single-byte
// characters (a trail byte is never folded).
bool EqualsIgnoreCase(std::string_view left, std::string_view right);
// Equality of bytes with ASCII letters compared without case, for texts whose bytes
// above 0x7F never look like ASCII (UTF-8 file names).
bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right);

template <typename Visit>
void ForEachCommaItem(std::string_view text, Visit&& visit)
{
    const std::size_t length = text.size();
    std::size_t start = 0;
    std::size_t position = 0;
    while (position < length) {
        const unsigned char byte = static_cast<unsigned char>(text[position]);
        if (byte == ',') {
            visit(text.substr(start, position - start));
            start = position + 1;
        } else if (IsLeadByte(byte)) {
            ++position;
        }
        ++position;
    }
    visit(text.substr(start));
}
