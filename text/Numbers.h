#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Number reading and formatting independent of the process locale.

// Reads a decimal number as C strtod does, restricted to decimal: leading white space,
// an optional sign, digits, an optional ".", digits, an optional exponent. Reading stops
// at the first byte that cannot continue the number; nothing readable gives 0; a value
// too large gives +-infinity.
double ReadDecimal(std::string_view text);

// Reads an integer as C atoi does (white space, sign, digits). Empty when there are no
// digits or the value is outside the 32-bit int range.
std::optional<int> ReadInt(std::string_view text);

// "%.4f", correctly rounded; infinity is written "inf" or "-inf".
void AppendFixed4(std::string& out, double value);
std::string FormatFixed4(double value);
// "%.4f" written to `to`, which has room for 24 bytes, for finite values below 2^52 in
// magnitude (all coordinates); returns the end, or nullptr with nothing written for
// other values, which AppendFixed4 takes. The rest of the 24 bytes become NUL.
char* WriteFixed4(char* to, double value);
// "%.4f" of units / 10000 computed exactly, written as WriteFixed4 writes.
char* WriteUnits4(char* to, long long units);

// Eight bytes read little-endian from text: a mask with the high bit of every byte
// that is not an ASCII digit.
inline std::uint64_t NonDigitBytes(std::uint64_t word)
{
    const std::uint64_t values = word ^ 0x3030303030303030ull;  // digits become 0-9
    // A byte is at least 10 when its low seven bits plus 118 reach 128 or its high bit
    // is set; the sum cannot carry into the next byte.
    return (((values & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull) | values) &
           0x8080808080808080ull;
}

// The value of eight decimal digits (ASCII digits or digit values 0-9), the first in
// the lowest byte of the word.
inline std::uint64_t EightDigitsValue(std::uint64_t word)
{
    word = ((word & 0x0F0F0F0F0F0F0F0Full) * 2561) >> 8;
    word = ((word & 0x00FF00FF00FF00FFull) * 6553601) >> 16;
    return ((word & 0x0000FFFF0000FFFFull) * 42949672960001ull) >> 32;
}
