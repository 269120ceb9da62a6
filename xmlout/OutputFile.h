#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// An output file written in binary through a buffer of its own. Lines carry their own
// CR LF, so the bytes on disk are the same on every platform. Any failed write, flush
// or close is remembered: a full disk must never pass for a finished document.
// Owns its file handle; used by one thread at a time.
//
// A file that was never opened keeps everything written to it: a thread composes
// records into one and hands the text to the open file with MoveTextTo.
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

    std::FILE* file = nullptr;
    std::uint64_t fileOffset = 0;  // where the buffer's first byte goes in the file
    std::string buffer;
    std::size_t textStart = 0;
    std::string pending;  // the part of a composed text that needs converting
    bool failed = false;
};
