#include <filesystem>
#include <string>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QComboBox>
#include <QImage>
#include <QTest>
#include <QTextEdit>

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

    // Below the completion message: the report of what was not converted, the button
    // that opens the XML folder and the check against the DTD.
    void CompletionPageShowsTheReportAndItsButtons()
    {
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
        Harness wizard;
        wizard.ToSummaryPage({0, 1, 2});
        wizard.answers.Add(Press(QStringLiteral("button1078")));
        wizard.Click(next);

        QCOMPARE(wizard.Text(reportNotice),
                 QStringLiteral("一部の地物を変換しませんでした。下の一覧をご覧ください。"));
        const QString report = wizard.Text(reportText);
        QVERIFY2(report.startsWith(QStringLiteral("ファイルセット 3 件、地物 28 種を変換、XMLファイル 5 個（")), qPrintable(report));
        QVERIFY2(report.contains(QStringLiteral("）、14 種をスキップ、")), qPrintable(report));
        QVERIFY2(report.contains(QStringLiteral("\n\n別府市（44202）\n"
                                                "\t街区（BK）: データファイル 44202BK.sal がありません。全てスキップしました。\n"
                                                "\t注記（AN）: データファイルがありません。全てスキップにより変換しませんでした。\n")),
                 qPrintable(report));
        QVERIFY(report.contains(QStringLiteral("\n中津市（44203）\n\tバス停（BS）: ")));
        for (const int id : {reportNotice, reportText, openOutputFolder, validate}) {
            QVERIFY2(wizard.Window().Control(id)->isVisible(), qPrintable(QString::number(id)));
        }
        QVERIFY(wizard.Get<QTextEdit>(reportText)->isReadOnly());
        QCOMPARE(wizard.Text(openOutputFolder), QStringLiteral("出力フォルダを開く"));
        QCOMPARE(wizard.Text(validate), QStringLiteral("DTDで検証"));

        // A fileset's map, chosen in the box, lies over the report; it is saved as PNG.
        auto* choice = wizard.Get<QComboBox>(previewChoice);
        QVERIFY(choice->isVisible() && choice->isEnabled());
        QCOMPARE(choice->count(), 4);
        QCOMPARE(choice->itemText(3), QStringLiteral("中津市（44203）"));
        QVERIFY(!wizard.Window().Control(previewPicture)->isVisible());
        choice->setCurrentIndex(3);
        emit choice->activated(3);
        QVERIFY(wizard.Window().Control(previewPicture)->isVisible());
        QVERIFY(!wizard.Window().Control(reportText)->isVisible());
        QVERIFY(wizard.Text(reportNotice).startsWith(QStringLiteral("中津市（44203）: 線 ")));
        const QImage shown = wizard.Window().Control(previewPicture)->grab().toImage();
        QCOMPARE(shown.size(), QSize(564, 266));
        QVERIFY2(shown.pixelColor(300, 130) != shown.pixelColor(2, 2), "a map is drawn");
        wizard.picker.saveFiles.push_back(wizard.folder.Path() / "map.png");
        QVERIFY(wizard.Click(savePreview));
        QVERIFY(QImage(PathToQString(wizard.folder.Path() / "map.png")).size() == QSize(1128, 532));
        choice->setCurrentIndex(0);
        emit choice->activated(0);
        QVERIFY(wizard.Window().Control(reportText)->isVisible());
        QVERIFY(!wizard.Window().Control(previewPicture)->isVisible());

        QVERIFY(wizard.Click(openOutputFolder));
        QCOMPARE(recorder.opened, QStringList{"out"});
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        // The check runs with the bar, then lists every document; the page is as before.
        QVERIFY(wizard.Click(validate));
        QVERIFY2(wizard.Text(reportText).contains(QStringLiteral("DTDによる検証: XMLファイル 5 個中 5 個が有効です。\n"
                                                                 "\t44201/44201.xml: 有効\n")),
                 qPrintable(wizard.Text(reportText)));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back- next+ cancel- '完了' focus=control1082 default=1082"));
        QVERIFY(!wizard.Window().Control(progressBar)->isEnabled());
        QCOMPARE(wizard.beeps, 3);
        QVERIFY(wizard.answers.Done());

        // Pages before the run never show them.
        Harness fresh;
        for (const int id : {reportNotice, reportText, openOutputFolder, validate}) {
            QVERIFY(!fresh.Window().Control(id)->isVisible());
        }
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
