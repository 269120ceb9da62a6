// gui_helper: what the Qt tests cannot do inside their own process, and the screenshots.
//
//   gui_helper args [ARGUMENTS...]        starts ConverterApp, prints what it read, ends
//   gui_helper qt-texts                   starts ConverterApp, prints Qt's Cancel caption
//   gui_helper quit-on-page               Escape on the welcome page, the quit confirmed
//   gui_helper quit-during-run SET OUT    converts SET into OUT and confirms a quit as
//                                         soon as the second fileset is being converted
//   gui_helper screenshots SET WORK OUT   every page, each dialog and the completion
//                                         state (with skipped kinds, after a full run,
//                                         validated) as PNG files in OUT (needs a real
//                                         display, and a window manager for the frames)
//
// A confirmed quit ends the process through the real exit, with status 0.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include <QComboBox>
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/ConverterApp.h"
#include "app/DialogWindow.h"
#include "app/QtServices.h"
#include "app/QtText.h"
#include "app/WizardWindow.h"
#include "dialogs/Dialogs.h"
#include "tests/app/WindowDriver.h"
#include "wizard/ControlIds.h"

namespace fs = std::filesystem;
using namespace control;

namespace {

const fs::path buildDir = ORDEVIK_BUILD_DIR;

QString Text(const QWidget* window, int id)
{
    const auto* label = FindControl<QLabel>(window, id);
    return label != nullptr ? label->text() : QString();
}

struct Helper
{
    Helper()
        : history(ConverterApp::OrganisationName(), QCoreApplication::applicationName()),
          window(WizardServices{history, picker, opener, processExit}, false,
                 buildDir / "ordevik.ini", buildDir / "images", [] {})
    {
        window.PlaceAtTopLeft();
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "the wizard window was not shown\n");
        }
    }

    // From the welcome page to the summary with every fileset of `set` chosen.
    void ToSummary(const fs::path& set, const fs::path& out, DialogAnswerer& answers)
    {
        Click(&window, next);
        picker.files.push_back(set / "filesets.csv");
        Click(&window, csvBrowse);
        picker.folders.push_back(out);
        Click(&window, xmlBrowse);
        if (!fs::exists(out)) {
            answers.Add(Press(QStringLiteral("button1")));
        }
        Click(&window, next);
        auto* all = FindControl<QTreeWidget>(&window, allFilesetList);
        std::vector<int> rows;
        for (int row = 0; row < all->topLevelItemCount(); ++row) {
            rows.push_back(row);
        }
        SelectRows(all, rows);
        Click(&window, addFileset);
        Click(&window, next);
        Click(&window, next);
        Click(&window, next);
    }

    QtHistory history;
    ScriptedPicker picker;
    QtDocumentOpener opener;
    QtProcessExit processExit;
    HookedWindow window;
};

int Arguments(int argc, char** argv)
{
    ConverterApp app(argc, argv);
    std::printf("history=%d reverse=%d name=%s\n", app.HistoryEnabled() ? 1 : 0,
                QGuiApplication::layoutDirection() == Qt::RightToLeft ? 1 : 0,
                QCoreApplication::applicationName().toUtf8().constData());
    return 0;
}

// Qt's own caption of a standard Cancel button, in the language the application chose.
int QtTexts(int argc, char** argv)
{
    ConverterApp app(argc, argv);
    const QDialogButtonBox box(QDialogButtonBox::Cancel);
    std::printf("%s\n", box.button(QDialogButtonBox::Cancel)->text().toUtf8().constData());
    return 0;
}

int QuitOnPage()
{
    Helper helper;
    DialogAnswerer answers({Press(QStringLiteral("button1"))});
    QTest::keyClick(&helper.window, Qt::Key_Escape);
    std::fprintf(stderr, "the quit did not end the process\n");
    return 3;
}

int QuitDuringRun(const fs::path& set, const fs::path& out)
{
    Helper helper;
    DialogAnswerer answers;
    helper.ToSummary(set, out, answers);
    bool asked = false;
    helper.window.onProgress = [&](int) {
        // The user presses Cancel while the second fileset is converted; the click
        // reaches the window at the run's next pass through the event loop.
        if (!asked && Text(&helper.window, filesetCounter).startsWith(QStringLiteral("(2/"))) {
            asked = true;
            answers.Add(Press(QStringLiteral("button1")));
            QTimer::singleShot(0, &helper.window, [&] { Click(&helper.window, cancel); });
            helper.window.ProcessPendingEvents();
        }
    };
    Click(&helper.window, next);
    std::fprintf(stderr, "the run ended without the quit\n");
    return 3;
}

// Grabs the window with its frame (and whatever lies over it) from the screen, once the
// window manager has mapped the dialog opened last and drawn its title bar, which it
// does a moment after Qt shows or changes a window.
void Grab(const QWidget* window, const fs::path& file)
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (!QTest::qWaitForWindowExposed(modal)) {
            std::fprintf(stderr, "the dialog was not shown\n");
        }
    }
    QTest::qWait(400);
    QCoreApplication::processEvents();
    const QRect area = window->frameGeometry();
    QScreen* screen = window->screen();
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    shot.save(PathToQString(file));
}

int Screenshots(const fs::path& set, const fs::path& work, const fs::path& images)
{
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy(set, work / "demo", fs::copy_options::recursive);
    // The pictures of this window go anew; the Windows window's lie in a sub-folder.
    fs::create_directories(images);
    for (const fs::directory_entry& entry : fs::directory_iterator(images)) {
        if (entry.is_regular_file() && entry.path().extension() == ".png") {
            fs::remove(entry.path());
        }
    }
    Helper helper;
    WizardWindow& window = helper.window;
    DialogAnswerer answers;
    const auto shot = [&](const char* name) { Grab(&window, images / name); };
    const auto dialogShot = [&](const char* name, const QString& button) {
        return Inspect([&, name](QDialog*) { Grab(&window, images / name); }, Press(button));
    };

    shot("page0-welcome.png");
    Click(&window, next);
    helper.picker.files.push_back(work / "demo" / "filesets.csv");
    Click(&window, csvBrowse);
    helper.picker.folders.push_back(work / "xml");
    Click(&window, xmlBrowse);
    shot("page1-input.png");
    answers.Add(dialogShot("dialog-confirm.png", QStringLiteral("button1")));
    Click(&window, next);
    SelectRows(FindControl<QTreeWidget>(&window, allFilesetList), {0, 2});
    Click(&window, addFileset);
    shot("page2-filesets.png");
    Click(&window, next);
    SelectRows(FindControl<QTreeWidget>(&window, featureFilesetList), {0});
    auto* kinds = FindControl<QListWidget>(&window, featureCheckList);
    if (kinds->count() > 1) {
        kinds->item(1)->setCheckState(Qt::Unchecked);
    }
    shot("page3-features.png");
    Click(&window, next);
    Click(&window, shiftJis);
    shot("page4-options.png");
    Click(&window, next);
    shot("page5-summary.png");
    // The demo set lacks a data file of the second fileset: its question, shown in the run.
    answers.Add(Inspect([&](QDialog*) { Grab(&window, images / "dialog-skip.png"); },
                        Press(QStringLiteral("button1078"))));
    bool grabbed = false;
    helper.window.onProgress = [&](int position) {
        // A kind part of the way through, with both counters showing.
        if (!grabbed && position >= 10 && position <= 30 &&
            !Text(&window, featureCounter).isEmpty()) {
            grabbed = true;
            window.ProcessPendingEvents();
            shot("page6-progress.png");
        }
    };
    Click(&window, next);
    shot("page6-completed.png");
    // The map of the first fileset, chosen in the box as a user does.
    auto* mapChoice = FindControl<QComboBox>(&window, previewChoice);
    mapChoice->setCurrentIndex(1);
    emit mapChoice->activated(1);
    window.ProcessPendingEvents();
    shot("page6-map.png");
    mapChoice->setCurrentIndex(0);
    emit mapChoice->activated(0);

    // The dialogs, each with a message of its own kind, over the completed wizard or
    // centred on the screen.
    QtDialogPresenter presenter(&window, [] {});
    const auto show = [&](const DialogLayout& layout, MessageId id, const std::string& subject,
                          const char* file, const char* button) {
        answers.Add(Inspect([&, file](QDialog* dialog) {
            Grab(dialog->parentWidget() != nullptr && !layout.centredOnScreen ? &window : dialog,
                 images / file);
        }, Press(QString::fromUtf8(button))));
        presenter.ShowModal(layout, id, MessageText(id, subject));
    };
    show(WarningDialog::Definition(), MessageId::CsvFileMissing, "", "dialog-warning.png", "button1");
    show(OverwriteDialog::Definition(), MessageId::XmlFileExists, "44201.xml", "dialog-overwrite.png", "button2");
    show(FailureDialog::Definition(), MessageId::MetadataFileMissing, "", "dialog-failure.png", "button1");
    show(AboutDialog::Definition(), MessageId::About, "", "dialog-about.png", "button1");
    show(ConfirmDialog::Definition(), MessageId::QuitProgram, "", "dialog-quit.png", "button2");

    // A second wizard converts 大分市 alone, which has every kind, so that nothing is left
    // out; then it checks the documents against the DTD.
    window.hide();
    Helper full;
    WizardWindow& fullWindow = full.window;
    Click(&fullWindow, next);
    full.picker.files.push_back(work / "demo" / "filesets.csv");
    Click(&fullWindow, csvBrowse);
    full.picker.folders.push_back(work / "xml-full");
    Click(&fullWindow, xmlBrowse);
    answers.Add(Press(QStringLiteral("button1")));
    Click(&fullWindow, next);
    SelectRows(FindControl<QTreeWidget>(&fullWindow, allFilesetList), {0});
    Click(&fullWindow, addFileset);
    for (int page = 3; page <= 6; ++page) {
        Click(&fullWindow, next);
    }
    Grab(&fullWindow, images / "page6-full.png");
    Click(&fullWindow, validate);
    Grab(&fullWindow, images / "page6-validated.png");
    return 0;
}

}

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "args") {
        return Arguments(argc, argv);
    }
    if (mode == "qt-texts") {
        return QtTexts(argc, argv);
    }
    QApplication application(argc, argv);
    QApplication::setFont(UiFont());
    if (mode == "quit-on-page") {
        return QuitOnPage();
    }
    if (mode == "quit-during-run" && argc == 4) {
        return QuitDuringRun(argv[2], argv[3]);
    }
    if (mode == "screenshots" && argc == 5) {
        return Screenshots(argv[2], argv[3], argv[4]);
    }
    std::fprintf(stderr, "usage: gui_helper args|qt-texts|quit-on-page|quit-during-run SET OUT|"
                         "screenshots SET WORK OUT\n");
    return 2;
}
