#pragma once
// The user interface in the user's language. The program's texts are
// written in English in the code; the translations are built into the
// program and chosen by the locale's user-interface languages, the first
// one that the program has (or English) winning. Qt's own texts (standard
// buttons, the file, colour, font and print dialogs) follow in the same
// language when the system has Qt's translations. The calculation
// language, results, files, settings and command-line output never change
// with the locale.

#include <QLocale>
#include <QString>

// Installs the translations for the locale's languages in the application,
// replacing any installed before. Returns the language name taken ("de"),
// or an empty string when the interface stays English.
QString InstallTranslations(const QLocale& locale = QLocale());

// Removes the installed translations: the interface is English again.
void RemoveTranslations();
