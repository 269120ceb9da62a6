#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QRect>

#include "app/DialogWindow.h"
#include "app/UiKit.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardView.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;

// The wizard on screen: a fixed 588 × 504 dialog captioned "ケルダ" that holds every
// control of every page, each named "control<id>" after wizard/ControlIds.h and created
// hidden. It owns the page logic (WizardDialog) and the presenter of the small dialogs,
// shows whatever the logic sets through WizardView, and reports each user action to the
// matching operation of the logic. It decides nothing itself beyond the keyboard: Enter
// presses the focused push button, else the logic's default button; Escape and the close
// box reach the logic's cancel.
//
// The window lays out pixels for a 9 pt Japanese font; the images come from
// `imageFolder`. The services must outlive the window.
class WizardWindow : public QDialog, public WizardView
{
    Q_OBJECT

public:
    // Builds every control and initialises the logic, which shows the welcome page.
    // `settingsFile` is the logic's (the introduction, picture and help pages lie beside it).
    WizardWindow(const WizardServices& services, bool historyRequested,
                 const std::filesystem::path& settingsFile,
                 const std::filesystem::path& imageFolder, BeepHook beep = SystemBeep());
    ~WizardWindow() override;

    // Moves the window to the top-left corner of its screen's free area.
    void PlaceAtTopLeft();

    WizardDialog& Logic() { return *logic; }
    // The control with this id, or null.
    QWidget* Control(int id) const;
    // The button Enter presses when no push button has the focus; 0: none.
    int DefaultButton() const { return defaultButtonId; }

    // WizardView.
    void Show(int id, bool shown) override;
    void Enable(int id, bool enabled) override;
    void Focus(int id) override;
    void SetDefaultButton(int id) override;
    void SetText(int id, const std::string& text) override;
    void SetRows(int listId, const std::vector<ListRow>& rows) override;
    std::vector<int> SelectedRows(int listId) override;
    void SetItems(int listId, const std::vector<std::string>& items) override;
    void SetCheckStyle(int listId, CheckStyle style) override;
    void SetChecks(int listId, const std::vector<CheckState>& states) override;
    void SetRadio(int id, bool checked) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPosition(int position) override;
    std::optional<PictureSize> LoadPicture(int id, const std::filesystem::path& file) override;
    void Place(int id, int x, int y, int width, int height) override;
    void SetChoices(int id, const std::vector<std::string>& items, int chosen) override;
    void SetPicture(int id, const RgbPicture* picture) override;
    void AddAboutItem(const std::string& text) override;
    void Beep() override;
    void EndDialog() override;
    void ProcessPendingEvents() override;

    // Escape and the window's own cancel: the logic asks whether to quit.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    // The controls by page (WizardWindowPages.cpp).
    void BuildFrame();
    void BuildWelcomePage();
    void BuildInputPage();
    void BuildFilesetPage();
    void BuildFeaturePage();
    void BuildOptionsPage();
    void BuildSummaryPage();
    void BuildProgressPage();
    // Along the bottom, on every page; the logic shows them.
    void BuildButtons();

    // The rectangle and the caption of control `id` in the shared layout.
    static QRect LayoutRect(int id);
    static QString LayoutText(int id);
    // Names the widget "control<id>", places it where the layout says, hides it and keeps
    // it by its id.
    template <class Widget>
    Widget* Add(int id, Widget* widget);
    QPushButton* AddButton(int id, void (WizardDialog::*handler)());
    QLabel* AddLabel(int id);
    QGroupBox* AddGroup(int id);
    QLabel* AddImage(int id);
    void AddRadio(int id);
    // Names the control for assistive technology by the text of the caption, group
    // title or title image `captionId`, now and whenever the logic changes that text.
    void NameAfter(int id, int captionId);
    QTreeWidget* AddFilesetList(int id);

    // The list's selected row, or -1.
    int SelectedRow(QTreeWidget* list) const;
    void ApplyPendingFocus();
    void FlushProgress();

    std::filesystem::path images;
    BeepHook beeper;
    QtDialogPresenter presenter;
    std::map<int, QWidget*> controls;
    std::multimap<int, int> namedControls;  // caption id → ids of the controls it names
    std::optional<WizardDialog> logic;  // built last: it refers to the window and presenter

    int defaultButtonId = 0;
    // A control the logic focused while it was hidden or disabled; it takes the focus
    // as soon as it can.
    int pendingFocusId = 0;
    // The bar moves on the next pass of the event loop, so that a run that moves it
    // often pays for one repaint per pass, not one per step.
    int progressPosition = 0;
    bool progressQueued = false;
    bool ending = false;
};
