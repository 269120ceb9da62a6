#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LargeBuffer.h"
#include "text/StringList.h"

// The few file-system services the system needs, with the behaviour it was written
// against: text-mode reading, lookups that forgive letter case on input, and names
// built from code page 932 text.

// The lines of a text file held in one buffer and taken from the head, as a kind's
// records are: no allocation per line.
class TextLines
{
public:
    void Clear();
    // Reads a file into the buffer as it is and appends its lines (the rules of
    // NextTextLine); false when it cannot be read, with nothing appended.
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

    LargeBuffer text;  // a data file is read straight into it, never zero-filled first
    std::size_t size = 0;
    std::vector<Span> spans;  // each line's bytes in `text`
    std::size_t next = 0;
};

// Appends the lines of a text file. Returns 0 when the file was read, 1 when it does
// not exist or cannot be read (a folder in its place, no permission, a read error);
// then nothing is appended.
int ReadTextLines(const std::filesystem::path& file, StringList& lines);
int ReadTextLines(const std::filesystem::path& file, TextLines& lines);

// Reads a whole file into `buffer` from position `start` on, as it is; the text ends
// at `end`, before the first 0x1A byte. False when the file cannot be read (missing,
// a folder, no access, a read error).
bool ReadWholeText(const std::filesystem::path& file, LargeBuffer& buffer, std::size_t start,
                   std::size_t& end);
// The number of lines of a text, by the rules of NextTextLine.
std::size_t CountTextLines(std::string_view text);
// The line at `position` of a text read in text mode, moving `position` past it;
// false at the end of the text. A line ends at LF, a CR right before the LF is
// dropped, and the last line need not end with LF. NUL is an ordinary byte; the first
// 0x1A has already ended the text where it was read (ReadWholeText).
bool NextTextLine(std::string_view text, std::size_t& position, std::string_view& line);

// Whether anything exists at exactly this path.
bool PathExists(const std::filesystem::path& path);
bool IsRegularFile(const std::filesystem::path& path);
bool IsFolder(const std::filesystem::path& path);

// The entry to read for an input path: the path itself when something exists there,
// otherwise the entry of the same folder whose name equals the wanted one ignoring
// ASCII letter case (the first in byte order of names), otherwise the path unchanged.
// Data sets are made on Windows, where names like 44201RD.SAL and 44201rd.sal agree.
std::filesystem::path FindInputEntry(const std::filesystem::path& path);

// The file-system name of code page 932 text (fileset and kind codes).
std::filesystem::path FsName(std::string_view cp932Name);
// True when a code page 932 name is safe as one path component inside a chosen
// folder: not empty, not "." or "..", no separator and no control character.
bool IsSafeName(std::string_view cp932Name);

// The running executable's own full path.
std::filesystem::path ExecutablePath();

// The regular files of a folder whose names end with `suffix` ignoring ASCII case,
// in byte order of their names.
std::vector<std::filesystem::path> ListFilesWithSuffix(const std::filesystem::path& folder,
                                                       std::string_view suffix);

// Creates one folder level; true when the folder exists afterwards.
bool CreateFolder(const std::filesystem::path& folder);
// Copies a file, replacing an existing target; true on success.
bool CopyFileOverwrite(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes one trailing separator, as a folder is held without one; a root stays as it is.
std::filesystem::path WithoutTrailingSeparator(const std::filesystem::path& folder);
