#include "app/QtServices.h"

#include <cstdlib>
#include <utility>

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QSettings>
#include <QUrl>

#include "app/QtText.h"

QtHistory::QtHistory(QString organisation, QString application)
    : organisationName(std::move(organisation)), applicationName(std::move(application))
{
}

std::string QtHistory::Read(const std::string& section, const std::string& key)
{
    QSettings settings(organisationName, applicationName);
    return FromQString(settings.value(ToQString(section + "/" + key)).toString());
}

void QtHistory::Write(const std::string& section, const std::string& key,
                      const std::string& value)
{
    QSettings settings(organisationName, applicationName);
    settings.setValue(ToQString(section + "/" + key), ToQString(value));
    settings.sync();
}

QtFilePicker::QtFilePicker(QWidget* owner) : ownerWindow(owner) {}

void QtFilePicker::SetOwner(QWidget* owner)
{
    ownerWindow = owner;
}

QStringList QtFilePicker::NameFilters(const std::vector<FileFilter>& filters)
{
    QStringList names;
    for (const FileFilter& filter : filters) {
        QString patterns = ToQString(filter.pattern);
        const QString upper = patterns.toUpper();
        if (upper != patterns) {
            patterns += QLatin1Char(' ') + upper;
        }
        names << ToQString(filter.label) + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return names;
}

namespace {

QString StartDirectory(const std::filesystem::path& start)
{
    return start.empty() ? QDir::homePath() : PathToQString(start);
}

}

std::optional<std::filesystem::path> QtFilePicker::ChooseFile(
    const std::vector<FileFilter>& filters, const std::filesystem::path& start)
{
    QFileDialog dialog(ownerWindow.data(), QString(), StartDirectory(start));
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(NameFilters(filters));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return PathFromQString(dialog.selectedFiles().constFirst());
}

std::optional<std::filesystem::path> QtFilePicker::ChooseFolder(
    const std::string& title, const std::filesystem::path& start)
{
    QFileDialog dialog(ownerWindow.data(), ToQString(title), StartDirectory(start));
    dialog.setObjectName(QStringLiteral("folderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return PathFromQString(dialog.selectedFiles().constFirst());
}

std::optional<std::filesystem::path> QtFilePicker::ChooseSaveFile(
    const FileFilter& filter, const std::filesystem::path& start,
    const std::filesystem::path& suggestedName)
{
    QFileDialog dialog(ownerWindow.data(), QString(), StartDirectory(start));
    dialog.setObjectName(QStringLiteral("saveDialog"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(NameFilters({filter}));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.selectFile(PathToQString(suggestedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return PathFromQString(dialog.selectedFiles().constFirst());
}

void QtDocumentOpener::Open(const std::filesystem::path& document)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(PathToQString(document)));
}

void QtProcessExit::Exit(int status)
{
    std::_Exit(status);
}

QtServices::QtServices(QString organisation, QString application)
    : history(std::move(organisation), std::move(application))
{
}

WizardServices QtServices::Services()
{
    return {history, picker, opener, processExit};
}
