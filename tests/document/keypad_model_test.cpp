// The keypad model: the function buttons show and type the function table's
// forms, the first labels are the template's but for the five symbols, and
// every spelled row belongs to exactly one button.
#include "document/keypad/keypad_model.h"

#include <gtest/gtest.h>

#include <set>

#include "document/utf.h"
#include "language/functions.h"
#include "language/keywords.h"

namespace {

using namespace NCalculatorText;

TEST(KeypadModel, FunctionButtonsShowAndTypeTheTablesForms)
{
    CPreferenceValues preferences;
    preferences.SetDefaults();
    std::set<const CFunction*> functions;
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        const CKeypadButtonInfo& button = KeypadButtonInfo(i);
        if (button.press != EKeypadPress::Function)
            continue;
        const CFunction* function = FindFunction(button.text);
        ASSERT_NE(function, nullptr) << button.controlId;
        EXPECT_FALSE(function->west.empty()) << button.controlId;
        EXPECT_TRUE(functions.insert(function).second) << button.controlId;
        for (unsigned notation : {0u, 1u}) {
            for (unsigned notationCase : {0u, 1u}) {
                const std::u16string form = WrittenForm(function->west, function->east, notation, notationCase);
                EXPECT_EQ(KeypadLabel(i, {notation == 1, notationCase == 1}), form) << button.controlId;
                preferences.Set(EPreference::Notation, notation);
                preferences.Set(EPreference::NotationCase, notationCase);
                EXPECT_EQ(KeypadButtonAction(button.controlId, preferences).text, form + u"(") << button.controlId;
            }
        }
    }
    // Every function the program writes by name has its button.
    std::size_t written = 0;
    for (const CFunction& function : FunctionTable())
        written += !function.west.empty();
    EXPECT_EQ(functions.size(), written);
    EXPECT_EQ(written, 37u);
}

TEST(KeypadModel, FirstLabelsAndSpellingRows)
{
    std::set<int> rows;
    int symbols = 0;
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        const CKeypadButtonInfo& button = KeypadButtonInfo(i);
        const std::u16string first = KeypadLabel(i, {});
        if (button.labelSource == EKeypadLabel::Typed) {
            ++symbols;
            EXPECT_EQ(first, button.text) << button.controlId;
        } else {
            EXPECT_EQ(first, button.label) << button.controlId;
        }
        if (button.spellingRow >= 0) {
            EXPECT_TRUE(rows.insert(button.spellingRow).second) << button.controlId;
            EXPECT_EQ(KeypadSpellingTable[static_cast<std::size_t>(button.spellingRow)].controlId, button.controlId);
            EXPECT_EQ(KeypadFunctionNumber(button.controlId), button.spellingRow);
        }
    }
    EXPECT_EQ(symbols, 5);
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(kKeypadSpellingCount));
    EXPECT_EQ(*rows.rbegin(), kKeypadSpellingCount - 1);
    EXPECT_EQ(KeypadLabel(KeypadButtonIndex(1036), {true, true, true}), u"\u0393");
    EXPECT_EQ(KeypadLabel(KeypadButtonIndex(1036), {false, true}), u"N!");
    EXPECT_EQ(KeypadLabel(KeypadButtonIndex(1129), {true, false, false, true}), u"j");
}

TEST(KeypadModel, AppendedBracketsFollowTheirPreferences)
{
    struct CCase {
        unsigned append;
        unsigned with;
        std::u16string_view function;
        std::u16string_view memory;
    };
    // A function's bracket defaults to "(", a memory cell's to "["; an
    // append switched off gives none whatever its kind says.
    const CCase cases[] = {
        {0, 0, u"", u""},   {0, 2, u"", u""},   {1, 0, u"(", u"("},  {1, 1, u"[", u"["},
        {1, 2, u"{", u"{"}, {1, 3, u"(", u"["}, {1, 0xFFFFFFFFu, u"(", u"["},
    };
    for (const CCase& c : cases) {
        CPreferenceValues preferences;
        preferences.Set(EPreference::AppendFunction, c.append);
        preferences.Set(EPreference::AppendFunctionWith, c.with);
        preferences.Set(EPreference::AppendMemory, c.append);
        preferences.Set(EPreference::AppendMemoryWith, c.with);
        EXPECT_EQ(FunctionBracket(preferences), c.function) << c.append << "/" << c.with;
        EXPECT_EQ(MemoryBracket(preferences), c.memory) << c.append << "/" << c.with;
    }
}

}  // namespace
