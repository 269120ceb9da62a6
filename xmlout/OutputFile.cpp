#include "xmlout/OutputFile.h"

#include "engine/Cp932.h"

namespace {

// Large enough that writes reach the system in big pieces; small against the memory
// a run may use.
constexpr std::size_t bufferSize = 1 << 20;

}

OutputFile::~OutputFile()
{
    Close();
}

bool OutputFile::Open(const std::filesystem::path& path, Mode mode)
{
    Close();
    failed = false;
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return false;
    }
    file = std::fopen(path.c_str(), mode == Mode::Create ? "wb" : "ab");
    if (file == nullptr) {
        return false;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    buffer.clear();
    buffer.reserve(bufferSize + bufferSize / 4);
    return true;
}

void OutputFile::Write(std::string_view bytes)
{
    buffer.append(bytes);
    FlushIfFull();
}

void OutputFile::WriteUtf8(std::string_view cp932Text)
{
    AppendUtf8(cp932Text, buffer);
    FlushIfFull();
}

void OutputFile::FlushIfFull()
{
    if (buffer.size() >= bufferSize) {
        Flush();
    }
}

void OutputFile::Flush()
{
    if (file == nullptr || buffer.empty()) {
        buffer.clear();
        return;
    }
    if (!failed && std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size()) {
        failed = true;
    }
    buffer.clear();
}

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
