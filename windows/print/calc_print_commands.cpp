#include "windows/print/calc_print_commands.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

#include "document/qt/calc_doc.h"
#include "document/qt/print_document.h"
#include "document/qt/print_settings.h"
#include "windows/print/calc_page_setup.h"
#include "windows/print/calc_print_dialog.h"
#include "windows/base/dialog_folder.h"
#include "windows/base/tool_icons.h"

namespace {

const char* const kCannotStart = QT_TRANSLATE_NOOP("CCalcPrintCommands", "Could not start print job.");

}  // namespace

CCalcPrintCommands::CCalcPrintCommands(QWidget* window, CCalcDoc* document, QPlainTextEdit* editor,
                                       CPrintSettings& settings, CPrinterChoice& choice)
    : QObject(window)
    , m_window(window)
    , m_document(document)
    , m_editor(editor)
    , m_settings(settings)
    , m_choice(choice)
{
    setObjectName("PrintCommands");
    showMessage = [this](const QString& message) {
        QMessageBox::warning(m_window, "Calculator Ka-Vm", message);
    };
    askPrintFile = [this] {
        const QString path =
            QFileDialog::getSaveFileName(m_window, tr("Print to File"),
                                         QDir(DialogStartFolder(m_document->Path())).filePath("Output.prn"),
                                         tr("Printer Files (*.prn);;All Files (*.*)"));
        RememberDialogFolder(path);
        return path;
    };
    runDialog = [](QWidget* dialog) { return static_cast<QDialog*>(dialog)->exec() == QDialog::Accepted; };

    const auto make = [this](int id, const QString& text, const QString& statusTip, const QString& toolTip,
                             void (CCalcPrintCommands::*handler)()) {
        auto* action = new QAction(text, this);
        action->setProperty("commandId", id);
        action->setStatusTip(statusTip);
        action->setToolTip(toolTip);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    m_print = make(kPrint, tr("&Print...\tCtrl+P"), tr("Print the active document"), tr("Print"),
                   &CCalcPrintCommands::Print);
    m_print->setShortcut(QKeySequence("Ctrl+P"));
    m_print->setShortcutContext(Qt::WindowShortcut);
    m_print->setIcon(ToolIcon(kPrint));
    m_print->setIconVisibleInMenu(false);
    m_preview = make(kPrintPreview, tr("Print Pre&view"), tr("Display full pages"), tr("Print Preview"),
                     &CCalcPrintCommands::PrintPreview);
    m_pageSetup = make(kPageSetup, tr("Pa&ge Setup..."), tr("Change the printing options"), tr("Page Setup"),
                       &CCalcPrintCommands::PageSetup);
}

CCalcPrintCommands::~CCalcPrintCommands() = default;

QPrinter& CCalcPrintCommands::Printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // A stored printer that is no longer installed is forgotten; the
        // default printer takes its place.
        if (!m_choice.IsEmpty() && !m_choice.ApplyTo(*m_printer))
            m_choice.Clear();
    }
    return *m_printer;
}

QString CCalcPrintCommands::DocumentTitle() const
{
    // The title the window shows: the file name, "Calculation" for a
    // document never saved.
    return m_document->Path().isEmpty() ? tr("Calculation") : QFileInfo(m_document->Path()).fileName();
}

bool CCalcPrintCommands::RunJob(QPrinter& printer, bool selectionOnly, int from, int to, const QString& port)
{
    CPrintDocument document(m_editor->toPlainText(), m_document->Path(), m_settings);
    if (selectionOnly) {
        const QTextCursor cursor = m_editor->textCursor();
        document.SetSelection(cursor.selectionStart(), cursor.selectionEnd());
    }
    const QString title = DocumentTitle();
    printer.setDocName(title);
    QString shownPort = port;
    if (shownPort.isEmpty()) {
        if (!printer.outputFileName().isEmpty())
            shownPort = printer.outputFileName();
        else if (m_choice.device == printer.printerName())
            shownPort = m_choice.output;
    }

    // The main window stays disabled while the job runs; the progress
    // dialog is a window of its own so that its "Cancel" still answers.
    CCalcPrintingDialog progress(title, printer.printerName(), shownPort);
    progress.setWindowIcon(m_window->windowIcon());
    m_window->setEnabled(false);
    progress.show();
    const CPrintDocument::EResult result = document.Print(printer, from, to, [&progress](int page) {
        progress.SetPage(static_cast<unsigned>(page));
        QCoreApplication::processEvents();
        return !progress.Cancelled();
    });
    progress.hide();
    m_window->setEnabled(true);
    if (result == CPrintDocument::NotStarted)
        showMessage(tr(kCannotStart));
    return result == CPrintDocument::Printed;
}

void CCalcPrintCommands::Print()
{
    QPrinter& printer = Printer();
    CCalcPrintDialog dialog(&printer, m_editor->textCursor().hasSelection(), m_window);
    if (!runDialog(&dialog))
        return;
    m_choice.TakeFrom(printer);
    // The platform's dialog names the port "FILE:" when the job goes to a
    // file of the user's choosing.
    if (printer.outputFileName() == QLatin1String("FILE:")) {
        const QString file = askPrintFile();
        if (file.isEmpty()) {
            printer.setOutputFileName(QString());
            return;
        }
        printer.setOutputFileName(file);
    }
    const bool selection = printer.printRange() == QPrinter::Selection;
    int from = 1;
    int to = 0;
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    }
    RunJob(printer, selection, from, to, QString());
}

bool CCalcPrintCommands::PrintDirect(QPrinter& printer, const QString& port)
{
    return RunJob(printer, false, 1, 0, port);
}

QPrintPreviewDialog* CCalcPrintCommands::CreatePreview()
{
    auto* preview = new QPrintPreviewDialog(&Printer(), m_window);
    preview->setWindowTitle(DocumentTitle() + " - Calculator Ka-Vm");
    connect(preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
        CPrintDocument document(m_editor->toPlainText(), m_document->Path(), m_settings);
        document.Print(*printer);
    });
    return preview;
}

void CCalcPrintCommands::PrintPreview()
{
    QPrintPreviewDialog* preview = CreatePreview();
    runDialog(preview);
    delete preview;
}

void CCalcPrintCommands::PageSetup()
{
    CCalcPageSetup dialog(&Printer(), m_settings, m_choice, m_window);
    runDialog(&dialog);
}

QList<QAction*> CreatePrintCommands(QWidget* window, CCalcDoc* document, QPlainTextEdit* editor,
                                    CPrintSettings& settings, CPrinterChoice& choice)
{
    return (new CCalcPrintCommands(window, document, editor, settings, choice))->Actions();
}

void CCalcPrintCommands::SaveSettings() const
{
    SavePrintSettings(m_settings, m_choice);
}

void LoadPrintSettings(CPrintSettings& print)
{
    QSettings settings;
    print.Load(settings);
}

void RestorePrinterChoice(CPrinterChoice& choice)
{
    QSettings settings;
    choice.Restore(settings);
}

void SavePrintSettings(const CPrintSettings& print, const CPrinterChoice& choice)
{
    QSettings settings;
    print.Save(settings);
    choice.Save(settings);
}

bool PrintFromCommandLine(QWidget* window, const QString& printerName, const QString& driver, const QString& port)
{
    Q_UNUSED(driver);
    auto* commands = window->findChild<CCalcPrintCommands*>();
    if (commands == nullptr)
        return false;
    bool printed = false;
    if (printerName.isEmpty()) {
        printed = commands->PrintDirect(commands->Printer());
    } else if (const QPrinterInfo info = QPrinterInfo::printerInfo(printerName); info.isNull()) {
        commands->showMessage(CCalcPrintCommands::tr(kCannotStart));
    } else {
        QPrinter printer(info, QPrinter::HighResolution);
        printed = commands->PrintDirect(printer, port);
    }
    commands->SaveSettings();
    return printed;
}
