// The runner of the Qt tests: one QApplication, every test class in turn, the history of
// every test in a settings folder of the run's own.

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/UiKit.h"
#include "tests/app/GuiTests.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setFont(UiFont());
    QApplication::setWindowIcon(ApplicationIcon(ORDEVIK_BUILD_DIR "/images"));
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settings;
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, settings.path());
    }
    int failed = 0;
    for (const auto& makeTest : GuiTests()) {
        const std::unique_ptr<QObject> test = makeTest();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
