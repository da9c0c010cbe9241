#pragma once
// The sixteen user preferences, process-wide. Every part of the program
// reads them through Preferences(); loading and storing them is the
// application's business.

#include <array>
#include <cstddef>

enum class EPreference : int {
    AppendFunction,
    AppendMemory,
    AppendFunctionWith,
    AppendMemoryWith,
    AppendIncludePower,
    FormatRandom,
    FormatResult,
    FormatMemory,
    FormatI,
    GammaFunction,
    Notation,
    NotationCase,
    LogPopup,
    TrigonometricUnits,
    UseSSE2,
    FreeConfirmation,
};

inline constexpr std::size_t kPreferenceCount = 16;

struct CPreferenceInfo {
    const char16_t* name;  // the value's name in the stored settings
    unsigned defaultValue;
};

// Names and defaults, indexed by EPreference.
const CPreferenceInfo& GetPreferenceInfo(EPreference preference);

class CPreferenceValues {
public:
    CPreferenceValues() { SetDefaults(); }

    unsigned Get(EPreference preference) const { return m_values[static_cast<std::size_t>(preference)]; }
    void Set(EPreference preference, unsigned value) { m_values[static_cast<std::size_t>(preference)] = value; }
    void SetDefaults();

    bool operator==(const CPreferenceValues&) const = default;

private:
    std::array<unsigned, kPreferenceCount> m_values{};
};

// The process-wide preference record.
CPreferenceValues& Preferences();
