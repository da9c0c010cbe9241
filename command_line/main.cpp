// Entry point of the core build, which has no window: the command-line
// calculation.
#include <iostream>

#include "command_line/command_line.h"

int main(int argc, char** argv)
{
    bool handled = false;
    const int status = RunCommandLine(argc, argv, std::cin, std::cout, std::cerr, handled);
    if (handled)
        return status;
    std::cerr << "calculator-ka-vm: this build has no window; use the command-line calculation:\n"
                 "  calculator-ka-vm --calculate [FILE]\n"
                 "Try 'calculator-ka-vm --help' for more information.\n";
    return 2;
}
