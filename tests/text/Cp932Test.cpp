#include "text/Cp932.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cstdint>
#include <map>
#include <string>

// Lead bytes of every double-byte code, as the header defines them.
static const unsigned char firstLeads[] = {0x81, 0xE0};
static const unsigned char lastLeads[] = {0x9F, 0xFC};

static unsigned char Byte(unsigned value)
{
    return static_cast<unsigned char>(value);
}

static std::string Bytes(std::initializer_list<unsigned char> values)
{
    return std::string(values.begin(), values.end());
}

// Decodes `text` as strict UTF-8 holding exactly one code point (no overlong forms, no
// surrogates); answers 0xFFFFFFFF otherwise.
static char32_t SingleUtf8CodePoint(const std::string& text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t length = text.empty() ? 0
        : bytes[0] < 0x80 ? 1 : (bytes[0] & 0xE0) == 0xC0 ? 2 : (bytes[0] & 0xF0) == 0xE0 ? 3 : 0;
    if (length == 0 || text.size() != length) {
        return 0xFFFFFFFF;
    }
    char32_t codePoint = length == 1 ? bytes[0] : bytes[0] & (length == 2 ? 0x1F : 0x0F);
    for (std::size_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) {
            return 0xFFFFFFFF;
        }
        codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
    }
    const char32_t minimum = length == 1 ? 0 : length == 2 ? 0x80 : 0x800;
    if (codePoint < minimum || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0xFFFFFFFF;
    }
    return codePoint;
}

TEST(Cp932Test, ConvertsCharactersOfEachWidth)
{
    EXPECT_EQ(ToUtf8("A"), "A");
    EXPECT_EQ(ToUtf8(Bytes({0x83, 0xBF})), Bytes({0xCE, 0xB1}));              // α
    EXPECT_EQ(ToUtf8(Bytes({0x93, 0xFA})), Bytes({0xE6, 0x97, 0xA5}));        // 日
    EXPECT_EQ(ToUtf8(Bytes({0xB1})), Bytes({0xEF, 0xBD, 0xB1}));              // ｱ
    EXPECT_EQ(ToUtf8(Bytes({0x83, 0x7B})), Bytes({0xE3, 0x83, 0x9C}));        // ボ, trail < 0x80
    EXPECT_EQ(ToUtf8(Bytes({'\\', '~'})), "\\~");

    std::string out = "x";
    AppendUtf8(Bytes({'a', 0x93, 0xFA, 'b'}), out);
    EXPECT_EQ(out, "xa\xE6\x97\xA5" "b");
}

TEST(Cp932Test, SpecialSingleBytesAndUserDefinedArea)
{
    EXPECT_EQ(ToUtf8(Bytes({0x80})), Bytes({0xC2, 0x80}));
    EXPECT_EQ(ToUtf8(Bytes({0xA0, 0xFD, 0xFE, 0xFF})),
              "\xEF\xA3\xB0\xEF\xA3\xB1\xEF\xA3\xB2\xEF\xA3\xB3");              // U+F8F0-U+F8F3
    EXPECT_EQ(ToUtf8(Bytes({0xA1, 0xDF})), "\xEF\xBD\xA1\xEF\xBE\x9F");      // U+FF61, U+FF9F

    EXPECT_EQ(ToUtf8(Bytes({0xF0, 0x40})), "\xEE\x80\x80");                   // U+E000
    EXPECT_EQ(DecodeDoubleByte(0xF0, 0x7E), 0xE03Eu);
    EXPECT_EQ(DecodeDoubleByte(0xF0, 0x80), 0xE03Fu);                         // 0x7F is skipped
    EXPECT_EQ(DecodeDoubleByte(0xF1, 0x40), 0xE0BCu);                         // 188 per lead
    EXPECT_EQ(ToUtf8(Bytes({0xF9, 0xFC})), "\xEE\x9D\x97");                   // U+E757
}

// Codes where JIS-based Shift_JIS decoders give other characters than Windows does.
TEST(Cp932Test, FollowsWindowsWhereShiftJisVariantsDiffer)
{
    const std::map<unsigned, char32_t> windows = {
        {0x815F, 0xFF3C}, {0x8160, 0xFF5E}, {0x8161, 0x2225}, {0x817C, 0xFF0D},
        {0x8191, 0xFFE0}, {0x8192, 0xFFE1}, {0x81CA, 0xFFE2}, {0x8790, 0x2252},
        {0xED40, 0x7E8A}, {0xFA54, 0xFFE2}, {0xFC4B, 0x9ED1}};
    for (const auto& [code, codePoint] : windows) {
        EXPECT_EQ(DecodeDoubleByte(Byte(code >> 8), Byte(code)), codePoint) << std::hex << code;
    }
}

TEST(Cp932Test, LeadWithoutMappedPartnerStandsAloneAndNextByteIsReadAgain)
{
    EXPECT_EQ(ToUtf8(Bytes({0x81, 0x20, 'A'})), "\xEF\xBF\xBD A");
    EXPECT_EQ(ToUtf8(Bytes({'A', 0x81})), "A\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(Bytes({0x85, 0x40})), "\xEF\xBF\xBD@");
    EXPECT_EQ(ToUtf8(Bytes({0x81, 0x7F})), "\xEF\xBF\xBD\x7F");
    // The rejected trail may itself start a pair.
    EXPECT_EQ(ToUtf8(Bytes({0x85, 0x93, 0xFA})), "\xEF\xBF\xBD\xE6\x97\xA5");
    EXPECT_EQ(ToUtf8(Bytes({0xFC, 0xFC, 0x40})), "\xEF\xBF\xBD\xE9\xAB\x9C");  // FC40 = U+9ADC
    EXPECT_EQ(DecodeSingleByte(0x81), 0xFFFDu);
}

TEST(Cp932Test, NulIsAnOrdinaryCharacter)
{
    const std::string input("A\0\x83\xBF\0B", 6);
    EXPECT_EQ(ToUtf8(input), std::string("A\0\xCE\xB1\0B", 6));
}

// Long and mixed input crosses every internal buffering boundary; the whole must equal the
// pieces converted one by one.
TEST(Cp932Test, LongMixedTextEqualsPiecewiseConversion)
{
    const std::string pieces[] = {"", "a", "0123456789abcdef", std::string(700, 'x'),
                                  Bytes({0x93, 0xFA}), Bytes({0xB1}), Bytes({0x85}),
                                  Bytes({0xF9, 0xFC}), Bytes({0x80}), std::string(1, '\0'),
                                  // Each byte triples: the most a text can grow.
                                  std::string(5000, '\xB1')};
    std::uint32_t state = 12345;
    std::string input;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        const std::string& piece = pieces[(state >> 16) % std::size(pieces)];
        input += piece;
        expected += ToUtf8(piece);
    }
    EXPECT_EQ(ToUtf8(input), expected);
}

TEST(Cp932Test, EveryMappedCodeConvertsToOneValidUtf8Character)
{
    int mapped = 0;
    for (int range = 0; range < 2; ++range) {
        for (unsigned lead = firstLeads[range]; lead <= lastLeads[range]; ++lead) {
            for (unsigned trail = 0; trail <= 0xFF; ++trail) {
                const char32_t codePoint = DecodeDoubleByte(Byte(lead), Byte(trail));
                if (codePoint == 0) {
                    continue;
                }
                ++mapped;
                const std::string utf8 = ToUtf8(Bytes({Byte(lead), Byte(trail)}));
                EXPECT_EQ(SingleUtf8CodePoint(utf8), codePoint) << std::hex << lead << trail;
            }
        }
    }
    EXPECT_EQ(mapped, 9604);  // 7724 assigned characters and 1880 user-defined codes
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        if (!IsLeadByte(Byte(byte))) {
            const std::string utf8 = ToUtf8(Bytes({Byte(byte)}));
            EXPECT_EQ(SingleUtf8CodePoint(utf8), DecodeSingleByte(Byte(byte)))
                << std::hex << byte;
        }
    }
}

// The UTF-8 form of UTF-16 text without surrogates, as code page 932 gives.
static std::string Utf8OfUtf16(const std::u16string& text)
{
    std::string out;
    for (const char16_t unit : text) {
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return out;
}

// File names on Windows take the UTF-16 form: it must be the same text as the UTF-8 form,
// byte by byte for every single byte, every pair and every lead byte without a partner.
TEST(Cp932Test, Utf16FormIsTheSameTextAsTheUtf8Form)
{
    EXPECT_EQ(ToUtf16(""), u"");
    EXPECT_EQ(ToUtf16(Bytes({'4', '4', 0x95, 0x5C, 0xB1, 0x81, 0x20, 0xA0, 0x81})),
              u"44\u8868\uFF71\uFFFD \uF8F0\uFFFD");
    std::string every;
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        every += static_cast<char>(byte);
    }
    for (int range = 0; range < 2; ++range) {
        for (unsigned lead = firstLeads[range]; lead <= lastLeads[range]; ++lead) {
            for (unsigned trail = 0; trail <= 0xFF; ++trail) {
                every += Bytes({Byte(lead), Byte(trail)});
            }
        }
    }
    EXPECT_EQ(Utf8OfUtf16(ToUtf16(every)), ToUtf8(every));
}

#ifdef _WIN32
// The system's own decoder of code page 932.
class SystemDecoder
{
public:
    bool Usable() const { return true; }
    // The code point the system gives for `input`, or 0 when it rejects it or does not
    // give exactly one character.
    char32_t CodePoint(const std::string& input) const
    {
        wchar_t output[4];
        const int count = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, input.data(),
                                              static_cast<int>(input.size()), output, 4);
        return count == 1 ? static_cast<char32_t>(output[0]) : 0;
    }
};
#else
// glibc's iconv, which agrees with Windows on every double-byte code.
class SystemDecoder
{
public:
    SystemDecoder() : converter(iconv_open("UTF-32LE", "CP932")) {}
    SystemDecoder(const SystemDecoder&) = delete;
    SystemDecoder& operator=(const SystemDecoder&) = delete;
    ~SystemDecoder()
    {
        if (Usable()) {
            iconv_close(converter);
        }
    }

    bool Usable() const { return converter != reinterpret_cast<iconv_t>(-1); }
    // The code point iconv gives for `input`, or 0 when it rejects it or does not give
    // exactly one character.
    char32_t CodePoint(std::string input) const
    {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        unsigned char output[8];
        char* in = input.data();
        char* out = reinterpret_cast<char*>(output);
        std::size_t inLeft = input.size();
        std::size_t outLeft = sizeof(output);
        if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)
            || inLeft != 0 || outLeft != sizeof(output) - 4) {
            return 0;
        }
        return output[0] | output[1] << 8 | output[2] << 16 |
               static_cast<char32_t>(output[3]) << 24;
    }

private:
    iconv_t converter;
};
#endif

TEST(Cp932Test, AgreesWithTheSystemExceptForSingleBytesItRefuses)
{
    const SystemDecoder system;
    if (!system.Usable()) {
        GTEST_SKIP() << "iconv has no CP932 converter";
    }
    // glibc refuses these single bytes, and so does Wine but for 0x80.
    const std::map<unsigned, char32_t> windowsOnly = {
        {0x80, 0x0080},  // Windows passes 0x80 through as a C1 control
        {0xA0, 0xF8F0},  // Windows gives the unassigned single bytes private-use code points
        {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        if (IsLeadByte(Byte(byte))) {
            continue;
        }
        const auto exception = windowsOnly.find(byte);
        const std::string single = Bytes({Byte(byte)});
        const char32_t expected = exception != windowsOnly.end()
            ? exception->second : system.CodePoint(single);
        EXPECT_EQ(DecodeSingleByte(Byte(byte)), expected) << std::hex << byte;
    }
    for (int range = 0; range < 2; ++range) {
        for (unsigned lead = firstLeads[range]; lead <= lastLeads[range]; ++lead) {
            for (unsigned trail = 0; trail <= 0xFF; ++trail) {
                const std::string pair = Bytes({Byte(lead), Byte(trail)});
                const char32_t expected = system.CodePoint(pair);
                EXPECT_EQ(DecodeDoubleByte(Byte(lead), Byte(trail)), expected)
                    << std::hex << lead << trail;
            }
        }
    }
}
