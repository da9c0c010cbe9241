// The settings reader the command-line program loads where a settings file
// exists: the preferences as the window reads them, through Qt's settings
// store, handed over as numbers.
#include "command_line/stored_preferences.h"
#include "document/preferences.h"
#include "document/qt/preferences_store.h"

extern "C" __attribute__((visibility("default"))) bool KavmReadStoredPreferences(unsigned* values,
                                                                                 unsigned long count)
{
    static_assert(std::is_same_v<decltype(&KavmReadStoredPreferences), TReadStoredPreferences>);
    if (count != kPreferenceCount)
        return false;
    LoadPreferences();
    for (std::size_t i = 0; i < kPreferenceCount; ++i)
        values[i] = Preferences().Get(static_cast<EPreference>(i));
    return true;
}
