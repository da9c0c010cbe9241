// Where statements lie, from tests/data/statement_spans.txt: the statement
// under a caret and the starts a calculation run reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/memory_store.h"
#include "language/calculate.h"
#include "support/data_cases.h"
#include "support/escapes.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

using namespace NCalculatorText;

class StatementSpans : public testing::TestWithParam<CDataRow> {
protected:
    CFreshState fresh;
};

TEST_P(StatementSpans, FindsTheStatement)
{
    const CDataRow& c = GetParam();
    const std::string where = c.Where();
    ASSERT_EQ(c.Fields().size(), 3u) << where;
    std::u16string text = Unescape(c.Field(0));
    if (c.Field(1) == "run") {
        CLogRecorder log;
        std::ptrdiff_t cursor = -1;
        std::string starts;
        CalculateText(log.context, text, cursor, [&starts](std::size_t start) {
            starts += (starts.empty() ? "" : ",") + std::to_string(start);
        });
        EXPECT_EQ(starts, c.Field(2)) << where;
        // Each reported start begins its statement in the rewritten text.
        std::size_t from = 0;
        for (std::size_t comma; from <= starts.size(); from = comma + 1) {
            comma = starts.find(',', from);
            if (comma == std::string::npos)
                comma = starts.size();
            const std::size_t start = std::stoul(starts.substr(from, comma - from));
            EXPECT_EQ(StatementFrom(text, start).start, start) << where;
            CStatementSpan span;
            EXPECT_TRUE(FindStatement(text, start + 1, span)) << where;
            EXPECT_EQ(span.start, start) << where;
        }
        return;
    }
    CStatementSpan span;
    const bool found = FindStatement(text, std::stoul(c.Field(1)), span);
    const std::string actual = found ? std::to_string(span.start) + "," + std::to_string(span.end) + "," +
                                           std::to_string(span.expressionEnd)
                                     : "none";
    EXPECT_EQ(actual, c.Field(2)) << where;
    if (found) {
        const CStatementSpan from = StatementFrom(text, span.start);
        EXPECT_EQ(from.end, span.end) << where;
        EXPECT_EQ(from.expressionEnd, span.expressionEnd) << where;
    }
}

INSTANTIATE_DATA_ROWS(StatementSpans, "statement_spans.txt");

}  // namespace
