#include "platform/FileSystem.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <system_error>

#include "text/Cp932.h"
#include "text/SjisText.h"
#include "text/Simd.h"

namespace fs = std::filesystem;

namespace {

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
    size = 0;
    spans.clear();
    next = 0;
}

bool TextLines::AppendFile(const fs::path& file)
{
    std::size_t end = 0;
    if (!ReadWholeText(file, text, size, end)) {
        return false;
    }
    const std::string_view all(text.Data(), end);
    std::size_t position = size;
    std::string_view line;
    while (NextTextLine(all, position, line)) {
        const auto begin = static_cast<std::size_t>(line.data() - text.Data());
        spans.push_back({begin, begin + line.size()});
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
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        return false;
    }
    const std::uintmax_t expected = fs::file_size(file, error);
    std::FILE* handle = std::fopen(file.c_str(), "rb");
    if (handle == nullptr) {
        return false;
    }
    // One byte more than expected, so that a file that grew is noticed and read on;
    // files of the proc kind say they are empty and are read on as well.
    std::size_t size = start;
    if (!buffer.Reserve(start + (error ? 0 : static_cast<std::size_t>(expected)) + 1, start)) {
        throw std::bad_alloc();
    }
    for (;;) {
        if (size == buffer.Capacity() &&
            !buffer.Reserve(size + std::max<std::size_t>(readChunk, size / 2), size)) {
            throw std::bad_alloc();
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
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error)) || fs::exists(path, error);
}

bool IsRegularFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool IsFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

fs::path FindInputEntry(const fs::path& path)
{
    if (PathExists(path) || !path.has_filename()) {
        return path;
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string wanted = path.filename().string();
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
        return path;
    }
    std::string best;
    bool found = false;
    for (const fs::directory_entry& entry : entries) {
        const std::string candidate = entry.path().filename().string();
        if (EqualsIgnoringAsciiCase(candidate, wanted) && (!found || candidate < best)) {
            best = candidate;
            found = true;
        }
    }
    return found ? path.parent_path() / best : path;
}

fs::path FsName(std::string_view cp932Name)
{
    return fs::path(ToUtf8(cp932Name));
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
    return true;
}

fs::path ExecutablePath()
{
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return self;
}

std::vector<fs::path> ListFilesWithSuffix(const fs::path& folder, std::string_view suffix)
{
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
        return {};
    }
    for (const fs::directory_entry& entry : entries) {
        std::error_code kindError;
        if (!entry.is_regular_file(kindError)) {
            continue;
        }
        const std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() &&
            EqualsIgnoringAsciiCase(std::string_view(name).substr(name.size() - suffix.size()),
                                  suffix)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    std::vector<fs::path> files;
    files.reserve(names.size());
    for (const std::string& name : names) {
        files.push_back(folder / name);
    }
    return files;
}

bool CreateFolder(const fs::path& folder)
{
    std::error_code error;
    fs::create_directory(folder, error);
    return fs::is_directory(folder, error);
}

bool CopyFileOverwrite(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
}

fs::path WithoutTrailingSeparator(const fs::path& folder)
{
    // A root keeps its separator: without it "/" would be empty and C:\ would mean the
    // current folder of drive C.
    if (folder.relative_path().empty()) {
        return folder;
    }
    std::string text = folder.native();
    if (text.size() > 1 && text.back() == fs::path::preferred_separator) {
        text.pop_back();
    }
    return fs::path(text);
}
