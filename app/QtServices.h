#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QPointer>
#include <QString>

#include "wizard/WizardServices.h"

class QWidget;

// The platform services behind the wizard's interfaces, with Qt.

// The path history in QSettings under organisation "QXZ" and the application's name:
// on Windows the registry key Software\QXZ\<name>, elsewhere Qt's per-user settings
// file. Each value is written through at once, since a confirmed quit ends the process
// without any of the usual clean-up.
class QtHistory : public HistoryStore
{
public:
    // `application` is the executable's file title in the program.
    QtHistory(QString organisation, QString application);
    std::string Read(const std::string& section, const std::string& key) override;
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override;

private:
    QString organisationName;
    QString applicationName;
};

// The open-file dialog and the folder picker, modal over the wizard window. A filter
// "*.csv" also matches "*.CSV", since data sets come from Windows; the labels show as
// they are given, without their patterns. An empty start folder is the user's home.
class QtFilePicker : public FilePicker
{
public:
    explicit QtFilePicker(QWidget* owner = nullptr);
    void SetOwner(QWidget* owner);
    std::optional<std::filesystem::path> ChooseFile(const std::vector<FileFilter>& filters,
                                                    const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> ChooseFolder(const std::string& title,
                                                      const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> ChooseSaveFile(
        const FileFilter& filter, const std::filesystem::path& start,
        const std::filesystem::path& suggestedName) override;

    // The name filters of the open-file dialog, "LABEL (PATTERNS)".
    static QStringList NameFilters(const std::vector<FileFilter>& filters);

private:
    QPointer<QWidget> ownerWindow;
};

// Opens a help page with the desktop's program for it (QDesktopServices).
class QtDocumentOpener : public DocumentOpener
{
public:
    void Open(const std::filesystem::path& document) override;
};

// Ends the process at once (std::_Exit): no destructors, no end-of-dialog steps; what a
// run had written stays as it is.
class QtProcessExit : public ProcessExit
{
public:
    [[noreturn]] void Exit(int status) override;
};

// The four services of the program, owned together.
struct QtServices
{
    QtServices(QString organisation, QString application);
    WizardServices Services();

    QtHistory history;
    QtFilePicker picker;
    QtDocumentOpener opener;
    QtProcessExit processExit;
};
