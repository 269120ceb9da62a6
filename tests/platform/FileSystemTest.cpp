#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// The lines ReadTextLines gives for a file holding exactly `bytes`. The walk over the
// whole text must give the same lines, and count them alike.
StringList LinesOf(const std::string& bytes)
{
    TempFolder folder;
    WriteFileBytes(folder / "in.txt", bytes);
    StringList lines;
    EXPECT_EQ(0, ReadTextLines(folder / "in.txt", lines));

    // Point files are read whole and walked line by line.
    LargeBuffer whole;
    std::size_t end = 0;
    EXPECT_TRUE(ReadWholeText(folder / "in.txt", whole, 0, end));
    const std::string_view text(whole.Data(), end);
    EXPECT_EQ(lines.size(), CountTextLines(text));
    StringList walked;
    std::size_t position = 0;
    std::string_view view;
    while (NextTextLine(text, position, view)) {
        walked.emplace_back(view);
    }
    EXPECT_EQ(lines, walked);
    return lines;
}

}

TEST(FileSystemTest, ReadsLinesInTextMode)
{
    const std::vector<std::pair<std::string, StringList>> cases = {
        {"", {}},
        {"\n", {""}},
        {"abc\n", {"abc"}},
        {"abc", {"abc"}},
        {"a\r\nb\r\n\r\nc", {"a", "b", "", "c"}},
        {"a\rb\r\r\n\rc\r", {"a\rb\r", "\rc\r"}},
        {"a\nb\x1A" "c\nd\n", {"a", "b"}},
        {"\x1A" "abc\n", {}},
        {"a\r\x1A\nb", {"a\r"}},
        {std::string("a\0b\n\0\n", 6), {std::string("a\0b", 3), std::string(1, '\0')}},
    };
    for (const auto& [bytes, lines] : cases) {
        EXPECT_EQ(lines, LinesOf(bytes)) << bytes;
    }
}

TEST(FileSystemTest, ReadsLinesLongerThanOneReadChunk)
{
    // The reader takes 64 KiB at a time: the CR of the first line is the last byte of
    // the first chunk, its LF the first byte of the next.
    const std::string firstLine(65535, 'y');
    const std::string longLine(3 * 65536 + 7, 'x');
    EXPECT_EQ(StringList({firstLine, longLine, "b"}),
              LinesOf(firstLine + "\r\n" + longLine + "\r\nb\x1A" + longLine));
    EXPECT_EQ(StringList({longLine}), LinesOf(longLine));
    // Many short lines across chunk boundaries, as in a point file.
    std::string points;
    for (int i = 0; i < 20000; ++i) {
        points += std::to_string(10000000 + i) + "00000000\r\n";
    }
    EXPECT_EQ(20000u, LinesOf(points).size());
    EXPECT_EQ(20001u, LinesOf(points + "x").size());
    // Nothing but line ends, more of them than a byte can count per position.
    EXPECT_EQ(9001u, LinesOf(std::string(9000, '\n') + "x").size());
}

TEST(FileSystemTest, ReadTextLinesAppendsAndReportsWhatCannotBeRead)
{
    TempFolder folder;
    WriteFileBytes(folder / "in.txt", "b\nc\n");
    StringList lines = {"a"};
    EXPECT_EQ(0, ReadTextLines(folder / "in.txt", lines));
    EXPECT_EQ(StringList({"a", "b", "c"}), lines);

    EXPECT_EQ(1, ReadTextLines(folder / "missing.txt", lines));
    EXPECT_EQ(1, ReadTextLines(folder.Path(), lines));
    EXPECT_EQ(StringList({"a", "b", "c"}), lines);

    // A file too big to hold is refused like one that cannot be read, not thrown at the
    // caller, and what was read before stays.
    if (!MakeFileTooBigToHold(folder / "huge.txt")) {
        return;
    }
    EXPECT_EQ(1, ReadTextLines(folder / "huge.txt", lines));
    EXPECT_EQ(StringList({"a", "b", "c"}), lines);
    TextLines held;
    ASSERT_TRUE(held.AppendFile(folder / "in.txt"));
    EXPECT_FALSE(held.AppendFile(folder / "huge.txt"));
    ASSERT_EQ(2u, held.Size());
    EXPECT_EQ("b", held.Front());
    LargeBuffer whole;
    std::size_t end = 0;
    EXPECT_FALSE(ReadWholeText(folder / "huge.txt", whole, 0, end));
}

TEST(FileSystemTest, ViewsOfLinesHoldUntilTheNextFileIsRead)
{
    TempFolder folder;
    WriteFileBytes(folder / "a.txt", "one\r\ntwo\nthree");
    WriteFileBytes(folder / "b.txt", "four\n");
    TextLines lines;
    ASSERT_EQ(0, ReadTextLines(folder / "a.txt", lines));
    lines.PopFront();
    const TextLines::View view = lines.Remaining();
    ASSERT_EQ(2u, view.Size());
    EXPECT_EQ("two", view[0]);
    EXPECT_EQ("three", view[1]);
    EXPECT_EQ(std::string("two\nthree").size(), view.Bytes());
    // Taking every line leaves the view as it was; the next file starts afresh.
    lines.PopFront();
    lines.PopFront();
    EXPECT_TRUE(lines.Empty());
    EXPECT_EQ("three", view[1]);
    EXPECT_EQ(0u, lines.Remaining().Size());
    EXPECT_EQ(0u, lines.Remaining().Bytes());
    ASSERT_EQ(0, ReadTextLines(folder / "b.txt", lines));
    ASSERT_EQ(1u, lines.Size());
    EXPECT_EQ("four", lines.Front());
}

TEST(FileSystemTest, FindInputEntryFallsBackToTheFirstNameEqualIgnoringCase)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows file systems hold one name of those that differ only in case";
#endif
    TempFolder folder;
    for (const char* name : {"44201rd.sal", "44201Rd.sal", "44201rD.SAL", "other.sal"}) {
        WriteFileBytes(folder / name, "");
    }
    fs::create_directory(folder / "Data");

    // An exact match wins; otherwise the first candidate in byte order of names.
    EXPECT_EQ(folder / "44201rd.sal", FindInputEntry(folder / "44201rd.sal"));
    EXPECT_EQ(folder / "44201Rd.sal", FindInputEntry(folder / "44201RD.SAL"));
    EXPECT_EQ(folder / "44201Rd.sal", FindInputEntry(folder / "44201rd.Sal"));
    EXPECT_EQ(folder / "Data", FindInputEntry(folder / "DATA"));
    EXPECT_EQ(folder / "44201xx.sal", FindInputEntry(folder / "44201xx.sal"));
    EXPECT_EQ(folder / "nowhere" / "A.sal", FindInputEntry(folder / "nowhere" / "A.sal"));
}

TEST(FileSystemTest, ListFilesWithSuffixIgnoresCaseAndSortsByName)
{
    TempFolder folder;
    for (const char* name : {"b.dtd", "A.DTD", "c.Dtd", "notes.txt", "dtd", "a.dtd.bak"}) {
        WriteFileBytes(folder / name, "");
    }
    fs::create_directory(folder / "sub.dtd");

    EXPECT_EQ((std::vector<fs::path>{folder / "A.DTD", folder / "b.dtd", folder / "c.Dtd"}),
              ListFilesWithSuffix(folder.Path(), ".dtd"));
    EXPECT_TRUE(ListFilesWithSuffix(folder / "missing", ".dtd").empty());
}

TEST(FileSystemTest, IsSafeNameAcceptsOnlyOnePlainPathComponent)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"44201", true}, {"\x95\x5C", true},  // 表: its trail byte 0x5C is no separator
        {"a.b", true},   {"", false},         {".", false},   {"..", false},
        {"a/b", false},  {"a\\b", false},     {"a\tb", false}, {std::string("a\0b", 3), false},
    };
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(safe, IsSafeName(name)) << name;
    }
}

TEST(FileSystemTest, WithoutTrailingSeparatorRemovesOneAndLeavesRootsAlone)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/out/", "/out"}, {"/out//", "/out/"}, {"/out", "/out"}, {"out/", "out"},
        {"/", "/"},        {"//", "//"},        {"", ""},
    };
    for (const auto& [folder, expected] : cases) {
        EXPECT_EQ(expected, PathText(WithoutTrailingSeparator(folder))) << folder;
    }
}

TEST(FileSystemTest, WithoutTrailingSeparatorTakesEitherSeparatorOnWindows)
{
#ifndef _WIN32
    GTEST_SKIP() << "\"\\\" and drive letters are ordinary characters on Linux";
#endif
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\out\\", "C:\\out"},
        {"C:/out/", "C:/out"},
        {"C:\\out\\\\", "C:\\out\\"},
        {"C:\\", "C:\\"},
        {"C:/", "C:/"},
        {"\\\\server\\share\\", "\\\\server\\share"},  // the root is \\server alone
        {"out\\", "out"},
    };
    for (const auto& [folder, expected] : cases) {
        EXPECT_EQ(expected, PathText(WithoutTrailingSeparator(folder))) << folder;
    }
}

// A data set copied from Windows names its files in any letter case, and such names
// differ only in case from one another on Windows alone.
TEST(FileSystemTest, FindInputEntryGivesTheNameAsStored)
{
    TempFolder folder;
    WriteFileBytes(folder / "44201Rd.sal", "");
    fs::create_directory(folder / "Data");

    EXPECT_EQ(folder / "44201Rd.sal", FindInputEntry(folder / "44201RD.SAL"));
    EXPECT_EQ(folder / "44201Rd.sal", FindInputEntry(folder / "44201Rd.sal"));
    EXPECT_EQ(folder / "Data", FindInputEntry(folder / "DATA"));
    EXPECT_EQ(folder / "Data" / "44201.slm", FindInputEntry(folder / "Data" / "44201.slm"));
}

TEST(FileSystemTest, SamePathIgnoresLetterCaseOnlyOnWindows)
{
#ifdef _WIN32
    const bool windows = true;
#else
    const bool windows = false;
#endif
    EXPECT_TRUE(SamePath(PathFromText("out/F01RD.xml"), PathFromText("out/F01RD.xml")));
    EXPECT_EQ(windows, SamePath(PathFromText("out/F01RD.xml"), PathFromText("OUT/f01rd.XML")));
    EXPECT_FALSE(SamePath(PathFromText("out/F01RD.xml"), PathFromText("out/F01RV.xml")));
    EXPECT_FALSE(SamePath(PathFromText("out/F01RD.xml"), fs::path()));
}

TEST(FileSystemTest, IsNameWindowsAltersDevicesTrailingDotsAndForbiddenCharacters)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"44201", false},   {"CONSOLE", false}, {"COM0", false},     {"COM10", false},
        {"LPT", false},     {"NULL.txt", false}, {".con", false},    {"a.b", false},
        {"表", false},      {"", false},
        {"CON", true},      {"con", true},       {"Nul", true},      {"PRN", true},
        {"aux", true},      {"COM1", true},      {"com9", true},     {"LPT1", true},
        {"lpt9", true},     {"CONIN$", true},    {"conout$", true},  {"nul.txt", true},
        {"NUL.tar.gz", true}, {"con .txt", true}, {"COM\u00B9", true}, {"LPT\u00B3.x", true},
        {"a.", true},       {"a ", true},        {"..a.", true},     {"a:b", true},
        {"a*", true},       {"a?", true},        {"a\"b", true},     {"a<b", true},
        {"a>b", true},      {"a|b", true},
    };
    for (const auto& [name, altered] : cases) {
        EXPECT_EQ(altered, IsNameWindowsAlters(name)) << name;
    }
}

// Codes that Windows would take for a device or alter are refused there; Linux keeps
// taking them, as folders of that very name.
TEST(FileSystemTest, IsSafeNameRefusesWhatWindowsWouldAlterOnlyOnWindows)
{
#ifdef _WIN32
    const bool safe = false;
#else
    const bool safe = true;
#endif
    for (const char* code : {"CON", "nul", "Aux.sal", "COM1", "lpt9", "F01.", "F01 ", "F:01"}) {
        EXPECT_EQ(safe, IsSafeName(code)) << code;
    }
    EXPECT_TRUE(IsSafeName("44201"));
    EXPECT_TRUE(IsSafeName("CONSOLE"));
}

// Codes become names through the project's own table: on Windows as UTF-16, never through
// the process code page. A file made under such a name is listed under it again.
TEST(FileSystemTest, FsNameGivesTheUnicodeNameOfCodePage932Text)
{
    EXPECT_EQ(PathFromText("44201"), FsName("44201"));
    EXPECT_EQ(PathFromText("表ｱ"), FsName("\x95\x5C\xB1"));
    EXPECT_EQ(PathFromText("\u2225\uFF5E"), FsName("\x81\x61\x81\x60"));  // ∥～ as Windows

    TempFolder folder;
    std::FILE* file = OpenFile(folder.Path() / FsName("\x95\x5C\xB1.dtd"), "wb");
    ASSERT_NE(nullptr, file);
    std::fclose(file);
    EXPECT_EQ(std::vector<fs::path>{folder.Path() / PathFromText("表ｱ.dtd")},
              ListFilesWithSuffix(folder.Path(), ".dtd"));
}

// Beyond 260 characters Windows needs the long form of a path, also for a relative one
// (BatchToolTest runs a whole conversion at such a depth).
TEST(FileSystemTest, PathsLongerThan260CharactersWork)
{
    TempFolder folder;
    fs::path deep = folder.Path();
    for (int level = 0; level < 6; ++level) {
        deep /= std::string(50, static_cast<char>('a' + level));
        ASSERT_TRUE(CreateFolder(deep)) << level;
    }
    std::FILE* file = OpenFile(deep / "44201RD.sal", "wb");
    ASSERT_NE(nullptr, file);
    std::fputs("a\r\nb\r\n", file);
    std::fclose(file);

    const fs::path current = fs::current_path();
    fs::current_path(folder.Path());
    const fs::path relative = fs::relative(deep, folder.Path()) / "44201rd.SAL";
    ASSERT_GT(PathText(relative).size(), 300u);
    const fs::path found = FindInputEntry(relative);
    const bool isFile = IsRegularFile(found);
    StringList lines;
    const int read =
        ReadTextLines(found.parent_path() / ".." / deep.filename() / found.filename(), lines);
    fs::current_path(current);
    EXPECT_EQ(fs::relative(deep, folder.Path()) / "44201RD.sal", found);
    EXPECT_TRUE(isFile);
    EXPECT_EQ(0, read);
    EXPECT_EQ(StringList({"a", "b"}), lines);
}
