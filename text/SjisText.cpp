#include "text/SjisText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "text/Cp932.h"
#include "text/Simd.h"


namespace {

char FoldAscii(char byte)
{
    return (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : byte;
}

}

namespace {

#if ORDEVIK_SSE2
// Steps over 16-byte blocks that hold none of up to four sought bytes and no byte
// above 0x7F.
class BlockSkipper
{
public:
    static constexpr std::size_t maxSought = 4;

    explicit BlockSkipper(const unsigned char (&sought)[maxSought])
        : pattern0(_mm_set1_epi8(static_cast<char>(sought[0]))),
          pattern1(_mm_set1_epi8(static_cast<char>(sought[1]))),
          pattern2(_mm_set1_epi8(static_cast<char>(sought[2]))),
          pattern3(_mm_set1_epi8(static_cast<char>(sought[3])))
    {
    }

    // The first position from `position` on that holds a sought byte or one above
    // 0x7F, or where less than a block is left before `end`.
    int Skip(const unsigned char* bytes, int position, int end) const
    {
        while (position + 16 <= end) {
            const __m128i block =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + position));
            const __m128i hits = _mm_or_si128(
                _mm_or_si128(block, _mm_cmpeq_epi8(block, pattern0)),
                _mm_or_si128(_mm_cmpeq_epi8(block, pattern1),
                             _mm_or_si128(_mm_cmpeq_epi8(block, pattern2),
                                          _mm_cmpeq_epi8(block, pattern3))));
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
            if (mask != 0) {
                return position + std::countr_zero(mask);
            }
            position += 16;
        }
        return position;
    }

private:
    __m128i pattern0;
    __m128i pattern1;
    __m128i pattern2;
    __m128i pattern3;
};
#else
// Steps over 8-byte words that hold none of up to two sought bytes and no byte above
// 0x7F.
class BlockSkipper
{
public:
    static constexpr std::size_t maxSought = 2;

    explicit BlockSkipper(const unsigned char (&sought)[4])
        : firstPattern(everyByte * sought[0]), secondPattern(everyByte * sought[1])
    {
    }

    // The first position from `position` on that may hold a sought byte or one above
    // 0x7F, or where less than a word is left before `end`.
    int Skip(const unsigned char* bytes, int position, int end) const
    {
        while (position + 8 <= end) {
            std::uint64_t word;
            std::memcpy(&word, bytes + position, sizeof word);
            const std::uint64_t hits = (word & highBits) | HasZeroByte(word ^ firstPattern) |
                                       HasZeroByte(word ^ secondPattern);
            if (hits != 0) {
                // The lowest flagged byte is exact; flags above it may be false.
                return position + std::countr_zero(hits) / 8;
            }
            position += 8;
        }
        return position;
    }

private:
    static constexpr std::uint64_t everyByte = 0x0101010101010101ull;
    static constexpr std::uint64_t highBits = 0x8080808080808080ull;

    // Non-zero when some byte of the word is zero.
    static std::uint64_t HasZeroByte(std::uint64_t word)
    {
        return (word - everyByte) & ~word & highBits;
    }

    std::uint64_t firstPattern;
    std::uint64_t secondPattern;
};
#endif

}

int FindAnyByteBefore(std::string_view text, std::string_view wanted, int from, int limit)
{
    if (wanted.empty()) {
        return -1;
    }
    const int end = std::min(limit, static_cast<int>(text.size()));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    // Up to four sought bytes are compared at once (missing ones repeat the first);
    // more are looked up in `wanted`.
    unsigned char sought[4];
    for (std::size_t i = 0; i < 4; ++i) {
        sought[i] = static_cast<unsigned char>(wanted[i < wanted.size() ? i : 0]);
    }
    // Whole blocks are skipped while none of their bytes is sought or above 0x7F.
    const bool skipBlocks = wanted.size() <= BlockSkipper::maxSought;
    const BlockSkipper skipper(sought);
    int position = from < 0 ? 0 : from;
    while (position < end) {
        if (skipBlocks) {
            position = skipper.Skip(bytes, position, end);
            if (position >= end) {
                break;
            }
        }
        const unsigned char byte = bytes[position];
        // A lead byte takes the byte after it, whatever that is.
        if (IsLeadByte(byte)) {
            position += 2;
            continue;
        }
        if (byte == sought[0] || byte == sought[1] || byte == sought[2] || byte == sought[3] ||
            (wanted.size() > 4 && wanted.find(static_cast<char>(byte)) != std::string_view::npos)) {
            return position;
        }
        ++position;
    }
    return -1;
}

namespace {

bool IsBracket(unsigned char byte)
{
    return byte == '(' || byte == ')' || byte == '{' || byte == '}';
}

#if ORDEVIK_SSE2
// A bit for every byte of the block that is a bracket. "(" and ")" differ only in the
// lowest bit, so one comparison finds both.
unsigned BracketBytes(__m128i block)
{
    const __m128i round =
        _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(0x01)), _mm_set1_epi8(')'));
    const __m128i curly = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('{')),
                                       _mm_cmpeq_epi8(block, _mm_set1_epi8('}')));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(round, curly)));
}
#endif

}

namespace {

// Walks the characters of `text` from `from` (a character boundary). Where a 16-byte
// block begins, its bytes before the first one above 0x7F are single-byte characters
// and go to block(position, block, count) at once; the byte above 0x7F and what
// follows are stepped one character at a time, each single byte to single(position,
// byte). Either handler stops the walk by returning a position (>= 0); the walk then
// returns it, otherwise -1.
template <typename Block, typename Single>
int WalkCharacters(std::string_view text, int from, Block&& block, Single&& single)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const int end = static_cast<int>(text.size());
    int position = from < 0 ? 0 : from;
    while (position < end) {
#if ORDEVIK_SSE2
        if (position + 16 <= end) {
            const __m128i data =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + position));
            const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(data));
            const int plain = high == 0 ? 16 : std::countr_zero(high);
            const int found = block(position, data, plain);
            if (found >= 0) {
                return found;
            }
            position += plain;
            if (plain == 16) {
                continue;
            }
        }
#else
        (void)block;
#endif
        const unsigned char byte = bytes[position];
        if (IsLeadByte(byte)) {
            position += 2;
            continue;
        }
        const int found = single(position, byte);
        if (found >= 0) {
            return found;
        }
        ++position;
    }
    return -1;
}

#if ORDEVIK_SSE2
// The bits of the first `count` bytes of a mask.
unsigned FirstBits(unsigned mask, int count)
{
    return mask & ((1u << count) - 1);
}
#endif

}

int FindBracket(std::string_view text, int from)
{
    return WalkCharacters(
        text, from,
        [](int position, auto data, int count) {
#if ORDEVIK_SSE2
            const unsigned brackets = FirstBits(BracketBytes(data), count);
            return brackets != 0 ? position + std::countr_zero(brackets) : -1;
#else
            return -1;
#endif
        },
        [](int position, unsigned char byte) { return IsBracket(byte) ? position : -1; });
}

void CollectBrackets(std::string_view text, Brackets& brackets)
{
    // The arrays are written through pointers, with room for a whole block of brackets
    // made before each block: a record has tens of brackets, and checking and growing
    // vectors per bracket would cost more than finding them.
    std::size_t count = 0;
    std::size_t rounds = 0;  // openers of each kind not yet balanced
    std::size_t curlies = 0;
    std::size_t* positions = brackets.positions.data();
    std::ptrdiff_t* partners = brackets.partners.data();
    std::size_t* openRound = brackets.openRound.data();
    std::size_t* openCurly = brackets.openCurly.data();
    auto makeRoom = [&] {
        if (count + 16 <= brackets.positions.size()) {
            return;
        }
        const std::size_t size = std::max<std::size_t>(64, brackets.positions.size() * 2);
        for (std::vector<std::size_t>* array :
             {&brackets.positions, &brackets.openRound, &brackets.openCurly}) {
            array->resize(size);
        }
        brackets.partners.resize(size);
        positions = brackets.positions.data();
        partners = brackets.partners.data();
        openRound = brackets.openRound.data();
        openCurly = brackets.openCurly.data();
    };
    auto add = [&](int position, unsigned char bracket) {
        const std::size_t index = count++;
        positions[index] = static_cast<std::size_t>(position);
        partners[index] = -1;
        if (bracket == '(') {
            openRound[rounds++] = index;
        } else if (bracket == '{') {
            openCurly[curlies++] = index;
        } else if (bracket == ')') {
            if (rounds != 0) {
                partners[openRound[--rounds]] = static_cast<std::ptrdiff_t>(index);
            }
        } else if (curlies != 0) {
            partners[openCurly[--curlies]] = static_cast<std::ptrdiff_t>(index);
        }
    };
    WalkCharacters(
        text, 0,
        [&](int position, auto data, int size) {
#if ORDEVIK_SSE2
            makeRoom();
            for (unsigned found = FirstBits(BracketBytes(data), size); found != 0;
                 found &= found - 1) {
                const int at = position + std::countr_zero(found);
                add(at, static_cast<unsigned char>(text[static_cast<std::size_t>(at)]));
            }
#endif
            return -1;
        },
        [&](int position, unsigned char byte) {
            if (IsBracket(byte)) {
                makeRoom();
                add(position, byte);
            }
            return -1;
        });
    brackets.count = count;
}

int FindBalancing(std::string_view text, int from, char opener, char closer)
{
    int depth = 1;
    return WalkCharacters(
        text, from,
        [&](int position, auto data, int count) {
#if ORDEVIK_SSE2
            const unsigned opens = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(data, _mm_set1_epi8(opener))));
            const unsigned closes = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(data, _mm_set1_epi8(closer))));
            for (unsigned brackets = FirstBits(opens | closes, count); brackets != 0;
                 brackets &= brackets - 1) {
                const int index = std::countr_zero(brackets);
                if (((opens >> index) & 1u) != 0) {
                    ++depth;
                } else if (--depth == 0) {
                    return position + index;
                }
            }
#endif
            return -1;
        },
        [&](int position, unsigned char byte) {
            if (byte == static_cast<unsigned char>(opener)) {
                ++depth;
            } else if (byte == static_cast<unsigned char>(closer) && --depth == 0) {
                return position;
            }
            return -1;
        });
}

int FindAnyByte(std::string_view text, std::string_view wanted, int from)
{
    return FindAnyByteBefore(text, wanted, from, static_cast<int>(text.size()));
}

int FindByte(std::string_view text, char wanted, int from)
{
    return FindAnyByteBefore(text, std::string_view(&wanted, 1), from,
                             static_cast<int>(text.size()));
}

int FindText(std::string_view text, std::string_view wanted, int from)
{
    const int length = static_cast<int>(text.size());
    const int wantedLength = static_cast<int>(wanted.size());
    for (int position = from < 0 ? 0 : from; position + wantedLength <= length; ++position) {
        if (text.compare(position, wanted.size(), wanted) == 0) {
            return position;
        }
        if (IsLeadByte(static_cast<unsigned char>(text[position]))) {
            ++position;
        }
    }
    return -1;
}

bool EqualsIgnoreCase(std::string_view left, std::string_view right)
{
    if (left.size() != right.size()) {
        return false;
    }
    bool trail = false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (trail) {
            if (left[i] != right[i]) {
                return false;
            }
            trail = false;
            continue;
        }
        if (FoldAscii(left[i]) != FoldAscii(right[i])) {
            return false;
        }
        trail = IsLeadByte(static_cast<unsigned char>(left[i]));
    }
    return true;
}

bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right)
{
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (FoldAscii(left[i]) != FoldAscii(right[i])) {
            return false;
        }
    }
    return true;
}

CommaSplit SplitAtComma(std::string_view text)
{
    const int comma = FindByte(text, ',', 0);
    if (comma < 0) {
        return {text, {}, false};
    }
    const auto at = static_cast<std::size_t>(comma);
    return {text.substr(0, at), text.substr(at + 1), true};
}
