#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "app/WizardWindow.h"
#include "wizard/WizardServices.h"

class QTreeWidget;
class QWidget;

// Works the wizard window as a user would, by the objectNames of its controls, for the
// Qt tests, the helper program and the screenshots.

// The control "control<id>" of `window`, or null.
template <class Widget>
Widget* FindControl(const QWidget* window, int id)
{
    return window->findChild<Widget*>(QStringLiteral("control%1").arg(id));
}

// Clicks the push button or radio button with this id in the middle, with the mouse.
// False when there is none, or it is hidden or disabled (the click would do nothing).
bool Click(QWidget* window, int id);
// Makes exactly these rows of the list selected, as Ctrl+clicks would.
void SelectRows(QTreeWidget* list, const std::vector<int>& rows);

// A wizard window that lets a test or the helper act while a run moves the progress
// bar, as a user acts between two passes of the run's event loop.
class HookedWindow : public WizardWindow
{
public:
    using WizardWindow::WizardWindow;
    void SetProgressPosition(int position) override
    {
        WizardWindow::SetProgressPosition(position);
        if (onProgress) {
            onProgress(position);
        }
    }
    std::function<void(int)> onProgress;
};

// Answers the open-file and folder dialogs from queues; an empty queue cancels. Keeps
// what was asked.
class ScriptedPicker : public FilePicker
{
public:
    std::optional<std::filesystem::path> ChooseFile(const std::vector<FileFilter>& filters,
                                                    const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> ChooseFolder(const std::string& title,
                                                      const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> ChooseSaveFile(
        const FileFilter& filter, const std::filesystem::path& start,
        const std::filesystem::path& suggestedName) override;

    std::deque<std::filesystem::path> files;
    std::deque<std::filesystem::path> saveFiles;
    std::deque<std::filesystem::path> folders;
    int asked = 0;
};

// Opens nothing; a test that reaches it fails, since no test confirms a quit in its own
// process (the helper program does, with the real exit).
class RefusedExit : public ProcessExit
{
public:
    [[noreturn]] void Exit(int status) override;
};

// Answers the modal dialogs that open while the caller waits (inside a click, or in a
// run), in order: each step gets the dialog. Keeps "caption: message" of every small
// dialog it answered. Once the script is used up, further dialogs stay open, and the
// test that caused them times out instead of hanging on a guess.
class DialogAnswerer : public QObject
{
public:
    using Step = std::function<void(QDialog*)>;
    explicit DialogAnswerer(std::vector<Step> script = {});
    void Add(Step step);
    bool Done() const { return script.empty(); }

    QStringList shown;  // "caption: message"

private:
    void Look();

    std::deque<Step> script;
    QTimer timer;
    QPointer<QDialog> last;
};

// Steps for DialogAnswerer.
DialogAnswerer::Step Press(const QString& buttonName);   // "button1"
DialogAnswerer::Step Key(int key);                      // sent to the focused widget
// Runs `look` on the dialog (to read or grab it), then the step `then`.
DialogAnswerer::Step Inspect(std::function<void(QDialog*)> look, DialogAnswerer::Step then);
