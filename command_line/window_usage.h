#pragma once
// The help of the window words, read by the program that starts the window
// as well as by the window program itself.

// Shown before the batch options in --help.
inline constexpr char kWindowUsage[] =
    "Usage: calculator-ka-vm [FILE]\n"
    "       calculator-ka-vm /p FILE\n"
    "       calculator-ka-vm /pt FILE PRINTER DRIVER PORT\n"
    "       calculator-ka-vm /dde | /Register | /Unregister\n"
    "\n"
    "Opens the window with FILE as the document, or a new calculation without\n"
    "one. The window needs a display; the batch mode below does not.\n"
    "Window words begin with \"/\" or \"-\" and are matched without regard to case:\n"
    "  /p FILE                  print FILE on the current printer and exit\n"
    "  /pt FILE PRINTER DRIVER PORT\n"
    "                           print FILE on the named printer and exit\n"
    "  /dde                     wait for requests to open files\n"
    "  /Register, /Regserver    register the file types for this user and exit\n"
    "  /Unregister, /Unregserver\n"
    "                           remove that registration and the settings, exit\n";
