#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LargeBuffer.h"
#include "text/StringList.h"

// The few file-system services the system needs, with the behaviour it was written
// against: text-mode reading, lookups that forgive letter case on input, and names
// built from code page 932 text. The same rules hold on Linux and on Windows; on
// Windows every path reaches the system in UTF-16, in the "\\?\" form when it is long
// (so paths beyond 260 characters work), and never through the process code page.

// The lines of a text file held in one buffer and taken from the head, as a kind's
// records are: no allocation per line.
class TextLines
{
public:
    // Takes every line; the next AppendFile starts afresh.
    void Clear();
    // Reads a file into the buffer as it is and appends its lines (the rules of
    // NextTextLine); false when it cannot be read, or not held in the memory to be
    // had, with nothing appended.
    bool AppendFile(const std::filesystem::path& file);
    bool Empty() const { return next == spans.size(); }
    // Lines not yet taken.
    std::size_t Size() const { return spans.size() - next; }
    std::string_view Front() const;
    void PopFront();
private:
    struct Span
    {
        std::size_t begin;
        std::size_t end;
    };

public:
    // Lines by number, without copying them.
    class View
    {
    public:
        View() = default;
        View(const char* viewText, const Span* viewFirst, std::size_t viewCount)
            : text(viewText), first(viewFirst), count(viewCount)
        {
        }
        std::size_t Size() const { return count; }
        std::string_view operator[](std::size_t index) const
        {
            return std::string_view(text + first[index].begin,
                                    first[index].end - first[index].begin);
        }
        // The bytes from the first line's start to the last line's end.
        std::size_t Bytes() const
        {
            return count == 0 ? 0 : first[count - 1].end - first[0].begin;
        }

    private:
        const char* text = nullptr;
        const Span* first = nullptr;
        std::size_t count = 0;
    };
    // The lines not yet taken. The view holds while the lines do: until the next
    // AppendFile, whatever PopFront does meanwhile, and not past Clear.
    View Remaining() const { return View(text.Data(), spans.data() + next, Size()); }

private:

    LargeBuffer text;  // a data file is read straight into it, never zero-filled first
    std::size_t size = 0;
    // Each line's bytes in `text`. In huge pages from 64 KiB on: a data file of a hundred
    // thousand lines would otherwise cost a page fault for every 256 of them.
    std::vector<Span, LargePages<Span>> spans;
    std::size_t next = 0;
};

// Appends the lines of a text file. Returns 0 when the file was read, 1 when it does
// not exist or cannot be read (a folder in its place, no permission, a read error);
// then nothing is appended.
int ReadTextLines(const std::filesystem::path& file, StringList& lines);
int ReadTextLines(const std::filesystem::path& file, TextLines& lines);

// Reads a whole file into `buffer` from position `start` on, as it is; the text ends
// at `end`, before the first 0x1A byte. False when the file cannot be read (missing,
// a folder, no access, a read error, or too big for the memory to be had).
bool ReadWholeText(const std::filesystem::path& file, LargeBuffer& buffer, std::size_t start,
                   std::size_t& end);
// The number of lines of a text, by the rules of NextTextLine.
std::size_t CountTextLines(std::string_view text);
// The line at `position` of a text read in text mode, moving `position` past it;
// false at the end of the text. A line ends at LF, a CR right before the LF is
// dropped, and the last line need not end with LF. NUL is an ordinary byte; the first
// 0x1A has already ended the text where it was read (ReadWholeText).
bool NextTextLine(std::string_view text, std::size_t& position, std::string_view& line);

// Whether anything exists at exactly this path (on Windows in any letter case, as the
// system finds it).
bool PathExists(const std::filesystem::path& path);
bool IsRegularFile(const std::filesystem::path& path);
bool IsFolder(const std::filesystem::path& path);
// The size a regular file reports, in bytes; 0 when it cannot tell (no such file, a
// folder, no access).
std::uintmax_t ReportedFileSize(const std::filesystem::path& path);

// The entry to read for an input path: the path itself when an entry of exactly that
// name exists, otherwise the entry of the same folder whose name equals the wanted one
// ignoring ASCII letter case (the first in byte order of names), otherwise the path
// unchanged. Data sets are made on Windows, where names like 44201RD.SAL and
// 44201rd.sal agree; the same entry is found on Linux and on Windows.
std::filesystem::path FindInputEntry(const std::filesystem::path& path);

// Whether two paths, as written, name the same entry: when they are equal, and on
// Windows, whose file systems ignore letter case, also when they differ only in case.
bool SamePath(const std::filesystem::path& first, const std::filesystem::path& second);

// The file-system name of code page 932 text (fileset and kind codes): its UTF-8 form
// on Linux, its UTF-16 form on Windows, both from the project's own table.
std::filesystem::path FsName(std::string_view cp932Name);
// True when a code page 932 name is safe as one path component inside a chosen
// folder: not empty, not "." or "..", no separator ("/" or "\") and no control
// character. On Windows a name that IsNameWindowsAlters also fails. Linux takes such
// names as they are, as it always has: there they name an ordinary folder or file.
bool IsSafeName(std::string_view cp932Name);
// True when Windows would not take a UTF-8 name as the file of that name: a name
// Windows reserves for a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9,
// CONIN$, CONOUT$; in any letter case, with or without an extension, with spaces
// before the extension), one ending in "." or " " (Windows drops them), or one
// holding a character Windows does not allow in names (< > : " | ? *).
bool IsNameWindowsAlters(std::string_view utf8Name);

// A path as UTF-8 text, for messages, the console and the window; and the path that
// UTF-8 text names. On Linux both keep the bytes as they are.
std::string PathText(const std::filesystem::path& path);
std::filesystem::path PathFromText(std::string_view utf8Text);

#ifdef _WIN32
// The form in which a path reaches the Windows API: UTF-16, and a long one made absolute
// in the "\\?\" form.
std::wstring SystemPath(const std::filesystem::path& path);
// UTF-8 text as the UTF-16 of the Windows API, and back; a malformed sequence becomes
// U+FFFD.
std::wstring Utf16Text(std::string_view utf8);
std::string Utf8Text(std::wstring_view utf16);
#endif

// Opens a file with a C mode ("rb", "wb", "ab"); nullptr when it cannot be opened.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// The running executable's own full path (on Windows the module's file name).
std::filesystem::path ExecutablePath();

// Whether standard error goes to a terminal (on Windows a console) rather than a file
// or a pipe.
bool StandardErrorIsTerminal();

// The regular files of a folder whose names end with `suffix` ignoring ASCII case,
// in byte order of their names.
std::vector<std::filesystem::path> ListFilesWithSuffix(const std::filesystem::path& folder,
                                                       std::string_view suffix);

// Creates one folder level; true when the folder exists afterwards.
bool CreateFolder(const std::filesystem::path& folder);
// Copies a file, replacing an existing target; true on success.
bool CopyFileOverwrite(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes one trailing separator ("/", on Windows also "\"), as a folder is held
// without one; a root stays as it is.
std::filesystem::path WithoutTrailingSeparator(const std::filesystem::path& folder);
