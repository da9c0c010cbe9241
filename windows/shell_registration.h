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
//   (nothing)                          a new, empty calculation
//   path                               open that file as the document
//   /p path                            open the file, print it, exit
//   /pt path printer driver port       open the file, print it on the named
//                                      printer, exit
//   /dde                               start and wait for open requests
//                                      (see windows/single_instance.h)
//   /Register, /Regserver              register the file types and exit
//   /Unregister, /Unregserver          remove the registration and the
//                                      settings file, report, exit
//   --screenshot FILE                  (hidden) save a picture of the main
//                                      window once it is shown, then exit
//   --palette dark                     (hidden) show the window in a dark
//                                      palette, as a dark desktop theme does
//
// The batch options of document/command_line.h (--calculate, --help,
// --version, ...) are handled before any of this and never reach here.

#include <QString>
#include <QStringList>

#include <functional>

#include "windows/window_usage.h"

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

// ------------------------------------------------------------ registration

inline constexpr char kMemoryMimeType[] = "application/x-vantrel-calculator-memory";
inline constexpr char kCalculationMimeType[] = "application/x-vantrel-calculator-calculation";
// The program's one desktop id: the name of its desktop entry, of its
// icon, of its MIME package and AppStream metadata, and the class of its
// windows (StartupWMClass, QGuiApplication::desktopFileName).
inline constexpr char kDesktopFileName[] = "com.vantrel.CalculatorKaVm";
inline constexpr char kDesktopId[] = "com.vantrel.CalculatorKaVm.desktop";

struct CRegistrationPlaces {
    QString dataHome;  // $XDG_DATA_HOME, default ~/.local/share
    QString configHome;  // $XDG_CONFIG_HOME, default ~/.config
    QString program;  // absolute path of the program
    QString settingsFile;  // the settings file /Unregister deletes
    bool runDesktopTools = true;  // update-mime-database, update-desktop-database
};

// The places of this user and this program, from the environment.
CRegistrationPlaces DefaultRegistrationPlaces();

// True when the program runs from an installed prefix whose data folder
// holds its desktop entry and its MIME package (a package registered it).
bool InstalledWithDesktopFiles(const QString& program);

// Writes the mime package, the icons, the desktop entry and the default
// associations (the memory type always, the calculation type only when no
// application is its default yet; neither for a type whose entry in
// [Removed Associations] names this program). Files an earlier version
// wrote under its old names are removed. Files that already hold the right
// content are left untouched, so a second run changes nothing. Returns
// false when some file could not be written; callers ignore that.
bool RegisterFileTypes(const CRegistrationPlaces& places);

// Removes everything RegisterFileTypes wrote, our associations and the
// settings file. True when nothing of it is left.
bool UnregisterFileTypes(const CRegistrationPlaces& places);

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
