// Calculation runs from tests/data/calculations.txt, definitions.txt and, for
// the integrals, derivatives and roots, calculus.txt: the rewritten text, the
// cursor, the result of the run, the log and the memory cells.
#include <gtest/gtest.h>

#include <string>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "language/calculate.h"
#include "support/data_cases.h"
#include "support/escapes.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"
#include "support/preference_names.h"

namespace {

using NCalculatorText::CalculateText;

class Calculations : public testing::TestWithParam<CDataRow> {
protected:
    CFreshState fresh;
};

TEST(CalculationsFile, HoldsTheCases)
{
    EXPECT_GT(DataRows("calculations.txt").size(), 250u);
}

TEST_P(Calculations, RewritesTextCursorLogAndMemory)
{
    const CDataRow& c = GetParam();
    const std::string where = c.Where();
    ASSERT_TRUE(c.Fields().size() == 6 || c.Fields().size() == 7) << where << " has " << c.Fields().size() << " fields";

    CLogRecorder log;
    ASSERT_TRUE(ApplyPreferenceSettings(c.Field(0))) << where;

    std::u16string text = Unescape(c.Field(1));
    std::ptrdiff_t cursor = -1;
    std::ptrdiff_t expectedCursor = -1;
    const std::string& cursorField = c.Field(2);
    if (const std::size_t arrow = cursorField.find('>'); arrow != std::string::npos) {
        cursor = std::stol(cursorField.substr(0, arrow));
        expectedCursor = std::stol(cursorField.substr(arrow + 1));
    } else {
        ASSERT_EQ(cursorField, "-1") << where;
    }
    const std::u16string expectedText = Unescape(c.Field(3));
    if (cursor == -1 && c.Field(4) == "true")
        expectedCursor = static_cast<std::ptrdiff_t>(expectedText.size());
    if (c.Field(4) == "false")
        expectedCursor = cursor;

    const bool result = CalculateText(log.context, text, cursor);

    EXPECT_EQ(Utf16ToUtf8(text), Utf16ToUtf8(expectedText)) << where;
    EXPECT_EQ(result ? "true" : "false", c.Field(4)) << where;
    EXPECT_EQ(cursor, expectedCursor) << where;
    EXPECT_EQ(log.starts, 2) << where;  // the recorder's reset, then the run's
    EXPECT_EQ(log.Joined(), Utf16ToUtf8(Unescape(c.Field(5)))) << where;
    if (c.Fields().size() == 7) {
        EXPECT_EQ(Utf16ToUtf8(MemoryStore().BuildMemoryFileText(EMemorySelection::All)),
                  Utf16ToUtf8(u"\uFEFF" + Unescape(c.Field(6))))
            << where;
    }
}

INSTANTIATE_DATA_ROWS(Calculations, "calculations.txt");
INSTANTIATE_TEST_SUITE_P(Calculus, Calculations, testing::ValuesIn(DataRows("calculus.txt")), DataRowName);
INSTANTIATE_TEST_SUITE_P(Definitions, Calculations, testing::ValuesIn(DataRows("definitions.txt")), DataRowName);

TEST(DefinitionsFile, HoldsTheCases)
{
    EXPECT_GT(DataRows("definitions.txt").size(), 100u);
}

}  // namespace
