#include <filesystem>

#include <memory>

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "app/QtServices.h"
#include "app/QtText.h"
#include "app/UiKit.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/app/GuiTests.h"
#include "wizard/WizardText.h"

namespace fs = std::filesystem;

class QtServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void HistoryIsKeptUnderTheOrganisationAndTheApplication()
    {
        QtHistory history(QStringLiteral("QXZ"), QStringLiteral("ordevik-store"));
        QCOMPARE(history.Read("History", "CSV_File"), std::string());
        history.Write("History", "CSV_File", "/データ/一覧.csv");
        QSettings stored(QStringLiteral("QXZ"), QStringLiteral("ordevik-store"));
        QCOMPARE(stored.value(QStringLiteral("History/CSV_File")).toString(), QStringLiteral("/データ/一覧.csv"));
        QCOMPARE(history.Read("History", "CSV_File"), std::string("/データ/一覧.csv"));
        QSettings other(QStringLiteral("QXZ"), QStringLiteral("renamed"));
        QVERIFY(!other.contains(QStringLiteral("History/CSV_File")));
    }

    void FileDialogOffersTheTwoFilters()
    {
        TempFolder folder;
        WriteFileBytes(folder / "list.CSV", "1,a\n");
        QtFilePicker picker;
        QStringList filters;
        bool detailsHidden = false;
        DialogAnswerer answers({[&](QDialog* shown) {
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            filters = dialog->nameFilters();
            detailsHidden = dialog->testOption(QFileDialog::HideNameFilterDetails) &&
                            dialog->fileMode() == QFileDialog::ExistingFile;
            dialog->selectFile(PathToQString(folder / "list.CSV"));
            shown->accept();
        }});
        const auto chosen = picker.ChooseFile({{wizardText::csvFilterLabel, "*.csv"},
                                               {wizardText::allFilesFilterLabel, "*"}},
                                              folder.Path());
        QCOMPARE(filters, (QStringList{"CSVファイル(CSV) (*.csv *.CSV)", "全て(*) (*)"}));
        QVERIFY(detailsHidden);
        QVERIFY(chosen.has_value());
        QCOMPARE(PathToQString(*chosen), PathToQString(folder / "list.CSV"));

        // Without a start folder the dialog opens in the user's home.
        QString opened;
        answers.Add([&](QDialog* shown) {
            opened = qobject_cast<QFileDialog*>(shown)->directory().absolutePath();
            shown->reject();
        });
        QVERIFY(!picker.ChooseFile({{"x", "*"}}, {}).has_value());
        QCOMPARE(opened, QDir::homePath());
    }

    void FolderPickerOffersFoldersOnly()
    {
        TempFolder folder;
        fs::create_directory(folder / "xml");
        QtFilePicker picker;
        QString title;
        bool foldersOnly = false;
        QString opened;
        DialogAnswerer answers({[&](QDialog* shown) {
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            title = dialog->windowTitle();
            foldersOnly = dialog->fileMode() == QFileDialog::Directory &&
                          dialog->testOption(QFileDialog::ShowDirsOnly);
            opened = dialog->directory().absolutePath();
            shown->accept();
        }});
        const std::optional<fs::path> chosen =
            picker.ChooseFolder(wizardText::folderPickerTitle, folder / "xml");
        QCOMPARE(title, QStringLiteral("フォルダを選択してください"));
        QVERIFY(foldersOnly);
        // Opened in the folder it replaces, and taken as it is.
        QCOMPARE(opened, PathToQString(folder / "xml"));
        QVERIFY(chosen.has_value());
        QCOMPARE(PathToQString(*chosen), PathToQString(folder / "xml"));

        answers.Add([](QDialog* shown) { shown->reject(); });
        QVERIFY(!picker.ChooseFolder("t", {}).has_value());
    }

    // On a Japanese desktop Qt's own texts are Japanese: the file dialog's buttons and
    // labels, the edit fields' context menu, the standard buttons.
    void QtSpeaksTheDesktopLanguage()
    {
        QtTranslation japanese(QLocale(QLocale::Japanese, QLocale::Japan));
        QVERIFY(japanese.Loaded());
        TempFolder folder;
        QtFilePicker picker;
        QStringList texts;
        DialogAnswerer answers({[&](QDialog* shown) {
            for (const QAbstractButton* button : shown->findChildren<QAbstractButton*>()) {
                if (button->isVisible() && !button->text().isEmpty()) {
                    texts << button->text();
                }
            }
            for (const QLabel* label : shown->findChildren<QLabel*>()) {
                if (label->isVisible()) {
                    texts << label->text();
                }
            }
            shown->reject();
        }});
        QVERIFY(!picker.ChooseFile({{wizardText::csvFilterLabel, "*.csv"}}, folder.Path()));
        for (const char* text :
             {"開く(&O)", "キャンセル", "アドレス:", "ファイル名(&N):", "ファイルの種類:"}) {
            QVERIFY2(texts.contains(ToQString(text)), text);
        }

        QLineEdit edit;
        QStringList menu;
        const std::unique_ptr<QMenu> context(edit.createStandardContextMenu());
        for (const QAction* action : context->actions()) {
            menu << action->text().section(QLatin1Char('\t'), 0, 0);  // without the shortcut
        }
        QVERIFY(menu.contains(QStringLiteral("コピー(&C)")));
        QVERIFY(menu.contains(QStringLiteral("すべてを選択")));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    }

    void OpenerHandsTheFileToTheDesktop()
    {
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
        QtDocumentOpener().Open(buildDir / "help" / "page_3.htm");
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(recorder.opened, QStringList{"page_3.htm"});
    }
};

ORDEVIK_GUI_TEST(QtServicesTest)

#include "QtServicesTest.moc"
