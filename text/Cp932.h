#pragma once

#include <string>
#include <string_view>

// Code page 932 (Shift_JIS as Windows defines it). Text read from data and settings
// stays in these bytes; it is converted only where it leaves the system.

// A lead byte always takes the byte after it, whatever that byte is, so a search
// for a bracket or comma must step over it (ボ is 0x83 0x7B).
inline bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Appends the UTF-8 form of code page 932 text to `out`. Valid text maps exactly as
// Windows maps code page 932 (user-defined area F040-F9FC to U+E000-U+E757; single
// bytes 0x80 to U+0080, 0xA0 to U+F8F0, 0xFD-0xFF to U+F8F1-U+F8F3). A lead byte that
// does not form a mapped pair with the byte after it becomes U+FFFD on its own and
// decoding goes on at the next byte. NUL is an ordinary character.
void AppendUtf8(std::string_view cp932Text, std::string& out);

// The position of the first byte at or after `from` above 0x7F, or the text's size.
// Text before it reads the same in code page 932 and in UTF-8.
std::size_t FirstNonAscii(std::string_view text, std::size_t from);

// The UTF-8 form of code page 932 text (see AppendUtf8).
std::string ToUtf8(std::string_view cp932Text);

// The UTF-16 form of code page 932 text, by the same table and rules as AppendUtf8
// (which yield no surrogates): what Windows names files with.
std::u16string ToUtf16(std::string_view cp932Text);

// The code point of the double-byte code lead * 256 + trail, or 0 when the pair is not
// mapped. The single-byte codes are not answered here.
char32_t DecodeDoubleByte(unsigned char lead, unsigned char trail);

// The code point of a single byte that is not a lead byte.
char32_t DecodeSingleByte(unsigned char byte);
