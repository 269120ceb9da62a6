// The bracket-notation parser on any bytes: every walk must end, and every piece it
// hands out must lie inside the text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "text/Cp932.h"
#include "text/ElementParser.h"
#include "fuzz/FuzzSupport.h"

using fuzzsupport::Check;

namespace {

bool IsOpening(char byte)
{
    return byte == '(' || byte == '{';
}

bool IsBracket(char byte)
{
    return IsOpening(byte) || byte == ')' || byte == '}';
}

// Whether `part` occurs in `text` at `position`.
bool OccursAt(const std::string& text, int position, const std::string& part)
{
    return position >= 0 && static_cast<std::size_t>(position) <= text.size() &&
           text.compare(static_cast<std::size_t>(position), part.size(), part) == 0;
}

// Whether the bracket at `position` and the one at `partner` (-1: none) enclose a
// balanced text: counting whole characters after the bracket, closers never outnumber
// openers before the partner, and do so exactly at the partner.
bool Matches(const std::string& text, int position, int partner)
{
    const char opener = text[static_cast<std::size_t>(position)];
    const char closer = opener == '(' ? ')' : '}';
    const int stop = partner < 0 ? static_cast<int>(text.size()) : partner;
    int depth = 0;
    for (int i = position + 1; i < stop; ++i) {
        const char byte = text[static_cast<std::size_t>(i)];
        if (IsLeadByte(static_cast<unsigned char>(byte))) {
            ++i;
        } else if (byte == opener) {
            ++depth;
        } else if (byte == closer && --depth < 0) {
            return false;
        }
    }
    return partner < 0 || depth == 0;
}

// Walks the whole text. Each step must move the cursor on, so a walk takes at most
// length + 1 steps; the element text of a step is exactly the bytes stepped over.
void Walk(ElementParser& parser, const std::string& text, bool full)
{
    const int length = static_cast<int>(text.size());
    int cursor = 0;
    int steps = 0;
    for (;;) {
        const int start = cursor;
        const bool stepped = full ? parser.NextElementFull(cursor) : parser.NextElement(cursor);
        if (!stepped) {
            break;
        }
        Check(++steps <= length + 1, "walk does not end within length + 1 steps");
        Check(cursor > start && cursor <= length, "step leaves the cursor out of place");
        Check(OccursAt(text, start, parser.ElementText()) &&
                  parser.ElementText().size() == static_cast<std::size_t>(cursor - start),
              "element text is not the bytes stepped over");
        Check(OccursAt(text, start, parser.Name()), "name is not where the step began");
        Check(parser.Body().size() < text.size() &&
                  parser.AttributeText().size() < text.size(),
              "body or attributes longer than the text");
    }
    Check(cursor >= length, "walk ended before the end of the text");
}

// The items joined with commas give back the text they were split from.
void CheckItems(const ElementParser& parser, const std::string& text)
{
    StringList items;
    items.push_back("kept");
    const int count = parser.SplitItems(text, items);
    Check(count == static_cast<int>(items.size()) && count >= 2, "item count is wrong");
    Check(items.front() == "kept", "splitting changed an earlier entry");
    std::string joined;
    for (std::size_t i = 1; i < items.size(); ++i) {
        if (i > 1) {
            joined += ',';
        }
        joined += items[i];
    }
    Check(joined == text, "items do not join back to the text");
}

void CheckBracketAt(const ElementParser& parser, const std::string& text, int position,
                    bool atCharacterStart)
{
    const int length = static_cast<int>(text.size());
    const int partner = parser.FindPartner(position, text);
    Check(partner == -1 || (partner > position && partner < length),
          "partner lies outside the text");
    const std::string content = parser.BracketContent(position, text);
    Check(OccursAt(text, position + 1, content), "bracket content is not after the bracket");

    std::string name;
    std::string attributes;
    std::string body;
    const int end = parser.SplitElementAt(text, position, name, attributes, body);
    Check(end >= position && end < length, "element ends outside the text");
    Check(OccursAt(text, position, name), "element name is not at its start");

    if (atCharacterStart && IsOpening(text[static_cast<std::size_t>(position)])) {
        const char closer = text[static_cast<std::size_t>(position)] == '(' ? ')' : '}';
        Check(partner == -1 || text[static_cast<std::size_t>(partner)] == closer,
              "partner of an opening bracket is not its closing bracket");
        Check(Matches(text, position, partner), "partner is not the matching bracket");
        Check(partner == -1 || content.size() == static_cast<std::size_t>(partner - position - 1),
              "bracket content does not reach the partner");
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ElementParser parser(text);
    Walk(parser, text, false);
    Walk(parser, text, true);
    parser.HasElement();

    StringMap attributes;
    const int steps = parser.ParseAttributes(text, attributes);
    Check(steps >= 0 && steps <= static_cast<int>(text.size()), "attribute steps out of range");
    Check(attributes.Size() <= static_cast<std::size_t>(steps), "more attributes than steps");

    CheckItems(parser, text);

    bool characterStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsBracket(text[i])) {
            CheckBracketAt(parser, text, static_cast<int>(i), characterStart);
        }
        characterStart = !characterStart || !IsLeadByte(static_cast<unsigned char>(text[i]));
    }
    return 0;
}
