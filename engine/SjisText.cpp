#include "engine/SjisText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/Cp932.h"

namespace {

char FoldAscii(char byte)
{
    return (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : byte;
}

}

namespace {

constexpr std::uint64_t everyByte = 0x0101010101010101ull;
constexpr std::uint64_t highBits = 0x8080808080808080ull;

// Non-zero when some byte of the word is zero.
std::uint64_t HasZeroByte(std::uint64_t word)
{
    return (word - everyByte) & ~word & highBits;
}

}

int FindAnyByteBefore(std::string_view text, std::string_view wanted, int from, int limit)
{
    if (wanted.empty()) {
        return -1;
    }
    const int end = std::min(limit, static_cast<int>(text.size()));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    // The word test looks for at most two bytes; more are sought byte by byte.
    const bool wordTest = wanted.size() <= 2;
    const unsigned char first = static_cast<unsigned char>(wanted[0]);
    const unsigned char second =
        wanted.size() > 1 ? static_cast<unsigned char>(wanted[1]) : first;
    const std::uint64_t firstPattern = everyByte * first;
    const std::uint64_t secondPattern = everyByte * second;
    int position = from < 0 ? 0 : from;
    while (position < end) {
        // Eight bytes at a time while none of them is sought or above 0x7F.
        if (wordTest && position + 8 <= end) {
            std::uint64_t word;
            std::memcpy(&word, bytes + position, sizeof word);
            if (((word & highBits) | HasZeroByte(word ^ firstPattern) |
                 HasZeroByte(word ^ secondPattern)) == 0) {
                position += 8;
                continue;
            }
        }
        // Something in these eight bytes needs a closer look.
        const int stop = std::min(end, position + 8);
        while (position < stop) {
            const unsigned char byte = bytes[position];
            // A lead byte takes the byte after it, whatever that is.
            if (IsLeadByte(byte)) {
                position += 2;
                continue;
            }
            if (byte == first || byte == second ||
                (wanted.size() > 2 &&
                 wanted.find(static_cast<char>(byte)) != std::string_view::npos)) {
                return position;
            }
            ++position;
        }
    }
    return -1;
}

int FindAnyByte(std::string_view text, std::string_view wanted, int from)
{
    return FindAnyByteBefore(text, wanted, from, static_cast<int>(text.size()));
}

int FindByteBefore(std::string_view text, char wanted, int from, int limit)
{
    return FindAnyByteBefore(text, std::string_view(&wanted, 1), from, limit);
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
