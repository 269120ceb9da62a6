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

// The number of decimal digits of `value`, 1 for 0.
int DigitCount(std::uint64_t value)
{
    static constexpr std::uint64_t powers[] = {1ull,
                                               10ull,
                                               100ull,
                                               1000ull,
                                               10000ull,
                                               100000ull,
                                               1000000ull,
                                               10000000ull,
                                               100000000ull,
                                               1000000000ull,
                                               10000000000ull,
                                               100000000000ull,
                                               1000000000000ull,
                                               10000000000000ull,
                                               100000000000000ull,
                                               1000000000000000ull,
                                               10000000000000000ull,
                                               100000000000000000ull,
                                               1000000000000000000ull,
                                               10000000000000000000ull};
    // 1233 / 4096 is just above log10(2): the estimate is the digit count or one less.
    const auto estimate = static_cast<int>((std::bit_width(value | 1) * 1233) >> 12);
    return estimate + (value >= powers[estimate] ? 1 : 0);
}

// The digits (values 0-9) of a number below 10^8, eight bytes, the first digit in the
// lowest byte. All digits are split off at once: the number into two halves of four
// digits in 32-bit lanes, each into pairs in 16-bit lanes, each pair into two bytes;
// multiplications by 10486 / 2^20 and 103 / 2^10 divide by 100 and 10 exactly in the
// ranges they see (below 10^4 and 10^2).
std::uint64_t EightDigitValues(std::uint32_t value)
{
    const std::uint64_t halves = (value / 10000) | (std::uint64_t{value % 10000} << 32);
    const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007Full;
    const std::uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);
    const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;
    return tens | ((pairs - tens * 10) << 8);
}

// The four ASCII digits of a number below 10^4, the first in the lowest byte.
std::uint32_t FourDigits(std::uint32_t value)
{
    const std::uint32_t pairs = (value / 100) | ((value % 100) << 16);
    const std::uint32_t tens = ((pairs * 103) >> 10) & 0x000F000Fu;
    return (tens | ((pairs - tens * 10) << 8)) + 0x30303030u;
}

// "[-]whole.dddd" written to `to` (room for 24 bytes), NULs after it; whole < 10^16.
char* WriteDecimal(char* to, bool negative, std::uint64_t whole, std::uint64_t decimals)
{
    // The text is at most 22 bytes; the NULs go first, then the text in place.
    std::memset(to, 0, 24);
    *to = '-';
    char* end = nullptr;
    if (whole < 100000000) {
        // Every coordinate: the eight digits are made at once and stored from the first
        // that is not a leading zero (the last is kept for 0).
        const std::uint64_t values = EightDigitValues(static_cast<std::uint32_t>(whole));
        const int leadingZeros = std::countr_zero(values | (std::uint64_t{1} << 56)) / 8;
        const std::uint64_t text = (values + 0x3030303030303030ull) >> (8 * leadingZeros);
        char* const first = to + (negative ? 1 : 0);
        std::memcpy(first, &text, sizeof text);
        end = first + (8 - leadingZeros);
    } else {
        end = to + (negative ? 1 : 0) + DigitCount(whole);
        char* digit = end;
        while (whole >= 100) {
            digit -= 2;
            std::memcpy(digit, digitPairs + 2 * (whole % 100), 2);
            whole /= 100;
        }
        if (whole >= 10) {
            std::memcpy(digit - 2, digitPairs + 2 * whole, 2);
        } else {
            digit[-1] = static_cast<char>('0' + whole);
        }
    }
    // "." and the four decimals, and NULs to fill eight bytes.
    const std::uint64_t tail =
        '.' | (std::uint64_t{FourDigits(static_cast<std::uint32_t>(decimals))} << 8);
    std::memcpy(end, &tail, sizeof tail);
    return end + 5;
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
    if (shift < 1) {
        return nullptr;
    }
    if (biased == 0 || shift > 100) {
        // Below 2^-47 in magnitude: far from 0.00005, the text is a zero with the sign.
        return WriteDecimal(to, std::signbit(value), 0, 0);
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
    // Degrees: a whole part below 1000, written forwards with a few table lookups.
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
