// Entry point of the program the user starts. The command-line calculation
// runs here, in a process that loads the core and Qt's core library alone
// (the settings store), so a batch run starts in about a quarter of the
// time the window's libraries need to load. Anything else replaces this
// process with the window program, which gets the same words.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "command_line/command_line.h"
#include "document/qt/preferences_store.h"
#include "command_line/window_program.h"
#include "command_line/window_usage.h"

int main(int argc, char** argv)
{
    // The stored preferences serve the command-line calculation; it never
    // writes them back.
    LoadPreferences();
    bool handled = false;
    const int status = RunCommandLine(argc, argv, std::cin, std::cout, std::cerr, handled, kWindowUsage);
    if (handled)
        return status;

    std::cout.flush();
    // Without /proc the program's own path is the one it was started by,
    // when that names a folder.
    std::string self = SelfPath();
    if (self.empty() && argc > 0 && std::strchr(argv[0], '/') != nullptr)
        self = argv[0];
    const std::string program = WindowProgramPath(self);
    if (!program.empty())
        execv(program.c_str(), argv);
    const int error = program.empty() ? ENOENT : errno;
    std::cerr << "calculator-ka-vm: cannot start the window program "
              << (program.empty() ? std::string(kWindowProgramName) : program) << ": " << std::strerror(error)
              << '\n';
    return 2;
}
