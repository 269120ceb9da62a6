#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
struct iovec;
#endif

// An output file written in binary through a buffer of its own. Lines carry their own
// CR LF, so the bytes on disk are the same on every platform. Any failed write, flush
// or close is remembered: a full disk must never pass for a finished document.
// Owns its file handle; used by one thread at a time.
//
// A file that was never opened keeps everything written to it: a thread composes
// records into one, and the open file takes the text (Text, WriteInPlace).
class OutputFile
{
public:
    enum class Mode
    {
        Create,  // create, or truncate an existing file
        Append,  // create when missing, keep the contents and write at the end
    };

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // False when the file cannot be opened (no folder, no permission, a folder there).
    bool Open(const std::filesystem::path& path, Mode mode);
    // Writes the bytes as they are.
    void Write(std::string_view bytes);
    // Writes code page 932 text converted to UTF-8.
    void WriteUtf8(std::string_view cp932Text);
    // Composition in place: code page 932 text appended to the returned buffer after
    // StartText is converted to UTF-8 by FinishText when asked, then written like the
    // rest. The buffer must only grow between the two calls. `asciiBefore` is a
    // buffer position before which the composer knows the text to be ASCII.
    std::string& StartText();
    void FinishText(bool utf8, std::size_t asciiBefore = 0);
    // Writes the bytes this unopened file holds to `target` and empties this one,
    // which keeps its storage for what follows.
    void MoveTextTo(OutputFile& target);
    // The bytes an unopened file holds.
    std::string_view Text() const { return buffer; }
    // Writes `pieces` after the bytes held as Write would, one after another, but
    // without copying them: once they fill the buffer (BufferRoom bytes or more in
    // all), the bytes up to the last multiple of the buffer size in the file are
    // written from where they lie, in one call, and the rest is left to the caller to
    // hand over later. Returns the bytes of the pieces, from the first on, that the
    // file is done with. Pieces that do not fill the buffer are kept as Write keeps
    // them, and so are all of them in a file that failed, is not open, or was
    // appended to and has not reached a multiple of the buffer size.
    std::size_t WriteInPlace(const std::vector<std::string_view>& pieces);
    // Drops the bytes held, keeping the storage.
    void Clear() { buffer.clear(); }
    // Makes room for `bytes` held at once, so that the storage is had in one piece.
    void Reserve(std::size_t bytes) { buffer.reserve(bytes); }
    // The bytes held and not yet written.
    std::size_t Held() const { return buffer.size(); }
    // The bytes that can be added before the buffer is written to the system.
    std::size_t BufferRoom() const;
    // Flushes and closes; false when anything since Open failed.
    bool Close();

    bool IsOpen() const { return file != nullptr; }
    // The file's size as written so far, buffered bytes included (what an appended file
    // held before counts too); after Close, the size on disk when nothing failed.
    std::uint64_t Size() const { return fileOffset + buffer.size(); }
    bool Failed() const { return failed; }

private:
    void FlushIfFull();
    void Flush();
    // Writes `bytes` to the file, leaving the buffer as it is.
    void WriteOut(std::string_view bytes);
    // Writes the pieces to the file in turn, in one call where the system allows.
    void WriteOut(const std::vector<std::string_view>& pieces);
#ifndef _WIN32
    // Writes `count` non-empty parts with as few calls as the system needs.
    void WriteParts(iovec* parts, std::size_t count);
#endif

    std::FILE* file = nullptr;
    std::uint64_t fileOffset = 0;  // where the buffer's first byte goes in the file
    std::string buffer;
    std::size_t textStart = 0;
    std::string pending;  // the part of a composed text that needs converting
    std::vector<std::string_view> gathered;  // what WriteInPlace writes in one call
    bool failed = false;
};
