#pragma once
// A fresh state for one test: default preferences and no memory cells, in
// the process's own objects that the calculation core reads. What the test
// found there comes back when the helper goes, however the test ends (a
// failed ASSERT returns early), so no test leaks its settings into the next.

#include "document/memory_store.h"
#include "document/preferences.h"

class CFreshState {
public:
    CFreshState() : m_preferences(Preferences()), m_memory(MemoryStore())
    {
        Preferences().SetDefaults();
        MemoryStore().FreeMemory(EMemorySelection::All);
    }
    ~CFreshState()
    {
        Preferences() = m_preferences;
        MemoryStore() = m_memory;
    }
    CFreshState(const CFreshState&) = delete;
    CFreshState& operator=(const CFreshState&) = delete;

private:
    CPreferenceValues m_preferences;
    CMemoryStore m_memory;
};
