#include "text/Numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

std::string Printed(double value)
{
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    return buffer;
}

// What each in-place writer gives, checked for its NUL padding on the way.
std::string InPlace(double value)
{
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    const char* end = WriteFixed4(buffer, value);
    if (end == nullptr) {
        return "(none)";
    }
    for (const char* rest = end; rest < buffer + 24; ++rest) {
        if (*rest != '\0') {
            return "(not padded)";
        }
    }
    return std::string(static_cast<const char*>(buffer), end);
}

}

TEST(NumbersTest, ReadDecimalReadsTheLongestDecimalPrefix)
{
    const std::vector<std::pair<std::string, double>> cases = {
        {"  12.5e1x", 125.0},
        {"\t\r\n\v\f-3", -3.0},
        {"+.5", 0.5},
        {"5.", 5.0},
        {"1.e2", 100.0},
        {"-0.25E-2", -0.0025},
        {"139.7454", 139.7454},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"1,5", 1.0},
        {"0x10", 0.0},
        {"123456789012345678901234567890", 1.2345678901234568e29},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(value, ReadDecimal(text)) << text;
    }
}

TEST(NumbersTest, ReadDecimalGivesZeroForNothingReadableAndInfinityForOverflow)
{
    const std::vector<std::pair<std::string, double>> cases = {
        {"", 0.0},
        {".", 0.0},
        {"+.e5", 0.0},
        {"e5", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"1e999", infinity},
        {"-1e999", -infinity},
        {std::string(400, '9'), infinity},
        {"1e-999", 0.0},
        {"0.000e999999", 0.0},
        {"0.1e310", infinity},
        {"1000e-330", 0.0},
        {"1e-310", 1e-310},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(value, ReadDecimal(text)) << text;
    }
}

TEST(NumbersTest, ReadIntReadsLikeAtoiWithinTheIntRange)
{
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {" \t-12abc", -12},
        {"+7", 7},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<int>::min()},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"12.9", 12},
        {"", std::nullopt},
        {"x1", std::nullopt},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(value, ReadInt(text)) << text;
    }
}

TEST(NumbersTest, FixedFourDecimalsAreCorrectlyRounded)
{
    const std::vector<std::pair<double, std::string>> cases = {
        {0.0, "0.0000"},
        {125.0, "125.0000"},
        {-3.5, "-3.5000"},
        {139.74541234, "139.7454"},
        {0.00005, "0.0001"},       // held as 5.0000000000000002e-05
        {0.00015, "0.0001"},       // held as 1.4999999999999999e-04
        {2.00025, "2.0002"},       // held as 2.0002499999999999
        {1.00005, "1.0001"},       // held as 1.0000500000000001
        {-0.00001, "-0.0000"},
        {1e20, "100000000000000000000.0000"},
        {infinity, "inf"},
        {-infinity, "-inf"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(text, FormatFixed4(value)) << value;
    }
    std::string out = "x=";
    AppendFixed4(out, 1.5);
    EXPECT_EQ("x=1.5000", out);
}

// The four decimals are composed without the general conversion; they must agree with
// it digit for digit, ties and carries included.
TEST(NumbersTest, FixedFourDecimalsAgreeWithTheGeneralConversion)
{
    auto general = [](double value) {
        char buffer[400];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
        return std::string(buffer, result.ptr);
    };
    std::vector<double> values = {0.0, -0.0, 1.03125, 1.03135, 0.00005, 0.00015, 9.99995,
                                  -9.99995, 0.99999, 139.99995, 4503599627370495.5,
                                  4503599627370496.0, 1e-300, -1e-7, 5e-5, 2.5e-5};
    std::uint64_t state = 42;
    for (int i = 0; i < 200000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const std::uint64_t units = state >> 24;
        values.push_back(static_cast<double>(units % 100000000) * 0.0001 +
                         static_cast<double>(units % 1000));
        values.push_back(std::bit_cast<double>((state >> 2) | 0x3000000000000000ull));
        // Exact ties at the fifth decimal: odd multiples of 1/32.
        values.push_back(static_cast<double>(units % 100000 * 2 + 1) / 32.0);
    }
    for (const double value : values) {
        ASSERT_EQ(general(value), FormatFixed4(value)) << value;
    }
}

// The in-place form writes what the appending form appends, and NULs after it.
TEST(NumbersTest, FixedFourDecimalsInPlaceMatchAndArePadded)
{
    for (const double value : {0.0, -0.0, 139.7454, -35.00005, 1e15, 4503599627370495.5,
                               -1e-9, 99999.99995, 1e-300, -4.9e-324}) {
        char buffer[32];
        std::memset(buffer, 'x', sizeof buffer);
        const char* end = WriteFixed4(buffer, value);
        ASSERT_NE(nullptr, end) << value;
        EXPECT_EQ(FormatFixed4(value), std::string(static_cast<const char*>(buffer), end));
        for (const char* rest = end; rest < buffer + 24; ++rest) {
            EXPECT_EQ('\0', *rest) << value;
        }
    }
    char buffer[32];
    for (const double value : {1e20, -1e17, std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(nullptr, WriteFixed4(buffer, value)) << value;
    }
}

TEST(NumbersTest, UnitsInPlaceAreExactAndPadded)
{
    // Around the bounds of the short form for coordinates and beyond them.
    for (const long long units :
         {1LL, 9LL, 10LL, 9999LL, 10000LL, 99999LL, 100000LL, 999999LL, 1000000LL, 1392219LL,
          9999999LL, 10000000LL, 123456789LL, 0LL, -1LL, -1392219LL, -10000000LL,
          std::numeric_limits<long long>::max(), std::numeric_limits<long long>::min()}) {
        char buffer[32];
        std::memset(buffer, 'x', sizeof buffer);
        const char* end = WriteUnits4(buffer, units);
        const std::uint64_t magnitude = units < 0 ? 0 - static_cast<std::uint64_t>(units)
                                                  : static_cast<std::uint64_t>(units);
        std::string decimals = std::to_string(magnitude % 10000);
        decimals.insert(0, 4 - decimals.size(), '0');
        const std::string expected =
            (units < 0 ? "-" : "") + std::to_string(magnitude / 10000) + "." + decimals;
        EXPECT_EQ(expected, std::string(static_cast<const char*>(buffer), end)) << units;
        for (const char* rest = end; rest < buffer + 24; ++rest) {
            EXPECT_EQ('\0', *rest) << units;
        }
    }
}

// A coordinate is field * 0.0001 + start, for fields of up to eight digits (the largest
// offset a point file holds is 99999999 units) and start points of every magnitude and
// sign, whole units or not. Its text must be what printf gives for that double, which
// the short conversion and the exact sum of units must both reproduce.
TEST(NumbersTest, CoordinateTextsAreWhatPrintfWrites)
{
    std::vector<double> starts = {0.0, -0.0, 35.0, 139.0, -45123.4567, 123456.789,
                                  -987654.3210, 35.00005, -0.00005, 1e6, -1e6, 12345678.9};
    std::uint64_t state = 7;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state >> 11;
    };
    for (int i = 0; i < 400; ++i) {
        // Whole units of every magnitude from 10^-4 to 10^8, either sign, as read from a
        // metadata file; half of them then moved off whole units.
        const std::uint64_t digits = next() % 13;
        double units = static_cast<double>(next() % static_cast<std::uint64_t>(std::pow(10, digits)));
        if (i % 2 == 1) {
            units += static_cast<double>(next() % 1000) / 1000.0 + 0.0001;
        }
        starts.push_back((next() % 2 == 0 ? -units : units) * 0.0001);
    }
    std::vector<std::uint64_t> offsets = {0, 1, 4, 5, 6, 9999, 10000, 49999, 50000, 50001,
                                          99999998, 99999999};
    for (int i = 0; i < 200; ++i) {
        offsets.push_back(next() % 100000000);
    }
    for (const double start : starts) {
        // With offsets that bring the value to zero and just across it.
        std::vector<std::uint64_t> tried = offsets;
        const double toZero = -start * 10000.0;
        if (toZero >= 0 && toZero < 1e8) {
            tried.push_back(static_cast<std::uint64_t>(std::floor(toZero)));
            tried.push_back(static_cast<std::uint64_t>(std::ceil(toZero)));
        }
        for (const std::uint64_t offset : tried) {
            const double value = static_cast<double>(offset) * 0.0001 + start;
            ASSERT_EQ(Printed(value), FormatFixed4(value)) << start << " + " << offset;
            ASSERT_EQ(Printed(value), InPlace(value)) << start << " + " << offset;
        }
    }
}

// Values whose fifth decimal is exactly 5 in binary (odd multiples of 1/32 and the like)
// round to even as printf rounds them; the neighbouring doubles round away from the tie.
// So do negative values, and values that carry into the whole part.
TEST(NumbersTest, RoundingBoundariesAndZeroesAreWhatPrintfWrites)
{
    std::vector<double> values = {0.0, -0.0, 1e-300, -1e-300, 0.00004999, -0.00004999,
                                  0.00005, -0.00005, 9.99995, -9.99995, 99999.99995,
                                  -99999.99995, 999999.99995, 4503599627370495.5,
                                  -4503599627370495.5, 1e17, -1e17, 1e300};
    for (int whole = 0; whole < 70000; whole += 997) {
        for (int odd = 1; odd < 64; odd += 2) {
            // odd / 64 has six binary decimals: its fifth decimal digit may be a tie.
            const double tie = whole + odd / 64.0;
            for (const double value : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e9)}) {
                values.push_back(value);
                values.push_back(-value);
            }
        }
    }
    for (const double value : values) {
        ASSERT_EQ(Printed(value), FormatFixed4(value)) << value;
        if (std::fabs(value) < 4503599627370496.0) {
            ASSERT_EQ(Printed(value), InPlace(value)) << value;
        }
    }
}

// The exact sum of units, for whole-unit start points, is what printf writes for any
// value whose double lies within a few rounding steps of it.
TEST(NumbersTest, UnitsOfEveryMagnitudeAreWhatPrintfWritesForTheirValue)
{
    std::uint64_t state = 11;
    for (int i = 0; i < 100000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const auto digits = static_cast<int>((state >> 60) % 12);
        const long long magnitude =
            static_cast<long long>((state >> 8) % static_cast<std::uint64_t>(std::pow(10, digits)));
        const long long units = (state & 1) != 0 ? -magnitude : magnitude;
        if (units == 0) {
            continue;
        }
        char buffer[32];
        const char* end = WriteUnits4(buffer, units);
        ASSERT_EQ(Printed(static_cast<double>(units) / 10000.0),
                  std::string(static_cast<const char*>(buffer), end))
            << units;
    }
}
