#pragma once

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

// "%08d" of a 64-bit value: at least eight digits, zero-padded, a minus sign first.
std::string FormatZeroPadded8(long long value);
