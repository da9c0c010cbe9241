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

int main(int argc, char** argv)
{
    LoadPreferences();  // the stored preferences, for the command line and the window
    bool handled = false;
    const int status = RunCommandLine(argc, argv, std::cin, std::cout, std::cerr, handled);
    if (handled)
        return status;

    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
    SeedRandomAtStartup();
    LoadPrintSettings();
    CCalcMainFrame frame;
    if (int printStatus = 0; HandlePrintCommandLine(application.arguments().mid(1), &frame, printStatus))
        return printStatus;
    frame.show();
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') {
            frame.Document()->Open(QString::fromLocal8Bit(argv[i]));
            break;
        }
    }
    RestorePrinterChoice();
    const int code = application.exec();
    SavePreferences();  // only when something changed them
    SavePrintSettings();
    return code;
}
