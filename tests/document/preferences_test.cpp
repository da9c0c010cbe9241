// The preference table: names, defaults, ranges and the choice lists.
#include "document/preferences.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "document/utf.h"
#include "support/data_cases.h"
#include "support/preference_names.h"

namespace {

std::vector<std::string> Items(EPreference preference)
{
    std::vector<std::string> items;
    for (std::u16string_view item : GetPreferenceItems(preference))
        items.push_back(Utf16ToUtf8(std::u16string(item)));
    return items;
}

}  // namespace

class PreferenceRanges : public testing::TestWithParam<CDataRow> {};

TEST_P(PreferenceRanges, StoredValueOutsideTheRangeTakesTheDefault)
{
    const CDataRow& c = GetParam();
    ASSERT_EQ(c.Fields().size(), 3u) << c.Where();
    const EPreference preference = FindByName(c.Field(0));
    const auto stored = static_cast<unsigned>(std::stoul(c.Field(1)));
    const auto expected = static_cast<unsigned>(std::stoul(c.Field(2)));
    EXPECT_EQ(AcceptPreferenceValue(preference, stored), expected) << c.Where();
}

INSTANTIATE_DATA_ROWS(PreferenceRanges, "preference_ranges.txt");

TEST(Preferences, EveryPreferenceHasARangeCase)
{
    const auto rows = DataRows("preference_ranges.txt");
    ASSERT_GT(rows.size(), 30u);
    std::set<std::string> covered;
    for (const CDataRow& c : rows)
        if (!c.Fields().empty())
            covered.insert(c.Field(0));
    EXPECT_EQ(covered.size(), kPreferenceCount);
}

TEST(Preferences, NamesAndDefaultsInStorageOrder)
{
    const std::vector<std::pair<std::string, unsigned>> expected = {
        {"AppendFunction", 1}, {"AppendMemory", 1},       {"AppendFunctionWith", 0}, {"AppendMemoryWith", 1},
        {"AppendIncludePower", 1}, {"FormatRandom", 0},   {"FormatResult", 0},       {"FormatMemory", 0},
        {"FormatI", 0},        {"GammaFunction", 0},      {"Notation", 0},           {"NotationCase", 0},
        {"LogPopup", 1},       {"TrigonometricUnits", 0}, {"UseSSE2", 0},            {"FreeConfirmation", 2},
    };
    ASSERT_EQ(expected.size(), kPreferenceCount);
    CPreferenceValues values;
    values.Set(EPreference::FormatI, 1);
    values.Set(EPreference::FreeConfirmation, 0);
    values.SetDefaults();
    for (std::size_t i = 0; i < kPreferenceCount; ++i) {
        const auto preference = static_cast<EPreference>(i);
        EXPECT_EQ(Utf16ToUtf8(GetPreferenceInfo(preference).name), expected[i].first) << i;
        EXPECT_EQ(GetPreferenceInfo(preference).defaultValue, expected[i].second) << expected[i].first;
        EXPECT_EQ(values.Get(preference), expected[i].second) << expected[i].first;
    }
}

TEST(Preferences, ChoiceListsInOrder)
{
    using L = std::vector<std::string>;
    EXPECT_EQ(Items(EPreference::AppendFunctionWith), (L{"(", "[", "{"}));
    EXPECT_EQ(Items(EPreference::AppendMemoryWith), (L{"(", "[", "{"}));
    EXPECT_EQ(Items(EPreference::FormatResult), (L{"Rslt", "rslt", "RSLT", "Result", "result", "RESULT"}));
    EXPECT_EQ(Items(EPreference::FormatMemory), (L{"Mem", "mem", "MEM", "Memory", "memory", "MEMORY"}));
    EXPECT_EQ(Items(EPreference::FormatRandom), (L{"Rand", "rand", "RAND", "Random", "random", "RANDOM"}));
    EXPECT_EQ(Items(EPreference::Notation), (L{"West", "East"}));
    EXPECT_EQ(Items(EPreference::NotationCase), (L{"Lower", "Upper"}));
    EXPECT_EQ(Items(EPreference::FormatI), (L{"i", "j"}));
    EXPECT_EQ(Items(EPreference::TrigonometricUnits), (L{"Radians", "Degrees", "Grads"}));
    for (EPreference onOff : {EPreference::AppendFunction, EPreference::AppendMemory, EPreference::AppendIncludePower,
                              EPreference::GammaFunction, EPreference::LogPopup, EPreference::UseSSE2,
                              EPreference::FreeConfirmation})
        EXPECT_TRUE(Items(onOff).empty()) << Utf16ToUtf8(GetPreferenceInfo(onOff).name);
}

TEST(Preferences, Sse2IsInUseOnlyWhenAvailableAndChosen)
{
    EXPECT_FALSE(Sse2Available) << "no SSE2 switch on this platform";
    EXPECT_FALSE(PreferencesChanged) << "nothing changed at start";
    const unsigned saved = Preferences().Get(EPreference::UseSSE2);
    Preferences().Set(EPreference::UseSSE2, 1);
    EXPECT_FALSE(Sse2InUse());
    Sse2Available = true;
    EXPECT_TRUE(Sse2InUse());
    Preferences().Set(EPreference::UseSSE2, 0);
    EXPECT_FALSE(Sse2InUse());
    Sse2Available = false;
    Preferences().Set(EPreference::UseSSE2, saved);
}
