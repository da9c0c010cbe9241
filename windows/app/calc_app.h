#pragma once
// The application: brings the process up in a fixed order, carries out the
// command line, runs the window and writes back at exit what changed.

class CCalcApp {
public:
    // The whole life of the program; returns its exit status.
    static int Run(int argc, char** argv);
};

class CCalcMainFrame;
struct CShellHooks;

// What the start-up steps of the desktop (windows/desktop/shell_registration.h)
// do with the window: open a file as the document, asking first to save
// changes, and print.
CShellHooks WindowShellHooks(CCalcMainFrame& frame);
