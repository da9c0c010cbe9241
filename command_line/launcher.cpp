// Entry point of the program the user starts. The command-line calculation
// runs here, in a process that loads the core alone: the stored preferences
// are read without Qt where no settings file exists, and by the settings
// reader on Qt's core library where one does. Anything else replaces this
// process with the window program, which gets the same words.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "command_line/command_line.h"
#include "command_line/stored_preferences.h"
#include "command_line/window_program.h"
#include "command_line/window_usage.h"

int main(int argc, char** argv)
{
    // Only a command-line run needs the stored preferences (it never writes
    // them back); the window program reads them itself.
    if (IsCommandLineRun(argc, argv)) {
        // Help and the version need none: they answer even where the
        // settings file cannot be read.
        bool calculates = false;
        for (int i = 1; i < argc; ++i) {
            const std::string_view word = argv[i];
            calculates = calculates || !(word == "-h" || word == "--help" || word == "-v" || word == "--version");
        }
        std::string error;
        if (!LoadStoredPreferences(error) && calculates) {
            std::cerr << "calculator-ka-vm: cannot read the preferences: " << error << '\n';
            return 2;
        }
    }
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
