#include "text/SjisText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "text/Cp932.h"

namespace {

// Plain one-character-at-a-time searches: what the block-wise searches must answer.
std::vector<std::size_t> CharacterStarts(const std::string& text)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size();) {
        starts.push_back(i);
        i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return starts;
}

bool IsBracket(char byte)
{
    return byte == '(' || byte == ')' || byte == '{' || byte == '}';
}

int SlowFindBracket(const std::string& text, int from)
{
    for (const std::size_t i : CharacterStarts(text)) {
        if (static_cast<int>(i) >= from && IsBracket(text[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int SlowFindBalancing(const std::string& text, int from, char opener, char closer)
{
    int depth = 1;
    for (const std::size_t i : CharacterStarts(text)) {
        if (static_cast<int>(i) < from) {
            continue;
        }
        if (text[i] == opener) {
            ++depth;
        } else if (text[i] == closer && --depth == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int SlowFindAny(const std::string& text, const std::string& wanted, int from, int limit)
{
    for (const std::size_t i : CharacterStarts(text)) {
        if (static_cast<int>(i) >= from && static_cast<int>(i) < limit &&
            wanted.find(text[i]) != std::string::npos) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Texts of every length up to 80 from pieces that trouble block-wise searches: brackets,
// double-byte characters whose trail byte is a bracket ("ボ" is 83 7B), half-width kana
// (single bytes above 0x7F) and a lead byte at the very end.
std::vector<std::string> RandomTexts()
{
    const char* const pieces[] = {"(", ")", "{", "}", "a", "12", ",", "\x83\x7B", "\x83\x7D",
                                  "\x88\x9F", "\xB1", "\xDF", "\x81", "  ", "ID", "\x7F"};
    std::vector<std::string> texts;
    std::uint64_t state = 7;
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const std::size_t length = (state >> 40) % 81;
        while (text.size() < length) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            text += pieces[(state >> 33) % std::size(pieces)];
        }
        texts.push_back(text);
    }
    return texts;
}

}

TEST(SjisTextTest, BlockwiseSearchesAgreeWithACharacterWalk)
{
    // One index for all texts, as a parser keeps one from record to record.
    Brackets collected;
    for (const std::string& text : RandomTexts()) {
        const int size = static_cast<int>(text.size());
        // Searches start at a character boundary, as every caller's do.
        std::vector<std::size_t> starts = CharacterStarts(text);
        starts.push_back(text.size());
        for (const std::size_t start : starts) {
            const int from = static_cast<int>(start);
            ASSERT_EQ(SlowFindBracket(text, from), FindBracket(text, from)) << text << " " << from;
            ASSERT_EQ(SlowFindBalancing(text, from, '{', '}'), FindBalancing(text, from, '{', '}'))
                << text << " " << from;
            ASSERT_EQ(SlowFindBalancing(text, from, '(', ')'), FindBalancing(text, from, '(', ')'))
                << text << " " << from;
            for (const std::string wanted : {"}", "({", "(){}", "(){},"}) {
                ASSERT_EQ(SlowFindAny(text, wanted, from, size - 2),
                          FindAnyByteBefore(text, wanted, from, size - 2))
                    << text << " " << wanted << " " << from;
            }
        }
        std::vector<std::size_t> expected;
        for (const std::size_t i : CharacterStarts(text)) {
            if (IsBracket(text[i])) {
                expected.push_back(i);
            }
        }
        CollectBrackets(text, collected);
        ASSERT_EQ(expected, std::vector<std::size_t>(collected.positions.begin(),
                                                      collected.positions.begin() +
                                                          static_cast<std::ptrdiff_t>(
                                                              collected.count)))
            << text;
        // An opener's partner is where the walk of FindBalancing from it ends.
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const char bracket = text[expected[i]];
            std::ptrdiff_t partner = -1;
            if (bracket == '(' || bracket == '{') {
                const int end = SlowFindBalancing(text, static_cast<int>(expected[i]) + 1,
                                                  bracket, bracket == '(' ? ')' : '}');
                for (std::size_t j = 0; end >= 0 && j < expected.size(); ++j) {
                    if (expected[j] == static_cast<std::size_t>(end)) {
                        partner = static_cast<std::ptrdiff_t>(j);
                    }
                }
            }
            ASSERT_EQ(partner, collected.partners[i]) << text << " " << i;
        }

        std::size_t firstHigh = 0;
        while (firstHigh < text.size() && static_cast<unsigned char>(text[firstHigh]) < 0x80) {
            ++firstHigh;
        }
        ASSERT_EQ(firstHigh, FirstNonAscii(text, 0)) << text;
    }
}

TEST(SjisTextTest, BracketIndexGrowsForDeepTextsAndForgetsLongerOnes)
{
    // Far more brackets than the index first makes room for, nested to the end.
    const std::size_t depth = 3000;
    const std::string deep = std::string(depth, '(') + "a\x83\x7B" + std::string(depth, ')');
    Brackets collected;
    CollectBrackets(deep, collected);
    ASSERT_EQ(2 * depth, collected.count);
    for (std::size_t i = 0; i < depth; ++i) {
        ASSERT_EQ(static_cast<std::ptrdiff_t>(2 * depth - 1 - i), collected.partners[i]) << i;
        ASSERT_EQ(-1, collected.partners[depth + i]) << i;
    }
    // A shorter text after it: nothing of the deep one is left in what counts.
    CollectBrackets("X{1,2}", collected);
    ASSERT_EQ(2u, collected.count);
    EXPECT_EQ(1u, collected.positions[0]);
    EXPECT_EQ(1, collected.partners[0]);
    EXPECT_EQ(5u, collected.positions[1]);
    EXPECT_EQ(-1, collected.partners[1]);
}
