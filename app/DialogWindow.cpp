#include "app/DialogWindow.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "app/QtText.h"

namespace {

// Positions in dialog units shared by every message dialog; the about box has its own.
constexpr int messageIconX = 15;
constexpr int messageIconY = 10;
constexpr int messageX = 40;
constexpr int messageY = 15;
constexpr int aboutIconX = 13;
constexpr int aboutIconY = 16;
constexpr int aboutTextX = 45;
constexpr int aboutTextY = 15;
constexpr int aboutButtonY = 7;
constexpr int buttonY = 40;
constexpr int buttonWidth = 50;
constexpr int buttonHeight = 14;
constexpr int lineHeight = 8;
constexpr int iconSize = 32;  // pixels
// Room kept free on both sides of the message and of a dialog widened to the screen.
constexpr int margin = 12;  // pixels

bool IsAbout(const DialogLayout& layout)
{
    return layout.icon == DialogIcon::Application;
}

}

DialogWindow::DialogWindow(const DialogLayout& dialogLayout, const std::string& message,
                           BeepHook beep, QWidget* owner)
    : QDialog(owner), layout(dialogLayout), beeper(std::move(beep))
{
    setObjectName(QStringLiteral("dialog%1").arg(layout.resourceId));
    setWindowTitle(ToQString(layout.caption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(UiFont());
    AddIcon(owner);
    AddMessage(message);
    AddButtons();
    setFixedSize(DialogUnits(layout.width), DialogUnits(layout.height));
    FitMessage();
    if (!buttons.empty()) {
        buttons.front()->setFocus();
    }
}

void DialogWindow::AddIcon(QWidget* owner)
{
    QIcon icon;
    if (IsAbout(layout)) {
        icon = owner != nullptr ? owner->windowIcon() : QApplication::windowIcon();
    } else {
        icon = style()->standardIcon(layout.icon == DialogIcon::Error
                                         ? QStyle::SP_MessageBoxCritical
                                         : QStyle::SP_MessageBoxWarning);
    }
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("icon"));
    label->setPixmap(icon.pixmap(iconSize, iconSize));
    const bool about = IsAbout(layout);
    label->setGeometry(DialogUnits(about ? aboutIconX : messageIconX),
                       DialogUnits(about ? aboutIconY : messageIconY), iconSize, iconSize);
}

void DialogWindow::AddMessage(const std::string& message)
{
    messageLabel = new QLabel(ToQString(message), this);
    messageLabel->setObjectName(QStringLiteral("control1076"));
    messageLabel->setTextFormat(Qt::PlainText);
    messageLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const bool about = IsAbout(layout);
    const int x = DialogUnits(about ? aboutTextX : messageX);
    // The line of the layout is 8 units high; the font may need more, so the label is
    // centred on that line.
    const int height = std::max(fontMetrics().height() + 2, DialogUnits(lineHeight));
    const int centre = DialogUnits(about ? aboutTextY : messageY) + DialogUnits(lineHeight) / 2;
    const int width = about ? DialogUnits(layout.buttons.front().x) - margin - x
                            : DialogUnits(layout.messageWidth);
    messageLabel->setGeometry(x, centre - height / 2, width, height);
}

void DialogWindow::AddButtons()
{
    const int y = DialogUnits(IsAbout(layout) ? aboutButtonY : buttonY);
    for (const DialogButton& definition : layout.buttons) {
        auto* button = new QPushButton(ToQString(definition.text), this);
        button->setObjectName(QStringLiteral("button%1").arg(definition.id));
        button->setAutoDefault(false);
        button->setGeometry(DialogUnits(definition.x), y, DialogUnits(buttonWidth),
                            DialogUnits(buttonHeight));
        if (definition.id == layout.defaultButtonId) {
            button->setDefault(true);
            defaultButton = button;
        }
        const int result = definition.result;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        buttons.push_back(button);
    }
}

void DialogWindow::FitMessage()
{
    const int needed = fontMetrics().horizontalAdvance(messageLabel->text()) + 2;
    const int missing = needed - messageLabel->width();
    if (missing <= 0) {
        return;
    }
    const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen()
                                                      : QGuiApplication::primaryScreen();
    const int screenWidth = screen != nullptr ? screen->availableGeometry().width() : 1024;
    const int grow = std::min(missing, std::max(0, screenWidth - 2 * margin - width()));
    QRect line = messageLabel->geometry();
    line.setWidth(line.width() + grow);
    int extraHeight = 0;
    if (grow < missing) {
        // Even the widest dialog is too narrow: the message wraps, Japanese text between
        // any two characters and a path after each separator.
        QString breakable = messageLabel->text();
        breakable.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
        breakable.replace(QLatin1Char('\\'), QStringLiteral("\\\u200B"));
        messageLabel->setText(breakable);
        messageLabel->setWordWrap(true);
        const int wrapped = messageLabel->heightForWidth(line.width());
        extraHeight = std::max(0, wrapped - line.height());
        line.setHeight(line.height() + extraHeight);
    }
    messageLabel->setGeometry(line);
    // The buttons stay centred under a message dialog's wider line; the about box's
    // OK button stays at the right edge.
    const int shift = IsAbout(layout) ? grow : grow / 2;
    for (QPushButton* button : buttons) {
        button->move(button->x() + shift, button->y() + (IsAbout(layout) ? 0 : extraHeight));
    }
    setFixedSize(width() + grow, height() + extraHeight);
}

void DialogWindow::PlaceOnScreen()
{
    QWidget* owner = parentWidget();
    QRect area;
    if (layout.centredOnScreen || owner == nullptr || !owner->isVisible()) {
        const QScreen* screen =
            owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
        area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    } else {
        area = owner->frameGeometry();
    }
    QRect placed(QPoint(0, 0), size());
    placed.moveCenter(area.center());
    move(placed.topLeft());
}

void DialogWindow::reject()
{
    done(layout.escapeResult);
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        PressForEnter(focusWidget(), defaultButton);
        return;
    }
    QDialog::keyPressEvent(event);
}

void DialogWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once per showing: a repaint after another window uncovered the dialog is silent.
    if (layout.beeps && !beeped && beeper) {
        beeped = true;
        beeper();
    }
}

QtDialogPresenter::QtDialogPresenter(QWidget* owner, BeepHook beep)
    : ownerWindow(owner), beeper(std::move(beep))
{
}

void QtDialogPresenter::SetOwner(QWidget* owner)
{
    ownerWindow = owner;
}

int QtDialogPresenter::ShowModal(const DialogLayout& layout, MessageId, const std::string& message)
{
    DialogWindow dialog(layout, message, beeper, ownerWindow.data());
    dialog.PlaceOnScreen();
    return dialog.exec();
}
