#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "wizard/WizardServices.h"

// The platform services behind the wizard's interfaces, with the Windows API.

// The path history in the registry: values of type REG_SZ under
// HKEY_CURRENT_USER\Software\<organisation>\<application>\<section>. Each value is
// written at once, since a confirmed quit ends the process without any clean-up.
class RegistryHistory : public HistoryStore
{
public:
    // `application` is the executable's file title in the program.
    RegistryHistory(std::wstring organisation, std::wstring application);
    std::string Read(const std::string& section, const std::string& key) override;
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override;
    // The key of `section`, below HKEY_CURRENT_USER.
    std::wstring SectionKey(const std::string& section) const;

private:
    std::wstring organisationName;
    std::wstring applicationName;
};

// The open-file and save-file dialogs (GetOpenFileName, GetSaveFileName) and the shell's
// folder browser, modal over the active window (the wizard). All return paths of any
// length.
class WinFilePicker : public FilePicker
{
public:
    std::optional<std::filesystem::path> ChooseFile(const std::vector<FileFilter>& filters,
                                                    const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> ChooseFolder(const std::string& title,
                                                      const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> ChooseSaveFile(
        const FileFilter& filter, const std::filesystem::path& start,
        const std::filesystem::path& suggestedName) override;

    // The filter list of the open-file dialog: label and pattern pairs ended by NUL, the
    // list by a second NUL. "*" becomes "*.*", the pattern of every file there.
    static std::wstring FilterList(const std::vector<FileFilter>& filters);
    // The extension the save-file dialog adds to a name typed without one: the pattern's
    // ("png" of "*.png"), or none when the pattern names no single extension.
    static std::wstring DefaultExtension(const FileFilter& filter);
};

// Opens a help page with the shell's "open" verb.
class ShellOpener : public DocumentOpener
{
public:
    void Open(const std::filesystem::path& document) override;
};

// Ends the process at once (ExitProcess): no destructors, no end-of-dialog steps.
class WinProcessExit : public ProcessExit
{
public:
    [[noreturn]] void Exit(int status) override;
};

// Keeps OLE set up on this thread while it lives: the folder browser's resizable form
// needs it.
class OleSession
{
public:
    OleSession();
    ~OleSession();
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
};

// The four services of the program, owned together.
struct WinServices
{
    WinServices(std::wstring organisation, std::wstring application);
    WizardServices Services();

    RegistryHistory history;
    WinFilePicker picker;
    ShellOpener opener;
    WinProcessExit processExit;
};
