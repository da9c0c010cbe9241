#pragma once
// The user's state that the windows show and change: the preferences, the
// memory cells, the page setup and the chosen printer. The application
// owns it and hands it to the main window, which hands each pane the parts
// it uses; a test hands in a state it made fresh. The panes never look the
// state up themselves.

#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/print_settings.h"

struct CAppState {
    CPreferenceValues& preferences;
    CMemoryStore& memory;
    CPrintSettings& printSettings;
    CPrinterChoice& printerChoice;
};
