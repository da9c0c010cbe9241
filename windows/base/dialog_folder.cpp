#include "windows/base/dialog_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const char* const kFolderKey = "GUI/FileDialog/Folder";

}  // namespace

QString DialogStartFolder(const QString& documentPath)
{
    if (!documentPath.isEmpty()) {
        const QString folder = QFileInfo(documentPath).absolutePath();
        if (QFileInfo(folder).isDir())
            return folder;
    }
    const QString last = QSettings().value(kFolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void RememberDialogFolder(const QString& chosenFile)
{
    if (chosenFile.isEmpty())
        return;
    QSettings().setValue(kFolderKey, QFileInfo(chosenFile).absolutePath());
}
