#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dialogs/Messages.h"

// The small modal dialogs: an about box and five message dialogs. Each shows one line
// of text set by its caller, an icon and one to four buttons, and ends with the result
// code of the button or key that closed it. The dialogs that ask a question turn that
// code into their own `Answer`, a scoped enum whose values are the codes of its buttons.
// Showing goes through a DialogPresenter, so the engine never calls a toolkit: the Qt
// GUI draws the dialog, ordevik-batch prints it and answers from its options, the
// tests answer from a script.

enum class DialogIcon
{
    Application,
    Warning,
    Error,
};

struct DialogButton
{
    int id;            // control id
    std::string text;  // UTF-8
    int x;             // dialog units from the left edge
    int result;        // the code the dialog ends with when this button is pressed
};

// The result code of an answer, as a layout's buttons and a presenter carry it.
template <class Answer>
constexpr int ResultCode(Answer answer)
{
    return static_cast<int>(answer);
}

struct DialogLayout
{
    int resourceId;
    std::string caption;  // UTF-8
    int width;            // dialog units
    int height;
    DialogIcon icon;
    int messageWidth;     // dialog units; one line of text
    std::vector<DialogButton> buttons;  // left to right; the first takes the focus
    int defaultButtonId;  // 0: no default button
    int escapeResult;     // the code of Escape and the close box
    bool centredOnScreen; // otherwise centred over the wizard window
    bool beeps;           // the message dialogs sound the default beep when painted
};

// How a dialog reaches the user; the Qt GUI, ordevik-batch and the tests each implement it.
// A presenter is called on the thread of the run or wizard that holds it; the batch tool
// gives each fileset run its own.
class DialogPresenter
{
public:
    virtual ~DialogPresenter() = default;
    // Shows the dialog modally; returns the result code of the button or key that
    // closed it, or -1 when it cannot be shown. `id` names the message, `message` is
    // its text in UTF-8.
    virtual int ShowModal(const DialogLayout& layout, MessageId id, const std::string& message) = 0;
};

// Base of the six dialogs: a layout and a presenter. The caller constructs one on its
// stack, sets the message, shows it once and reads the result. `presenter` may be null
// (every showing then answers -1); otherwise it must outlive the dialog. The dialog
// keeps a reference to its layout, which must outlive it too: the six Definition()
// layouts are static and live as long as the program.
class MessageDialog
{
public:
    // Shows the dialog; the result code of the button or key that closed it, -1 when
    // there is no presenter or it cannot show the dialog.
    int DoModal();
    // Sets the message by its name (and the file or code it names) and shows it; the
    // result code as DoModal gives it. The question dialogs' Ask reads it as an answer.
    int Show(MessageId id, std::string_view subject = {});
    const DialogLayout& Layout() const { return layout; }

    MessageId messageId = MessageId::None;
    std::string message;  // UTF-8

protected:
    MessageDialog(DialogPresenter* presenter, const DialogLayout& dialogLayout);

private:
    DialogPresenter* presenter;
    const DialogLayout& layout;
};

class AboutDialog : public MessageDialog
{
public:
    explicit AboutDialog(DialogPresenter* presenter);
    static const DialogLayout& Definition();
};

class WarningDialog : public MessageDialog
{
public:
    explicit WarningDialog(DialogPresenter* dialogPresenter)
        : MessageDialog(dialogPresenter, Definition())
    {
    }
    static const DialogLayout& Definition();
};

class OverwriteDialog : public MessageDialog
{
public:
    explicit OverwriteDialog(DialogPresenter* dialogPresenter)
        : MessageDialog(dialogPresenter, Definition())
    {
    }
    static const DialogLayout& Definition();
    enum class Answer { Quit = 0, Skip = 1, Overwrite = 2, OverwriteAll = 3 };
    // Shows the question; a dialog that cannot be shown quits, as Escape does.
    [[nodiscard]] Answer Ask(MessageId id, std::string_view subject = {});
};

class ConfirmDialog : public MessageDialog
{
public:
    explicit ConfirmDialog(DialogPresenter* dialogPresenter)
        : MessageDialog(dialogPresenter, Definition())
    {
    }
    static const DialogLayout& Definition();
    enum class Answer { Ok = 1, Cancel = 2 };
    // Shows the question; a dialog that cannot be shown cancels, as Escape does.
    [[nodiscard]] Answer Ask(MessageId id, std::string_view subject = {});
};

class SkipDialog : public MessageDialog
{
public:
    explicit SkipDialog(DialogPresenter* dialogPresenter)
        : MessageDialog(dialogPresenter, Definition())
    {
    }
    static const DialogLayout& Definition();
    enum class Answer { Quit = 0, Skip = 1, SkipAll = 2 };
    // Shows the question; a dialog that cannot be shown skips this one file.
    [[nodiscard]] Answer Ask(MessageId id, std::string_view subject = {});
};

class FailureDialog : public MessageDialog
{
public:
    explicit FailureDialog(DialogPresenter* dialogPresenter)
        : MessageDialog(dialogPresenter, Definition())
    {
    }
    static const DialogLayout& Definition();
};
