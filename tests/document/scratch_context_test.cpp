// A scratch context evaluates where the user's context stands, and whatever
// it does stays in it: the user's memory, previous result, random sequence
// and log are as they were. Contexts on different threads do not meet.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "language/calc_context.h"
#include "language/calculate.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

using NCalculatorText::CalculateText;
using NCalculatorText::CCalcContext;
using NCalculatorText::EvaluateExpression;

// A log that keeps its lines, for contexts other than the recorder's.
class CCollectedLog : public ILogReceiver {
public:
    void AddMessage(const CCalcMessage& message) override
    {
        lines += std::u16string(message.context) + u"|" + message.description + u"\n";
    }
    void StartCalculation() override { lines.clear(); }

    std::u16string lines;
};

CComplex CellOf(const CCalcContext& context, const std::u16string& name)
{
    CComplex value(-99, -99);
    EXPECT_TRUE(context.run.environment->FindMemory(name, value)) << "no cell " << std::string(name.begin(), name.end());
    return value;
}

class ScratchContext : public testing::Test {
protected:
    CFreshState fresh;
};

TEST_F(ScratchContext, EvaluatingInItChangesNothingTheUserOwns)
{
    CLogRecorder user;
    user.context.random.SeedAtStartup();
    // The imaginary part takes its seed from the clock at the first draw; the
    // live result fixes it in the user's context before it makes a scratch
    // copy, so do the same here, or a tick between the two draws below would
    // seed them differently.
    user.context.random.SeedImaginaryOnce();
    std::u16string text = u"3->Mem[a]; 7; ln(0)";
    std::ptrdiff_t cursor = -1;
    ASSERT_FALSE(CalculateText(user.context, text, cursor));
    ASSERT_EQ(user.context.previousResult, CComplex(7));
    const std::u16string memoryBefore = MemoryStore().BuildMemoryFileText(EMemorySelection::All);
    const std::string logBefore = user.Lines();
    ASSERT_EQ(logBefore, "Error|Natural logarithm|Function has singularity at 0\n");
    const int startsBefore = user.starts;

    CCollectedLog scratchLog;
    CCalcContext scratch = user.context.MakeScratch(&scratchLog);
    std::u16string work = u"rslt; Rand+1->Mem[b]; 2*Mem[a]->Mem[a]; Rand; 1/0; 5";
    cursor = -1;
    EXPECT_FALSE(CalculateText(scratch, work, cursor));

    // The scratch started from the user's previous result and cells...
    EXPECT_EQ(work.substr(0, 7), u"rslt=7;");
    EXPECT_EQ(CellOf(scratch, u"a"), CComplex(6));
    EXPECT_EQ(scratchLog.lines, u"Division|Operation has singularity at 0\n");

    // ...and the user has what he had.
    EXPECT_EQ(MemoryStore().BuildMemoryFileText(EMemorySelection::All), memoryBefore);
    EXPECT_EQ(MemoryStore().Find(u"b"), nullptr);
    EXPECT_EQ(user.context.previousResult, CComplex(7));
    EXPECT_EQ(user.Lines(), logBefore);
    EXPECT_EQ(user.starts, startsBefore);

    // The user's random sequence did not move: his next value is the first
    // one the scratch drew.
    CComplex next;
    ASSERT_TRUE(EvaluateExpression(user.context, u"Rand+1", next));
    EXPECT_EQ(next, CellOf(scratch, u"b"));
}

TEST_F(ScratchContext, UsesTheUsersDefinitionsAndKeepsItsOwn)
{
    CLogRecorder user;
    std::u16string text = u"r := 2; f(x) := x*r";
    std::ptrdiff_t cursor = -1;
    ASSERT_TRUE(CalculateText(user.context, text, cursor)) << user.Lines();
    const std::u16string memoryBefore = MemoryStore().BuildMemoryFileText(EMemorySelection::All);

    CCollectedLog scratchLog;
    CCalcContext scratch = user.context.MakeScratch(&scratchLog);
    std::u16string work = u"f(3); r := 10; f(3); g(x) := 1; f(x) := x-1; f(3)";
    cursor = -1;
    ASSERT_TRUE(CalculateText(scratch, work, cursor));
    EXPECT_EQ(work, u"f(3)=6; r := 10=10; f(3)=30; g(x) := 1; f(x) := x-1; f(3)=2");
    EXPECT_EQ(scratchLog.lines, u"");

    // The user's definitions are as they were, and a plot of a defined
    // function reads them.
    EXPECT_EQ(MemoryStore().BuildMemoryFileText(EMemorySelection::All), memoryBefore);
    CComplex value;
    ASSERT_TRUE(EvaluateExpression(user.context, u"f(3)", value));
    EXPECT_EQ(value, CComplex(6));
    EXPECT_EQ(MemoryStore().Definitions().Find(u"g"), nullptr);
}

TEST_F(ScratchContext, TakesTheUnitsAndNumberTextAsTheyStoodWhenItWasMade)
{
    CLogRecorder user;
    Preferences().Set(EPreference::TrigonometricUnits, 1);
    Preferences().Set(EPreference::FormatI, 1);
    user.context.run.Reset();
    CCollectedLog scratchLog;
    CCalcContext scratch = user.context.MakeScratch(&scratchLog);
    // A later change of the user's preferences does not reach a scratch
    // that is already evaluating.
    Preferences().SetDefaults();
    std::u16string text = u"sin(90)+sqrt(-4)";
    std::ptrdiff_t cursor = -1;
    ASSERT_TRUE(CalculateText(scratch, text, cursor));
    EXPECT_EQ(text, u"sin(90)+sqrt(-4)=1+j\u00D72");
}

TEST_F(ScratchContext, WithoutALogItsMessagesGoNowhere)
{
    CLogRecorder user;
    CCalcContext scratch = user.context.MakeScratch(nullptr);
    CComplex value;
    EXPECT_FALSE(EvaluateExpression(scratch, u"mem[none]+1/0", value));
    EXPECT_TRUE(user.messages.empty());
}

TEST_F(ScratchContext, ContextsOnTwoThreadsKeepTheirOwnMessagesAndResults)
{
    CLogRecorder user;
    // Each thread fails in its own way, after a long series.
    const std::u16string texts[2] = {u"sum(k,1,200000,1/k); ln(0)", u"sum(k,1,200000,1/k^2); 1/0"};
    const std::u16string expectedLogs[2] = {u"Natural logarithm|Function has singularity at 0\n",
                                            u"Division|Operation has singularity at 0\n"};
    CCollectedLog logs[2];
    std::u16string results[2] = {texts[0], texts[1]};
    CCalcContext scratches[2] = {user.context.MakeScratch(&logs[0]), user.context.MakeScratch(&logs[1])};
    for (int round = 0; round < 3; ++round) {
        std::thread threads[2];
        for (int t = 0; t < 2; ++t) {
            results[t] = texts[t];
            threads[t] = std::thread([&, t] {
                std::ptrdiff_t cursor = -1;
                CalculateText(scratches[t], results[t], cursor);
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(logs[0].lines, expectedLogs[0]);
        EXPECT_EQ(logs[1].lines, expectedLogs[1]);
        EXPECT_EQ(results[0].substr(0, 21), u"sum(k,1,200000,1/k)=1");
        EXPECT_EQ(results[1].substr(0, 23), u"sum(k,1,200000,1/k^2)=1");
    }
    EXPECT_TRUE(user.messages.empty());
}

}  // namespace
