#include <filesystem>

#include <QDesktopServices>
#include <QFileDialog>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "app/QtServices.h"
#include "app/QtText.h"
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
                                               {wizardText::allFilesFilterLabel, "*"}});
        QCOMPARE(filters, (QStringList{"CSVファイル(CSV) (*.csv *.CSV)", "全て(*) (*)"}));
        QVERIFY(detailsHidden);
        QVERIFY(chosen.has_value());
        QCOMPARE(PathToQString(*chosen), PathToQString(folder / "list.CSV"));

        answers.Add([](QDialog* shown) { shown->reject(); });
        QVERIFY(!picker.ChooseFile({{"x", "*"}}).has_value());
    }

    void FolderPickerOffersFoldersOnly()
    {
        TempFolder folder;
        fs::create_directory(folder / "xml");
        QtFilePicker picker;
        QString title;
        bool foldersOnly = false;
        DialogAnswerer answers({[&](QDialog* shown) {
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            title = dialog->windowTitle();
            foldersOnly = dialog->fileMode() == QFileDialog::Directory &&
                          dialog->testOption(QFileDialog::ShowDirsOnly);
            dialog->setDirectory(PathToQString(folder / "xml"));
            shown->accept();
        }});
        const fs::path chosen = picker.ChooseFolder(wizardText::folderPickerTitle);
        QCOMPARE(title, QStringLiteral("フォルダを選択してください"));
        QVERIFY(foldersOnly);
        QCOMPARE(PathToQString(chosen), PathToQString(folder / "xml"));

        answers.Add([](QDialog* shown) { shown->reject(); });
        QVERIFY(picker.ChooseFolder("t").empty());
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
