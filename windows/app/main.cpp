// Entry point: the command-line calculation when asked for, the window
// otherwise.
#include "windows/app/calc_app.h"

int main(int argc, char** argv)
{
    return CCalcApp::Run(argc, argv);
}
