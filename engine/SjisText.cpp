#include "engine/SjisText.h"

#include "engine/Cp932.h"

namespace {

char FoldAscii(char byte)
{
    return (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte - 'A' + 'a') : byte;
}

}

int FindByte(std::string_view text, char wanted, int from)
{
    const int length = static_cast<int>(text.size());
    for (int position = from < 0 ? 0 : from; position < length; ++position) {
        const unsigned char byte = static_cast<unsigned char>(text[position]);
        if (IsLeadByte(byte)) {
            ++position;
            continue;
        }
        if (text[position] == wanted) {
            return position;
        }
    }
    return -1;
}

int FindAnyByte(std::string_view text, std::string_view wanted, int from)
{
    const int length = static_cast<int>(text.size());
    for (int position = from < 0 ? 0 : from; position < length; ++position) {
        const unsigned char byte = static_cast<unsigned char>(text[position]);
        if (IsLeadByte(byte)) {
            ++position;
            continue;
        }
        if (wanted.find(text[position]) != std::string_view::npos) {
            return position;
        }
    }
    return -1;
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
