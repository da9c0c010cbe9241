// Entry point: the command-line calculation when asked for, the window
// otherwise.
#include <QApplication>

#include <iostream>

#include "document/command_line.h"
#include "document/qt/calc_doc.h"
#include "document/qt/preferences_store.h"
#include "numeric/random.h"
#include "windows/calc_main_frame.h"
#include "windows/calc_print_commands.h"
#include "windows/shell_registration.h"

int main(int argc, char** argv)
{
    LoadPreferences();  // the stored preferences, for the command line and the window
    bool handled = false;
    const int status = RunCommandLine(argc, argv, std::cin, std::cout, std::cerr, handled);
    if (handled)
        return status;
    int shellStatus = 0;
    if (ShellBeforeMainWindow(argc, argv, shellStatus))
        return shellStatus;

    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
    SeedRandomAtStartup();
    LoadPrintSettings();
    CCalcMainFrame frame;
    frame.show();
    CShellHooks shellHooks;
    shellHooks.open = [&frame](const QString& path) { return frame.OpenDocument(path, false); };
    shellHooks.print = [&frame](const QString& printer, const QString& driver, const QString& port) {
        return PrintFromCommandLine(&frame, printer, driver, port);
    };
    if (ShellAfterMainWindowShown(frame, argc, argv, shellHooks, shellStatus))
        return shellStatus;
    RestorePrinterChoice();
    const int code = application.exec();
    SavePreferences();  // only when something changed them
    SavePrintSettings();
    return code;
}
