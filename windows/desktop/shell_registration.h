#pragma once
// The calculator's place on the desktop: its command-line words, the
// registration of its two file types with the freedesktop (XDG) desktop,
// and the start-up steps around the main window that follow from them.
//
// Command line. A word that begins with "/" or "-" and is one of the flag
// words below is a flag; the words are matched without regard to case
// ("/register", "-REGISTER" and "/Register" are the same flag). Because an
// absolute path also begins with "/", a "/" word that is not a flag word is
// a path. A "-" word that is not a flag word is reported and ignored. Any
// other word is the path of the file to open (the first one counts). The
// options of the Qt application object ("-platform NAME", "-style NAME",
// "-reverse", ...) are skipped with their values.
//
//   The words a user gives and what they do are described once, in
//   kWindowUsage (command_line/window_usage.h), which --help prints and
//   the man page is held to by a test. Besides those, two hidden words
//   serve the screenshots:
//
//   --screenshot FILE                  (hidden) save a picture of the main
//                                      window once it is shown, then exit
//   --palette dark                     (hidden) show the window in a dark
//                                      palette, as a dark desktop theme does
//
// The batch options of command_line/command_line.h (--calculate, --help,
// --version, ...) are handled before any of this and never reach here.

#include <QString>
#include <QStringList>

#include <functional>

#include "command_line/window_usage.h"
#include "windows/desktop/desktop_files.h"

class QMainWindow;
class QWidget;

// ------------------------------------------------------------ command line

enum class EShellAction { Open, Print, PrintTo, Dde, Register, Unregister };

struct CShellCommand {
    EShellAction action = EShellAction::Open;
    QString path;  // Open (empty for a new calculation), Print, PrintTo, Dde (optional)
    QString printer, driver, port;  // PrintTo
    QString screenshot;  // --screenshot FILE
    QString palette;  // --palette NAME
    QStringList warnings;  // ignored words, one message each
    QString error;  // a flag that lacks its words; the start fails
};

// The words after the program name. A later action flag replaces an
// earlier one.
CShellCommand ParseShellCommandLine(const QStringList& arguments);

inline constexpr char kUnregisteredMessage[] =
    QT_TRANSLATE_NOOP("Shell", "System registry entries have been removed and the INI file (if any) was deleted.");
inline constexpr char kUnregisterFailedMessage[] =
    QT_TRANSLATE_NOOP("Shell", "Not all of the system registry entries (or INI file) were removed.");

// ------------------------------------------------------------ start-up

inline constexpr char kNoDisplayMessage[] =
    "calculator-ka-vm: no display for the window (DISPLAY and WAYLAND_DISPLAY name none that answers); "
    "calculate in the batch mode with 'calculator-ka-vm --calculate FILE' (see 'calculator-ka-vm --help')";

// Whether the window can be shown: the platform named by QT_QPA_PLATFORM
// needs no display server (offscreen), or the X server of DISPLAY or the
// Wayland compositor of WAYLAND_DISPLAY answers on its local socket.
bool DisplayAvailable();

// Call after the batch command line and before the application object.
// Without a display it says so and ends (status 2) before anything is
// written. It registers the file types for this user unless the program is
// installed with its desktop files, and carries out /Register and
// /Unregister and command-line errors: then it returns true and the
// process ends with `status`. Otherwise returns false and the start goes on.
bool ShellBeforeMainWindow(int argc, char** argv, int& status);

// A start that opens a file (a path, or /dde with a path) while a window
// of this user waits for open requests at `name` hands the file over: true
// when that window took it, and the start then ends without a window of
// its own. False for every other start, and when no window waits.
bool HandOverToWaitingWindow(const CShellCommand& command, const QString& name);

// What the start-up after the window needs from the main window.
struct CShellHooks {
    // Opens a file as the document; false when it failed (the hook shows
    // its own message).
    std::function<bool(const QString& path)> open;
    // Opens a file for an open request, its failures going to `report`
    // (the one message box of the requests). Unset: `open`.
    std::function<bool(const QString& path, const std::function<void(const QString&)>& report)> openRequested;
    // Prints the document; an empty printer means the current printer.
    // Unset: printing is reported as unavailable.
    std::function<bool(const QString& printer, const QString& driver, const QString& port)> print;
};

// Call once the main window is shown. Installs the file drop, opens the
// command line's file, starts listening for /dde, prints for /p and /pt,
// and schedules the --screenshot. Returns true when the process should end
// now with `status` (the print forms, a file that failed to open); else
// the event loop runs.
bool ShellAfterMainWindowShown(QMainWindow& window, int argc, char** argv, const CShellHooks& hooks,
                               int& status);

// Saves a picture of the window to `file` (PNG by the file's suffix).
bool SaveWindowPicture(QWidget& window, const QString& file);
