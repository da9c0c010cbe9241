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

// The preference settings of a case file row: NAME=VALUE pairs separated by
// ",", empty for the defaults. Every other preference takes its default.
// Returns false (and records a failure) for an unknown name or a pair
// without "=".
inline bool ApplyPreferenceSettings(const std::string& settings)
{
    Preferences().SetDefaults();
    std::size_t start = 0;
    while (start < settings.size()) {
        std::size_t end = settings.find(',', start);
        if (end == std::string::npos)
            end = settings.size();
        std::string pair = settings.substr(start, end - start);
        start = end + 1;
        pair.erase(0, pair.find_first_not_of(' '));
        pair.erase(pair.find_last_not_of(' ') + 1);
        if (pair.empty())
            continue;
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            ADD_FAILURE() << "no value in the preference setting " << pair;
            return false;
        }
        bool known = false;
        for (std::size_t i = 0; i < kPreferenceCount; ++i) {
            const auto preference = static_cast<EPreference>(i);
            if (Utf16ToUtf8(GetPreferenceInfo(preference).name) == pair.substr(0, equals)) {
                Preferences().Set(preference, static_cast<unsigned>(std::stoul(pair.substr(equals + 1))));
                known = true;
            }
        }
        if (!known) {
            ADD_FAILURE() << "no preference " << pair.substr(0, equals);
            return false;
        }
    }
    return true;
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
