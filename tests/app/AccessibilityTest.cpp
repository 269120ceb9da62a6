// What a screen reader learns of the wizard: the accessible interface of each page's
// controls (role, name, state, value) and the order in which Tab visits them.

#include <algorithm>
#include <vector>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include "app/QtText.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/app/GuiTests.h"
#include "wizard/ControlIds.h"

using namespace control;

namespace {

QAccessibleInterface* Interface(Harness& wizard, int id)
{
    return QAccessible::queryAccessibleInterface(wizard.Window().Control(id));
}

// "role name" of a control, as assistive technology is told.
QString Announced(Harness& wizard, int id)
{
    QAccessibleInterface* control = Interface(wizard, id);
    if (control == nullptr) {
        return QStringLiteral("none");
    }
    return QString::number(control->role(), 16) + QLatin1Char(' ') +
           control->text(QAccessible::Name);
}

QString Role(QAccessible::Role role, const QString& name)
{
    return QString::number(role, 16) + QLatin1Char(' ') + name;
}

// The ids Tab visits, once round from the focused control, told from `start` on.
std::vector<int> TabOrder(Harness& wizard, int start)
{
    std::vector<int> order;
    const QWidget* first = wizard.Window().focusWidget();
    for (int step = 0; step < 40; ++step) {
        const QWidget* focused = wizard.Window().focusWidget();
        if (focused == nullptr || (step > 0 && focused == first)) {
            break;
        }
        order.push_back(focused->objectName().mid(7).toInt());
        QTest::keyClick(wizard.Window().focusWidget(), Qt::Key_Tab);
    }
    const auto head = std::find(order.begin(), order.end(), start);
    std::rotate(order.begin(), head != order.end() ? head : order.begin(), order.end());
    return order;
}

// One letter per radio button of page 4: "r" a checkable radio button, upper case when
// it is checked.
QString RadioStates(Harness& wizard)
{
    QString states;
    for (const int id : {integratedFile, perKindFile, dtdCopy, noDtdCopy, utf8, shiftJis}) {
        QAccessibleInterface* radio = Interface(wizard, id);
        const QAccessible::State state = radio->state();
        QString letter = radio->role() == QAccessible::RadioButton && state.checkable
                             ? QStringLiteral("r")
                             : QStringLiteral("?");
        states += state.checked ? letter.toUpper() : letter;
    }
    return states;
}

}

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void InputPageNamesItsPathsAndTabsInReadingOrder()
    {
        Harness wizard;
        QCOMPARE(Announced(wizard, introText), Role(QAccessible::EditableText, "ようこそ"));
        wizard.Click(next);
        wizard.ChoosePaths();
        const QString csv = PathToQString(wizard.set / "filesets.csv");
        QCOMPARE(Announced(wizard, csvEdit),
                 Role(QAccessible::EditableText, "ファイルセット一覧CSVファイル"));
        QCOMPARE(Interface(wizard, csvEdit)->text(QAccessible::Value), csv);
        QVERIFY(Interface(wizard, csvEdit)->state().readOnly);
        QCOMPARE(Announced(wizard, dtdEdit), Role(QAccessible::EditableText, "ＤＴＤフォルダ"));
        QCOMPARE(Announced(wizard, dataEdit), Role(QAccessible::EditableText, "データフォルダ"));
        QCOMPARE(Announced(wizard, xmlEdit), Role(QAccessible::EditableText, "ＸＭＬ出力フォルダ"));
        QCOMPARE(Announced(wizard, xmlBrowse), Role(QAccessible::Button, "参照 ..."));
        QCOMPARE(Interface(wizard, xmlBrowse)->text(QAccessible::Description),
                 QStringLiteral("ＸＭＬ出力フォルダ"));
        QCOMPARE(Announced(wizard, inputTitle),
                 Role(QAccessible::Graphic, "入力・出力フォルダの指定"));

        wizard.Click(back);
        wizard.Click(next);
        QCOMPARE(wizard.FocusName(), QStringLiteral("control1003"));
        QCOMPARE(TabOrder(wizard, csvEdit),
                 (std::vector<int>{csvEdit, csvBrowse, dtdEdit, dtdBrowse, dataEdit, dataBrowse,
                                   xmlEdit, xmlBrowse, help, back, next, cancel}));
    }

    void ListsAreNamedByTheirGroupTitles()
    {
        Harness wizard;
        wizard.ToFeaturePage({0, 2});
        QCOMPARE(Announced(wizard, featureFilesetList),
                 Role(QAccessible::Tree, "変換するファイルセット"));
        QCOMPARE(Announced(wizard, featureCheckList), Role(QAccessible::List, "地物"));
        // The check list of the fileset chosen: every kind ticked, as the list shows.
        SelectRows(wizard.Get<QTreeWidget>(featureFilesetList), {0});
        QAccessibleInterface* kinds = Interface(wizard, featureCheckList);
        auto* list = wizard.Get<QListWidget>(featureCheckList);
        QCOMPARE(kinds->childCount(), list->count());
        QAccessibleInterface* first = kinds->child(0);
        QCOMPARE(first->text(QAccessible::Name), list->item(0)->text());
        QVERIFY(first->state().checkable);
        QVERIFY(first->state().checked);
        QTest::mouseClick(wizard.Get<QWidget>(clearAll), Qt::LeftButton);
        QVERIFY(!kinds->child(0)->state().checked);
        QCOMPARE(TabOrder(wizard, featureFilesetList),
                 (std::vector<int>{featureFilesetList, featureCheckList, selectAll, clearAll,
                                   help, back, next, cancel}));

        wizard.Click(back);
        QCOMPARE(Announced(wizard, allFilesetList), Role(QAccessible::Tree, "ファイルセット一覧"));
        QCOMPARE(Announced(wizard, chosenFilesetList),
                 Role(QAccessible::Tree, "変換するファイルセット"));
        QCOMPARE(TabOrder(wizard, allFilesetList),
                 (std::vector<int>{allFilesetList, addFileset, removeFileset, chosenFilesetList,
                                   help, back, next, cancel}));
    }

    void RadioButtonsAreAnnouncedAsRadioButtonsWithTheirState()
    {
        Harness wizard;
        wizard.ToFeaturePage({0});
        wizard.Click(next);
        QCOMPARE(RadioStates(wizard), QStringLiteral("RrRrRr"));
        QCOMPARE(Announced(wizard, shiftJis), Role(QAccessible::RadioButton, "シフトJIS"));
        QCOMPARE(Interface(wizard, shiftJis)->text(QAccessible::Description),
                 QStringLiteral("文字コードセット"));
        // Pressed through the interface, as a screen reader would: the logic sets the pair.
        Interface(wizard, shiftJis)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QCOMPARE(RadioStates(wizard), QStringLiteral("RrRrrR"));
        Interface(wizard, perKindFile)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QCOMPARE(RadioStates(wizard), QStringLiteral("rRRrrR"));
        QCOMPARE(TabOrder(wizard, integratedFile),
                 (std::vector<int>{integratedFile, perKindFile, dtdCopy, noDtdCopy, utf8,
                                   shiftJis, help, back, next, cancel}));
    }

    void SummaryAndProgressAreNamedAndTheValueReadable()
    {
        Harness wizard;
        wizard.ToSummaryPage({0});
        QCOMPARE(Announced(wizard, summaryText), Role(QAccessible::EditableText, "設定の確認"));
        QVERIFY(Interface(wizard, summaryText)->state().readOnly);
        QVERIFY(Interface(wizard, summaryText)->text(QAccessible::Value).contains("合計"));

        QStringList values;
        wizard.Window().onProgress = [&](int) {
            wizard.Window().ProcessPendingEvents();
            QAccessibleValueInterface* value = Interface(wizard, progressBar)->valueInterface();
            values << value->currentValue().toString() + QLatin1Char('/') +
                          value->maximumValue().toString();
        };
        wizard.Click(next);
        QCOMPARE(Announced(wizard, progressBar), Role(QAccessible::ProgressBar, "解凍の実行"));
        QVERIFY(values.size() > 2);
        QCOMPARE(values.constLast(), QStringLiteral("40/40"));
        QCOMPARE(values.constFirst().section(QLatin1Char('/'), 1), QStringLiteral("40"));
        QVERIFY(Interface(wizard, progressBar)->state().disabled);
    }
};

ORDEVIK_GUI_TEST(AccessibilityTest)

#include "AccessibilityTest.moc"
