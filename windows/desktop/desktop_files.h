#pragma once
// The calculator's file types on the freedesktop (XDG) desktop: the MIME
// package, the icons, the desktop entry and the default associations this
// user's registration writes and removes.

#include <QString>

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
