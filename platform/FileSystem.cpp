#include "platform/FileSystem.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "text/Cp932.h"
#include "text/SjisText.h"
#include "text/Simd.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32
// The form in which a path reaches the system. A long one is made absolute and given
// the "\\?\" prefix, which lifts the limit of 260 characters; that form is taken
// literally, so it gets "\" separators and no "." or ".." (GetFullPathNameW resolves
// them as the system would). Shorter paths go as they are, with the usual meaning of
// device names and trailing dots.
std::wstring SystemPath(const fs::path& path)
{
    // CreateDirectoryW refuses 248 characters and more without the prefix.
    constexpr std::size_t longPath = 240;
    const std::wstring& text = path.native();
    if ((text.size() < longPath && path.is_absolute()) || text.starts_with(LR"(\\?\)")) {
        return text;
    }
    // A relative path is as long as it is with the current folder in front.
    const DWORD needed = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return text;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(text.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed || length < longPath) {
        return text;
    }
    full.resize(length);
    if (full.starts_with(LR"(\\)")) {
        return LR"(\\?\UNC\)" + full.substr(2);  // \\server\share\...
    }
    return LR"(\\?\)" + full;
}

std::wstring Utf16Text(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8Text(std::wstring_view utf16)
{
    if (utf16.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf16.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}
#endif

namespace {

#ifdef _WIN32
// The attributes of what is at a path, or INVALID_FILE_ATTRIBUTES.
DWORD Attributes(const fs::path& path)
{
    return GetFileAttributesW(SystemPath(path).c_str());
}
#endif

// One entry of a folder: its name as the system holds it, the same as UTF-8 text
// (for comparing and ordering), and whether it is a regular file.
struct FolderEntry
{
    fs::path name;
    std::string text;
    bool regularFile;
};

// The entries of a folder in no particular order; empty when it cannot be read.
std::vector<FolderEntry> FolderEntries(const fs::path& folder)
{
    std::vector<FolderEntry> entries;
#ifdef _WIN32
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileExW(SystemPath(folder / L"*").c_str(), FindExInfoBasic, &found,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return entries;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        fs::path entry(name);
        std::string text = PathText(entry);
        entries.push_back(
            {std::move(entry), std::move(text),
             (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0});
    } while (FindNextFileW(search, &found));
    FindClose(search);
#else
    std::error_code error;
    fs::directory_iterator listing(folder, error);
    if (error) {
        return entries;
    }
    for (const fs::directory_entry& entry : listing) {
        std::error_code kindError;
        fs::path name = entry.path().filename();
        std::string text = name.string();
        entries.push_back({std::move(name), std::move(text), entry.is_regular_file(kindError)});
    }
#endif
    return entries;
}

#ifdef _WIN32
// The size a file reports, or nothing when it cannot tell.
std::optional<std::uintmax_t> ReportedSize(const fs::path& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(SystemPath(file).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (std::uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}
#endif

constexpr std::size_t readChunk = 1 << 16;
constexpr char endOfText = 0x1A;

// memchr for LF, with the short lines of point data found without a call.
const char* FindNewline(const char* text, std::size_t size)
{
#if ORDEVIK_SSE2
    std::size_t position = 0;
    for (; position < 32 && position + 16 <= size; position += 16) {
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + position)),
            _mm_set1_epi8('\n'))));
        if (mask != 0) {
            return text + position + static_cast<std::size_t>(std::countr_zero(mask));
        }
    }
    return static_cast<const char*>(std::memchr(text + position, '\n', size - position));
#else
    return static_cast<const char*>(std::memchr(text, '\n', size));
#endif
}

std::size_t CountNewlines(const char* text, std::size_t size)
{
    std::size_t count = 0;
    std::size_t position = 0;
#if ORDEVIK_SSE2
    // Per byte lane, a count of up to 255 blocks, then summed: no bit counting, which
    // plain x86-64 lacks an instruction for.
    while (position + 16 <= size) {
        __m128i lanes = _mm_setzero_si128();
        for (int block = 0; block < 255 && position + 16 <= size; ++block, position += 16) {
            // A match is 0xFF, so subtracting it adds one.
            lanes = _mm_sub_epi8(
                lanes, _mm_cmpeq_epi8(
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + position)),
                           _mm_set1_epi8('\n')));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si64(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
#endif
    for (; position < size; ++position) {
        count += text[position] == '\n' ? 1 : 0;
    }
    return count;
}

}

void TextLines::Clear()
{
    // The spans stay until the next file is read, for the views of them.
    size = 0;
    next = spans.size();
}

bool TextLines::AppendFile(const fs::path& file)
{
    if (size == 0) {
        spans.clear();
        next = 0;
    }
    std::size_t end = 0;
    if (!ReadWholeText(file, text, size, end)) {
        return false;
    }
    const std::string_view all(text.Data(), end);
    std::size_t position = size;
    std::string_view line;
    const std::size_t before = spans.size();
    try {
        while (NextTextLine(all, position, line)) {
            const auto begin = static_cast<std::size_t>(line.data() - text.Data());
            spans.push_back({begin, begin + line.size()});
        }
    } catch (const std::bad_alloc&) {
        // More lines than the memory to be had can index: the file cannot be read.
        spans.resize(before);
        return false;
    }
    size = end;
    return true;
}

std::string_view TextLines::Front() const
{
    const Span& span = spans[next];
    return std::string_view(text.Data() + span.begin, span.end - span.begin);
}

void TextLines::PopFront()
{
    ++next;
    if (next == spans.size()) {
        Clear();
    }
}

int ReadTextLines(const fs::path& file, TextLines& lines)
{
    return lines.AppendFile(file) ? 0 : 1;
}

bool ReadWholeText(const fs::path& file, LargeBuffer& buffer, std::size_t start,
                   std::size_t& end)
{
    std::size_t size = start;
#ifdef _WIN32
    if (!IsRegularFile(file)) {
        return false;
    }
    const std::optional<std::uintmax_t> expected = ReportedSize(file);
    std::FILE* handle = OpenFile(file, "rb");
    if (handle == nullptr) {
        return false;
    }
    // One byte more than expected, so that a file that grew is noticed and read on;
    // files of the proc kind say they are empty and are read on as well.
    // A file too big for the memory to be had cannot be read.
    if (!buffer.Reserve(start + static_cast<std::size_t>(expected.value_or(0)) + 1, start)) {
        std::fclose(handle);
        return false;
    }
    for (;;) {
        if (size == buffer.Capacity() &&
            !buffer.Reserve(size + std::max<std::size_t>(readChunk, size / 2), size)) {
            std::fclose(handle);
            return false;
        }
        const std::size_t got =
            std::fread(buffer.Data() + size, 1, buffer.Capacity() - size, handle);
        size += got;
        if (got == 0) {
            break;
        }
    }
    const bool failed = std::ferror(handle) != 0;
    std::fclose(handle);
#else
    // One open, one fstat and, for a file that does not change while it is read, one
    // read: a data set of many small filesets reads hundreds of files. Not blocking, so
    // that a FIFO in place of a file is refused rather than waited on.
    const int handle = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (handle < 0) {
        return false;
    }
    struct stat status;
    if (fstat(handle, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(handle);
        return false;
    }
    const auto expected = static_cast<std::size_t>(status.st_size);
    // One byte more than expected, so that a file that grew is noticed and read on;
    // files of the proc kind say they are empty and are read on until a read gives 0.
    // A file too big for the memory to be had cannot be read.
    if (!buffer.Reserve(start + expected + 1, start)) {
        close(handle);
        return false;
    }
    bool failed = false;
    for (;;) {
        if (size == buffer.Capacity() &&
            !buffer.Reserve(size + std::max<std::size_t>(readChunk, size / 2), size)) {
            close(handle);
            return false;
        }
        const std::size_t wanted = buffer.Capacity() - size;
        const ssize_t got = read(handle, buffer.Data() + size, wanted);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed = true;
            break;
        }
        size += static_cast<std::size_t>(got);
        // A short read of a regular file that gave all it said it holds is its end.
        if (got == 0 || (expected > 0 && size - start >= expected &&
                         static_cast<std::size_t>(got) < wanted)) {
            break;
        }
    }
    close(handle);
#endif
    if (failed) {
        return false;
    }
    // The first 0x1A ends the text: nothing after it is ever read.
    const void* stop = std::memchr(buffer.Data() + start, endOfText, size - start);
    end = stop != nullptr ? static_cast<std::size_t>(static_cast<const char*>(stop) - buffer.Data())
                          : size;
    return true;
}

std::size_t CountTextLines(std::string_view text)
{
    const std::size_t newlines = CountNewlines(text.data(), text.size());
    return !text.empty() && text.back() != '\n' ? newlines + 1 : newlines;
}

bool NextTextLine(std::string_view text, std::size_t& position, std::string_view& line)
{
    if (position >= text.size()) {
        return false;
    }
    const char* found = FindNewline(text.data() + position, text.size() - position);
    if (found == nullptr) {
        line = text.substr(position);
        position = text.size();
        return true;
    }
    const auto newline = static_cast<std::size_t>(found - text.data());
    std::size_t lineEnd = newline;
    if (lineEnd > position && text[lineEnd - 1] == '\r') {
        --lineEnd;
    }
    line = text.substr(position, lineEnd - position);
    position = newline + 1;
    return true;
}

int ReadTextLines(const fs::path& file, StringList& lines)
{
    TextLines read;
    if (ReadTextLines(file, read) != 0) {
        return 1;
    }
    for (; !read.Empty(); read.PopFront()) {
        lines.emplace_back(read.Front());
    }
    return 0;
}

bool PathExists(const fs::path& path)
{
#ifdef _WIN32
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
#else
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error)) || fs::exists(path, error);
#endif
}

bool IsRegularFile(const fs::path& path)
{
#ifdef _WIN32
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
#else
    std::error_code error;
    return fs::is_regular_file(path, error);
#endif
}

std::uintmax_t ReportedFileSize(const fs::path& path)
{
#ifdef _WIN32
    return IsRegularFile(path) ? ReportedSize(path).value_or(0) : 0;
#else
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)
               ? static_cast<std::uintmax_t>(status.st_size)
               : 0;
#endif
}

bool IsFolder(const fs::path& path)
{
#ifdef _WIN32
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
    std::error_code error;
    return fs::is_directory(path, error);
#endif
}

fs::path FindInputEntry(const fs::path& path)
{
    if (!path.has_filename()) {
        return path;
    }
#ifdef _WIN32
    // The system finds an entry in any letter case; the entry is taken as it stands
    // only when its own name is the wanted one, so that among names that differ in case
    // alone (on a file system that keeps them apart) the same one is found as on Linux.
    if (PathExists(path)) {
        const std::wstring name = path.filename().native();
        WIN32_FIND_DATAW found;
        const HANDLE search =
            name.find_first_of(L"*?") == std::wstring::npos
                ? FindFirstFileExW(SystemPath(path).c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0)
                : INVALID_HANDLE_VALUE;
        if (search == INVALID_HANDLE_VALUE) {
            return path;
        }
        FindClose(search);
        if (name == found.cFileName) {
            return path;
        }
    }
#else
    if (PathExists(path)) {
        return path;
    }
#endif
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string wanted = PathText(path.filename());
    const FolderEntry* best = nullptr;
    const std::vector<FolderEntry> entries = FolderEntries(folder);
    for (const FolderEntry& entry : entries) {
        if (EqualsIgnoringAsciiCase(entry.text, wanted) &&
            (best == nullptr || entry.text < best->text)) {
            best = &entry;
        }
    }
    return best != nullptr ? path.parent_path() / best->name : path;
}

bool SamePath(const fs::path& first, const fs::path& second)
{
#ifdef _WIN32
    return CompareStringOrdinal(first.c_str(), -1, second.c_str(), -1, TRUE) == CSTR_EQUAL;
#else
    return first == second;
#endif
}

fs::path FsName(std::string_view cp932Name)
{
#ifdef _WIN32
    const std::u16string name = ToUtf16(cp932Name);
    return fs::path(std::wstring(name.begin(), name.end()));
#else
    return fs::path(ToUtf8(cp932Name));
#endif
}

bool IsSafeName(std::string_view cp932Name)
{
    const std::string name = ToUtf8(cp932Name);
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    for (char byte : name) {
        const unsigned char value = static_cast<unsigned char>(byte);
        if (value < 0x20 || byte == '/' || byte == '\\') {
            return false;
        }
    }
#ifdef _WIN32
    if (IsNameWindowsAlters(name)) {
        return false;
    }
#endif
    return true;
}

bool IsNameWindowsAlters(std::string_view utf8Name)
{
    if (utf8Name.empty()) {
        return false;
    }
    if (utf8Name.back() == '.' || utf8Name.back() == ' ' ||
        utf8Name.find_first_of("<>:\"|?*") != std::string_view::npos) {
        return true;
    }
    // A device name counts up to the first "." (so NUL.txt and nul.tar.gz are NUL),
    // without the spaces before it.
    std::string_view stem = utf8Name.substr(0, utf8Name.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (EqualsIgnoringAsciiCase(stem, device)) {
            return true;
        }
    }
    // COM1 to COM9 and LPT1 to LPT9; Windows also reserves them with the superscript
    // digits ¹ ² ³ (UTF-8 C2 B9, C2 B2, C2 B3).
    if (stem.size() < 4 || (!EqualsIgnoringAsciiCase(stem.substr(0, 3), "COM") &&
                            !EqualsIgnoringAsciiCase(stem.substr(0, 3), "LPT"))) {
        return false;
    }
    const std::string_view digit = stem.substr(3);
    return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\u00B9" ||
           digit == "\u00B2" || digit == "\u00B3";
}

std::string PathText(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path PathFromText(std::string_view utf8Text)
{
    return fs::path(std::u8string(utf8Text.begin(), utf8Text.end()));
}

std::FILE* OpenFile(const fs::path& path, const char* mode)
{
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(SystemPath(path).c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

fs::path ExecutablePath()
{
#ifdef _WIN32
    // The module's file name, in a buffer that grows until the name fits (a path may
    // be longer than 260 characters).
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    // The long form as the system gave it; a "\\?\" prefix is not part of the name.
    if (buffer.starts_with(LR"(\\?\)") && !buffer.starts_with(LR"(\\?\UNC\)")) {
        buffer.erase(0, 4);
    }
    return fs::path(buffer);
#else
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return self;
#endif
}

bool StandardErrorIsTerminal()
{
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

std::vector<fs::path> ListFilesWithSuffix(const fs::path& folder, std::string_view suffix)
{
    std::vector<FolderEntry> entries = FolderEntries(folder);
    std::erase_if(entries, [&](const FolderEntry& entry) {
        const std::string& name = entry.text;
        return !entry.regularFile || name.size() < suffix.size() ||
               !EqualsIgnoringAsciiCase(std::string_view(name).substr(name.size() - suffix.size()),
                                        suffix);
    });
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.text < b.text; });
    std::vector<fs::path> files;
    files.reserve(entries.size());
    for (const FolderEntry& entry : entries) {
        files.push_back(folder / entry.name);
    }
    return files;
}

bool CreateFolder(const fs::path& folder)
{
#ifdef _WIN32
    CreateDirectoryW(SystemPath(folder).c_str(), nullptr);
    return IsFolder(folder);
#else
    std::error_code error;
    fs::create_directory(folder, error);
    return fs::is_directory(folder, error);
#endif
}

bool CopyFileOverwrite(const fs::path& from, const fs::path& to)
{
#ifdef _WIN32
    return CopyFileW(SystemPath(from).c_str(), SystemPath(to).c_str(), FALSE) != 0;
#else
    std::error_code error;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
#endif
}

fs::path WithoutTrailingSeparator(const fs::path& folder)
{
    // A root keeps its separator: without it "/" would be empty and C:\ would mean the
    // current folder of drive C.
    if (folder.relative_path().empty()) {
        return folder;
    }
    fs::path::string_type text = folder.native();
    if (text.size() > 1 && (text.back() == fs::path::preferred_separator || text.back() == '/')) {
        text.pop_back();
    }
    return fs::path(text);
}
