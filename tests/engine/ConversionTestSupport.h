#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/core/Dialogs.h"
#include "engine/Conversion.h"
#include "engine/Cp932.h"

// A presenter that records every dialog and answers from a script, in order; when the
// script runs out it answers with the dialog's first button.
class RecordingPresenter : public DialogPresenter
{
public:
    struct Shown
    {
        std::string caption;
        std::string message;
    };

    int ShowModal(const DialogLayout& layout, const std::string& message) override
    {
        shown.push_back({layout.caption, message});
        if (next < answers.size()) {
            return answers[next++];
        }
        return layout.buttons.front().result;
    }

    std::vector<std::string> Messages() const
    {
        std::vector<std::string> messages;
        for (const Shown& dialog : shown) {
            messages.push_back(dialog.caption + ": " + dialog.message);
        }
        return messages;
    }

    std::vector<int> answers;
    std::size_t next = 0;
    std::vector<Shown> shown;
};

// A progress sink that keeps every call as a line of text.
class RecordingProgress : public ProgressSink
{
public:
    void SetRange(int low, int high) override
    {
        calls.push_back("range " + std::to_string(low) + ".." + std::to_string(high));
    }
    void SetPosition(int position) override
    {
        calls.push_back("position " + std::to_string(position));
    }
    void Refresh(const ProgressLabels& labels) override
    {
        calls.push_back("labels " + labels.filesetCounter + " " + labels.filesetName + " | " +
                        labels.featureCounter + " " + labels.featureName);
    }
    void PumpOneMessage() override { calls.push_back("pump"); }

    std::vector<std::string> calls;
};

// A fresh folder under the system's temporary folder, removed with the object.
class TemporaryFolder
{
public:
    TemporaryFolder()
    {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("ordevik-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TemporaryFolder()
    {
        std::error_code error;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
        std::filesystem::remove_all(path, error);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::filesystem::path path;
};

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream << bytes;
}

inline std::string ReadBytes(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// UTF-8 source text as code page 932 bytes, for writing test inputs.
std::string ToCp932(const std::string& utf8);

// Lines joined with CR LF after each, as the documents are written.
inline std::string CrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}
