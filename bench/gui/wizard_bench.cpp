// Converts a data set through the real wizard window, offscreen, and prints how long the
// run took from the click on 実行 to the completion state:
//
//     wizard_bench SET DTD OUT SETTINGS
//
// SET holds filesets.csv and data/; every fileset is chosen with every kind, and the
// options stay at their defaults (integrated files, DTD copied, UTF-8), the choices of
// `ordevik-batch --jobs 1` without options. OUT must not hold output of an earlier run.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include "app/QtServices.h"
#include "app/UiKit.h"
#include "app/WizardWindow.h"
#include "platform/FileSystem.h"
#include "wizard/ControlIds.h"
#include "wizard/WizardText.h"

namespace fs = std::filesystem;

namespace {

class QueuedPicker : public FilePicker
{
public:
    std::optional<fs::path> ChooseFile(const std::vector<FileFilter>&, const fs::path&) override
    {
        return Take();
    }
    std::optional<fs::path> ChooseFolder(const std::string&, const fs::path&) override
    {
        return Take();
    }
    std::optional<fs::path> ChooseSaveFile(const FileFilter&, const fs::path&,
                                           const fs::path&) override
    {
        return Take();
    }
    std::deque<fs::path> answers;

private:
    std::optional<fs::path> Take()
    {
        if (answers.empty()) {
            return std::nullopt;
        }
        fs::path next = answers.front();
        answers.pop_front();
        return next;
    }
};

class NoHistory : public HistoryStore
{
public:
    std::string Read(const std::string&, const std::string&) override { return {}; }
    void Write(const std::string&, const std::string&, const std::string&) override {}
};

void Click(WizardWindow& window, int id)
{
    if (auto* button = qobject_cast<QAbstractButton*>(window.Control(id))) {
        button->click();
    }
}

}

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: wizard_bench SET DTD OUT SETTINGS\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const fs::path set = argv[1];
    const fs::path out = argv[3];
    fs::create_directories(out);

    NoHistory history;
    QueuedPicker picker;
    QtDocumentOpener opener;
    QtProcessExit processExit;
    WizardWindow window(WizardServices{history, picker, opener, processExit}, false, argv[4],
                        ExecutablePath().parent_path() / "images", [] {});
    window.show();
    // A run over a complete data set asks nothing; any question fails the benchmark.
    bool asked = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            dialog->reject();
        }
    });
    watch.start(50);

    using namespace control;
    Click(window, next);
    picker.answers = {set / "filesets.csv", argv[2], out};
    Click(window, csvBrowse);
    Click(window, dtdBrowse);
    Click(window, xmlBrowse);
    Click(window, next);
    qobject_cast<QTreeWidget*>(window.Control(allFilesetList))->selectAll();
    Click(window, addFileset);
    for (int page = 3; page <= 5; ++page) {
        Click(window, next);
    }
    const auto start = std::chrono::steady_clock::now();
    Click(window, next);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    const auto* status = qobject_cast<QLabel*>(window.Control(statusMessage));
    if (asked || status == nullptr || status->text() != QString::fromUtf8(wizardText::completed)) {
        std::fprintf(stderr, "the run did not complete without questions\n");
        return 1;
    }
    std::printf("%.3f\n", seconds.count());
    return 0;
}
