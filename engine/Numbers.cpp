#include "engine/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

bool IsSpace(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r';
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
    while (position < text.size() && IsSpace(text[position])) {
        ++position;
    }
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
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
    std::size_t position = 0;
    while (position < text.size() && IsSpace(text[position])) {
        ++position;
    }
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
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

std::string FormatZeroPadded8(long long value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%08lld", value);
    return buffer;
}
