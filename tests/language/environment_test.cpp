// The calculation reads the units, the number text and the memory cells
// only through the environment of its context: the document's follows the
// preferences and the memory store, and without one the language stands on
// its own.
#include <gtest/gtest.h>

#include <string>

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "language/calculate.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

using NCalculatorText::CalculateText;

// Runs a text through the calculation; the rewritten text.
std::u16string Calculate(NCalculatorText::CCalcContext& context, std::u16string text)
{
    std::ptrdiff_t cursor = -1;
    CalculateText(context, text, cursor);
    return text;
}

TEST(CalcEnvironment, TheDocumentsOneFollowsThePreferencesAndTheMemoryStore)
{
    const CFreshState fresh;
    CLogRecorder log;
    Preferences().Set(EPreference::TrigonometricUnits, 1);
    Preferences().Set(EPreference::NotationCase, 1);
    Preferences().Set(EPreference::FormatI, 1);
    EXPECT_EQ(Calculate(log.context, u"sin(90)->mem[x]; 1e30*mem[x]*sqrt(-1)"), u"sin(90)->mem[x]=1; 1e30*mem[x]*sqrt(-1)=j\u00D71E+030");
    ASSERT_NE(MemoryStore().Find(u"x"), nullptr);
    EXPECT_EQ(MemoryStore().Find(u"x")->value, CComplex(1, 0));
    EXPECT_EQ(Calculate(log.context, u"1/(mem[x]-1)"), u"1/(mem[x]-1)");
    EXPECT_EQ(log.Lines(), "Error|Division|Operation has singularity at 0\n");
}

TEST(CalcEnvironment, WithoutOneTheLanguageStandsAlone)
{
    const CFreshState fresh;
    CLogRecorder log;
    log.context.run.environment = nullptr;
    Preferences().Set(EPreference::TrigonometricUnits, 1);
    // Radians, numbers in their shortest round-trip form, no memory cells.
    EXPECT_EQ(Calculate(log.context, u"cos(pi); 2->mem[y]; 0.1+i*2"), u"cos(pi)=-1; 2->mem[y]=2; 0.1+i*2=0.1+2i");
    EXPECT_EQ(MemoryStore().Count(), 0u);
    EXPECT_EQ(Calculate(log.context, u"mem[y]"), u"mem[y]=0");
    EXPECT_EQ(log.Lines(), "Warning|Memory|Uninitialized memory used, value forced to 0\n");
    EXPECT_EQ(Calculate(log.context, u"ln(0)"), u"ln(0)");
    EXPECT_EQ(log.Lines(), "Error|Natural logarithm|Function has singularity at 0\n");
}

}  // namespace
