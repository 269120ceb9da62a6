#include "text/Cp932.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "text/Simd.h"

// Generated into text/Cp932Table.cpp by tools/gen_cp932_table.py: 60 rows (lead bytes
// 0x81-0x9F, then 0xE0-0xFC) of 189 slots (trail bytes 0x40-0xFC); 0 marks an unmapped pair.
extern const char16_t cp932DoubleByteTable[60 * 189];

static constexpr char16_t replacementCharacter = 0xFFFD;

// Code points of the bytes 0x80-0xFF that stand alone; lead bytes hold U+FFFD, which is
// what a lead byte without a mapped partner turns into.
static constexpr std::array<char16_t, 128> highSingleBytes = [] {
    std::array<char16_t, 128> table{};
    for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
        char16_t codePoint = replacementCharacter;
        if (byte == 0x80) {
            codePoint = 0x0080;
        } else if (byte == 0xA0) {
            codePoint = 0xF8F0;
        } else if (byte >= 0xA1 && byte <= 0xDF) {
            codePoint = static_cast<char16_t>(byte - 0xA1 + 0xFF61);  // half-width katakana
        } else if (byte >= 0xFD) {
            codePoint = static_cast<char16_t>(byte - 0xFD + 0xF8F1);
        }
        table[byte - 0x80] = codePoint;
    }
    return table;
}();

// The slot of a pair in the double-byte tables, or -1 for a trail byte outside them.
// `lead` must be a lead byte.
static inline int PairSlot(unsigned char lead, unsigned char trail)
{
    const unsigned slot = trail - 0x40u;
    if (slot > 0xFCu - 0x40u) {
        return -1;
    }
    const unsigned row = lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31u;
    return static_cast<int>(row * 189u + slot);
}

// `lead` must be a lead byte.
static inline char16_t LookUpPair(unsigned char lead, unsigned char trail)
{
    const int slot = PairSlot(lead, trail);
    return slot < 0 ? 0 : cp932DoubleByteTable[slot];
}

// Writes the UTF-8 form of a code point below U+10000 that is not a surrogate; returns the
// number of bytes written (1 to 3).
static inline std::size_t EncodeUtf8(char16_t codePoint, char* out)
{
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
}

std::size_t FirstNonAscii(std::string_view text, std::size_t from)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t position = from;
#if ORDEVIK_SSE2
    // Output is mostly ASCII: 64 bytes a step, then 16.
    while (size - position >= 64) {
        const auto* block = reinterpret_cast<const __m128i*>(bytes + position);
        const __m128i any = _mm_or_si128(
            _mm_or_si128(_mm_loadu_si128(block), _mm_loadu_si128(block + 1)),
            _mm_or_si128(_mm_loadu_si128(block + 2), _mm_loadu_si128(block + 3)));
        if (_mm_movemask_epi8(any) != 0) {
            break;
        }
        position += 64;
    }
    while (size - position >= 16) {
        const int mask = _mm_movemask_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + position)));
        if (mask != 0) {
            return position + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        }
        position += 16;
    }
#else
    constexpr std::uint64_t highBits = 0x8080808080808080u;
    while (size - position >= 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + position, 8);
        if ((word & highBits) != 0) {
            break;
        }
        position += 8;
    }
#endif
    while (position < size && bytes[position] < 0x80) {
        ++position;
    }
    return position;
}

namespace {

// The UTF-8 form of every double-byte code, in the layout of cp932DoubleByteTable:
// the bytes in the low three bytes, first byte lowest, and their count in the top
// byte; 0 for an unmapped pair.
const std::uint32_t* Utf8Pairs()
{
    static const std::vector<std::uint32_t> table = [] {
        std::vector<std::uint32_t> pairs(std::size(cp932DoubleByteTable));
        for (std::size_t slot = 0; slot < pairs.size(); ++slot) {
            const char16_t codePoint = cp932DoubleByteTable[slot];
            if (codePoint == 0) {
                continue;
            }
            char bytes[4] = {};
            const std::size_t length = EncodeUtf8(codePoint, bytes);
            std::uint32_t packed = static_cast<std::uint32_t>(length) << 24;
            for (std::size_t i = 0; i < length; ++i) {
                packed |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                          << (8 * i);
            }
            pairs[slot] = packed;
        }
        return pairs;
    }();
    return table.data();
}

}

void AppendUtf8(std::string_view cp932Text, std::string& out)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(cp932Text.data());
    const std::size_t size = cp932Text.size();
    const std::uint32_t* const pairs = Utf8Pairs();
    // The text goes in pieces, each written straight into room made for its worst case:
    // three bytes for every byte (half-width kana), one more for a pair that ends
    // past the piece, and sixteen for the whole blocks that ASCII is copied in.
    constexpr std::size_t piece = 4096;
    std::size_t position = 0;
    while (position < size) {
        const std::size_t pieceEnd = position + std::min(piece, size - position);
        const std::size_t start = out.size();
        out.resize(start + 3 * (pieceEnd - position + 1) + 16);
        char* to = out.data() + start;
        while (position < pieceEnd) {
#if ORDEVIK_SSE2
            if (size - position >= 16) {
                const __m128i block =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + position));
                const auto high = static_cast<unsigned>(_mm_movemask_epi8(block));
                // The ASCII bytes before the first other one; the rest is written over.
                const std::size_t ascii =
                    high == 0 ? 16 : static_cast<std::size_t>(std::countr_zero(high));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to), block);
                to += ascii;
                position += ascii;
                if (ascii != 0) {
                    continue;
                }
            } else
#endif
            if (bytes[position] < 0x80) {
                *to++ = static_cast<char>(bytes[position++]);
                continue;
            }
            const unsigned char byte = bytes[position];
            if (IsLeadByte(byte) && position + 1 < size) {
                const int slot = PairSlot(byte, bytes[position + 1]);
                const std::uint32_t packed = slot < 0 ? 0 : pairs[slot];
                if (packed != 0) {
                    // Four bytes written, as many as the code has kept.
                    std::memcpy(to, &packed, sizeof packed);
                    to += packed >> 24;
                    position += 2;
                    continue;
                }
            }
            // Not part of a mapped pair: the byte stands alone and the next one is read
            // anew.
            to += EncodeUtf8(highSingleBytes[byte - 0x80], to);
            position += 1;
        }
        out.resize(static_cast<std::size_t>(to - out.data()));
    }
}

std::string ToUtf8(std::string_view cp932Text)
{
    std::string out;
    AppendUtf8(cp932Text, out);
    return out;
}

std::u16string ToUtf16(std::string_view cp932Text)
{
    std::u16string out;
    out.reserve(cp932Text.size());
    for (std::size_t position = 0; position < cp932Text.size();) {
        const auto byte = static_cast<unsigned char>(cp932Text[position]);
        if (byte < 0x80) {
            out += static_cast<char16_t>(byte);
            ++position;
            continue;
        }
        if (IsLeadByte(byte) && position + 1 < cp932Text.size()) {
            const char16_t pair =
                LookUpPair(byte, static_cast<unsigned char>(cp932Text[position + 1]));
            if (pair != 0) {
                out += pair;
                position += 2;
                continue;
            }
        }
        out += highSingleBytes[byte - 0x80];
        ++position;
    }
    return out;
}

char32_t DecodeDoubleByte(unsigned char lead, unsigned char trail)
{
    return IsLeadByte(lead) ? LookUpPair(lead, trail) : 0;
}

// A lead byte asked about on its own answers U+FFFD, as it converts when it has no partner.
char32_t DecodeSingleByte(unsigned char byte)
{
    return byte < 0x80 ? byte : highSingleBytes[byte - 0x80];
}
