#pragma once
// The two programs of an installation: `calculator-ka-vm`, which the user
// starts and which runs the command-line calculation itself, and the window
// program it hands everything else to. In a build folder they lie side by
// side; installed, the window program lies in the private program folder
// (KAVM_WINDOW_DIR_FROM_BINDIR seen from the folder of the other).

#include <string>

inline constexpr char kLauncherProgramName[] = "calculator-ka-vm";
inline constexpr char kWindowProgramName[] = "calculator-ka-vm-window";

// The running program's own file, links resolved; empty when unknown.
std::string SelfPath();

// The window program that belongs to the launcher at launcherPath: the one
// beside it, else the installed one; empty when there is none.
std::string WindowProgramPath(const std::string& launcherPath);

// The launcher that belongs to the window program at windowPath, found the
// same way; empty when there is none (the window program was copied
// somewhere on its own).
std::string LauncherProgramPath(const std::string& windowPath);

// The shipped library of physical constants as either program finds it:
// beside the running program, else where the launcher finds it (the
// window program of an installation lies in a folder of its own).
std::string ProgramConstantsFile();
