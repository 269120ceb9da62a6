#include "tests/app/GuiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include "app/QtText.h"
#include "wizard/ControlIds.h"

namespace fs = std::filesystem;
using namespace control;

std::map<std::string, std::string> Tree(const fs::path& root)
{
    std::map<std::string, std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(root, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->is_regular_file()) {
            files[fs::relative(entry->path(), root).generic_string()] = ReadFileBytes(entry->path());
        }
    }
    return files;
}

int RunProgram(const QString& program, const QStringList& arguments, QString* output,
               const QStringList& environment, bool showErrors)
{
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : environment) {
        variables.insert(variable.section(QLatin1Char('='), 0, 0),
                         variable.section(QLatin1Char('='), 1));
    }
    process.setProcessEnvironment(variables);
    if (showErrors) {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    } else {
        process.setStandardErrorFile(QProcess::nullDevice());
    }
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    if (output != nullptr) {
        *output = QString::fromUtf8(process.readAllStandardOutput());
    }
    return process.exitCode();
}

int BatchConvert(const fs::path& set, const fs::path& out, const QStringList& filesets)
{
    QStringList arguments = {
        QStringLiteral("--csv"), PathToQString(set / "filesets.csv"),
        QStringLiteral("--data"), PathToQString(set / "data"),
        QStringLiteral("--dtd"), PathToQString(set / "dtd"),
        QStringLiteral("--out"), PathToQString(out),
        QStringLiteral("--settings"), PathToQString(buildDir / "ordevik.ini"),
        QStringLiteral("--missing"), QStringLiteral("skip"), QStringLiteral("--quiet")};
    for (const QString& code : filesets) {
        arguments << QStringLiteral("--fileset") << code;
    }
    // The batch tool tells of every dialog on its error stream.
    return RunProgram(QStringLiteral(ORDEVIK_BATCH_PATH), arguments, nullptr, {}, false);
}

void UrlRecorder::Open(const QUrl& url)
{
    opened << QFileInfo(url.toLocalFile()).fileName();
}

Harness::Harness(bool historyRequested, const QString& application)
    : set(folder / "set"), out(folder / "out"),
      history(QStringLiteral("QXZ"), application)
{
    fs::copy(sourceDir / "samples" / "demo", set, fs::copy_options::recursive);
    window = std::make_unique<HookedWindow>(
        WizardServices{history, picker, opener, processExit}, historyRequested,
        buildDir / "ordevik.ini", buildDir / "images", [this] { ++beeps; });
    window->PlaceAtTopLeft();
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) {
        qWarning("the wizard window did not become active");
    }
}

Harness::~Harness() = default;

QString Harness::Text(int id)
{
    QWidget* widget = window->Control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* text = qobject_cast<QTextEdit*>(widget)) {
        return text->toPlainText();
    }
    return {};
}

std::vector<int> Harness::Shown()
{
    std::vector<int> shown;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (name.startsWith(QStringLiteral("control")) && widget->isVisibleTo(window.get())) {
            shown.push_back(name.mid(7).toInt());
        }
    }
    std::sort(shown.begin(), shown.end());
    return shown;
}

QString Harness::FocusName()
{
    const QWidget* focused = window->focusWidget();
    return focused != nullptr ? focused->objectName() : QStringLiteral("none");
}

QString Harness::Buttons()
{
    QString state;
    for (const auto& [id, name] : {std::pair{help, "help"}, std::pair{back, "back"},
                                   std::pair{next, "next"}, std::pair{cancel, "cancel"}}) {
        state += QString::fromLatin1(name) + (window->Control(id)->isEnabled() ? "+ " : "- ");
    }
    return state + QLatin1Char('\'') + Text(next) + QStringLiteral("' focus=") + FocusName() +
           QStringLiteral(" default=") + QString::number(window->DefaultButton());
}

void Harness::ChoosePaths()
{
    picker.files.push_back(set / "filesets.csv");
    Click(csvBrowse);
    picker.folders.push_back(out);
    Click(xmlBrowse);
}

void Harness::ToFilesetPage()
{
    Click(next);
    ChoosePaths();
    answers.Add(Press(QStringLiteral("button1")));  // XMLフォルダを作成します。
    Click(next);
}

void Harness::ToFeaturePage(const std::vector<int>& rows)
{
    ToFilesetPage();
    SelectRows(Get<QTreeWidget>(allFilesetList), rows);
    Click(addFileset);
    Click(next);
}

void Harness::ToSummaryPage(const std::vector<int>& rows)
{
    ToFeaturePage(rows);
    Click(next);
    Click(next);
}
