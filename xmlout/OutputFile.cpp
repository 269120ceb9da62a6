#include "xmlout/OutputFile.h"

#include <algorithm>
#include <cerrno>

#ifndef _WIN32
#include <sys/uio.h>
#include <unistd.h>
#endif

#include "platform/FileSystem.h"
#include "text/Cp932.h"

namespace {

// Large enough that writes reach the system in big pieces; small against the memory
// a run may use. Full buffers are written up to a multiple of this size in the file,
// which lets the system store them in whole large pages: on Linux such writes cost
// about a fifth less than the same bytes at other offsets.
constexpr std::size_t bufferSize = 1 << 18;

}

OutputFile::~OutputFile()
{
    Close();
}

bool OutputFile::Open(const std::filesystem::path& path, Mode mode)
{
    Close();
    failed = false;
    if (IsFolder(path)) {
        return false;
    }
    file = OpenFile(path, mode == Mode::Create ? "wb" : "ab");
    if (file == nullptr) {
        return false;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    // Appending starts at the end of what is there; a file that cannot tell counts
    // as starting at 0, which only costs the alignment.
    fileOffset = 0;
    if (mode == Mode::Append && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        fileOffset = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }
    buffer.clear();
    // A full buffer plus a record, or plus a run of records composed on another thread.
    buffer.reserve(2 * bufferSize);
    return true;
}

void OutputFile::Write(std::string_view bytes)
{
    if (file == nullptr || failed || bytes.size() < bufferSize) {
        buffer.append(bytes);
        FlushIfFull();
        return;
    }
    // A large piece skips the buffer but for its ends: the buffer is filled up to the
    // next multiple of bufferSize in the file and written, the piece's whole multiples
    // are written from where they lie, and the rest is kept.
    const std::size_t fill =
        static_cast<std::size_t>((bufferSize - (fileOffset + buffer.size()) % bufferSize) %
                                 bufferSize);
    buffer.append(bytes.substr(0, fill));
    bytes.remove_prefix(fill);
    Flush();
    const std::size_t whole = bytes.size() / bufferSize * bufferSize;
    WriteOut(bytes.substr(0, whole));
    buffer.assign(bytes.substr(whole));
}

void OutputFile::WriteUtf8(std::string_view cp932Text)
{
    AppendUtf8(cp932Text, buffer);
    FlushIfFull();
}

std::string& OutputFile::StartText()
{
    textStart = buffer.size();
    return buffer;
}

void OutputFile::FinishText(bool utf8, std::size_t asciiBefore)
{
    if (utf8) {
        // Most of a record is ASCII, which reads the same in both encodings: only the
        // text from the first other byte on is converted.
        const std::size_t first =
            FirstNonAscii(buffer, std::min(std::max(textStart, asciiBefore), buffer.size()));
        if (first < buffer.size()) {
            pending.assign(buffer, first);
            buffer.resize(first);
            AppendUtf8(pending, buffer);
        }
    }
    FlushIfFull();
}

void OutputFile::MoveTextTo(OutputFile& target)
{
    target.Write(buffer);
    buffer.clear();
}

std::size_t OutputFile::WriteInPlace(const std::vector<std::string_view>& pieces)
{
    std::size_t total = 0;
    for (const std::string_view piece : pieces) {
        total += piece.size();
    }
    const std::uint64_t start = fileOffset + buffer.size();
    const std::uint64_t boundary = (start + total) / bufferSize * bufferSize;
    if (file == nullptr || failed || buffer.size() + total < bufferSize || boundary <= start) {
        for (const std::string_view piece : pieces) {
            Write(piece);
        }
        return total;
    }
    // The same bytes at the same offsets as the buffer would write them.
    const auto fromPieces = static_cast<std::size_t>(boundary - start);
    gathered.clear();
    gathered.push_back(buffer);
    std::size_t left = fromPieces;
    for (std::size_t i = 0; i < pieces.size() && left > 0; ++i) {
        gathered.push_back(pieces[i].substr(0, left));
        left -= gathered.back().size();
    }
    WriteOut(gathered);
    buffer.clear();
    return fromPieces;
}

std::size_t OutputFile::BufferRoom() const
{
    return buffer.size() < bufferSize ? bufferSize - buffer.size() : 0;
}

void OutputFile::FlushIfFull()
{
    // A file that is not open keeps its text for the open one.
    if (file == nullptr || buffer.size() < bufferSize) {
        return;
    }
    // Up to the last multiple of bufferSize in the file; the rest waits for the next
    // write. Holding at least bufferSize bytes, the buffer always reaches one.
    const std::uint64_t end = (fileOffset + buffer.size()) / bufferSize * bufferSize;
    const auto bytes = static_cast<std::size_t>(end - fileOffset);
    WriteOut(std::string_view(buffer).substr(0, bytes));
    buffer.erase(0, bytes);
}

void OutputFile::Flush()
{
    WriteOut(buffer);
    buffer.clear();
}

void OutputFile::WriteOut(std::string_view bytes)
{
    if (file == nullptr || bytes.empty()) {
        return;
    }
    if (!failed && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        failed = true;
    }
    fileOffset += bytes.size();
}

void OutputFile::WriteOut(const std::vector<std::string_view>& pieces)
{
#ifdef _WIN32
    for (const std::string_view piece : pieces) {
        WriteOut(piece);
    }
#else
    if (file == nullptr) {
        return;
    }
    constexpr std::size_t maxParts = 64;
    for (std::size_t i = 0; i < pieces.size();) {
        iovec parts[maxParts];
        std::size_t count = 0;
        std::size_t bytes = 0;
        for (; i < pieces.size() && count < maxParts; ++i) {
            if (!pieces[i].empty()) {
                parts[count++] = {const_cast<char*>(pieces[i].data()), pieces[i].size()};
                bytes += pieces[i].size();
            }
        }
        WriteParts(parts, count);
        fileOffset += bytes;
    }
#endif
}

#ifndef _WIN32
void OutputFile::WriteParts(iovec* parts, std::size_t count)
{
    // The file is unbuffered, so its descriptor stands where the last write ended.
    while (!failed && count > 0) {
        const ssize_t done = writev(fileno(file), parts, static_cast<int>(count));
        if (done <= 0) {
            if (done == 0 || errno != EINTR) {
                failed = true;
            }
            continue;
        }
        // A short write goes on from where it stopped.
        auto rest = static_cast<std::size_t>(done);
        while (count > 0 && rest >= parts->iov_len) {
            rest -= parts->iov_len;
            ++parts;
            --count;
        }
        if (count > 0) {
            parts->iov_base = static_cast<char*>(parts->iov_base) + rest;
            parts->iov_len -= rest;
        }
    }
}
#endif

bool OutputFile::Close()
{
    if (file == nullptr) {
        return !failed;
    }
    Flush();
    if (std::fflush(file) != 0) {
        failed = true;
    }
    if (std::fclose(file) != 0) {
        failed = true;
    }
    file = nullptr;
    return !failed;
}
