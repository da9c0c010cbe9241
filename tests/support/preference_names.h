#pragma once
// Preferences for tests: looked up by their stored names, and one record
// with every preference away from its default.

#include <gtest/gtest.h>

#include <string>

#include "document/preferences.h"
#include "document/utf.h"

inline EPreference FindByName(const std::string& name)
{
    for (std::size_t i = 0; i < kPreferenceCount; ++i) {
        const auto preference = static_cast<EPreference>(i);
        if (Utf16ToUtf8(GetPreferenceInfo(preference).name) == name)
            return preference;
    }
    ADD_FAILURE() << "no preference " << name;
    return EPreference::AppendFunction;
}

// Every preference away from its default, each in range.
inline CPreferenceValues Unusual()
{
    CPreferenceValues values;
    const unsigned unusual[kPreferenceCount] = {0, 0, 2, 0, 0, 5, 4, 3, 1, 1, 1, 1, 0, 2, 1, 1};
    for (std::size_t i = 0; i < kPreferenceCount; ++i)
        values.Set(static_cast<EPreference>(i), unusual[i]);
    return values;
}
