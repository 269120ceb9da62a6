#include "engine/SjisText.h"

#include <algorithm>

#include "engine/Cp932.h"

namespace {

char FoldAscii(char byte)
{
    return (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : byte;
}

}

int FindByteBefore(std::string_view text, char wanted, int from, int limit)
{
    const int end = std::min(limit, static_cast<int>(text.size()));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (int position = from < 0 ? 0 : from; position < end; ++position) {
        // A lead byte takes the byte after it, whatever that is.
        if (IsLeadByte(bytes[position])) {
            ++position;
            continue;
        }
        if (text[position] == wanted) {
            return position;
        }
    }
    return -1;
}

int FindByte(std::string_view text, char wanted, int from)
{
    return FindByteBefore(text, wanted, from, static_cast<int>(text.size()));
}

int FindAnyByteBefore(std::string_view text, std::string_view wanted, int from, int limit)
{
    const int end = std::min(limit, static_cast<int>(text.size()));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (int position = from < 0 ? 0 : from; position < end; ++position) {
        if (IsLeadByte(bytes[position])) {
            ++position;
            continue;
        }
        for (char candidate : wanted) {
            if (text[position] == candidate) {
                return position;
            }
        }
    }
    return -1;
}

int FindAnyByte(std::string_view text, std::string_view wanted, int from)
{
    return FindAnyByteBefore(text, wanted, from, static_cast<int>(text.size()));
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
