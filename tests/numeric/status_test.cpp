#include "numeric/status.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <string_view>

#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

struct SStatusCase {
    ECalcStatus status;
    double re;
    double im;
    EOperationKind kind;
    bool stops;
    ECalcStatus recorded;
    const char* line;
};

const SStatusCase kStatusCases[] = {
    {eSyntaxError, 0, 0, None, true, eSyntaxError, "Error|None|Syntax error\n"},
    {eUninitializedMemory, 0, 0, Memory, false, eUninitializedMemory,
     "Warning|Memory|Uninitialized memory used, value forced to 0\n"},
    {eOverflow, 0, 0, Addition, true, eOverflow, "Error|Addition|Operation resulted in overflow, too big number returned\n"},
    {eOverflow, HUGE_VAL, 0, Power, true, eOverflow,
     "Error|Power|Operation resulted in overflow, too big positive number returned\n"},
    {eOverflow, -HUGE_VAL, 0, Power, true, eOverflow,
     "Error|Power|Operation resulted in overflow, too big negative number returned\n"},
    {eOverflow, std::numeric_limits<double>::quiet_NaN(), 0, Power, true, eOverflow,
     "Error|Power|Operation resulted in overflow, too big number returned\n"},
    {eUnderflow, 0, 5, Multiplication, false, eUnderflow,
     "Warning|Multiplication|Operation resulted in underflow, result accepted as 0\n"},
    {eUnderflow, 1.0 / 3e300, 0, Exponent, false, eUnderflow,
     "Warning|Exponent|Operation resulted in underflow, result accepted as 3.333333333333333e-301\n"},
    {eDomain, -2, 1, Arcsine, true, eDomain, "Error|Arcsine|Function is not defined for -2+i\n"},
    {eSingularity, 0, 0, Division, true, eSingularity, "Error|Division|Operation has singularity at 0\n"},
    {eSingularity, 0, 0, NaturalLogarithm, true, eSingularity, "Error|Natural logarithm|Function has singularity at 0\n"},
    {eSingularity, 0, -1, Arctangent, true, eSingularity, "Error|Arctangent|Function has singularity at \xE2\x88\x92i\n"},
    {ePartialLoss, 0.5, 0, Sine, false, ePartialLoss,
     "Warning|Sine|Operation resulted in partial loss of precision, result accepted as 0.5\n"},
    {eTotalLoss, -0.25, 0, Cosine, false, eTotalLoss,
     "Warning|Cosine|Operation resulted in total loss of precision, result accepted as -0.25\n"},
    {eNoConvergence, 0, 0, BesselFirstKind, false, eNoConvergence,
     "Error|Bessel of the first kind|Computation algorithm failed to converge\n"},
    {eInvalidParameter, 0, 0, SeriesSum, false, eInvalidParameter, "Error|Series sum|Invalid parameter\n"},
    {eCancelled, 0, 0, SeriesSum, true, eCancelled, "Error|Series sum|Calculation cancelled\n"},
    {eTooManyTerms, 0, 0, SeriesProduct, true, eTooManyTerms, "Error|Series product|Too many terms for a counting index\n"},
    {eInexact, 2.5e-9, 0, Integral, false, eInexact, "Warning|Integral|Result inexact, estimated error 2.5000000000000001e-009\n"},
    {eDoesNotConverge, 0, 0, Integral, true, eDoesNotConverge, "Error|Integral|Does not converge\n"},
    {eNoRoot, 0, 0, Root, true, eNoRoot, "Error|Root|No root found\n"},
    {eNotDifferentiable, 0, 0, Derivative, true, eNotDifferentiable, "Error|Derivative|Not differentiable at 0\n"},
    {eNone, 0, 0, None, true, eUnknown, "Error|None|Unknown error\n"},
    {eUnknown, 0, 0, Index, true, eUnknown, "Error|Index|Unknown error\n"},
};

TEST(ReportStatus, ComposesEachMessageAndAppliesItsEffect)
{
    for (const SStatusCase& c : kStatusCases) {
        CLogRecorder log;
        CurrentRunState().currentKind = c.kind;
        ReportStatus(c.status, c.re, c.im);
        EXPECT_EQ(log.Lines(), c.line) << "status " << c.status;
        EXPECT_EQ(CurrentRunState().continueFlag, !c.stops) << "status " << c.status;
        EXPECT_EQ(CurrentRunState().lastStatus, c.recorded) << "status " << c.status;
    }
}

TEST(ReportStatus, UpperCaseAndUnitPreferencesShapeTheValues)
{
    const CFreshState fresh;
    CLogRecorder log;
    Preferences().Set(EPreference::NotationCase, 1);
    Preferences().Set(EPreference::FormatI, 1);
    CurrentRunState().currentKind = Multiplication;
    ReportStatus(eUnderflow, 1e-320, 0);
    CurrentRunState().currentKind = Arccosine;
    ReportStatus(eDomain, 1e-20, 2);
    EXPECT_EQ(log.Lines(),
              "Warning|Multiplication|Operation resulted in underflow, result accepted as 9.9998886718268301E-321\n"
              "Error|Arccosine|Function is not defined for 9.9999999999999995E-021+j\xC3\x97" "2\n");
}

TEST(ReportStatus, QuietOverflowOnlyRecordsTheStatus)
{
    CLogRecorder log;
    CurrentRunState().quietOverflow = true;
    ReportStatus(eOverflow, 1, 0);
    EXPECT_TRUE(log.messages.empty());
    EXPECT_TRUE(CurrentRunState().continueFlag);
    EXPECT_EQ(CurrentRunState().lastStatus, eOverflow);
}

TEST(ReportStatus, WithoutReceiverStillStops)
{
    CLogRecorder log;
    CurrentRunState().logReceiver = nullptr;
    CurrentRunState().currentKind = Division;
    ReportStatus(eSingularity, 0, 0);
    EXPECT_FALSE(CurrentRunState().continueFlag);
    EXPECT_EQ(CurrentRunState().lastStatus, eSingularity);
    EXPECT_TRUE(log.messages.empty());
}

TEST(OperationNames, TableAndOutOfRange)
{
    EXPECT_EQ(std::u16string(GetOperationName(None)), u"None");
    EXPECT_EQ(std::u16string(GetOperationName(HyperbolicCosecant)), u"Hyperbolic cosecant");
    EXPECT_EQ(std::u16string(GetOperationName(SquareRoot)), u"Square root");
    EXPECT_EQ(std::u16string(GetOperationName(ModifiedBesselSecondKind)), u"Modified Bessel of the second kind");
    EXPECT_EQ(std::u16string(GetOperationName(SeriesProduct)), u"Series product");
    EXPECT_EQ(std::u16string(GetOperationName(Root)), u"Root");
    EXPECT_EQ(std::u16string(GetOperationName(Root + 1)), u"Undefined");
    EXPECT_EQ(std::u16string(GetOperationName(-1)), u"Undefined");
}

TEST(OperationNames, EveryKindHasANameOfItsOwn)
{
    // The log tells operations apart by these names alone: a row copied for
    // a new kind without its own name would pass for the old one.
    std::set<std::u16string> names;
    int kind = 0;
    for (; kind < 1000 && std::u16string_view(GetOperationName(kind)) != u"Undefined"; ++kind) {
        EXPECT_FALSE(std::u16string_view(GetOperationName(kind)).empty()) << kind;
        EXPECT_TRUE(names.emplace(GetOperationName(kind)).second) << kind;
    }
    EXPECT_GT(kind, static_cast<int>(SeriesProduct));
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kind));
}

TEST(RunState, ResetTakesUnitsFromPreferencesAndTellsTheLog)
{
    const CFreshState fresh;
    CLogRecorder log;
    const int startsBefore = log.starts;
    for (unsigned pref : {0u, 1u, 2u, 3u, 77u}) {
        Preferences().Set(EPreference::TrigonometricUnits, pref);
        CurrentRunState().continueFlag = false;
        CurrentRunState().lastStatus = eDomain;
        CurrentRunState().quietOverflow = true;
        CurrentRunState().Reset();
        EXPECT_EQ(CurrentRunState().trigonometricUnits, pref == 1 || pref == 2 ? static_cast<int>(pref) : 0);
        EXPECT_TRUE(CurrentRunState().continueFlag);
        EXPECT_EQ(CurrentRunState().lastStatus, eNone);
        EXPECT_FALSE(CurrentRunState().quietOverflow);
        EXPECT_EQ(CurrentRunState().currentKind, None);
    }
    EXPECT_EQ(log.starts, startsBefore + 5);
}

TEST(OperationScope, NestsKindsAndNamesTheFinishedChild)
{
    CLogRecorder log;
    {
        COperationScope outer(CurrentRunState(), NaturalLogarithm);
        EXPECT_EQ(outer.EntryKind(), None);
        EXPECT_EQ(CurrentRunState().currentKind, NaturalLogarithm);
        {
            COperationScope inner(CurrentRunState(), GammaFunction);
            EXPECT_EQ(inner.EntryKind(), NaturalLogarithm);
            EXPECT_EQ(CurrentRunState().previousKind, NaturalLogarithm);
            CurrentRunState().quietOverflow = true;
            ReportStatus(eOverflow, 0, 0);
        }
        // Right after the child returns, the previous kind names it.
        EXPECT_EQ(CurrentRunState().previousKind, GammaFunction);
        EXPECT_EQ(CurrentRunState().currentKind, NaturalLogarithm);
        EXPECT_FALSE(CurrentRunState().quietOverflow);
    }
    EXPECT_EQ(CurrentRunState().currentKind, None);
    EXPECT_EQ(CurrentRunState().previousKind, NaturalLogarithm);
}

}  // namespace
