#pragma once
// The window tests' fresh state: besides the default preferences and the
// empty memory of CFreshState, the default page setup and no printer
// choice, handed to the windows under test as the application hands them
// its own. All of it comes back as the test found it when the helper goes.

#include "support/fresh_state.h"
#include "windows/base/app_state.h"

class CFreshAppState {
public:
    CFreshAppState() : m_print(PrintSettings()), m_choice(PrinterChoice())
    {
        PrintSettings() = CPrintSettings();
        PrinterChoice().Clear();
    }
    ~CFreshAppState()
    {
        PrintSettings() = m_print;
        PrinterChoice() = m_choice;
    }
    CFreshAppState(const CFreshAppState&) = delete;
    CFreshAppState& operator=(const CFreshAppState&) = delete;

    CAppState& App() { return m_app; }
    operator CAppState&() { return m_app; }

private:
    CFreshState m_core;
    CPrintSettings m_print;
    CPrinterChoice m_choice;
    CAppState m_app{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
};

// The process's own state as the application hands it, for the random walk
// that starts the window again and again as the program would.
inline CAppState& TestAppState()
{
    static CAppState state{Preferences(), MemoryStore(), PrintSettings(), PrinterChoice()};
    return state;
}
