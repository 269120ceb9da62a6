#include "xmlout/FeatureWriter.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/TestSupport.h"

namespace {

std::string Repeat(const std::string& piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

}

// A template nested far deeper than any document type needs once overflowed the stack,
// one call per level. The outer levels are still written as elements.
TEST(TemplateNestingTest, DeeplyNestedTemplateIsWrittenWithoutExhaustingTheStack)
{
    TempFolder folder;
    FeatureWriter writer(folder / "none.ini");
    const int depth = 20000;
    StringList out;
    writer.ExpandTemplate(Repeat("a{", depth) + Repeat("}", depth), out, 1);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(0u, out.front().rfind(Repeat("<a>", 50), 0));
    EXPECT_EQ(Repeat("</a>", 50),
              out.front().substr(out.front().size() - Repeat("</a>", 50).size()));
}

// Nesting of ordinary depth is expanded to the innermost leaf.
TEST(TemplateNestingTest, ModerateNestingIsExpandedCompletely)
{
    TempFolder folder;
    FeatureWriter writer(folder / "none.ini");
    StringList out;
    writer.ExpandTemplate(Repeat("a{", 40) + "KEY" + Repeat("}", 40), out, 1);
    const StringList expected = {Repeat("<a>", 40) + "KEY" + Repeat("</a>", 40)};
    EXPECT_EQ(expected, out);
}
