#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

// A fresh, empty folder under the system's temporary folder, removed with everything
// in it when the object goes. Each test that touches the disk makes its own.
class TempFolder
{
public:
    TempFolder()
    {
        static std::atomic<int> serial{0};
#ifdef _WIN32
        const int process = ::_getpid();
#else
        const int process = ::getpid();
#endif
        const std::string unique = "ordevik-test-" + std::to_string(process) + "-" +
                                   std::to_string(serial++);
        root = std::filesystem::temp_directory_path() / unique;
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

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

// Every byte of the file; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
