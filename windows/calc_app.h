#pragma once
// The application: brings the process up in a fixed order, carries out the
// command line, runs the window and writes back at exit what changed.

class CCalcApp {
public:
    // The whole life of the program; returns its exit status.
    static int Run(int argc, char** argv);
};
