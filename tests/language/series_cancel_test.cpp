// Long series: the run state's cancel source is polled about every
// kCancelPollInterval units of work, and a cancel unwinds the calculation
// with one log line. (That a series of 10^8 turns finishes is a case of
// tests/data/calculations.txt.)
#include <gtest/gtest.h>

#include <string>

#include "document/memory_store.h"
#include "language/calculate.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

using NCalculatorText::CalculateText;
using NCalculatorText::EvaluateExpression;

// Says "cancel" at its poll number `cancelAt` (never for 0) and counts the
// polls it was asked.
class CCountingCancel final : public ICancelSource {
public:
    explicit CCountingCancel(long cancelAt = 0) : m_cancelAt(cancelAt) { CurrentRunState().cancelSource = this; }
    ~CCountingCancel() { CurrentRunState().cancelSource = nullptr; }
    CCountingCancel(const CCountingCancel&) = delete;
    CCountingCancel& operator=(const CCountingCancel&) = delete;

    bool CancelRequested() override { return ++polls == m_cancelAt; }

    long polls = 0;

private:
    long m_cancelAt;
};

TEST(LongSeries, ThePollComesAboutEveryIntervalOfWork)
{
    CLogRecorder log;
    CCountingCancel counter;
    CComplex value;
    // One million turns of weight 2: the term "k" and the turn.
    ASSERT_TRUE(EvaluateExpression(log.context, u"sum(k,1,1000000,k)", value));
    EXPECT_EQ(value, CComplex(500000500000.0));
    EXPECT_GE(counter.polls, 2'000'000L / kCancelPollInterval - 1);
    EXPECT_LE(counter.polls, 2'000'000L / kCancelPollInterval + 2);
}

TEST(LongSeries, ACancelUnwindsTheRunWithOneLogLine)
{
    const CFreshState fresh;
    CLogRecorder log;
    CCountingCancel counter(3);
    // A series of 10^12 turns is not refused; the third poll stops it.
    std::u16string text = u"1+1; sum(k,1,1e12,k)->mem[s]; 2";
    std::ptrdiff_t cursor = -1;
    EXPECT_FALSE(CalculateText(log.context, text, cursor));
    EXPECT_EQ(counter.polls, 3);
    EXPECT_EQ(log.Lines(), "Error|Series sum|Calculation cancelled\n");
    EXPECT_EQ(CurrentRunState().lastStatus, eCancelled);
    EXPECT_FALSE(CurrentRunState().continueFlag);
    // As after any failure: the statement gets no result, the later one is
    // not run, nothing is stored.
    EXPECT_EQ(text, u"1+1=2; sum(k,1,1e12,k)->mem[s]; 2");
    EXPECT_EQ(MemoryStore().Count(), 0u);
}

// A compiled term whose last operation adds each term to the sum as it
// yields it: the cancel still comes at its poll, and nothing of the turns
// run ahead shows.
TEST(LongSeries, ACancelStopsACompiledTermAtItsPoll)
{
    for (const char16_t* expression : {u"sum(k,1,1e12,k^2+1)", u"product(k,1,1e12,1+1/k^2)"}) {
        CLogRecorder log;
        CCountingCancel counter(5);
        CComplex value(7.0, 0.0);
        EXPECT_FALSE(EvaluateExpression(log.context, expression, value));
        EXPECT_EQ(counter.polls, 5);
        EXPECT_EQ(log.Lines(), expression[0] == u's' ? "Error|Series sum|Calculation cancelled\n"
                                                       : "Error|Series product|Calculation cancelled\n");
    }
}

TEST(LongSeries, ACancelInAnInnerSeriesStopsTheOuterOneToo)
{
    CLogRecorder log;
    CCountingCancel counter(2);
    CComplex value;
    EXPECT_FALSE(EvaluateExpression(log.context, u"prod(n,1,1e9,sum(m,1,1e9,m)+1)*2", value));
    EXPECT_EQ(counter.polls, 2);
    EXPECT_EQ(log.Lines(), "Error|Series sum|Calculation cancelled\n");
    // The next evaluation starts afresh.
    EXPECT_TRUE(EvaluateExpression(log.context, u"sum(k,1,3,k)", value));
    EXPECT_EQ(value, CComplex(6));
}

TEST(LongSeries, ACancelRequestStopsAtTheNextPollAndStaysUntilCleared)
{
    CLogRecorder log;
    ClearCancelRequest();
    std::u16string many;
    for (int i = 0; i < 5000; ++i)
        many += u"1;";
    RequestCancel();
    EXPECT_TRUE(CancelPending());
    // The first poll of a run asks at once; between statements the context
    // is that of no operation.
    std::u16string text = many;
    std::ptrdiff_t cursor = -1;
    EXPECT_FALSE(CalculateText(log.context, text, cursor));
    EXPECT_EQ(log.Lines(), "Error|None|Calculation cancelled\n");
    EXPECT_EQ(text, many) << "the run went on after the cancel";
    EXPECT_TRUE(CancelPending());

    ClearCancelRequest();
    text = many;
    cursor = -1;
    EXPECT_TRUE(CalculateText(log.context, text, cursor));
    EXPECT_EQ(text.substr(0, 8), u"1=1;1=1;");
    EXPECT_EQ(log.Lines(), "");
}

TEST(LongSeries, WithoutACancelSourceAPollOnlyCounts)
{
    CLogRecorder log;
    CurrentRunState().cancelSource = nullptr;
    ClearCancelRequest();
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(CurrentRunState().Poll(kCancelPollInterval));
    EXPECT_EQ(log.Lines(), "");
    // After a stop the poll reports it without asking anybody.
    CurrentRunState().continueFlag = false;
    EXPECT_FALSE(CurrentRunState().PollNow());
    CurrentRunState().Cancel();
    EXPECT_EQ(log.Lines(), "");
}

}  // namespace
