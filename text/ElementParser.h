#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/EngineObject.h"
#include "text/SjisText.h"
#include "text/StringList.h"
#include "text/StringMap.h"

// Walks a text in bracket notation, NAME(ATTRIBUTES){BODY}, one element at a time.
// The caller owns the cursor, so one parser serves several walks. Positions count
// bytes; every search steps over double-byte characters.
//
// Unbalanced text still ends every walk: an opening bracket without a partner holds
// the rest of the text, and its element ends at the last byte of the text.
//
// Not to be shared between threads: even the const searches remember where they found
// the last "{" (mutable), so each thread walks with parsers of its own.
class ElementParser : public EngineObject
{
public:
    ElementParser();
    explicit ElementParser(std::string source);

    // Replaces the text; every other field keeps its value. The caller restarts at 0.
    void SetText(std::string source);

    // Reads the element at `cursor` and moves `cursor` past it. Returns false at the
    // end of the text; a step over trailing text returns true with an empty name.
    bool NextElement(int& cursor);
    // As NextElement, and also parses the attribute text into `attributes` and
    // appends the comma-separated items of the body to `items`.
    bool NextElementFull(int& cursor);
    // True when an element with a non-empty name begins at position 0.
    bool HasElement() const;

    const std::string& Name() const { return name; }
    const std::string& AttributeText() const { return attributeText; }
    const std::string& Body() const { return body; }
    const std::string& ElementText() const { return elementText; }
    const StringMap& Attributes() const { return attributes; }
    const StringList& Items() const { return items; }
    const std::string& Text() const { return text; }

    // Position of the bracket that closes the opening bracket at `position`, or -1.
    int FindPartner(int position, const std::string& source) const;
    // The text strictly between the bracket at `position` and its partner; without a
    // partner, the rest of the text after the bracket.
    std::string BracketContent(int position, const std::string& source) const;
    // Splits the element that begins at `start`; returns the position of its last
    // bracket, or length - 1 when no element begins there.
    int SplitElementAt(const std::string& source, int start, std::string& nameOut,
                       std::string& attributesOut, std::string& bodyOut) const;
    // One step of the walk on any text.
    bool NextAt(const std::string& source, int& cursor, std::string& nameOut,
                std::string& attributesOut, std::string& bodyOut) const;
    // As NextAt, handing out views into `source` instead of copies.
    bool NextSpans(std::string_view source, int& cursor, std::string_view& nameOut,
                   std::string_view& attributesOut, std::string_view& bodyOut) const;
    // Finds every bracket of `source` at once, so that NextSpans over it and over its
    // parts (element bodies and attribute texts, which begin right after a bracket)
    // does not search the same bytes again at every level. The text must stay as it
    // is until ForgetBrackets.
    void IndexBrackets(std::string_view source);
    void ForgetBrackets();
    // Fills `target` with KEY{VALUE} pairs; returns the number of steps taken.
    int ParseAttributes(const std::string& source, StringMap& target) const;
    // Appends the comma-separated items of `source`; returns the list's new count.
    int SplitItems(const std::string& source, StringList& target) const;

protected:
    // One step of NextElement; `full` also fills `attributes` and `items`.
    bool Step(int& cursor, bool full);
    // The first "{" at or after `start`, or -1.
    int NextCurly(std::string_view source, int start) const;
    int FindPartnerIn(int position, std::string_view source) const;
    int SplitSpans(std::string_view source, int start, std::string_view& nameOut,
                   std::string_view& attributesOut, std::string_view& bodyOut) const;
    // SplitSpans of NAME{BODY} and NAME(ATTRIBUTES){BODY} with balanced brackets, found
    // from the first bracket at `start`; false, with nothing set, for any other shape.
    static bool UsualSpans(std::string_view source, int start, std::string_view& nameOut,
                           std::string_view& attributesOut, std::string_view& bodyOut,
                           int& end);
    // SplitSpans of NAME{BODY} and NAME(ATTRIBUTES){BODY} with balanced brackets, from
    // the index; false when `source` is not a part of the indexed text or the element
    // has another shape.
    bool IndexedSpans(std::string_view source, int start, int& end, std::string_view& nameOut,
                      std::string_view& attributesOut, std::string_view& bodyOut) const;
    // The index of the closer that balances opener `bracket`, when it lies before
    // `limit`; -1 otherwise.
    std::ptrdiff_t IndexedPartner(std::size_t bracket, std::size_t limit) const;

    std::string elementText;
    std::string body;
    std::string attributeText;
    std::string name;
    StringList items;
    StringMap attributes;
    std::string text;
    const std::string closeBrackets = ")}";
    // Where the last search for "{" began and ended, and in which text.
    mutable const char* curlySource = nullptr;
    mutable std::size_t curlySize = 0;
    mutable int curlyFrom = 0;
    mutable int curlyAt = -1;
    const std::string openBrackets = "({";
    // The indexed text and the positions of its brackets, ascending.
    std::string_view indexedText;
    Brackets brackets;
    mutable std::size_t bracketHint = 0;  // where the last search of the index ended
};
