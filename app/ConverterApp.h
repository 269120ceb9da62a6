#pragma once

#include <QApplication>
#include <QString>

#include "app/UiKit.h"

// The application: reads "-r" from the command line, then sets up Qt with its own texts
// in the desktop's language, and shows the wizard until it ends. The application name is
// the executable's file title and the organisation "QXZ"; together they name where the
// path history is kept.
class ConverterApp
{
public:
    // `argc` and `argv` must outlive the object, as QApplication requires.
    ConverterApp(int& argc, char** argv);

    bool HistoryEnabled() const { return historyEnabled; }
    // Shows the wizard and returns 0 when it ends; a confirmed quit ends the process
    // from inside instead.
    int Exec();

    static QString OrganisationName() { return QStringLiteral("QXZ"); }

private:
    // Read before QApplication exists: it takes arguments such as "-reverse", which
    // contains "-r", for itself.
    bool historyEnabled;
    QApplication application;
    QtTranslation qtTexts;
};
