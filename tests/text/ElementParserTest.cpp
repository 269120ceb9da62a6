#include "text/ElementParser.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

// What one step of a walk leaves in the parser.
struct Step
{
    std::string name;
    std::string attributeText;
    std::string body;
    std::string elementText;
    bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Step& step)
{
    return out << "{name '" << step.name << "', attributes '" << step.attributeText
               << "', body '" << step.body << "', element '" << step.elementText << "'}";
}

using Steps = std::vector<Step>;
using Entries = std::vector<std::pair<std::string, std::string>>;

Step Current(const ElementParser& parser)
{
    return {parser.Name(), parser.AttributeText(), parser.Body(), parser.ElementText()};
}

// Every step of a walk from position 0. A walk that has not ended after 100 steps is
// cut off, so a walk that never ends fails instead of hanging.
Steps Walk(const std::string& text, bool full = false)
{
    ElementParser parser(text);
    Steps steps;
    int cursor = 0;
    while (steps.size() < 100 && (full ? parser.NextElementFull(cursor)
                                       : parser.NextElement(cursor))) {
        steps.push_back(Current(parser));
    }
    return steps;
}

struct WalkCase
{
    std::string text;
    Steps steps;
};

}

TEST(ElementParserTest, WalksElementsTakingEverythingBeforeTheFirstBracketAsTheName)
{
    const std::vector<WalkCase> cases = {
        {"", {}},
        {"A{1}B{2}", {{"A", "", "1", "A{1}"}, {"B", "", "2", "B{2}"}}},
        {"A{1},B{2}", {{"A", "", "1", "A{1}"}, {",B", "", "2", ",B{2}"}}},
        {" A{1}\r\n\tB{2}", {{" A", "", "1", " A{1}"}, {"\r\n\tB", "", "2", "\r\n\tB{2}"}}},
        {"A(k{v}){b}", {{"A", "k{v}", "b", "A(k{v}){b}"}}},
        {"A{B{1}C{2}}", {{"A", "", "B{1}C{2}", "A{B{1}C{2}}"}}},
        {"A{1}tail", {{"A", "", "1", "A{1}"}, {"", "", "", "tail"}}},
        {"abc", {{"", "", "", "abc"}}},
        {"{x}", {{"", "", "x", "{x}"}}},
        // Each bracket kind is matched only against its own kind.
        {"A{x(y}", {{"A", "", "x(y", "A{x(y}"}}},
        {"A(x{)B{y}", {{"A", "x{", "", "A(x{)"}, {"B", "", "y", "B{y}"}}},
    };
    for (const WalkCase& test : cases) {
        EXPECT_EQ(test.steps, Walk(test.text)) << test.text;
    }
}

TEST(ElementParserTest, ElementWithoutBodyIsRecognisedOnlyBeforeALaterCurlyBracket)
{
    const std::vector<WalkCase> cases = {
        {"A(x)B{y}", {{"A", "x", "", "A(x)"}, {"B", "", "y", "B{y}"}}},
        {"A(x)", {{"", "", "", "A(x)"}}},
        {"A(x)B(y)", {{"", "", "", "A(x)B(y)"}}},
        {"A{1}B(x)", {{"A", "", "1", "A{1}"}, {"", "", "", "B(x)"}}},
    };
    for (const WalkCase& test : cases) {
        EXPECT_EQ(test.steps, Walk(test.text)) << test.text;
    }
}

TEST(ElementParserTest, TrailBytesThatLookLikeBracketsOrCommasStayInTheirCharacter)
{
    const std::string bo = "\x83\x7B";  // ボ
    const std::string ma = "\x83\x7D";  // マ
    const std::vector<WalkCase> cases = {
        {"A{" + bo + "}", {{"A", "", bo, "A{" + bo + "}"}}},
        {bo + "{x}", {{bo, "", "x", bo + "{x}"}}},
        {"A{" + ma + bo + "}B{2}", {{"A", "", ma + bo, "A{" + ma + bo + "}"},
                                    {"B", "", "2", "B{2}"}}},
        {"A(k{" + bo + "}){" + ma + "}", {{"A", "k{" + bo + "}", ma,
                                          "A(k{" + bo + "}){" + ma + "}"}}},
    };
    for (const WalkCase& test : cases) {
        EXPECT_EQ(test.steps, Walk(test.text)) << test.text;
    }

    ElementParser parser("A{\x83\x7B,x}");
    int cursor = 0;
    ASSERT_TRUE(parser.NextElementFull(cursor));
    EXPECT_EQ(StringList({"\x83\x7B", "x"}), parser.Items());
}

TEST(ElementParserTest, UnbalancedTextEndsTheWalkInsideTheText)
{
    // An opener without a partner holds the rest of the text, and its element ends at
    // the last byte. The sanitizer build catches any read outside the text.
    const std::vector<WalkCase> cases = {
        {"A{B{1}", {{"A", "", "B{1}", "A{B{1}"}}},
        {"A{", {{"", "", "", "A{"}}},
        {"A(x{", {{"", "", "", "A(x{"}}},
        {"}}{", {{"", "", "", "}}{"}}},
        {"A(x{}", {{"A", "x{}", "", "A(x{}"}}},
        {"A(x){B{", {{"A", "x", "B{", "A(x){B{"}}},
        {"A{1}B{", {{"A", "", "1", "A{1}"}, {"", "", "", "B{"}}},
        {"A{1}}{", {{"A", "", "1", "A{1}"}, {"", "", "", "}{"}}},
        // A lead byte in the last place, or one that swallows the only closer.
        {"A{1}\x83", {{"A", "", "1", "A{1}"}, {"", "", "", "\x83"}}},
        {"A{x\x83}", {{"", "", "", "A{x\x83}"}}},
        {"A{x\x83}}", {{"A", "", "x\x83}", "A{x\x83}}"}}},
    };
    for (const WalkCase& test : cases) {
        EXPECT_EQ(test.steps, Walk(test.text)) << test.text;
        EXPECT_EQ(test.steps, Walk(test.text, true)) << test.text;
    }
}

TEST(ElementParserTest, FullStepParsesAttributesAndAppendsItemsAcrossSteps)
{
    ElementParser parser("A(id{7}kind{x}){P}B(k{v}){1,2}C{3}");
    int cursor = 0;
    ASSERT_TRUE(parser.NextElementFull(cursor));
    EXPECT_EQ((Step{"A", "id{7}kind{x}", "P", "A(id{7}kind{x}){P}"}), Current(parser));
    // "kind" hashes into bucket 5, "id" into bucket 12.
    EXPECT_EQ((Entries{{"kind", "x"}, {"id", "7"}}), parser.Attributes().Entries());
    // A plain step clears the attributes and adds no items.
    ASSERT_TRUE(parser.NextElement(cursor));
    EXPECT_TRUE(parser.Attributes().Empty());
    ASSERT_TRUE(parser.NextElementFull(cursor));
    EXPECT_FALSE(parser.NextElementFull(cursor));
    EXPECT_EQ(Step{}, Current(parser));
    EXPECT_EQ(StringList({"P", "3"}), parser.Items());

    // Items survive a new text; empty items between and after commas remain.
    parser.SetText("E{4,,6,}");
    cursor = 0;
    ASSERT_TRUE(parser.NextElementFull(cursor));
    EXPECT_EQ(StringList({"P", "3", "4", "", "6", ""}), parser.Items());
}

TEST(ElementParserTest, ParseAttributesCountsStepsAndKeepsTheLaterValue)
{
    const ElementParser parser;
    StringMap attributes;
    attributes.Set("old", "gone");
    EXPECT_EQ(2, parser.ParseAttributes("a{1}a{2}", attributes));
    EXPECT_EQ((Entries{{"a", "2"}}), attributes.Entries());

    // Trailing text adds an entry with an empty key and value.
    EXPECT_EQ(2, parser.ParseAttributes("a{1}zz", attributes));
    EXPECT_EQ((Entries{{"", ""}, {"a", "1"}}), attributes.Entries());
}

TEST(ElementParserTest, HasElementNeedsANamedElementAtTheStart)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"B{1}C{2}", true}, {" A{1}", true}, {"A(x)B{y}", true}, {"A{B{1}", true},
        {"abc", false},     {"{x}", false},  {"", false},         {"A(x)", false},
        {"1,2,3", false},   {"}A{", false},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(expected, ElementParser(text).HasElement()) << text;
    }
}
