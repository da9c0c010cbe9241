#pragma once
// The printing commands of the main window: "Print..." (with the print
// dialog), direct printing (without it, for the command line), "Print
// Preview" and "Page Setup..."; the print settings and printer choice at
// start-up and exit; and printing for the /p and /pt command lines.

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CCalcDoc;
class CPrintSettings;
class CPrinterChoice;
class QAction;
class QPlainTextEdit;
class QPrinter;
class QPrintPreviewDialog;
class QWidget;

class CCalcPrintCommands : public QObject {
    Q_OBJECT
public:
    // Command ids of the menu items.
    static constexpr int kPageSetup = 57605;
    static constexpr int kPrint = 57607;
    static constexpr int kPrintDirect = 57608;
    static constexpr int kPrintPreview = 57609;

    // The page setup and the printer choice are the application's, handed
    // in; the commands change them as the user does.
    CCalcPrintCommands(QWidget* window, CCalcDoc* document, QPlainTextEdit* editor, CPrintSettings& settings,
                       CPrinterChoice& choice);
    ~CCalcPrintCommands() override;

    // The printer the commands print on: the application's printer choice
    // when that printer exists, the system's default printer otherwise.
    QPrinter& Printer();

    // "Print...": the print dialog, then the job.
    void Print();
    // Prints the whole text on `printer` without a dialog; false when the
    // job could not start (after the message) or was cancelled. `port` is
    // shown in the progress dialog when given.
    bool PrintDirect(QPrinter& printer, const QString& port = QString());
    void PrintPreview();
    void PageSetup();

    // The preview dialog over the printer, drawing the pages as printed.
    QPrintPreviewDialog* CreatePreview();

    // Shown when a job cannot start; a message box unless replaced.
    std::function<void(const QString&)> showMessage;
    // Asked for the file when the print dialog's print-to-file choice is
    // on: the file dialog "Print to File" on "Output.prn" unless replaced.
    // An empty answer prints nothing.
    std::function<QString()> askPrintFile;
    // Runs a dialog modally and answers whether it was accepted; replaced
    // by tests to fill the dialog in instead of waiting for a user.
    std::function<bool(QWidget* dialog)> runDialog;

    CCalcDoc* Document() const { return m_document; }
    QAction* PrintAction() const { return m_print; }
    QAction* PreviewAction() const { return m_preview; }
    QAction* PageSetupAction() const { return m_pageSetup; }

    // The three actions, in menu order, each with its "commandId".
    QList<QAction*> Actions() const { return {m_print, m_preview, m_pageSetup}; }

    // Writes the page setup and the printer choice to the settings.
    void SaveSettings() const;

private:
    bool RunJob(QPrinter& printer, bool selectionOnly, int from, int to, const QString& port);
    QString DocumentTitle() const;

    QWidget* m_window;
    CCalcDoc* m_document;
    QPlainTextEdit* m_editor;
    CPrintSettings& m_settings;
    CPrinterChoice& m_choice;
    std::unique_ptr<QPrinter> m_printer;
    QAction* m_print = nullptr;
    QAction* m_preview = nullptr;
    QAction* m_pageSetup = nullptr;
};

// Makes the printing commands of a main window, as a child of it, and
// answers their actions ("&Print...\tCtrl+P" 57607, "Print Pre&view" 57609,
// "Pa&ge Setup..." 57605) for the window's command table and File menu.
QList<QAction*> CreatePrintCommands(QWidget* window, CCalcDoc* document, QPlainTextEdit* editor,
                                    CPrintSettings& settings, CPrinterChoice& choice);

// Start-up and exit: the print settings, then later the printer choice,
// from the settings group "Print"; both written back at exit.
void LoadPrintSettings(CPrintSettings& settings);
void RestorePrinterChoice(CPrinterChoice& choice);
void SavePrintSettings(const CPrintSettings& settings, const CPrinterChoice& choice);

// The printing forms of the command line, once the file is the document:
// prints it without the print dialog on the current printer when `printer`
// is empty, else on the named printer ("Could not start print job." when
// there is none of that name; driver and port only show in the progress
// dialog). The process ends after this, so the print settings are written
// here. True when the job printed.
bool PrintFromCommandLine(QWidget* window, const QString& printer, const QString& driver, const QString& port);
