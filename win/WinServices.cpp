#include "win/WinServices.h"

#include <algorithm>
#include <utility>

#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include "win/Handles.h"
#include "win/WideText.h"

namespace {

// Owns an item id list of the shell.
class ItemIdList
{
public:
    explicit ItemIdList(PIDLIST_ABSOLUTE list) : handle(list) {}
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;
    ~ItemIdList()
    {
        if (handle) {
            CoTaskMemFree(handle);
        }
    }
    PIDLIST_ABSOLUTE Get() const { return handle; }

private:
    PIDLIST_ABSOLUTE handle;
};

// Room for a path of any length the file system allows.
constexpr DWORD longPath = 32768;  // characters

}

RegistryHistory::RegistryHistory(std::wstring organisation, std::wstring application)
    : organisationName(std::move(organisation)), applicationName(std::move(application))
{
}

std::wstring RegistryHistory::SectionKey(const std::string& section) const
{
    return L"Software\\" + organisationName + L"\\" + applicationName + L"\\" + ToWide(section);
}

std::string RegistryHistory::Read(const std::string& section, const std::string& key)
{
    const std::wstring subKey = SectionKey(section);
    const std::wstring name = ToWide(key);
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     nullptr, &bytes) != ERROR_SUCCESS || bytes == 0) {
        return {};
    }
    std::wstring value(bytes / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     value.data(), &bytes) != ERROR_SUCCESS) {
        return {};
    }
    // The size counts the terminating NUL, which the string does not keep.
    value.resize(wcsnlen(value.c_str(), value.size()));
    return FromWide(value);
}

void RegistryHistory::Write(const std::string& section, const std::string& key,
                            const std::string& value)
{
    RegistryKey handle;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, handle.Out(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    const std::wstring text = ToWide(value);
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(handle.Get(), ToWide(key).c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

std::wstring WinFilePicker::FilterList(const std::vector<FileFilter>& filters)
{
    std::wstring list;
    for (const FileFilter& filter : filters) {
        list += ToWide(filter.label);
        list += L'\0';
        list += filter.pattern == "*" ? std::wstring(L"*.*") : ToWide(filter.pattern);
        list += L'\0';
    }
    list += L'\0';
    return list;
}

namespace {

// Where a picker opens: `start`, or the user's profile folder when `start` is empty.
std::wstring StartDirectory(const std::filesystem::path& start)
{
    if (!start.empty()) {
        return start.wstring();
    }
    wchar_t profile[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile))) {
        return {};
    }
    return profile;
}

// What the open-file and save-file dialogs share: modal over the active window, the first
// of `filterList`'s types, the name in `file` (a buffer of longPath characters) and the
// start folder. The strings must outlive the dialog.
OPENFILENAMEW FileDialog(const std::wstring& filterList, std::wstring& file,
                         const std::wstring& initialFolder)
{
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filterList.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = longPath;
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    return dialog;
}

// Selects the start folder (lpData) in the folder browser once it is shown.
int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM start)
{
    if (message == BFFM_INITIALIZED && start != 0) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, start);
    }
    return 0;
}

}

std::optional<std::filesystem::path> WinFilePicker::ChooseFile(
    const std::vector<FileFilter>& filters, const std::filesystem::path& start)
{
    const std::wstring filterList = FilterList(filters);
    const std::wstring initialFolder = StartDirectory(start);
    std::wstring file(longPath, L'\0');
    OPENFILENAMEW dialog = FileDialog(filterList, file, initialFolder);
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                   OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) {
        return std::nullopt;
    }
    file.resize(wcsnlen(file.c_str(), file.size()));
    return std::filesystem::path(file);
}

std::optional<std::filesystem::path> WinFilePicker::ChooseFolder(
    const std::string& title, const std::filesystem::path& start)
{
    const std::wstring text = ToWide(title);
    const std::wstring initialFolder = StartDirectory(start);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = GetActiveWindow();
    browse.pszDisplayName = displayName;
    browse.lpszTitle = text.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    browse.lpfn = SelectStartFolder;
    browse.lParam = initialFolder.empty() ? 0 : reinterpret_cast<LPARAM>(initialFolder.c_str());
    const ItemIdList chosen(SHBrowseForFolderW(&browse));
    if (chosen.Get() == nullptr) {
        return std::nullopt;
    }
    std::wstring folder(longPath, L'\0');
    if (!SHGetPathFromIDListEx(chosen.Get(), folder.data(), longPath, GPFIDL_DEFAULT)) {
        // A virtual folder (the desktop's printers, say) has no path.
        return std::nullopt;
    }
    folder.resize(wcsnlen(folder.c_str(), folder.size()));
    return std::filesystem::path(folder);
}

std::wstring WinFilePicker::DefaultExtension(const FileFilter& filter)
{
    const std::string& pattern = filter.pattern;
    if (!pattern.starts_with("*.") || pattern.find_first_of("*?.;", 2) != std::string::npos) {
        return {};
    }
    return ToWide(pattern.substr(2));
}

std::optional<std::filesystem::path> WinFilePicker::ChooseSaveFile(
    const FileFilter& filter, const std::filesystem::path& start,
    const std::filesystem::path& suggestedName)
{
    const std::wstring filterList = FilterList({filter});
    const std::wstring initialFolder = StartDirectory(start);
    const std::wstring extension = DefaultExtension(filter);
    std::wstring file(longPath, L'\0');
    const std::wstring& name = suggestedName.native();
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), longPath - 1), file.begin());
    OPENFILENAMEW dialog = FileDialog(filterList, file, initialFolder);
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST |
                   OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    file.resize(wcsnlen(file.c_str(), file.size()));
    return std::filesystem::path(file);
}

void ShellOpener::Open(const std::filesystem::path& document)
{
    ShellExecuteW(GetActiveWindow(), L"open", document.wstring().c_str(), nullptr, nullptr,
                  SW_SHOW);
}

void WinProcessExit::Exit(int status)
{
    ExitProcess(static_cast<UINT>(status));
}

OleSession::OleSession()
{
    OleInitialize(nullptr);
}

OleSession::~OleSession()
{
    OleUninitialize();
}

WinServices::WinServices(std::wstring organisation, std::wstring application)
    : history(std::move(organisation), std::move(application))
{
}

WizardServices WinServices::Services()
{
    return {history, picker, opener, processExit};
}
