#include "windows/app/calc_app.h"

#include <QApplication>
#include <QPalette>

#include <iostream>

#include "command_line/command_line.h"
#include "command_line/window_program.h"
#include "document/qt/calc_doc.h"
#include "document/qt/preferences_store.h"
#include "kavm_version.h"
#include "numeric/random.h"
#include "windows/app/recovery.h"
#include "windows/base/platform.h"
#include "windows/base/tool_icons.h"
#include "windows/base/translation.h"
#include "windows/desktop/shell_registration.h"
#include "windows/desktop/single_instance.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/print/calc_print_commands.h"

namespace {

// The colours of a dark desktop theme: the button face a little lighter
// than the window, as dark themes have it.
void UseDarkPalette(QApplication& application)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette palette(QColor(0x29, 0x2c, 0x30), QColor(0x20, 0x23, 0x26));
    palette.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    palette.setColor(QPalette::ButtonText, QColor(0xfc, 0xfc, 0xfc));
    palette.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
    palette.setColor(QPalette::Base, QColor(0x14, 0x16, 0x18));
    palette.setColor(QPalette::AlternateBase, QColor(0x1d, 0x1f, 0x22));
    palette.setColor(QPalette::ToolTipBase, QColor(0x29, 0x2c, 0x30));
    palette.setColor(QPalette::ToolTipText, QColor(0xfc, 0xfc, 0xfc));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    palette.setColor(QPalette::HighlightedText, QColor(0xfc, 0xfc, 0xfc));
    palette.setColor(QPalette::Link, QColor(0x1d, 0x99, 0xf3));
    palette.setColor(QPalette::PlaceholderText, QColor(0xa1, 0xa9, 0xb1));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, QColor(0x6e, 0x71, 0x75));
    application.setPalette(palette);
}

}  // namespace

CShellHooks WindowShellHooks(CCalcMainFrame& frame)
{
    CShellHooks hooks;
    // Every file that replaces the document (the command line's, a dropped
    // one, a requested one) asks first to save changes.
    hooks.open = [&frame](const QString& path) { return frame.OpenDocument(path); };
    hooks.openRequested = [&frame](const QString& path, const std::function<void(const QString&)>& report) {
        // The failures of requested files go to the requests' one box.
        CCalcDoc* document = frame.Document();
        const std::function<void(const QString&)> shown = document->showError;
        document->showError = report;
        const bool opened = frame.OpenDocument(path);
        document->showError = shown;
        return opened;
    };
    hooks.print = [&frame](const QString& printer, const QString& driver, const QString& port) {
        return PrintFromCommandLine(&frame, printer, driver, port);
    };
    return hooks;
}

int CCalcApp::Run(int argc, char** argv)
{
    // The stored preferences serve the command-line calculation as well as
    // the window; the command line never writes them back.
    LoadPreferences();
    bool handled = false;
    const int status =
        RunCommandLine(argc, argv, std::cin, std::cout, std::cerr, handled, kWindowUsage, ProgramConstantsFile());
    if (handled)
        return status;

    // The heap keeps what is freed, and the pages the window's construction
    // will fill (about 5 MiB) are mapped in one call rather than one fault
    // at a time.
    KeepFreedMemoryForReuse();
    PrefaultHeap(std::size_t{6} << 20);
    // The window's first font will need the system's font configuration:
    // it is read meanwhile.
    const CFontConfigurationWarmUp fonts;
    // The desktop registration of the file types (every start), and
    // /Register and /Unregister, which end here.
    int shellStatus = 0;
    if (ShellBeforeMainWindow(argc, argv, shellStatus))
        return shellStatus;

    // The windows' class (WM_CLASS) is the desktop id, as the desktop
    // entry's StartupWMClass says, so docks match the window to its entry.
    if (qEnvironmentVariableIsEmpty("RESOURCE_NAME"))
        qputenv("RESOURCE_NAME", kDesktopFileName);
    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QLatin1String(kDesktopFileName));
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
    QApplication::setApplicationVersion(QStringLiteral(KAVM_VERSION));
    // The windows in the user's language; the calculations stay as written.
    InstallTranslations();
    // The process's one set of preferences, memory cells and print
    // settings, which the calculation core reads too; the windows are handed
    // it from here.
    CAppState state{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    LoadPrintSettings(state.printSettings);

    // The print forms print and exit without showing the window.
    const CShellCommand command = ParseShellCommandLine(application.arguments().mid(1));
    // A window of this user that waits for open requests takes the file;
    // this start then ends.
    if (HandOverToWaitingWindow(command, ShellRequestServerName()))
        return 0;
    if (command.palette == u"dark")
        UseDarkPalette(application);
    CCalcMainFrame frame(state);
    const bool printing = command.action == EShellAction::Print || command.action == EShellAction::PrintTo;
    if (!printing)
        frame.show();
    // The windows' icon is made once the window has shown its first picture
    // (printing shows none).
    if (printing)
        QApplication::setWindowIcon(ApplicationIcon());
    else
        SetApplicationIconAfterFirstPicture(frame);
    // Leaving from outside (signals, the end of the session) keeps the
    // unsaved text; a text left by a run that ended so is offered back
    // before the command line's file opens.
    CCalcRecovery recovery(&frame);
    CTerminationSignals termination;
    InstallSessionEnd(frame, recovery, termination);
    if (!printing)
        recovery.OfferRecovery();

    const CShellHooks hooks = WindowShellHooks(frame);
    if (!recovery.IsLeaving() && ShellAfterMainWindowShown(frame, argc, argv, hooks, shellStatus))
        return shellStatus;
    frame.RefreshForPreferences();
    RestorePrinterChoice(state.printerChoice);

    // A termination signal during a question of the start-up has ended it.
    const int code = recovery.IsLeaving() ? 0 : application.exec();
    SavePreferences();  // only when something changed them
    SavePrintSettings(state.printSettings, state.printerChoice);
    return code;
}
