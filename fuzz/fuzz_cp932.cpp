// The code page 932 to UTF-8 conversion on any bytes: the result is always valid UTF-8,
// ASCII passes unchanged, and the fast path agrees with a character-by-character
// conversion built from the single-character lookups.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/Cp932.h"
#include "fuzz/FuzzSupport.h"

using fuzzsupport::Check;

namespace {

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char first = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t codePoint = 0;
        if (first < 0x80) {
            ++i;
            continue;
        }
        if (first >= 0xC2 && first <= 0xDF) {
            length = 2;
            codePoint = first & 0x1Fu;
        } else if (first >= 0xE0 && first <= 0xEF) {
            length = 3;
            codePoint = first & 0x0Fu;
        } else if (first >= 0xF0 && first <= 0xF4) {
            length = 4;
            codePoint = first & 0x07u;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) {
                return false;
            }
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (codePoint < smallest || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

void AppendCodePoint(char32_t codePoint, std::string& out)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// One character at a time: a lead byte with a mapped partner is one character,
// any other byte stands alone.
std::string SlowUtf8(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        char32_t codePoint = 0;
        if (i + 1 < text.size()) {
            codePoint = DecodeDoubleByte(byte, static_cast<unsigned char>(text[i + 1]));
        }
        if (codePoint != 0) {
            i += 2;
        } else {
            codePoint = DecodeSingleByte(byte);
            i += 1;
        }
        Check(codePoint <= 0xFFFF && (codePoint < 0xD800 || codePoint > 0xDFFF),
              "a code maps outside the basic plane or to a surrogate");
        AppendCodePoint(codePoint, out);
    }
    return out;
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string converted = ToUtf8(input);
    Check(IsValidUtf8(converted), "result is not valid UTF-8");
    Check(converted.size() >= input.size(), "result is shorter than the input");

    bool ascii = true;
    for (char byte : input) {
        ascii = ascii && static_cast<unsigned char>(byte) < 0x80;
    }
    Check(!ascii || converted == input, "ASCII does not map to itself");

    Check(converted == SlowUtf8(input), "fast conversion differs from the slow one");

    // Appending keeps what is there and adds exactly the conversion, also when the
    // target already holds text and its capacity is tight.
    std::string appended(input.size() % 7, '#');
    const std::string before = appended;
    appended.shrink_to_fit();
    AppendUtf8(input, appended);
    Check(appended.size() == before.size() + converted.size() &&
              appended.compare(0, before.size(), before) == 0 &&
              appended.compare(before.size(), std::string::npos, converted) == 0,
          "appending differs from converting");
    return 0;
}
