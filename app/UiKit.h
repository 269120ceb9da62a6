#pragma once

#include <filesystem>
#include <functional>

#include <QFont>
#include <QIcon>
#include <QTranslator>

class QLocale;

class QPushButton;
class QWidget;

// What the wizard window and the small dialogs share: their font, their unit of
// measure, the program's icon, the rule of the Enter key and the beep.

// Qt's own texts in the language of `locale` while the object lives: the file and
// folder dialogs, the context menus of the edit fields, the standard buttons. They come
// from Qt's translations ("qtbase_ja.qm", Debian's qt6-translations-l10n); without a
// translation for the language Qt's texts stay English. Needs the application object.
class QtTranslation
{
public:
    explicit QtTranslation(const QLocale& locale);
    ~QtTranslation();
    QtTranslation(const QtTranslation&) = delete;
    QtTranslation& operator=(const QtTranslation&) = delete;

    bool Loaded() const { return loaded; }

private:
    QTranslator translator;
    bool loaded = false;
};

// The alert sound; a test counts the calls instead.
using BeepHook = std::function<void()>;
BeepHook SystemBeep();

// The Japanese UI font at 9 pt: Noto Sans CJK JP where it is installed, else the
// first of the usual Windows UI fonts, else the system's default family.
QFont UiFont();

// Dialog units as pixels: the layouts are measured for a 9 pt Japanese font, whose
// dialog unit is 1.75 pixels both ways (335 × 288 units make the 588 × 504 window).
int DialogUnits(int units);

// The program's icon in all its rendered sizes, from the folder of images.
QIcon ApplicationIcon(const std::filesystem::path& imageFolder);

// Enter presses the push button that has the focus, else `defaultButton` when it is
// shown and enabled (it may be null), else nothing. Returns whether a button was pressed.
bool PressForEnter(QWidget* focused, QPushButton* defaultButton);
