#include "document/preferences.h"

bool PreferencesChanged = false;
bool Sse2Available = false;

namespace {

constexpr std::u16string_view kBrackets[] = {u"(", u"[", u"{"};
constexpr std::u16string_view kRandomForms[] = {u"Rand", u"rand", u"RAND", u"Random", u"random", u"RANDOM"};
constexpr std::u16string_view kResultForms[] = {u"Rslt", u"rslt", u"RSLT", u"Result", u"result", u"RESULT"};
constexpr std::u16string_view kMemoryForms[] = {u"Mem", u"mem", u"MEM", u"Memory", u"memory", u"MEMORY"};
constexpr std::u16string_view kImaginaryUnits[] = {u"i", u"j"};
constexpr std::u16string_view kNotations[] = {u"West", u"East"};
constexpr std::u16string_view kCases[] = {u"Lower", u"Upper"};
constexpr std::u16string_view kTrigonometricUnits[] = {u"Radians", u"Degrees", u"Grads"};

constexpr std::span<const std::u16string_view> ItemsOf(EPreference preference)
{
    switch (preference) {
    case EPreference::AppendFunctionWith:
    case EPreference::AppendMemoryWith: return kBrackets;
    case EPreference::FormatRandom: return kRandomForms;
    case EPreference::FormatResult: return kResultForms;
    case EPreference::FormatMemory: return kMemoryForms;
    case EPreference::FormatI: return kImaginaryUnits;
    case EPreference::Notation: return kNotations;
    case EPreference::NotationCase: return kCases;
    case EPreference::TrigonometricUnits: return kTrigonometricUnits;
    default: return {};
    }
}

// A choice preference accepts the indexes of its list, any other preference
// every value.
constexpr unsigned MaximumOf(EPreference preference)
{
    const std::size_t count = ItemsOf(preference).size();
    return count == 0 ? kAnyPreferenceValue : static_cast<unsigned>(count - 1);
}

constexpr CPreferenceInfo kPreferenceInfo[kPreferenceCount] = {
    {u"AppendFunction", 1, MaximumOf(EPreference::AppendFunction)},
    {u"AppendMemory", 1, MaximumOf(EPreference::AppendMemory)},
    {u"AppendFunctionWith", 0, MaximumOf(EPreference::AppendFunctionWith)},
    {u"AppendMemoryWith", 1, MaximumOf(EPreference::AppendMemoryWith)},
    {u"AppendIncludePower", 1, MaximumOf(EPreference::AppendIncludePower)},
    {u"FormatRandom", 0, MaximumOf(EPreference::FormatRandom)},
    {u"FormatResult", 0, MaximumOf(EPreference::FormatResult)},
    {u"FormatMemory", 0, MaximumOf(EPreference::FormatMemory)},
    {u"FormatI", 0, MaximumOf(EPreference::FormatI)},
    {u"GammaFunction", 0, MaximumOf(EPreference::GammaFunction)},
    {u"Notation", 0, MaximumOf(EPreference::Notation)},
    {u"NotationCase", 0, MaximumOf(EPreference::NotationCase)},
    {u"LogPopup", 1, MaximumOf(EPreference::LogPopup)},
    {u"TrigonometricUnits", 0, MaximumOf(EPreference::TrigonometricUnits)},
    {u"UseSSE2", 0, MaximumOf(EPreference::UseSSE2)},
    {u"FreeConfirmation", 2, MaximumOf(EPreference::FreeConfirmation)},
};

// Every default must itself be an accepted value.
constexpr bool DefaultsInRange()
{
    for (const CPreferenceInfo& info : kPreferenceInfo) {
        if (info.defaultValue > info.maximum)
            return false;
    }
    return true;
}
static_assert(DefaultsInRange());

}  // namespace

const CPreferenceInfo& GetPreferenceInfo(EPreference preference)
{
    return kPreferenceInfo[static_cast<std::size_t>(preference)];
}

unsigned AcceptPreferenceValue(EPreference preference, unsigned stored)
{
    const CPreferenceInfo& info = GetPreferenceInfo(preference);
    return stored <= info.maximum ? stored : info.defaultValue;
}

std::span<const std::u16string_view> GetPreferenceItems(EPreference preference)
{
    return ItemsOf(preference);
}

void CPreferenceValues::SetDefaults()
{
    for (std::size_t i = 0; i < kPreferenceCount; ++i)
        m_values[i] = kPreferenceInfo[i].defaultValue;
}

CPreferenceValues& Preferences()
{
    static CPreferenceValues values;
    return values;
}

bool Sse2InUse()
{
    return Sse2Available && Preferences().Get(EPreference::UseSSE2) != 0;
}
