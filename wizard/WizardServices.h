#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The services of the platform that the wizard uses besides its window. The Qt program
// implements them in app/, the tests with fakes that record what was asked.

// A per-user store of strings by section and key, where the path history is kept.
// Values are UTF-8; failures are not reported.
class HistoryStore
{
public:
    virtual ~HistoryStore() = default;
    // The stored value, or the empty string when there is none.
    virtual std::string Read(const std::string& section, const std::string& key) = 0;
    virtual void Write(const std::string& section, const std::string& key,
                       const std::string& value) = 0;
};

// One entry of the open-file dialog's list of file types.
struct FileFilter
{
    std::string label;    // UTF-8, shown as it is
    std::string pattern;  // "*.csv"; "*" matches every file
    bool operator==(const FileFilter&) const = default;
};

// The modal dialogs that choose a file or a folder. Each opens in `startFolder`, an
// existing folder, or in the user's home folder when `startFolder` is empty.
class FilePicker
{
public:
    virtual ~FilePicker() = default;
    // The open-file dialog with these file types, the first one chosen: the full path
    // of the file chosen, or nothing when the user cancelled.
    virtual std::optional<std::filesystem::path> ChooseFile(
        const std::vector<FileFilter>& filters, const std::filesystem::path& startFolder) = 0;
    // The folder picker with this title (UTF-8), offering only folders of the file
    // system: the full path of the folder chosen, or nothing when the user cancelled.
    virtual std::optional<std::filesystem::path> ChooseFolder(
        const std::string& title, const std::filesystem::path& startFolder) = 0;
    // The save-file dialog with this file type, offering `suggestedName` in
    // `startFolder` and asking before an existing file is replaced: the full path
    // chosen, or nothing when the user cancelled.
    virtual std::optional<std::filesystem::path> ChooseSaveFile(
        const FileFilter& filter, const std::filesystem::path& startFolder,
        const std::filesystem::path& suggestedName) = 0;
};

// Where a picker that replaces `current` (a file or folder path, maybe empty or gone)
// opens: `current` itself when it is a folder, else its parent folder when that exists,
// else empty (the user's home folder).
std::filesystem::path StartFolder(const std::filesystem::path& current);

// Opens a document (a help page) in the program the desktop associates with it, or a
// folder in the desktop's file manager.
class DocumentOpener
{
public:
    virtual ~DocumentOpener() = default;
    virtual void Open(const std::filesystem::path& document) = 0;
};

// Ends the process at once, with no end-of-dialog steps and no history written.
class ProcessExit
{
public:
    virtual ~ProcessExit() = default;
    [[noreturn]] virtual void Exit(int status) = 0;
};

// The services one wizard uses; each must outlive the wizard.
struct WizardServices
{
    HistoryStore& history;
    FilePicker& picker;
    DocumentOpener& opener;
    ProcessExit& processExit;
};
