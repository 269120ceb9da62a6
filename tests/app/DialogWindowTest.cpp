#include <string>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/DialogWindow.h"
#include "app/UiKit.h"
#include "dialogs/Dialogs.h"
#include "tests/app/GuiTests.h"
#include "tests/app/WindowDriver.h"

namespace {

struct Case
{
    const char* name;
    const DialogLayout& layout;
};

const std::vector<Case>& Layouts()
{
    static const std::vector<Case> layouts = {
        {"about", AboutDialog::Definition()},       {"warning", WarningDialog::Definition()},
        {"overwrite", OverwriteDialog::Definition()}, {"confirm", ConfirmDialog::Definition()},
        {"skip", SkipDialog::Definition()},         {"failure", FailureDialog::Definition()},
    };
    return layouts;
}

// "caption WxH icon message | button:text@x=result* ..." with * marking the default
// button, as the dialog shows it.
QString Drawn(QDialog* dialog)
{
    QString text = dialog->windowTitle() + QStringLiteral(" %1x%2").arg(dialog->width()).arg(dialog->height());
    const auto* icon = dialog->findChild<QLabel*>(QStringLiteral("icon"));
    text += icon != nullptr && !icon->pixmap().isNull() ? QStringLiteral(" icon ") : QStringLiteral(" - ");
    text += dialog->findChild<QLabel*>(QStringLiteral("control1076"))->text() + QStringLiteral(" |");
    for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
        text += QLatin1Char(' ') + button->objectName() + QLatin1Char(':') + button->text() +
                QStringLiteral("@%1").arg(button->x()) + (button->isDefault() ? "*" : "");
    }
    return text + QStringLiteral(" focus=") + dialog->focusWidget()->objectName();
}

}

class DialogWindowTest : public QObject
{
    Q_OBJECT

private:
    // Shows the dialog through the presenter over `owner` and answers with `step`.
    int Answer(const DialogLayout& layout, const std::string& message, DialogAnswerer::Step step,
               QWidget* owner = nullptr)
    {
        QtDialogPresenter presenter(owner, [this] { ++beeps; });
        DialogAnswerer answerer({std::move(step)});
        return presenter.ShowModal(layout, MessageId::None, message);
    }

    int beeps = 0;

private slots:
    void init() { beeps = 0; }

    void EachDialogIsDrawnFromItsLayout()
    {
        const QStringList expected = {
            "バージョン情報 411x96 icon ケルダデータ解凍ソフトウェア ver.1.03 | button1:OK@312* focus=button1",
            "警告 271x109 icon CSVファイルがありません。 | button1:ＯＫ@88* focus=button1",
            "確認 425x107 icon XMLファイル a.xml は既に存在します。 | button1072:全て上書き@26 "
            "button1071:上書き@123 button1073:スキップ@219 button2:終了@315 focus=button1072",
            "確認 270x107 icon プログラムを終了します。 | button1:ＯＫ@44* button2:キャンセル@140 "
            "focus=button1",
            "確認 340x109 icon データファイル a.sal がありません。 | button1078:全てスキップ@26 "
            "button1073:スキップ@123 button2:終了@219 focus=button1078",
            // Wider than its 100 units in this font: widened, the button kept in the middle.
            "失敗 290x109 icon メタデータファイルがありません。 | button1:終了@97* focus=button1",
        };
        const std::vector<std::string> messages = {
            MessageText(MessageId::About), MessageText(MessageId::CsvFileMissing),
            MessageText(MessageId::XmlFileExists, "a.xml"), MessageText(MessageId::QuitProgram),
            MessageText(MessageId::DataFileMissing, "a.sal"),
            MessageText(MessageId::MetadataFileMissing)};
        QStringList drawn;
        for (std::size_t i = 0; i < Layouts().size(); ++i) {
            const DialogLayout& layout = Layouts()[i].layout;
            Answer(layout, messages[i], Inspect([&](QDialog* dialog) { drawn << Drawn(dialog); },
                                                Key(Qt::Key_Escape)));
        }
        QCOMPARE(drawn, expected);
    }

    // Every button, Enter right after the dialog opens, Escape and the close box.
    void ButtonsAndKeysGiveTheirResults()
    {
        for (const Case& dialog : Layouts()) {
            std::vector<int> results;
            std::vector<int> expected;
            for (const DialogButton& button : dialog.layout.buttons) {
                results.push_back(Answer(dialog.layout, "m", Press(QStringLiteral("button%1").arg(button.id))));
                expected.push_back(button.result);
            }
            results.push_back(Answer(dialog.layout, "m", Key(Qt::Key_Return)));
            expected.push_back(dialog.layout.buttons.front().result);
            results.push_back(Answer(dialog.layout, "m", Key(Qt::Key_Escape)));
            expected.push_back(dialog.layout.escapeResult);
            results.push_back(Answer(dialog.layout, "m", [](QDialog* shown) { shown->close(); }));
            expected.push_back(dialog.layout.escapeResult);
            QVERIFY2(results == expected, dialog.name);
        }
        // The two questions whose Escape means quit, spelled out.
        QCOMPARE(Answer(OverwriteDialog::Definition(), "m", Key(Qt::Key_Escape)), 0);
        QCOMPARE(Answer(SkipDialog::Definition(), "m", Key(Qt::Key_Escape)), 0);
        QCOMPARE(Answer(OverwriteDialog::Definition(), "m", Key(Qt::Key_Enter)), 3);
    }

    // Enter presses the focused button, else the default one: with the focus moved to
    // キャンセル, Enter cancels.
    void EnterPressesTheFocusedButton()
    {
        const int result = Answer(ConfirmDialog::Definition(), "m", [](QDialog* dialog) {
            auto* second = dialog->findChild<QPushButton*>(QStringLiteral("button2"));
            second->setFocus();
            QTest::keyClick(second, Qt::Key_Return);
        });
        QCOMPARE(result, 2);
    }

    void MessageDialogsBeepOnceWhenShownAndTheAboutBoxNever()
    {
        Answer(WarningDialog::Definition(), "m", [](QDialog* dialog) {
            dialog->repaint();
            dialog->hide();
            dialog->show();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QCOMPARE(beeps, 1);
        Answer(AboutDialog::Definition(), MessageText(MessageId::About), Key(Qt::Key_Escape));
        QCOMPARE(beeps, 1);
    }

    // The warnings sit in the middle of the screen; the questions over the window that
    // owns them, which cannot be used while they are open.
    void DialogsAreCentredAndModal()
    {
        QWidget owner;
        owner.setGeometry(40, 60, 588, 504);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        const QPoint screenCentre = owner.screen()->availableGeometry().center();
        QPoint warningCentre;
        QPoint confirmCentre;
        bool modal = false;
        Answer(WarningDialog::Definition(), "m", Inspect([&](QDialog* dialog) {
            warningCentre = dialog->frameGeometry().center();
        }, Key(Qt::Key_Escape)), &owner);
        Answer(ConfirmDialog::Definition(), "m", Inspect([&](QDialog* dialog) {
            confirmCentre = dialog->frameGeometry().center();
            modal = QApplication::activeModalWidget() == dialog && dialog->parentWidget() == &owner &&
                    dialog->windowModality() != Qt::NonModal;
        }, Key(Qt::Key_Escape)), &owner);
        QVERIFY2((warningCentre - screenCentre).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2 %3,%4").arg(warningCentre.x()).arg(warningCentre.y())
                            .arg(screenCentre.x()).arg(screenCentre.y())));
        QVERIFY((confirmCentre - owner.frameGeometry().center()).manhattanLength() <= 4);
        QVERIFY(modal);
    }

    // A long path widens the dialog so the whole line shows; a line wider than the
    // screen wraps within it.
    void LongMessagesShowWhole()
    {
        const std::string path = "/" + std::string(50, 'p') + "/44201.xml";
        const std::string message = MessageText(MessageId::XmlFileExists, path);
        int labelWidth = 0;
        int needed = 0;
        int dialogWidth = 0;
        Answer(OverwriteDialog::Definition(), message, Inspect([&](QDialog* dialog) {
            const auto* label = dialog->findChild<QLabel*>(QStringLiteral("control1076"));
            labelWidth = label->width();
            needed = label->fontMetrics().horizontalAdvance(label->text());
            dialogWidth = dialog->width();
        }, Key(Qt::Key_Escape)));
        QVERIFY(labelWidth >= needed);
        QVERIFY(dialogWidth > DialogUnits(OverwriteDialog::Definition().width));

        const std::string huge = MessageText(MessageId::XmlFileNotOpened, std::string(40, 'q') + "/" +
                                                                            std::string(400, 'r'));
        bool fits = false;
        Answer(WarningDialog::Definition(), huge, Inspect([&](QDialog* dialog) {
            const auto* label = dialog->findChild<QLabel*>(QStringLiteral("control1076"));
            fits = label->wordWrap() && label->heightForWidth(label->width()) <= label->height() &&
                   dialog->width() <= dialog->screen()->availableGeometry().width();
        }, Key(Qt::Key_Escape)));
        QVERIFY(fits);
    }
};

ORDEVIK_GUI_TEST(DialogWindowTest)

#include "DialogWindowTest.moc"
