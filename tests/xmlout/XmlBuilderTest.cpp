#include "xmlout/XmlBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/TestSupport.h"
#include "xmlout/OutputFile.h"

namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

enum class Encoding
{
    ShiftJis,
    Utf8,
};

// The bytes that one WriteLines call leaves in a new file.
std::string Written(Encoding encoding, const StringList& lines, int blanksBefore = 0,
                    int level = 0, int blanksAfter = 0)
{
    TempFolder folder;
    OutputFile file;
    EXPECT_TRUE(file.Open(folder / "out.xml", OutputFile::Mode::Create));
    EXPECT_EQ(static_cast<int>(lines.size()),
              XmlBuilder::WriteLines(lines, file, level, blanksBefore, blanksAfter,
                                     encoding == Encoding::ShiftJis));
    EXPECT_TRUE(file.Close());
    return ReadFileBytes(folder / "out.xml");
}

}

TEST(XmlBuilderTest, ComposesTagsAndOneLineElements)
{
    using B = XmlBuilder;
    StringMap attributes;
    attributes.Set("ID", "1");
    attributes.Set("idref", "2");
    attributes.Set("version", "3");
    const Cases cases = {
        {B::StartTagWithAttributes("GI", B::Attribute("version", "1.0")), "<GI version='1.0'>"},
        {B::StartTagWithAttributes("f", B::AttributeList(attributes)),
         "<f idref='2' ID='1' version='3'>"},
        {B::AttributeList(StringMap()), ""},
        {B::EmptyElement("CRS", ""), "<CRS/>"},
        {B::EmptyElement("p", " k='v'"), "<p k='v'/>"},
        {B::TextElement("t", "x"), "<t>x</t>"},
        {B::InlineElement("t", "", {"x"}), "<t>x</t>"},
        {B::InlineElement("t", "", {"x", "y"}), "<t>xy</t>"},
        {B::InlineElement("t", "", {}), "<t></t>"},
        {B::InlineElement("t", " k='v'", {}), "<t k='v'/>"},
        {B::CommentLine("note"), "<!-- note -->"},
        {B::Indent(0) + "|" + B::Indent(-1) + "|" + B::Indent(2), "||    "},
    };
    for (const auto& [actual, expected] : cases) {
        EXPECT_EQ(expected, actual);
    }
}

TEST(XmlBuilderTest, ComposesLineLists)
{
    using B = XmlBuilder;
    StringList out = {"stale"};
    B::BlockElement(out, "n", " k='v'", {"c1", "  c2"}, 1);
    EXPECT_EQ(StringList({"<n k='v'>", "  c1", "    c2", "</n>"}), out);
    B::BlockElement(out, "w", "", {}, 1);
    EXPECT_EQ(StringList({"<w>", "</w>"}), out);
    B::IndentLines(out, 2);
    EXPECT_EQ(StringList({"    <w>", "    </w>"}), out);
}

TEST(XmlBuilderTest, InsertBeforeClosingUsesTheFirstClosingLineAndItsIndentation)
{
    StringList lines = {"<a>", "  <b>", "  </b>", "  <b>", "  </b>", "</a>"};
    StringList inserted = {"x", "y"};
    XmlBuilder::InsertBeforeClosing(lines, "b", inserted, 1);
    EXPECT_EQ(StringList({"<a>", "  <b>", "    x", "    y", "  </b>", "  <b>", "  </b>", "</a>"}),
              lines);
    EXPECT_TRUE(inserted.empty());

    StringList without = {"<a>", "</a>"};
    inserted = {"x"};
    XmlBuilder::InsertBeforeClosing(without, "b", inserted, 1);
    EXPECT_EQ(StringList({"<a>", "</a>"}), without);
    EXPECT_EQ(StringList({"x"}), inserted);
}

TEST(XmlBuilderTest, SnippetsHaveTheirFixedKeysAndUnknownKeysGiveThemselves)
{
    XmlBuilder builder;
    const Cases cases = {
        {builder.Snippet("interplation_linear"), "<interpolation>linear</interpolation>"},
        {builder.Snippet("interplation_planar"), "<interpolation>planar</interpolation>"},
        {builder.Snippet("endPeriod_now"), "<endPeriod indeterminatePosition='now'/>"},
        {builder.Snippet("indeterminatePosition_before"), " indeterminatePosition='before'"},
        {builder.Snippet("interpolation_linear"), "interpolation_linear"},
        {builder.Snippet(""), ""},
    };
    for (const auto& [actual, expected] : cases) {
        EXPECT_EQ(expected, actual);
    }
    EXPECT_EQ(4, builder.BuildSnippets());
}

TEST(XmlBuilderTest, EscapesOnlyWhatWouldBreakTheDocument)
{
    // Input, as text content, as an attribute value.
    const std::vector<std::vector<std::string>> cases = {
        {"a<b>c", "a&lt;b>c", "a&lt;b>c"},
        {"a&b", "a&amp;b", "a&amp;b"},
        {"&amp; &#12; &#x1F; &name; &_a:b.c-d;", "&amp; &#12; &#x1F; &name; &_a:b.c-d;",
         "&amp; &#12; &#x1F; &name; &_a:b.c-d;"},
        {"&#X1F; &#; &#x; &#1a; &1a; &a b; &a", "&amp;#X1F; &amp;#; &amp;#x; &amp;#1a; "
                                                "&amp;1a; &amp;a b; &amp;a",
         "&amp;#X1F; &amp;#; &amp;#x; &amp;#1a; &amp;1a; &amp;a b; &amp;a"},
        {"&", "&amp;", "&amp;"},
        {"it's \"x\"", "it's \"x\"", "it&apos;s \"x\""},
        {"\x83\x7B<\x93\xFA&", "\x83\x7B&lt;\x93\xFA&amp;", "\x83\x7B&lt;\x93\xFA&amp;"},
        {"", "", ""},
    };
    for (const std::vector<std::string>& test : cases) {
        EXPECT_EQ(test[1], XmlBuilder::EscapeText(test[0])) << test[0];
        std::string attribute = "'";
        XmlBuilder::AppendEscapedAttribute(attribute, test[0]);
        EXPECT_EQ("'" + test[2], attribute) << test[0];
    }

    // Values are escaped where they are quoted; names are written as they are.
    StringMap attributes;
    attributes.Set("k", "x'y");
    const Cases quoted = {
        {XmlBuilder::Quote("a'<&"), "'a&apos;&lt;&amp;'"},
        {XmlBuilder::Attribute("n&m", "R&D's"), " n&m='R&amp;D&apos;s'"},
        {XmlBuilder::AttributeList(attributes), " k='x&apos;y'"},
        {XmlBuilder::TextElement("t", "a<b"), "<t>a<b</t>"},
    };
    for (const auto& [actual, expected] : quoted) {
        EXPECT_EQ(expected, actual);
    }
}

TEST(XmlBuilderTest, WritesEachLineWithCrLfAndNoByteOrderMark)
{
    // A, α, 日, ｱ in code page 932.
    const std::string mixed = "A\x83\xBF\x93\xFA\xB1";
    EXPECT_EQ("A\xCE\xB1\xE6\x97\xA5\xEF\xBD\xB1\r\n", Written(Encoding::Utf8, {mixed}));
    EXPECT_EQ(mixed + "\r\n", Written(Encoding::ShiftJis, {mixed}));

    const std::string declaration = "<?xml version='1.0' encoding='UTF-8'?>";
    for (Encoding encoding : {Encoding::ShiftJis, Encoding::Utf8}) {
        EXPECT_EQ(declaration + "\r\n<GI>\r\n", Written(encoding, {declaration, "<GI>"}));
        EXPECT_EQ("\r\n", Written(encoding, {}, 1));
        EXPECT_EQ("", Written(encoding, {}, 0, 3, -1));
        EXPECT_EQ("\r\n    <a>\r\n      <b/>\r\n    \r\n    </a>\r\n\r\n\r\n",
                  Written(encoding, {"<a>", "  <b/>", "", "</a>"}, 1, 2, 2));
        EXPECT_EQ(std::string("a\0b\r\n", 5), Written(encoding, {std::string("a\0b", 3)}));
    }
    // A lead byte at the end of a line cannot take the line end with it.
    EXPECT_EQ("A\xEF\xBF\xBD\r\nB\r\n", Written(Encoding::Utf8, {"A\x93", "B"}));
}
