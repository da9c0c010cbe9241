#include "windows/calc_app.h"

#include <QApplication>
#include <QPalette>

#include <iostream>

#include "document/command_line.h"
#include "document/qt/preferences_store.h"
#include "kavm_version.h"
#include "numeric/random.h"
#include "windows/calc_main_frame.h"
#include "windows/calc_print_commands.h"
#include "windows/shell_registration.h"
#include "windows/tool_icons.h"

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

    // The print forms print and exit without showing the window.
    const CShellCommand command = ParseShellCommandLine(application.arguments().mid(1));
    if (command.palette == u"dark")
        UseDarkPalette(application);
    CCalcMainFrame frame;
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
