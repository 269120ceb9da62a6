#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "app/QtServices.h"
#include "app/WizardWindow.h"
#include "tests/TestSupport.h"
#include "tests/app/WindowDriver.h"

inline const std::filesystem::path sourceDir = ORDEVIK_SOURCE_DIR;
inline const std::filesystem::path buildDir = ORDEVIK_BUILD_DIR;

// Every regular file below `root`, by its path relative to `root`, with its bytes.
std::map<std::string, std::string> Tree(const std::filesystem::path& root);

// Runs a program to its end; its exit status, or -1 when it crashed or did not start.
// Its standard output goes to `output` when given; its errors to ours when `showErrors`.
int RunProgram(const QString& program, const QStringList& arguments, QString* output = nullptr,
               const QStringList& environment = {}, bool showErrors = true);

// The demo set converted by ordevik-batch into `out`: UTF-8, integrated, DTD copied,
// missing data files skipped; `filesets` empty converts all.
int BatchConvert(const std::filesystem::path& set, const std::filesystem::path& out,
                 const QStringList& filesets = {});

// Records the help pages the desktop would open ("file" URLs).
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QStringList opened;  // file names

public slots:
    void Open(const QUrl& url);
};

// The wizard window over the real Qt services, except that the pickers answer from
// queues and a confirmed quit is refused; the history lies in the test's own settings
// folder under an application name of its own. A copy of the demo set lies in set/,
// out/ is the chosen XML folder (not created). The window is shown and active.
class Harness
{
public:
    explicit Harness(bool historyRequested = false,
                     const QString& application = QStringLiteral("ordevik-test"));
    ~Harness();

    HookedWindow& Window() { return *window; }
    template <class Widget>
    Widget* Get(int id)
    {
        return FindControl<Widget>(window.get(), id);
    }
    bool Click(int id) { return ::Click(window.get(), id); }
    // What a control shows: a label's, button's or edit's text, a group's title.
    QString Text(int id);
    // The ids of the shown controls, ascending.
    std::vector<int> Shown();
    // The bottom row as "help+ back- next+ cancel+ 'caption' focus=ID default=ID".
    QString Buttons();
    QString FocusName();

    // Steps through the pages with the demo set.
    void ChoosePaths();
    void ToFilesetPage();
    void ToFeaturePage(const std::vector<int>& rows);
    void ToSummaryPage(const std::vector<int>& rows);

    TempFolder folder;
    std::filesystem::path set;
    std::filesystem::path out;
    QtHistory history;
    ScriptedPicker picker;
    QtDocumentOpener opener;
    RefusedExit processExit;
    DialogAnswerer answers;
    int beeps = 0;

private:
    std::unique_ptr<HookedWindow> window;
};
