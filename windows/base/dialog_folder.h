#pragma once
// The folder a file dialog starts in: the folder of the current document,
// else the folder of the last file chosen in any file dialog, which the
// settings keep from run to run.

#include <QString>

// documentPath: the current document's file, empty for one never saved.
QString DialogStartFolder(const QString& documentPath);
// Remembers the folder of a file the user chose in a dialog.
void RememberDialogFolder(const QString& chosenFile);
