#include <filesystem>
#include <string>
#include <vector>

#include <QAction>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>

#include "app/QtText.h"
#include "text/Cp932.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/app/GuiTests.h"
#include "wizard/ControlIds.h"

namespace fs = std::filesystem;
using namespace control;

namespace {

using Ids = std::vector<int>;

// The rows of a list as "code name" texts.
QStringList Rows(QTreeWidget* list)
{
    QStringList rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        rows << list->topLevelItem(row)->text(0) + QLatin1Char(' ') + list->topLevelItem(row)->text(1);
    }
    return rows;
}

// The check list as one character per box: 1 checked, 0 unchecked, 2 indeterminate;
// then "+" when the user can change the boxes and the list is enabled.
QString Checks(QListWidget* list)
{
    QString text;
    for (int row = 0; row < list->count(); ++row) {
        const Qt::CheckState state = list->item(row)->checkState();
        text += state == Qt::Checked ? '1' : state == Qt::Unchecked ? '0' : '2';
    }
    const bool editable = list->count() > 0 && (list->item(0)->flags() & Qt::ItemIsUserCheckable);
    return text + (editable && list->isEnabled() ? "+" : "-");
}

// Clicks the check box of one item of the check list.
void ClickBox(QListWidget* list, int row)
{
    const QRect item = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(item.left() + 10, item.center().y()));
}

QString Radios(Harness& wizard)
{
    QString text;
    for (const int id : {integratedFile, perKindFile, dtdCopy, noDtdCopy, utf8, shiftJis}) {
        text += QString::number(id) + (wizard.Get<QRadioButton>(id)->isChecked() ? "+ " : "- ");
    }
    return text;
}

}

class WizardWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void WindowOpensOnTheWelcomePage()
    {
        Harness wizard;
        HookedWindow& window = wizard.Window();
        QCOMPARE(window.windowTitle(), QStringLiteral("ケルダ"));
        QCOMPARE(window.minimumSize(), QSize(588, 504));
        QCOMPARE(window.maximumSize(), QSize(588, 504));
        QVERIFY(!window.windowIcon().isNull());
        QCOMPARE(wizard.Shown(), (Ids{pictureFrame, picture, welcomeTitle, introText, help, back,
                                      next, cancel, banner}));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back- next+ cancel+ '次へ >' focus=control1082 default=1082"));
        QCOMPARE((QStringList{wizard.Text(help), wizard.Text(back), wizard.Text(cancel)}),
                 (QStringList{"ヘルプ", "< 戻る", "キャンセル"}));
        // The picture right below the banner at its own size; the text beside it.
        QCOMPARE(window.Control(picture)->geometry(), QRect(0, 44, 200, 412));
        QCOMPARE(wizard.Get<QLabel>(banner)->pixmap().size(), QSize(588, 44));
        QCOMPARE(wizard.Get<QLabel>(welcomeTitle)->pixmap().size(), QSize(364, 36));
        const auto* intro = wizard.Get<QPlainTextEdit>(introText);
        QCOMPARE(intro->toPlainText(),
                 ToQStringLines(ToUtf8(ReadFileBytes(sourceDir / "resources" / "ordevik.txt"))));
        QCOMPARE(intro->focusPolicy(), Qt::NoFocus);
        QVERIFY(intro->isReadOnly());
        for (const QPushButton* button : window.findChildren<QPushButton*>()) {
            QVERIFY2(!button->autoDefault(), qPrintable(button->objectName()));
        }
        // Every control of every page exists, named after its id.
        for (const int id : {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011,
                             1012, 1017, 1019, 1020, 1021, 1022, 1023, 1025, 1026, 1027, 1028, 1029,
                             1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041,
                             1043, 1047, 1048, 1049, 1050, 1051, 1052, 1054, 1058, 1059, 1060, 1061,
                             1063, 1064, 1066, 1067, 1068, 1069, 1070, 1071, 1072, 1073, 1075, 1080,
                             1081, 1082, 1083, 1084}) {
            QVERIFY2(window.Control(id) != nullptr, qPrintable(QString::number(id)));
        }
    }

    // Each page shows its own controls and sets the bottom row as its rules say.
    void PagesShowTheirControlsAndButtons()
    {
        Harness wizard;
        wizard.Click(next);
        QCOMPARE(wizard.Shown(), (Ids{inputGroup, csvLabel, csvEdit, csvBrowse, dtdLabel, dtdEdit,
                                      dtdBrowse, dataLabel, dataBrowse, dataEdit, xmlLabel, xmlEdit,
                                      xmlBrowse, outputGroup, inputTitle, help, back, next, cancel, banner}));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back+ next- cancel+ '次へ >' focus=control1003 default=1003"));
        QCOMPARE((QStringList{wizard.Text(inputGroup), wizard.Text(csvLabel), wizard.Text(dtdLabel),
                              wizard.Text(dataLabel), wizard.Text(outputGroup), wizard.Text(xmlLabel),
                              wizard.Text(csvBrowse)}),
                 (QStringList{"入力", "ファイルセット一覧CSVファイル", "ＤＴＤフォルダ", "データフォルダ",
                              "出力", "ＸＭＬ出力フォルダ", "参照 ..."}));
        wizard.picker.files.push_back(wizard.set / "filesets.csv");
        wizard.Click(csvBrowse);
        // The CSV file proposes the two input folders beside it; Next waits for the output.
        QCOMPARE((QStringList{wizard.Text(csvEdit), wizard.Text(dtdEdit), wizard.Text(dataEdit)}),
                 (QStringList{PathToQString(wizard.set / "filesets.csv"), PathToQString(wizard.set / "dtd"),
                              PathToQString(wizard.set / "data")}));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back+ next- cancel+ '次へ >' focus=control1012 default=1003"));
        wizard.picker.folders.push_back(wizard.out);
        wizard.Click(xmlBrowse);
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back+ next+ cancel+ '次へ >' focus=control1082 default=1082"));

        wizard.answers.Add(Press(QStringLiteral("button1")));
        wizard.Click(next);
        QCOMPARE(wizard.Shown(), (Ids{addFileset, removeFileset, allFilesetGroup, chosenFilesetGroup,
                                      allFilesetList, csvTitle, chosenFilesetList, filesetTitle, help,
                                      back, next, cancel, banner}));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back+ next- cancel+ '次へ >' focus=control1022 default=0"));
        QCOMPARE((QStringList{wizard.Text(csvTitle), wizard.Text(allFilesetGroup), wizard.Text(chosenFilesetGroup)}),
                 (QStringList{"filesets", "ファイルセット一覧", "変換するファイルセット"}));
        SelectRows(wizard.Get<QTreeWidget>(allFilesetList), {0});
        wizard.Click(addFileset);
        wizard.Click(next);
        QCOMPARE(wizard.Shown(), (Ids{featureCheckList, featureFilesetList, featureFilesetGroup, featureGroup,
                                      folderGroup, inputFolderCaption, outputFolderCaption, selectAll,
                                      clearAll, inputFolderLabel, outputFolderLabel, featureTitle, help,
                                      back, next, cancel, banner}));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back+ next+ cancel+ '次へ >' focus=control1027 default=1082"));
        QCOMPARE((QStringList{wizard.Text(featureFilesetGroup), wizard.Text(featureGroup), wizard.Text(folderGroup),
                              wizard.Text(inputFolderCaption), wizard.Text(outputFolderCaption),
                              wizard.Text(selectAll), wizard.Text(clearAll)}),
                 (QStringList{"変換するファイルセット", "地物", "フォルダ", "入力", "出力", "全選択", "全解除"}));
        wizard.Click(next);
        QCOMPARE(wizard.Shown(), (Ids{noDtdCopy, outputUnitGroup, perKindFile, integratedFile, dtdCopy,
                                      shiftJis, utf8, dtdGroup, charsetGroup, optionsTitle, help, back,
                                      next, cancel, banner}));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back+ next+ cancel+ '次へ >' focus=control1082 default=1082"));
        QCOMPARE((QStringList{wizard.Text(outputUnitGroup), wizard.Text(integratedFile), wizard.Text(perKindFile),
                              wizard.Text(dtdGroup), wizard.Text(dtdCopy), wizard.Text(noDtdCopy),
                              wizard.Text(charsetGroup), wizard.Text(utf8), wizard.Text(shiftJis)}),
                 (QStringList{"出力ファイル単位", "統合ファイル", "地物別ファイル", "DTDファイル",
                              "XML出力フォルダにコピーする", "コピーしない", "文字コードセット",
                              "Unicode (UTF-8)", "シフトJIS"}));
        wizard.Click(next);
        QCOMPARE(wizard.Shown(), (Ids{summaryText, statusMessage, summaryTitle, help, back, next, cancel, banner}));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back+ next+ cancel+ '実行' focus=control1082 default=1082"));
        QCOMPARE(wizard.Text(statusMessage), QStringLiteral("設定を確認してください。実行ボタンで処理を開始します。"));

        // Back all the way: the welcome page again, Back disabled.
        for (int page = 5; page > 0; --page) {
            QVERIFY(wizard.Click(back));
        }
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back- next+ cancel+ '次へ >' focus=control1082 default=1082"));
        QCOMPARE(wizard.Shown(), (Ids{pictureFrame, picture, welcomeTitle, introText, help, back, next, cancel, banner}));
    }

    // Each missing input is named in a warning and keeps page 1; a missing output
    // folder is created only when the user agrees.
    void ValidationKeepsPageOneUntilThePathsExist()
    {
        Harness wizard;
        wizard.Click(next);
        wizard.ChoosePaths();
        fs::rename(wizard.set / "filesets.csv", wizard.set / "moved.csv");
        wizard.answers.Add(Press(QStringLiteral("button1")));
        wizard.Click(next);
        fs::rename(wizard.set / "moved.csv", wizard.set / "filesets.csv");
        fs::rename(wizard.set / "data", wizard.set / "moved");
        wizard.answers.Add(Key(Qt::Key_Return));
        wizard.Click(next);
        fs::rename(wizard.set / "moved", wizard.set / "data");
        fs::rename(wizard.set / "dtd", wizard.set / "moved");
        wizard.answers.Add(Key(Qt::Key_Escape));
        wizard.Click(next);
        fs::rename(wizard.set / "moved", wizard.set / "dtd");
        wizard.answers.Add(Press(QStringLiteral("button2")));  // キャンセル: nothing is created
        wizard.Click(next);
        QVERIFY(!fs::exists(wizard.out));
        QCOMPARE(wizard.Window().Logic().PageIndex(), 1);
        QCOMPARE(wizard.Shown().front(), inputGroup);
        wizard.answers.Add(Press(QStringLiteral("button1")));
        wizard.Click(next);
        QVERIFY(fs::is_directory(wizard.out));
        QCOMPARE(wizard.Window().Logic().PageIndex(), 2);
        QCOMPARE(wizard.answers.shown, (QStringList{"警告: CSVファイルがありません。", "警告: データフォルダがありません。",
                                                     "警告: DTDフォルダがありません。", "確認: XMLフォルダを作成します。",
                                                     "確認: XMLフォルダを作成します。"}));
    }

    void ListsAddAndRemoveWithButtonsDoubleClickAndSpace()
    {
        Harness wizard;
        wizard.ToFilesetPage();
        auto* all = wizard.Get<QTreeWidget>(allFilesetList);
        auto* chosen = wizard.Get<QTreeWidget>(chosenFilesetList);
        QCOMPARE(Rows(all), (QStringList{"44201 大分市", "44202 別府市", "44203 中津市"}));
        QCOMPARE(all->headerItem()->text(0) + "|" + all->headerItem()->text(1), QStringLiteral("行政コード|行政名"));
        QVERIFY(!all->topLevelItem(2)->icon(0).isNull());
        QCOMPARE(all->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(all->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(!all->isSortingEnabled());
        // The code column holds its heading and four spaces; the name column the rest.
        const QFontMetrics metrics(all->font());
        QVERIFY(all->columnWidth(0) >= metrics.horizontalAdvance(QStringLiteral("行政コード    ")));
        QCOMPARE(all->columnWidth(0) + all->columnWidth(1) + 16, all->width() - 2 * all->frameWidth());

        SelectRows(all, {0, 2});
        wizard.Click(addFileset);
        QCOMPARE(Rows(chosen), (QStringList{"44201 大分市", "44203 中津市"}));
        QCOMPARE(wizard.Buttons(), QStringLiteral("help+ back+ next+ cancel+ '次へ >' focus=control1082 default=1082"));
        // Double-click adds the selection; the rows keep the codes' order.
        const QPoint second = all->visualItemRect(all->topLevelItem(1)).center();
        QTest::mouseClick(all->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(all->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(Rows(chosen), (QStringList{"44201 大分市", "44202 別府市", "44203 中津市"}));
        // Space removes what is selected on the right; double-click too.
        SelectRows(chosen, {0, 1});
        chosen->setFocus();
        QTest::keyClick(chosen, Qt::Key_Space);
        QCOMPARE(Rows(chosen), (QStringList{"44203 中津市"}));
        QTest::mouseClick(chosen->viewport(), Qt::LeftButton, {},
                          chosen->visualItemRect(chosen->topLevelItem(0)).center());
        QTest::mouseDClick(chosen->viewport(), Qt::LeftButton, {},
                           chosen->visualItemRect(chosen->topLevelItem(0)).center());
        QCOMPARE(Rows(chosen), QStringList());
        QVERIFY(!wizard.Window().Control(next)->isEnabled());
        // Space on the left adds the selected rows.
        SelectRows(all, {1});
        all->setFocus();
        QTest::keyClick(all, Qt::Key_Space);
        QCOMPARE(Rows(chosen), (QStringList{"44202 別府市"}));
        SelectRows(chosen, {0});
        wizard.Click(removeFileset);
        QCOMPARE(Rows(chosen), QStringList());
        QVERIFY(!wizard.Window().Control(next)->isEnabled());
    }

    void CheckListIdlesUntilAFilesetIsChosen()
    {
        Harness wizard;
        wizard.ToFeaturePage({0, 2});
        auto* filesets = wizard.Get<QTreeWidget>(featureFilesetList);
        auto* kinds = wizard.Get<QListWidget>(featureCheckList);
        QCOMPARE(filesets->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(kinds->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(kinds->item(0)->text() + kinds->item(12)->text(), QStringLiteral("道路メッシュ標高"));
        QCOMPARE(Checks(kinds), QStringLiteral("2222222222222-"));
        QVERIFY(!wizard.Window().Control(selectAll)->isEnabled());

        QTest::mouseClick(filesets->viewport(), Qt::LeftButton, {},
                          filesets->visualItemRect(filesets->topLevelItem(0)).center());
        QCOMPARE(Checks(kinds), QStringLiteral("1111111111111+"));
        QCOMPARE(wizard.Text(inputFolderLabel), PathToQString(wizard.set / "data" / "44201"));
        QCOMPARE(wizard.Text(outputFolderLabel), PathToQString(wizard.out / "44201"));
        ClickBox(kinds, 1);
        QCOMPARE(Checks(kinds), QStringLiteral("1011111111111+"));
        QCOMPARE(wizard.Window().Logic().FeatureSelection().at("44201"), std::string("1011111111111"));
        // Space toggles the box of the current item.
        kinds->setFocus();
        kinds->setCurrentRow(2);
        QTest::keyClick(kinds, Qt::Key_Space);
        QCOMPARE(wizard.Window().Logic().FeatureSelection().at("44201"), std::string("1001111111111"));

        // Down shows the next fileset's boxes; the logic's own changes are not toggles.
        filesets->setFocus();
        QTest::keyClick(filesets, Qt::Key_Down);
        QCOMPARE(wizard.Text(inputFolderLabel), PathToQString(wizard.set / "data" / "44203"));
        QCOMPARE(Checks(kinds), QStringLiteral("1111111111111+"));
        wizard.Click(clearAll);
        QCOMPARE(Checks(kinds), QStringLiteral("0000000000000+"));
        QCOMPARE(wizard.Window().Logic().FeatureSelection(),
                 (std::map<std::string, std::string>{{"44201", "1001111111111"}, {"44203", "0000000000000"}}));
        wizard.Click(selectAll);
        QCOMPARE(wizard.Window().Logic().FeatureSelection().at("44203"), std::string("1111111111111"));

        // A click below the rows chooses no fileset: idle again, the folder lines empty.
        QTest::mouseClick(filesets->viewport(), Qt::LeftButton, {},
                          QPoint(20, filesets->viewport()->height() - 5));
        QCOMPARE(Checks(kinds), QStringLiteral("2222222222222-"));
        QCOMPARE(wizard.Text(inputFolderLabel) + wizard.Text(outputFolderLabel), QString());
        QVERIFY(!wizard.Window().Control(clearAll)->isEnabled());
    }

    void OptionsStartFromTheirDefaultsOnEveryVisit()
    {
        Harness wizard;
        wizard.ToFeaturePage({0});
        wizard.Click(next);
        QCOMPARE(Radios(wizard), QStringLiteral("1041+ 1040- 1047+ 1038- 1049+ 1048- "));
        wizard.Click(shiftJis);
        wizard.Click(perKindFile);
        wizard.Click(noDtdCopy);
        wizard.Click(noDtdCopy);  // a checked button stays checked
        QCOMPARE(Radios(wizard), QStringLiteral("1041- 1040+ 1047- 1038+ 1049- 1048+ "));
        wizard.Click(next);
        QVERIFY(wizard.Text(summaryText).contains(QStringLiteral(" 文字コード\tShift_JIS\n")));
        wizard.Click(back);
        QCOMPARE(Radios(wizard), QStringLiteral("1041+ 1040- 1047+ 1038- 1049+ 1048- "));
        wizard.Click(next);
        QVERIFY(wizard.Text(summaryText).contains(QStringLiteral(" 文字コード\tunicode\n")));
    }

    void SummaryListsFoldersOptionsAndKinds()
    {
        Harness wizard;
        wizard.ToFeaturePage({0, 1});
        auto* filesets = wizard.Get<QTreeWidget>(featureFilesetList);
        QTest::mouseClick(filesets->viewport(), Qt::LeftButton, {},
                          filesets->visualItemRect(filesets->topLevelItem(1)).center());
        wizard.Click(clearAll);
        ClickBox(wizard.Get<QListWidget>(featureCheckList), 2);
        wizard.Click(next);
        wizard.Click(perKindFile);
        wizard.Click(next);
        const QString expected =
            "\n"
            " データフォルダ\t" + PathToQString(wizard.set / "data") + "\n"
            " XML出力フォルダ\t" + PathToQString(wizard.out) + "\n"
            "\n"
            " 文字コード\tunicode\n"
            " XMLファイル\t地物別ファイル\n"
            " DTDファイル\tコピーする\n"
            "\n"
            " 大分市 <44201>\n"
            "\t道路/鉄道/河川/水域/建物/行政界/行政区域/地名/注記/基準点/街区/交通施設/メッシュ標高\n"
            "\n"
            " 別府市 <44202>\n"
            "\t河川\n"
            "\n"
            " 合計\t2 ファイルセット \n";
        QCOMPARE(wizard.Text(summaryText), expected);
    }

    // Help opens page k + 1 of the help folder on page k, the last one after the run.
    void HelpOpensThePageOfEachStep()
    {
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
        {
            Harness wizard;
            wizard.Click(help);
            wizard.Click(next);
            wizard.Click(help);
            wizard.ChoosePaths();
            wizard.answers.Add(Press(QStringLiteral("button1")));
            wizard.Click(next);
            wizard.Click(help);
            SelectRows(wizard.Get<QTreeWidget>(allFilesetList), {0});
            wizard.Click(addFileset);
            for (int page = 3; page <= 5; ++page) {
                wizard.Click(next);
                wizard.Click(help);
            }
            wizard.Click(next);  // the run
            wizard.Click(help);
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(recorder.opened, (QStringList{"page_1.htm", "page_2.htm", "page_3.htm", "page_4.htm",
                                               "page_5.htm", "page_6.htm", "page_7.htm"}));
    }

    // Enter presses the focused button, else the default one, else nothing; Escape and
    // the close box ask before the program ends.
    void KeyboardFollowsTheDefaultButton()
    {
        Harness wizard;
        HookedWindow& window = wizard.Window();
        QTest::keyClick(window.focusWidget(), Qt::Key_Return);
        QCOMPARE(window.Logic().PageIndex(), 1);
        QTest::keyClick(window.focusWidget(), Qt::Key_Return);  // the CSV browse button
        QCOMPARE(wizard.picker.asked, 1);
        wizard.ChoosePaths();
        wizard.answers.Add(Press(QStringLiteral("button1")));
        QTest::keyClick(window.focusWidget(), Qt::Key_Enter);
        QCOMPARE(window.Logic().PageIndex(), 2);
        // No default button here: Enter in the list does nothing.
        QTest::keyClick(wizard.Get<QTreeWidget>(allFilesetList), Qt::Key_Return);
        QCOMPARE(window.Logic().PageIndex(), 2);

        wizard.answers.Add(Key(Qt::Key_Escape));
        QTest::keyClick(&window, Qt::Key_Escape);
        wizard.answers.Add(Press(QStringLiteral("button2")));
        window.close();
        QVERIFY(window.isVisible());
        QCOMPARE(window.Logic().PageIndex(), 2);
        QCOMPARE(wizard.answers.shown, (QStringList{"確認: XMLフォルダを作成します。", "確認: プログラムを終了します。",
                                                     "確認: プログラムを終了します。"}));
        // Tab on page 1 goes from path to browse button to the next path.
        wizard.Click(back);
        QCOMPARE(wizard.FocusName(), QStringLiteral("control1003"));
        QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
        QCOMPARE(wizard.FocusName(), QStringLiteral("control1005"));
        QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
        QCOMPARE(wizard.FocusName(), QStringLiteral("control1006"));
    }

    void AboutItemOpensTheAboutBoxOnAnyPage()
    {
        Harness wizard;
        auto* about = wizard.Window().findChild<QAction*>(QStringLiteral("aboutItem"));
        QVERIFY(about != nullptr);
        QCOMPARE(about->text(), QStringLiteral("Ordevik のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
        QCOMPARE(wizard.Window().contextMenuPolicy(), Qt::ActionsContextMenu);
        wizard.answers.Add(Press(QStringLiteral("button1")));
        about->trigger();
        wizard.Click(next);
        wizard.answers.Add(Key(Qt::Key_Escape));
        about->trigger();
        QCOMPARE(wizard.answers.shown, (QStringList{"バージョン情報: ケルダデータ解凍ソフトウェア ver.1.03",
                                                     "バージョン情報: ケルダデータ解凍ソフトウェア ver.1.03"}));
        QCOMPARE(wizard.beeps, 0);
    }

    // With "-r" the paths go to the settings after page 1 and come back on the next
    // start, all but the output folder; without it nothing is read or written.
    void HistoryFollowsTheCommandLine()
    {
        const QString application = QStringLiteral("ordevik-history");
        QSettings stored(QStringLiteral("QXZ"), application);
        stored.clear();
        stored.sync();
        fs::path set;
        {
            Harness wizard(HistoryRequested(2, std::vector<const char*>{"ordevik", "-r"}.data()), application);
            wizard.ToFilesetPage();
            set = wizard.set;
            stored.sync();
            QCOMPARE((QStringList{stored.value("History/CSV_File").toString(), stored.value("History/DTD_Folder").toString(),
                                  stored.value("History/Data_Folder").toString(), stored.value("History/XML_Folder").toString()}),
                     (QStringList{PathToQString(set / "filesets.csv"), PathToQString(set / "dtd"),
                                  PathToQString(set / "data"), PathToQString(wizard.out)}));
            QCOMPARE(stored.childGroups(), QStringList{"History"});
        }
        {
            Harness wizard(true, application);
            wizard.Click(next);
            QCOMPARE((QStringList{wizard.Text(csvEdit), wizard.Text(dtdEdit), wizard.Text(dataEdit), wizard.Text(xmlEdit)}),
                     (QStringList{PathToQString(set / "filesets.csv"), PathToQString(set / "dtd"),
                                  PathToQString(set / "data"), QString()}));
        }
        {
            Harness wizard(HistoryRequested(2, std::vector<const char*>{"ordevik", "-R"}.data()), application);
            wizard.Click(next);
            QCOMPARE(wizard.Text(csvEdit), QString());
            wizard.ToFilesetPage();
            stored.sync();
            QCOMPARE(stored.value("History/CSV_File").toString(), PathToQString(set / "filesets.csv"));
        }
    }
};

ORDEVIK_GUI_TEST(WizardWindowTest)

#include "WizardWindowTest.moc"
