#pragma once
// The sixteen user preferences, process-wide. Every part of the program
// reads them through Preferences(); loading and storing them is the
// application's business (document/qt/preferences_store.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

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

static_assert(sizeof(unsigned) == sizeof(std::uint32_t), "preferences are stored as 32-bit unsigned values");

struct CPreferenceInfo {
    const char16_t* name;  // the value's name in the stored settings
    unsigned defaultValue;
    // The largest value taken from the store; anything above it reads as the
    // default. kAnyPreferenceValue for the fields that accept every value.
    unsigned maximum;
};

inline constexpr unsigned kAnyPreferenceValue = 0xFFFFFFFFu;

// Names, defaults and ranges, indexed by EPreference (the storage order).
const CPreferenceInfo& GetPreferenceInfo(EPreference preference);

// The value a preference takes from a stored number: the number itself when
// it lies inside the preference's range, the default otherwise.
unsigned AcceptPreferenceValue(EPreference preference, unsigned stored);

// The items of the choice list that edits a preference, in order: the index
// of an item is the stored value. Empty for the on/off preferences and for
// "FreeConfirmation". The ranges above are these lists' lengths.
std::span<const std::u16string_view> GetPreferenceItems(EPreference preference);

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

// Set whenever the user changes a preference (the Preferences dialog, the
// notation commands, the trigonometric-units selectors); the preferences
// are written back at exit only when it is set. False at start.
extern bool PreferencesChanged;

// Whether the runtime offers a switchable SSE2 implementation of the real
// math functions. No such switch exists on the platforms this program is
// built for, so it stays false: "UseSSE2" is then kept and written back but
// has no effect, and its dialog check box is disabled.
extern bool Sse2Available;

// True when the SSE2 math module is in use: available and chosen.
bool Sse2InUse();
