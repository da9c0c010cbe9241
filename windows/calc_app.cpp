#include "windows/calc_app.h"

#include <QApplication>

#include <iostream>

#include "document/command_line.h"
#include "document/qt/preferences_store.h"
#include "kavm_version.h"
#include "numeric/random.h"
#include "windows/calc_main_frame.h"
#include "windows/calc_print_commands.h"
#include "windows/shell_registration.h"
#include "windows/tool_icons.h"

int CCalcApp::Run(int argc, char** argv)
{
    // The stored preferences serve the command-line calculation as well as
    // the window; the command line never writes them back.
    LoadPreferences();
    bool handled = false;
    const int status = RunCommandLine(argc, argv, std::cin, std::cout, std::cerr, handled, kWindowUsage);
    if (handled)
        return status;

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
    QApplication::setWindowIcon(ApplicationIcon());
    SeedRandomAtStartup();
    LoadPrintSettings();

    CCalcMainFrame frame;
    // The print forms print and exit without showing the window.
    const CShellCommand command = ParseShellCommandLine(application.arguments().mid(1));
    const bool printing = command.action == EShellAction::Print || command.action == EShellAction::PrintTo;
    if (!printing)
        frame.show();
    CShellHooks hooks;
    hooks.open = [&frame](const QString& path) { return frame.OpenDocument(path, false); };
    hooks.print = [&frame](const QString& printer, const QString& driver, const QString& port) {
        return PrintFromCommandLine(&frame, printer, driver, port);
    };
    if (ShellAfterMainWindowShown(frame, argc, argv, hooks, shellStatus))
        return shellStatus;
    frame.RefreshForPreferences();
    RestorePrinterChoice();

    const int code = application.exec();
    SavePreferences();  // only when something changed them
    SavePrintSettings();
    return code;
}
