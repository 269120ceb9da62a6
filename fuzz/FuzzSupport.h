#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

// Helpers shared by the fuzz targets. Each process works in a folder of its own, so
// several fuzzing processes may run side by side; the folder goes when the process ends
// normally (after a crash it stays for inspection).

namespace fuzzsupport {

inline const std::filesystem::path& ProcessFolder()
{
    static const std::filesystem::path folder = [] {
        const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                           ("ordevik-fuzz-" + std::to_string(::getpid()));
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
        std::filesystem::create_directories(root);
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(
                std::filesystem::temp_directory_path() /
                    ("ordevik-fuzz-" + std::to_string(::getpid())),
                error);
        });
        return root;
    }();
    return folder;
}

// Writes exactly these bytes, replacing the file; aborts when it cannot, since a target
// that silently reads a stale file would test nothing.
inline void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        std::abort();
    }
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) {
        std::abort();
    }
}

// Aborts with a message, so that libFuzzer records the input as a crash.
[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool condition, const char* what)
{
    if (!condition) {
        Fail(what);
    }
}

// Number of lines of a text file as read in text mode: the first 0x1A ends the text,
// lines end at LF and the last one needs none.
inline std::size_t CountLines(std::string_view bytes)
{
    const std::size_t stop = bytes.find('\x1A');
    if (stop != std::string_view::npos) {
        bytes = bytes.substr(0, stop);
    }
    std::size_t lines = 0;
    for (char byte : bytes) {
        lines += byte == '\n' ? 1 : 0;
    }
    return lines + (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
}

}
