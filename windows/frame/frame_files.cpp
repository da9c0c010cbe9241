// The main window's files: the document's dialogs and saves, the memory
// files, the recent files and the title.
#include "windows/frame/calc_main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QRegularExpression>
#include <QWhatsThis>

#include <algorithm>

#include "command_line/window_program.h"
#include "document/memory_store.h"
#include "document/number_format.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "kavm_version.h"
#include "language/bound_expression.h"
#include "language/calculate.h"
#include "language/keywords.h"
#include "numeric/status.h"
#include "windows/frame/calc_bar.h"
#include "windows/keypad/calc_keypad.h"
#include "windows/editor/calc_live_result.h"
#include "windows/panes/calc_log.h"
#include "windows/panes/calc_memory.h"
#include "windows/frame/calc_preferences_dialog.h"
#include "windows/plot/calc_plot.h"
#include "windows/print/calc_print_commands.h"
#include "windows/panes/calc_statistics.h"
#include "windows/frame/calc_tool_bar.h"
#include "windows/editor/calc_view.h"
#include "windows/base/dialog_folder.h"
#include "windows/frame/help.h"
#include "windows/base/platform.h"
#include "windows/base/tool_icons.h"

namespace {

// The file dialogs' filters; the descriptions are translated, the patterns
// stay.
const char* const kCalculationFilter = QT_TRANSLATE_NOOP(
    "CCalcMainFrame",
    "Calculator calculation files (*.vcl)|*.vcl|Calculator memory files (*.vcm)|*.vcm|All files (*.*)|*.*||");
const char* const kMemorySaveFilter = QT_TRANSLATE_NOOP("CCalcMainFrame", "Calculator memory files (*.vcm)|*.vcm||");
const char* const kMemoryLoadFilter =
    QT_TRANSLATE_NOOP("CCalcMainFrame", "Calculator memory files (*.vcm)|*.vcm|All files (*.*)|*.*||");
const char* const kRecentSection = "Recent File List";
const char* const kApplicationTitle = "Vantrel Calculator Ka-Vm";
constexpr int kRecentCount = 4;

// A dialog's file name, with the default extension added to a bare name.
// The dialog starts in the given folder.
QString RunFileDialog(QWidget* parent, bool save, const QString& filter, const QString& proposed,
                      const QString& extension, const QString& folder)
{
    QFileDialog dialog(parent);
    dialog.setDirectory(folder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(extension);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    RememberDialogFolder(dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

// A dialog filter from its translated "description|pattern|...||" form.
QString FileFilter(const char* pairs)
{
    return QtFileFilter(CCalcMainFrame::tr(pairs).toStdU16String());
}

}  // namespace

// The file dialogs and the question about unsaved changes; tests replace
// them.
void CCalcMainFrame::InstallFileDialogs()
{
    askOpenFileName = [this](const QString& filter, const QString& proposed, const QString& extension) {
        return RunFileDialog(this, false, filter, proposed, extension, DialogFolder());
    };
    askSaveFileName = [this](const QString& filter, const QString& proposed, const QString& extension) {
        return RunFileDialog(this, true, filter, proposed, extension, DialogFolder());
    };
    constantsFile = [] { return QFile::decodeName(QByteArray::fromStdString(ProgramConstantsFile())); };
    askSaveChanges = [this](const QString& question) {
        return int(QMessageBox::warning(this, kApplicationTitle, question,
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
    };
}

QString CCalcMainFrame::DocumentTitle() const
{
    return m_document->Path().isEmpty() ? tr("Calculation") : QFileInfo(m_document->Path()).fileName();
}

QString CCalcMainFrame::DialogFolder() const
{
    return DialogStartFolder(m_document->Path());
}

QString CCalcMainFrame::ProposedSaveName() const
{
    if (!m_document->Path().isEmpty())
        return m_document->Path();
    QString title = DocumentTitle();
    const qsizetype cut = title.indexOf(QRegularExpression("[:/\\\\]"));
    if (cut >= 0)
        title = title.left(cut);
    return title + ".vcl";
}

bool CCalcMainFrame::MaybeSave()
{
    if (!m_editor->document()->isModified())
        return true;
    const QString name = m_document->Path().isEmpty() ? DocumentTitle() : m_document->Path();
    const int answer = askSaveChanges(tr("Save changes to %1?").arg(name));
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        return SaveDocument(false);
    return true;
}

bool CCalcMainFrame::SaveDocument(bool asName)
{
    QString path = m_document->Path();
    if (asName || path.isEmpty()) {
        path = WithDefaultExtension(askSaveFileName(FileFilter(kCalculationFilter), ProposedSaveName(), "vcl"), "vcl");
        if (path.isEmpty())
            return false;
    }
    // The document writes a new file beside the old one and puts it in
    // place only when the whole text was written, so a failed save leaves
    // neither a broken file nor a new one.
    const bool ok = m_document->Save(path);
    if (ok)
        AddRecentFile(path);
    UpdateTitle();
    return ok;
}

void CCalcMainFrame::NewDocument()
{
    if (!MaybeSave())
        return;
    m_document->New();
    UpdateTitle();
}

void CCalcMainFrame::OpenWithDialog()
{
    if (!MaybeSave())
        return;
    const QString path = askOpenFileName(FileFilter(kCalculationFilter), QString(), "vcm");
    if (!path.isEmpty())
        OpenDocument(path, false);
}

bool CCalcMainFrame::OpenDocument(const QString& path, bool askSave)
{
    if (askSave && !MaybeSave())
        return false;
    if (!m_document->Open(path)) {
        // A recent file that no longer opens leaves the list.
        m_recentFiles.removeAll(QFileInfo(path).absoluteFilePath());
        UpdateRecentMenu();
        return false;
    }
    AddRecentFile(path);
    UpdateTitle();
    return true;
}

void CCalcMainFrame::ExecuteWithDialog()
{
    const QString path = askOpenFileName(FileFilter(kCalculationFilter), QString(), "vcl");
    if (!path.isEmpty())
        m_document->Execute(path);
}

void CCalcMainFrame::LoadMemoryWithDialog()
{
    const QString path = askOpenFileName(FileFilter(kMemoryLoadFilter), QString(), "vcm");
    if (!path.isEmpty())
        m_document->LoadMemory(path);
}

void CCalcMainFrame::LoadConstants()
{
    const QString path = constantsFile ? constantsFile() : QString();
    if (path.isEmpty()) {
        m_document->showError(tr("The file of physical constants (constants.vcm) is neither beside the program "
                                 "nor in its data folder."));
        return;
    }
    m_document->LoadMemory(path);
}

void CCalcMainFrame::SaveMemoryWithDialog()
{
    if (m_state.memory.Empty())
        return;
    // The text is taken before the dialog shows.
    const std::u16string text = m_state.memory.BuildMemoryFileText(EMemorySelection::All);
    const QString path =
        WithDefaultExtension(askSaveFileName(FileFilter(kMemorySaveFilter), tr("Memory 1"), "vcm"), "vcm");
    if (!path.isEmpty())
        m_document->SaveMemoryText(path, text);
}

void CCalcMainFrame::AddRecentFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > kRecentCount)
        m_recentFiles.removeLast();
    UpdateRecentMenu();
}

void CCalcMainFrame::UpdateRecentMenu()
{
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* action = m_recentActions[i];
        const bool used = i < m_recentFiles.size();
        action->setVisible(used);
        if (used) {
            const QString shown = QFileInfo(m_recentFiles[i]).fileName();
            action->setText(QString("&%1 %2").arg(i + 1).arg(shown));
            action->setToolTip(m_recentFiles[i]);
        }
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(!m_recentFiles.isEmpty());
}

void CCalcMainFrame::UpdateTitle()
{
    setWindowTitle(DocumentTitle() + "[*] - " + kApplicationTitle);
    setWindowModified(m_editor->document()->isModified());
}

// The File menu's entries of the recent files, filled by UpdateRecentMenu.
void CCalcMainFrame::CreateRecentActions()
{
    m_recentSeparator = m_fileMenu->addSeparator();
    for (int i = 0; i < kRecentCount; ++i) {
        auto* action = new QAction(this);
        action->setProperty("commandId", IdFileMru1 + i);
        action->setStatusTip(tr("Open this document"));
        connect(action, &QAction::triggered, this, [this, i] {
            // A copy: saving the old document first changes the list.
            if (i < m_recentFiles.size())
                OpenDocument(QString(m_recentFiles[i]));
        });
        m_recentActions << action;
        m_fileMenu->addAction(action);
    }
}

void CCalcMainFrame::LoadRecentFiles(QSettings& settings)
{
    settings.beginGroup(kRecentSection);
    for (int i = 1; i <= kRecentCount; ++i) {
        const QString path = settings.value(QString("File%1").arg(i)).toString();
        if (!path.isEmpty())
            m_recentFiles << path;
    }
    settings.endGroup();
    UpdateRecentMenu();
}

void CCalcMainFrame::SaveRecentFiles(QSettings& settings) const
{
    settings.beginGroup(kRecentSection);
    for (int i = 0; i < kRecentCount; ++i) {
        const QString key = QString("File%1").arg(i + 1);
        if (i < m_recentFiles.size())
            settings.setValue(key, m_recentFiles[i]);
        else
            settings.remove(key);
    }
    settings.endGroup();
}
