#include <filesystem>
#include <string>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "app/QtText.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/app/GuiTests.h"
#include "wizard/ControlIds.h"

namespace fs = std::filesystem;
using namespace control;

class WizardRunTest : public QObject
{
    Q_OBJECT

private slots:
    // The demo set through every page: the output equals ordevik-batch's with the same
    // choices, and the page ends in its completion state.
    void WholeConversionEqualsTheBatchTool()
    {
        Harness wizard;
        wizard.ToSummaryPage({0, 1, 2});
        // 44202 and 44203 lack some data files: skipped, and not asked again.
        wizard.answers.Add(Press(QStringLiteral("button1078")));
        wizard.Click(next);
        QCOMPARE(wizard.answers.shown.mid(1), QStringList{"確認: データファイル 44202BK.sal がありません。"});

        TempFolder batch;
        QCOMPARE(BatchConvert(wizard.set, batch.Path()), 0);
        const auto expected = Tree(batch.Path());
        QVERIFY(expected.size() > 3);
        QVERIFY(Tree(wizard.out) == expected);

        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back- next+ cancel- '完了' focus=control1082 default=1082"));
        QCOMPARE(wizard.Text(statusMessage),
                 QStringLiteral("ケルダデータの解凍が完了しました。完了ボタンで終了します。"));
        QVERIFY(wizard.Window().Control(completedTitle)->isVisible());
        QVERIFY(!wizard.Window().Control(progressTitle)->isVisible());
        // The greyed fields keep the last fileset and kind the run reached.
        QCOMPARE((QStringList{wizard.Text(filesetName), wizard.Text(filesetCounter), wizard.Text(featureName),
                              wizard.Text(featureCounter)}),
                 (QStringList{"中津市", "(3/3)", "駅", "(13/14)"}));
        for (const int field : {filesetName, filesetCounter, featureName, featureCounter, progressBar}) {
            QVERIFY(!wizard.Window().Control(field)->isEnabled());
        }
        const auto* bar = wizard.Get<QProgressBar>(progressBar);
        QCOMPARE(bar->minimum() * 100 + bar->maximum(), 40);
        // The questions about the XML folder and the data file, and the end of the run.
        QCOMPARE(wizard.beeps, 3);

        // 完了 ends the wizard without a question.
        wizard.Click(next);
        QVERIFY(!wizard.Window().isVisible());
        QCOMPARE(wizard.Window().result(), 0);
        QCOMPARE(wizard.answers.shown.size(), 2);
    }

    // While the run goes on, Enter asks whether to quit (answered キャンセル, the run
    // goes on) and the about item works; the run then completes.
    void RunKeepsCancelAndTheAboutItemLive()
    {
        Harness wizard;
        wizard.ToSummaryPage({0});
        HookedWindow& window = wizard.Window();
        QString during;
        int step = 0;
        window.onProgress = [&](int) {
            if (step == 0) {
                during = wizard.Buttons();
                wizard.answers.Add(Press(QStringLiteral("button2")));
                QTimer::singleShot(0, &window, [&] { QTest::keyClick(window.focusWidget(), Qt::Key_Return); });
            } else if (step == 1) {
                wizard.answers.Add(Press(QStringLiteral("button1")));
                QTimer::singleShot(0, &window, [&] { window.findChild<QAction*>("aboutItem")->trigger(); });
            } else {
                return;
            }
            ++step;
            window.ProcessPendingEvents();
        };
        wizard.Click(next);
        QCOMPARE(during, QStringLiteral("help- back- next- cancel+ '実行' focus=control1083 default=1083"));
        QCOMPARE(wizard.answers.shown.mid(1), (QStringList{"確認: プログラムを終了します。",
                                                            "バージョン情報: ケルダデータ解凍ソフトウェア ver.1.03"}));
        TempFolder batch;
        QCOMPARE(BatchConvert(wizard.set, batch.Path(), {"44201"}), 0);
        QVERIFY(Tree(wizard.out) == Tree(batch.Path()));
        QCOMPARE(wizard.Text(next), QStringLiteral("完了"));
    }

    // A confirmed quit ends the process at once with status 0, during a run too; what
    // the run had written stays as it was.
    void ConfirmedQuitEndsTheProcess()
    {
        TempFolder work;
        const QStringList environment = {QStringLiteral("XDG_CONFIG_HOME=") + PathToQString(work / "config")};
        QCOMPARE(RunProgram(QStringLiteral(ORDEVIK_HELPER_PATH), {"quit-on-page"}, nullptr, environment), 0);

        fs::copy(sourceDir / "samples" / "demo", work / "set", fs::copy_options::recursive);
        QCOMPARE(RunProgram(QStringLiteral(ORDEVIK_HELPER_PATH),
                            {"quit-during-run", PathToQString(work / "set"), PathToQString(work / "out")},
                            nullptr, environment),
                 0);
        TempFolder batch;
        QCOMPARE(BatchConvert(work / "set", batch.Path(), {"44201"}), 0);
        QVERIFY(Tree(work / "out" / "44201") == Tree(batch.Path() / "44201"));
        QVERIFY(!fs::exists(work / "out" / "44203"));
    }

    // "-r" is read before Qt takes its own options: "-reverse" both turns the layout
    // around and switches the history on. The application is named after the file.
    void ApplicationReadsItsOptionBeforeQt()
    {
        const auto started = [](const QStringList& arguments) {
            QString output;
            RunProgram(QStringLiteral(ORDEVIK_HELPER_PATH), QStringList{"args"} + arguments, &output);
            return output.trimmed();
        };
        QCOMPARE(started({"-reverse"}), QStringLiteral("history=1 reverse=1 name=gui_helper"));
        QCOMPARE(started({"/data/x-rays"}), QStringLiteral("history=1 reverse=0 name=gui_helper"));
        QCOMPARE(started({"-R", "r"}), QStringLiteral("history=0 reverse=0 name=gui_helper"));
    }

    // Qt's own texts follow the desktop's language.
    void ApplicationSpeaksTheDesktopLanguage()
    {
        const auto cancel = [](const QString& language) {
            QString output;
            RunProgram(QStringLiteral(ORDEVIK_HELPER_PATH), {"qt-texts"}, &output,
                       {"LC_ALL=" + language, "LANG=" + language, "LANGUAGE="});
            return output.trimmed();
        };
        QCOMPARE(cancel(QStringLiteral("ja_JP.UTF-8")), QStringLiteral("キャンセル"));
        QCOMPARE(cancel(QStringLiteral("C.UTF-8")), QStringLiteral("Cancel"));
    }
};

ORDEVIK_GUI_TEST(WizardRunTest)

#include "WizardRunTest.moc"
