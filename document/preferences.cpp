#include "document/preferences.h"

namespace {

const CPreferenceInfo kPreferenceInfo[kPreferenceCount] = {
    {u"AppendFunction", 1},
    {u"AppendMemory", 1},
    {u"AppendFunctionWith", 0},
    {u"AppendMemoryWith", 1},
    {u"AppendIncludePower", 1},
    {u"FormatRandom", 0},
    {u"FormatResult", 0},
    {u"FormatMemory", 0},
    {u"FormatI", 0},
    {u"GammaFunction", 0},
    {u"Notation", 0},
    {u"NotationCase", 0},
    {u"LogPopup", 1},
    {u"TrigonometricUnits", 0},
    {u"UseSSE2", 0},
    {u"FreeConfirmation", 2},
};

}  // namespace

const CPreferenceInfo& GetPreferenceInfo(EPreference preference)
{
    return kPreferenceInfo[static_cast<std::size_t>(preference)];
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
