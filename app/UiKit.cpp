#include "app/UiKit.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QPushButton>
#include <QStringList>

#include "app/QtText.h"

QtTranslation::QtTranslation(const QLocale& locale)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    loaded = translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder) &&
             QCoreApplication::installTranslator(&translator);
}

QtTranslation::~QtTranslation()
{
    if (loaded) {
        QCoreApplication::removeTranslator(&translator);
    }
}

BeepHook SystemBeep()
{
    return [] { QApplication::beep(); };
}

QFont UiFont()
{
    static const QStringList preferred = {QStringLiteral("Noto Sans CJK JP"),
                                          QStringLiteral("Yu Gothic UI"),
                                          QStringLiteral("Meiryo UI"),
                                          QStringLiteral("MS UI Gothic")};
    const QStringList installed = QFontDatabase::families();
    QFont font = QApplication::font();
    for (const QString& family : preferred) {
        if (installed.contains(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPointSize(9);
    return font;
}

int DialogUnits(int units)
{
    return (units * 7 + 2) / 4;
}

QIcon ApplicationIcon(const std::filesystem::path& imageFolder)
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const auto file = imageFolder / ("icon-" + std::to_string(size) + ".png");
        icon.addFile(PathToQString(file), QSize(size, size));
    }
    return icon;
}

bool PressForEnter(QWidget* focused, QPushButton* defaultButton)
{
    auto* button = qobject_cast<QPushButton*>(focused);
    if (button == nullptr || !button->isEnabled() || !button->isVisible()) {
        button = defaultButton;
    }
    if (button == nullptr || !button->isEnabled() || !button->isVisible()) {
        return false;
    }
    button->click();
    return true;
}
