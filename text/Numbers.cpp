#include "text/Numbers.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

__extension__ typedef unsigned __int128 Wide;

// "00" to "99", two digits a lookup.
constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

bool IsSpace(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r';
}

// Moves past leading white space and an optional sign; true when the sign is "-".
bool SkipSpaceAndSign(std::string_view text, std::size_t& position)
{
    while (position < text.size() && IsSpace(text[position])) {
        ++position;
    }
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        return text[position++] == '-';
    }
    return false;
}

bool IsDigit(char byte)
{
    return byte >= '0' && byte <= '9';
}

// Whether a number that does not fit a double is too large (rather than too small):
// its decimal magnitude, from the position of the first non-zero digit and the
// exponent, is positive.
bool Overflows(std::string_view number)
{
    long long magnitude = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    std::size_t position = 0;
    for (; position < number.size() && number[position] != 'e' && number[position] != 'E';
         ++position) {
        const char byte = number[position];
        if (byte == '.') {
            seenPoint = true;
        } else if (!seenDigit && byte == '0') {
            if (seenPoint) {
                --magnitude;
            }
        } else if (!seenPoint) {
            seenDigit = true;
            ++magnitude;
        } else {
            seenDigit = true;
        }
    }
    if (position < number.size()) {
        long long exponent = 0;
        bool negative = false;
        ++position;
        if (position < number.size() && (number[position] == '+' || number[position] == '-')) {
            negative = number[position] == '-';
            ++position;
        }
        for (; position < number.size(); ++position) {
            if (exponent < 1000000000) {
                exponent = exponent * 10 + (number[position] - '0');
            }
        }
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude > 0;
}

}

double ReadDecimal(std::string_view text)
{
    std::size_t position = 0;
    const bool negative = SkipSpaceAndSign(text, position);
    const std::size_t start = position;
    std::size_t digits = 0;
    while (position < text.size() && IsDigit(text[position])) {
        ++position;
        ++digits;
    }
    if (position < text.size() && text[position] == '.') {
        ++position;
        while (position < text.size() && IsDigit(text[position])) {
            ++position;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    // Whole numbers of up to 15 digits, as point fields are, are exact as integers.
    const bool exponentFollows =
        position < text.size() && (text[position] == 'e' || text[position] == 'E');
    if (!exponentFollows && position - start == digits && digits <= 15) {
        long long whole = 0;
        for (std::size_t i = start; i < position; ++i) {
            whole = whole * 10 + (text[i] - '0');
        }
        const double value = static_cast<double>(whole);
        return negative ? -value : value;
    }
    // An exponent counts only when at least one digit follows it.
    if (position < text.size() && (text[position] == 'e' || text[position] == 'E')) {
        std::size_t exponent = position + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        if (exponent < text.size() && IsDigit(text[exponent])) {
            while (exponent < text.size() && IsDigit(text[exponent])) {
                ++exponent;
            }
            position = exponent;
        }
    }
    double value = 0.0;
    const char* first = text.data() + start;
    const char* last = text.data() + position;
    const std::from_chars_result result =
        std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = Overflows(std::string_view(first, static_cast<std::size_t>(last - first)))
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::optional<int> ReadInt(std::string_view text)
{
    // Point numbers are plain digits: up to nine of them always fit.
    if (!text.empty() && text.size() <= 9 && IsDigit(text[0])) {
        int whole = 0;
        std::size_t i = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            whole = whole * 10 + (text[i] - '0');
        }
        return whole;
    }
    std::size_t position = 0;
    const bool negative = SkipSpaceAndSign(text, position);
    long long value = 0;
    std::size_t digits = 0;
    while (position < text.size() && IsDigit(text[position])) {
        value = value * 10 + (text[position] - '0');
        ++position;
        ++digits;
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (negative) {
        value = -value;
    }
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

namespace {

// "[-]whole.dddd" written to `to` (room for 24 bytes), NULs after it; whole < 10^16.
char* WriteDecimal(char* to, bool negative, std::uint64_t whole, std::uint64_t decimals)
{
    // Digits are written backwards to end at buffer + 24, then 24 bytes are copied at
    // once: the text is at most 22 bytes, `to` has room for 24, and NULs follow it.
    char buffer[48];
    char* const end = buffer + 24;
    std::memset(end, 0, 24);
    char* digit = end - 5;
    std::memcpy(digit + 1, digitPairs + 2 * (decimals / 100), 2);
    std::memcpy(digit + 3, digitPairs + 2 * (decimals % 100), 2);
    *digit = '.';
    while (whole >= 100) {
        digit -= 2;
        std::memcpy(digit, digitPairs + 2 * (whole % 100), 2);
        whole /= 100;
    }
    if (whole >= 10) {
        digit -= 2;
        std::memcpy(digit, digitPairs + 2 * whole, 2);
    } else {
        *--digit = static_cast<char>('0' + whole);
    }
    if (negative) {
        *--digit = '-';
    }
    std::memcpy(to, digit, 24);
    return to + (end - digit);
}

// The "%.4f" text of a finite value below 2^52 in magnitude, written to `to` (room for
// 24 bytes); returns the end, or nullptr for any other value (nothing is written).
char* WriteShortFixed4(char* to, double value)
{
    // value = mantissa * 2^-shift exactly. Below 2^52 the four decimals are rounded
    // from the exact binary fraction in 128-bit integers, ties to even, as printf does;
    // this is far cheaper than a general conversion and gives the same digits.
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const int shift = 1075 - biased;
    if ((bits << 1) == 0) {
        // Zero, with its sign as printf writes it.
        return WriteDecimal(to, std::signbit(value), 0, 0);
    }
    if (biased == 0 || shift < 1 || shift > 100) {
        return nullptr;
    }
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) |
                                   (std::uint64_t{1} << 52);
    std::uint64_t whole = shift < 64 ? mantissa >> shift : 0;
    std::uint64_t decimals = 0;
    bool roundUp = false;
    if (shift <= 50) {
        // The fraction times 10000 still fits 64 bits: coordinates take this way.
        const std::uint64_t fraction = mantissa & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t scaled = fraction * 10000u;
        decimals = scaled >> shift;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        roundUp = rest > half || (rest == half && (decimals & 1) != 0);
    } else {
        const Wide fraction =
            shift < 64 ? mantissa & ((std::uint64_t{1} << shift) - 1) : mantissa;
        const Wide scaled = fraction * 10000u;
        decimals = static_cast<std::uint64_t>(scaled >> shift);
        const Wide rest = scaled & ((static_cast<Wide>(1) << shift) - 1);
        const Wide half = static_cast<Wide>(1) << (shift - 1);
        roundUp = rest > half || (rest == half && (decimals & 1) != 0);
    }
    if (roundUp) {
        ++decimals;
    }
    if (decimals == 10000) {
        decimals = 0;
        ++whole;
    }
    return WriteDecimal(to, std::signbit(value), whole, decimals);
}

}

char* WriteFixed4(char* to, double value)
{
    return std::isfinite(value) ? WriteShortFixed4(to, value) : nullptr;
}

char* WriteUnits4(char* to, long long units)
{
    // Coordinates: a whole part below 1000, written forwards without a division loop.
    if (units > 0 && units < 10000000) {
        const auto value = static_cast<std::uint32_t>(units);
        const std::uint32_t whole = value / 10000;
        const std::uint32_t decimals = value % 10000;
        std::memset(to, 0, 24);
        char* digit = to;
        if (whole >= 100) {
            *digit++ = static_cast<char>('0' + whole / 100);
            std::memcpy(digit, digitPairs + 2 * (whole % 100), 2);
            digit += 2;
        } else if (whole >= 10) {
            std::memcpy(digit, digitPairs + 2 * whole, 2);
            digit += 2;
        } else {
            *digit++ = static_cast<char>('0' + whole);
        }
        *digit = '.';
        std::memcpy(digit + 1, digitPairs + 2 * (decimals / 100), 2);
        std::memcpy(digit + 3, digitPairs + 2 * (decimals % 100), 2);
        return digit + 5;
    }
    // The magnitude as unsigned, so that the most negative value has one too.
    const std::uint64_t magnitude =
        units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    return WriteDecimal(to, units < 0, magnitude / 10000, magnitude % 10000);
}

void AppendFixed4(std::string& out, double value)
{
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return;
    }
    if (std::isnan(value)) {
        out += std::signbit(value) ? "-nan" : "nan";
        return;
    }
    char shortText[32];
    if (const char* end = WriteShortFixed4(shortText, value)) {
        out.append(shortText, static_cast<std::size_t>(end - shortText));
        return;
    }
    char buffer[400];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    out.append(buffer, result.ptr);
}

std::string FormatFixed4(double value)
{
    std::string text;
    AppendFixed4(text, value);
    return text;
}
