#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifdef _WIN32
// `folder` is in the long form: "\\?\" and an absolute path.
inline void RemoveLongTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = folder + L"\\" + name;
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            // A link to a folder goes itself; what it points to stays.
            if (isFolder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                RemoveDirectoryW(child.c_str());
            } else if (isFolder) {
                RemoveLongTree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}
#endif

// Removes a folder with everything in it, ignoring failures. On Windows it goes
// through the long form of the paths, which std::filesystem does not take, since tests
// make folders deeper than 260 characters.
inline void RemoveTree(const std::filesystem::path& folder)
{
    std::error_code error;
#ifdef _WIN32
    const std::filesystem::path full = std::filesystem::absolute(folder, error);
    if (!error) {
        RemoveLongTree(LR"(\\?\)" + full.lexically_normal().make_preferred().native());
    }
#else
    std::filesystem::remove_all(folder, error);
#endif
}

// A fresh, empty folder under the system's temporary folder, removed with everything
// in it when the object goes. Each test that touches the disk makes its own.
class TempFolder
{
public:
    TempFolder()
    {
        static std::atomic<int> serial{0};
#ifdef _WIN32
        // Wine gives the tests the same process id on every run.
        const long long process =
            std::chrono::system_clock::now().time_since_epoch().count() ^ ::_getpid();
#else
        const int process = ::getpid();
#endif
        const std::string unique = "ordevik-test-" + std::to_string(process) + "-" +
                                   std::to_string(serial++);
        root = std::filesystem::temp_directory_path() / unique;
        RemoveTree(root);
        std::filesystem::create_directories(root);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() { RemoveTree(root); }

    const std::filesystem::path& Path() const { return root; }
    std::filesystem::path operator/(const std::string& name) const { return root / name; }

private:
    std::filesystem::path root;
};

// Writes exactly these bytes, replacing the file; missing folders are created.
inline void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes)
{
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path());
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Makes `file` a sparse file of 1 TiB, more than a test machine's memory, so that a
// reader has to refuse it. False where that cannot be done or would prove nothing: on
// Windows, where the file system lacks sparse files, or where Linux grants any mapping
// (overcommit_memory 1).
inline bool MakeFileTooBigToHold(const std::filesystem::path& file)
{
#ifdef _WIN32
    static_cast<void>(file);
    return false;
#else
    std::ifstream policy("/proc/sys/vm/overcommit_memory");
    int mode = 1;
    if (!(policy >> mode) || mode == 1) {
        return false;
    }
    if (!std::filesystem::exists(file)) {
        WriteFileBytes(file, "");
    }
    std::error_code error;
    std::filesystem::resize_file(file, std::uintmax_t{1} << 40, error);
    return !error;
#endif
}

// Every byte of the file; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every regular file below `root`, by path relative to it, with its bytes.
inline std::map<std::string, std::string> FileTree(const std::filesystem::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            const std::u8string name = std::filesystem::relative(entry.path(), root).u8string();
            files[std::string(name.begin(), name.end())] = ReadFileBytes(entry.path());
        }
    }
    return files;
}

// A text as one word of a POSIX shell command line.
inline std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}
