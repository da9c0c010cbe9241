// Calculation runs from tests/data/calculations.txt: the rewritten text, the
// cursor, the result of the run, the log and the memory cells.
#include <gtest/gtest.h>

#include <string>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "language/calculate.h"
#include "support/data_file.h"
#include "support/escapes.h"
#include "support/log_recorder.h"

namespace {

using NCalculatorText::CalculateText;
using NCalculatorText::PreviousResult;

void ApplyPreferences(const std::string& field)
{
    std::size_t start = 0;
    while (start < field.size()) {
        std::size_t end = field.find(',', start);
        if (end == std::string::npos)
            end = field.size();
        const std::string pair = field.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        ASSERT_NE(equals, std::string::npos) << pair;
        bool found = false;
        for (std::size_t i = 0; i < kPreferenceCount; ++i) {
            const auto preference = static_cast<EPreference>(i);
            if (Utf16ToUtf8(GetPreferenceInfo(preference).name) == pair.substr(0, equals)) {
                Preferences().Set(preference, static_cast<unsigned>(std::stoul(pair.substr(equals + 1))));
                found = true;
            }
        }
        ASSERT_TRUE(found) << "unknown preference " << pair;
        start = end + 1;
    }
}

std::string LogText(const CLogRecorder& log)
{
    std::string out;
    for (const CRecordedMessage& m : log.messages) {
        if (!out.empty())
            out += " ; ";
        out += m.severity ? "Error:" : "Warning:";
        out += Utf16ToUtf8(m.context) + ":" + Utf16ToUtf8(m.description);
    }
    return out;
}

TEST(Calculations, CasesFromDataFile)
{
    const auto cases = ReadDataFile("calculations.txt");
    ASSERT_GT(cases.size(), 250u);
    for (const CDataCase& c : cases) {
        const std::string where = "calculations.txt:" + std::to_string(c.line);
        ASSERT_TRUE(c.fields.size() == 6 || c.fields.size() == 7) << where << " has " << c.fields.size() << " fields";

        CLogRecorder log;
        MemoryStore().FreeMemory(EMemorySelection::All);
        PreviousResult() = CComplex();
        ApplyPreferences(c.fields[0]);

        std::u16string text = Unescape(c.fields[1]);
        std::ptrdiff_t cursor = -1;
        std::ptrdiff_t expectedCursor = -1;
        const std::string& cursorField = c.fields[2];
        if (const std::size_t arrow = cursorField.find('>'); arrow != std::string::npos) {
            cursor = std::stol(cursorField.substr(0, arrow));
            expectedCursor = std::stol(cursorField.substr(arrow + 1));
        } else {
            ASSERT_EQ(cursorField, "-1") << where;
        }
        const std::u16string expectedText = Unescape(c.fields[3]);
        if (cursor == -1 && c.fields[4] == "true")
            expectedCursor = static_cast<std::ptrdiff_t>(expectedText.size());
        if (c.fields[4] == "false")
            expectedCursor = cursor;

        const bool result = CalculateText(text, cursor);

        EXPECT_EQ(Utf16ToUtf8(text), Utf16ToUtf8(expectedText)) << where;
        EXPECT_EQ(result ? "true" : "false", c.fields[4]) << where;
        EXPECT_EQ(cursor, expectedCursor) << where;
        EXPECT_EQ(log.starts, 2) << where;  // the recorder's reset, then the run's
        EXPECT_EQ(LogText(log), Utf16ToUtf8(Unescape(c.fields[5]))) << where;
        if (c.fields.size() == 7) {
            EXPECT_EQ(Utf16ToUtf8(MemoryStore().BuildMemoryFileText(EMemorySelection::All)),
                      Utf16ToUtf8(u"\uFEFF" + Unescape(c.fields[6])))
                << where;
        }
    }
    MemoryStore().FreeMemory(EMemorySelection::All);
    Preferences().SetDefaults();
}

}  // namespace
