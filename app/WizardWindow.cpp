#include "app/WizardWindow.h"

#include <algorithm>
#include <utility>

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "app/QtText.h"
#include "wizard/ControlIds.h"
#include "wizard/PageLayout.h"

namespace {

#ifdef Q_OS_WIN
// The about item of the system menu; the low four bits of a system command are the
// system's own.
constexpr UINT aboutCommand = 16;
#endif

// The logic's texts are literal; "&" would mark a mnemonic in a button or group title.
QString Literal(const std::string& text)
{
    return ToQString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// A line that starts with a tab (the feature kinds of a fileset) wraps back to its tab
// stop rather than to the left edge, so a long list of kinds stays one column.
void HangFromTabStop(QTextEdit* edit)
{
    const qreal stop = edit->tabStopDistance();
    QTextCursor cursor(edit->document());
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        if (!block.text().startsWith(QLatin1Char('\t'))) {
            continue;
        }
        QTextBlockFormat format = block.blockFormat();
        format.setLeftMargin(stop);
        format.setTextIndent(-stop);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
}

Qt::CheckState ToQt(CheckState state)
{
    switch (state) {
    case CheckState::Checked:
        return Qt::Checked;
    case CheckState::Indeterminate:
        return Qt::PartiallyChecked;
    case CheckState::Unchecked:
        break;
    }
    return Qt::Unchecked;
}

}

WizardWindow::WizardWindow(const WizardServices& services, bool historyRequested,
                           const std::filesystem::path& settingsFile,
                           const std::filesystem::path& imageFolder, BeepHook beep)
    : images(imageFolder), beeper(beep), presenter(this, beep)
{
    setObjectName(QStringLiteral("wizardWindow"));
    setWindowTitle(QStringLiteral("ケルダ"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(ApplicationIcon(images));
    setFont(UiFont());
    setFixedSize(layout::windowWidth, layout::windowHeight);
    BuildFrame();
    BuildWelcomePage();
    BuildInputPage();
    BuildFilesetPage();
    BuildFeaturePage();
    BuildOptionsPage();
    BuildSummaryPage();
    BuildProgressPage();
    BuildButtons();
    logic.emplace(*this, presenter, services, historyRequested, settingsFile);
    logic->Initialise();
}

WizardWindow::~WizardWindow() = default;

void WizardWindow::PlaceAtTopLeft()
{
    if (const QScreen* current = screen()) {
        move(current->availableGeometry().topLeft());
    }
}

QWidget* WizardWindow::Control(int id) const
{
    const auto found = controls.find(id);
    return found != controls.end() ? found->second : nullptr;
}

void WizardWindow::Show(int id, bool shown)
{
    if (QWidget* widget = Control(id)) {
        widget->setVisible(shown);
        ApplyPendingFocus();
    }
}

void WizardWindow::Enable(int id, bool enabled)
{
    if (QWidget* widget = Control(id)) {
        widget->setEnabled(enabled);
        ApplyPendingFocus();
    }
}

void WizardWindow::Focus(int id)
{
    pendingFocusId = id;
    ApplyPendingFocus();
}

void WizardWindow::ApplyPendingFocus()
{
    QWidget* widget = Control(pendingFocusId);
    if (widget != nullptr && widget->isVisibleTo(this) && widget->isEnabled()) {
        pendingFocusId = 0;
        widget->setFocus(Qt::OtherFocusReason);
    }
}

void WizardWindow::SetDefaultButton(int id)
{
    defaultButtonId = id;
    for (const auto& [controlId, widget] : controls) {
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->setDefault(controlId == id);
        }
    }
}

void WizardWindow::SetText(int id, const std::string& text)
{
    QWidget* widget = Control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(ToQString(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(Literal(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(Literal(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(ToQString(text));
        edit->setCursorPosition(0);
    } else if (auto* lines = qobject_cast<QPlainTextEdit*>(widget)) {
        lines->setPlainText(ToQStringLines(text));
    } else if (auto* summary = qobject_cast<QTextEdit*>(widget)) {
        summary->setPlainText(ToQStringLines(text));
        HangFromTabStop(summary);
    }
    const auto [first, last] = namedControls.equal_range(id);
    for (auto named = first; named != last; ++named) {
        if (QWidget* control = Control(named->second)) {
            control->setAccessibleName(ToQString(text));
        }
    }
}

void WizardWindow::SetRows(int listId, const std::vector<ListRow>& rows)
{
    auto* list = qobject_cast<QTreeWidget*>(Control(listId));
    if (list == nullptr) {
        return;
    }
    const QSignalBlocker quiet(list);
    list->clear();
    const QIcon icon(PathToQString(images / "list.png"));
    QList<QTreeWidgetItem*> items;
    for (const ListRow& row : rows) {
        auto* item = new QTreeWidgetItem({ToQString(row.code), ToQString(row.name)});
        item->setIcon(0, icon);
        items.append(item);
    }
    list->addTopLevelItems(items);
}

std::vector<int> WizardWindow::SelectedRows(int listId)
{
    std::vector<int> rows;
    if (auto* list = qobject_cast<QTreeWidget*>(Control(listId))) {
        for (QTreeWidgetItem* item : list->selectedItems()) {
            rows.push_back(list->indexOfTopLevelItem(item));
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int WizardWindow::SelectedRow(QTreeWidget* list) const
{
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.constFirst());
}

void WizardWindow::SetItems(int listId, const std::vector<std::string>& items)
{
    auto* list = qobject_cast<QListWidget*>(Control(listId));
    if (list == nullptr) {
        return;
    }
    const QSignalBlocker quiet(list);
    list->clear();
    for (const std::string& text : items) {
        auto* item = new QListWidgetItem(ToQString(text), list);
        item->setFlags(Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    // Whole rows only: the list loses the part of its height that would show a row cut
    // in half.
    if (list->count() > 0) {
        const int frame = 2 * list->frameWidth();
        const int row = list->sizeHintForRow(0);
        const int rows = std::max(1, (list->height() - frame) / std::max(1, row));
        list->resize(list->width(), frame + rows * row);
    }
}

void WizardWindow::SetCheckStyle(int listId, CheckStyle style)
{
    auto* list = qobject_cast<QListWidget*>(Control(listId));
    if (list == nullptr) {
        return;
    }
    // Items are never selectable; only the editing style lets the user change a box.
    const Qt::ItemFlags flags = style == CheckStyle::TwoStateAuto
                                    ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable
                                    : Qt::ItemFlags(Qt::ItemIsEnabled);
    const QSignalBlocker quiet(list);
    for (int row = 0; row < list->count(); ++row) {
        list->item(row)->setFlags(flags);
    }
}

void WizardWindow::SetChecks(int listId, const std::vector<CheckState>& states)
{
    auto* list = qobject_cast<QListWidget*>(Control(listId));
    if (list == nullptr) {
        return;
    }
    const QSignalBlocker quiet(list);
    const int count = std::min(list->count(), static_cast<int>(states.size()));
    for (int row = 0; row < count; ++row) {
        list->item(row)->setCheckState(ToQt(states[static_cast<std::size_t>(row)]));
    }
}

void WizardWindow::SetRadio(int id, bool checked)
{
    if (auto* radio = qobject_cast<QRadioButton*>(Control(id))) {
        radio->setChecked(checked);
    }
}

void WizardWindow::SetProgressRange(int low, int high)
{
    if (auto* bar = qobject_cast<QProgressBar*>(Control(control::progressBar))) {
        bar->setRange(low, high);
    }
}

void WizardWindow::SetProgressPosition(int position)
{
    progressPosition = position;
    if (!progressQueued) {
        progressQueued = true;
        QMetaObject::invokeMethod(this, &WizardWindow::FlushProgress, Qt::QueuedConnection);
    }
}

void WizardWindow::FlushProgress()
{
    progressQueued = false;
    if (auto* bar = qobject_cast<QProgressBar*>(Control(control::progressBar))) {
        bar->setValue(progressPosition);
    }
}

std::optional<PictureSize> WizardWindow::LoadPicture(int id, const std::filesystem::path& file)
{
    auto* label = qobject_cast<QLabel*>(Control(id));
    QImageReader reader(PathToQString(file));
    const QImage picture = reader.read();
    if (label == nullptr || picture.isNull()) {
        return std::nullopt;
    }
    label->setPixmap(QPixmap::fromImage(picture));
    return PictureSize{picture.width(), picture.height()};
}

void WizardWindow::Place(int id, int x, int y, int width, int height)
{
    if (QWidget* widget = Control(id)) {
        widget->setGeometry(x, y, width, height);
    }
}

void WizardWindow::AddAboutItem(const std::string& text)
{
#ifdef Q_OS_WIN
    const HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    const std::wstring item = ToQString(text).toStdWString();
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, aboutCommand, item.c_str());
#else
    // Without a system menu to extend, the item lives in the window's context menu: a
    // right click on the banner or any free area, or the Menu key.
    auto* about = new QAction(ToQString(text), this);
    about->setObjectName(QStringLiteral("aboutItem"));
    connect(about, &QAction::triggered, this, [this] { logic->OnAbout(); });
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
#endif
}

#ifdef Q_OS_WIN
bool WizardWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == aboutCommand) {
        logic->OnAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void WizardWindow::Beep()
{
    if (beeper) {
        beeper();
    }
}

void WizardWindow::EndDialog()
{
    ending = true;
    done(0);
}

void WizardWindow::ProcessPendingEvents()
{
    QCoreApplication::processEvents();
}

void WizardWindow::reject()
{
    logic->OnCancel();
}

void WizardWindow::closeEvent(QCloseEvent* event)
{
    if (ending) {
        QDialog::closeEvent(event);
        return;
    }
    // The close box asks as Cancel does; a confirmed quit never returns here.
    event->ignore();
    logic->OnCancel();
}

void WizardWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        PressForEnter(focusWidget(), qobject_cast<QPushButton*>(Control(defaultButtonId)));
        return;
    }
    QDialog::keyPressEvent(event);
}

bool WizardWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        if (watched == Control(control::allFilesetList)) {
            logic->OnAdd();
            return true;
        }
        if (watched == Control(control::chosenFilesetList)) {
            logic->OnRemove();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn && watched == Control(control::introText)) {
        logic->OnIntroTextFocused();
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        // A click below the last row leaves no row of list 1027 selected, as a click
        // into the empty part of a list does on Windows.
        auto* list = static_cast<QTreeWidget*>(Control(control::featureFilesetList));
        if (list != nullptr && watched == list->viewport()) {
            const auto* click = static_cast<QMouseEvent*>(event);
            if (list->itemAt(click->position().toPoint()) == nullptr) {
                list->clearSelection();
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
