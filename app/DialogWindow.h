#pragma once

#include <string>
#include <vector>

#include <QDialog>
#include <QPointer>

#include "app/UiKit.h"
#include "dialogs/Dialogs.h"

class QLabel;
class QPushButton;

// One of the six small dialogs, drawn from its DialogLayout: the caption, the icon, the
// message in control 1076, the buttons left to right ("button<id>"), each ending the
// dialog with its result. The focus starts on the first button; Enter presses the
// focused button, else the default one; Escape and the close box end the dialog with the
// layout's escape result. A message wider than its line widens the dialog, up to the
// screen's width, and wraps beyond that. Message dialogs beep once when first shown.
class DialogWindow : public QDialog
{
    Q_OBJECT

public:
    // `owner` (may be null) is the window it is shown over and whose icon the about box
    // shows; it must outlive the dialog. The dialog keeps a reference to `dialogLayout`,
    // which must outlive it too: the six layouts are static (dialogs/Dialogs.h).
    DialogWindow(const DialogLayout& dialogLayout, const std::string& message, BeepHook beep,
                 QWidget* owner);

    // Moves the dialog to the centre of the screen or of its owner, as the layout says.
    void PlaceOnScreen();

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void AddIcon(QWidget* owner);
    void AddMessage(const std::string& message);
    void AddButtons();
    // Widens the dialog (and wraps the message when the screen is too narrow) so the
    // whole message shows; moves the buttons along.
    void FitMessage();

    const DialogLayout& layout;
    BeepHook beeper;
    bool beeped = false;
    QLabel* messageLabel = nullptr;
    std::vector<QPushButton*> buttons;
    QPushButton* defaultButton = nullptr;
};

// Shows the dialogs of the core as DialogWindows, modal over the wizard window.
class QtDialogPresenter : public DialogPresenter
{
public:
    explicit QtDialogPresenter(QWidget* owner = nullptr, BeepHook beep = SystemBeep());
    // The window the dialogs are shown over, or null.
    void SetOwner(QWidget* owner);
    int ShowModal(const DialogLayout& layout, MessageId id, const std::string& message) override;

private:
    QPointer<QWidget> ownerWindow;
    BeepHook beeper;
};
