#include "app/ConverterApp.h"

#include <QLocale>

#include "app/QtServices.h"
#include "app/QtText.h"
#include "app/UiKit.h"
#include "app/WizardWindow.h"
#include "platform/FileSystem.h"
#include "readers/SettingsFile.h"
#include "wizard/WizardDialog.h"

ConverterApp::ConverterApp(int& argc, char** argv)
    : historyEnabled(HistoryRequested(argc, argv)), application(argc, argv),
      qtTexts(QLocale::system())
{
    QApplication::setOrganizationName(OrganisationName());
    QApplication::setApplicationName(PathToQString(ExecutablePath().stem()));
    QApplication::setFont(UiFont());
}

int ConverterApp::Exec()
{
    const std::filesystem::path folder = ExecutablePath().parent_path();
    QtServices services(OrganisationName(), QApplication::applicationName());
    WizardWindow window(services.Services(), historyEnabled, SettingsFile::DefaultPath(),
                        folder / "images");
    services.picker.SetOwner(&window);
    QApplication::setWindowIcon(window.windowIcon());
    window.PlaceAtTopLeft();
    window.exec();
    return 0;
}
