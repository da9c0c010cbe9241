#include "numeric/complex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "document/number_format.h"
#include "numeric/realmath.h"
#include "support/log_recorder.h"

namespace {

// Runs one checked operation under its operation kind, as a node would.
template <typename F>
CComplex RunAs(EOperationKind kind, F operation)
{
    COperationScope scope(CurrentRunState(), kind);
    return operation();
}

TEST(MachineConstants, DerivedFromTheDoubleFormat)
{
    const CMachineConstants& c = MachineConstants();
    EXPECT_EQ(c.largest, 1.7976931348623157e+308);
    EXPECT_NEAR(c.lnLargest, 709.782712893384, 1e-12);
    EXPECT_NEAR(c.lnRootLargest, 354.891356446692, 1e-12);
    EXPECT_EQ(c.rootLargest, 1.3407807929942596e+154);
    EXPECT_EQ(c.rootSmallestDenormal, 2.2227587494850775e-162);
    EXPECT_EQ(c.epsilon, 2.220446049250313e-16);
    EXPECT_EQ(c.halfEpsilon, 1.1102230246251565e-16);
    EXPECT_EQ(c.seriesLength, 16);
}

TEST(Arithmetic, OverflowOfASumStopsWithoutSignWord)
{
    CLogRecorder log;
    RunAs(Addition, [] { return Add(1e308, 1e308); });
    EXPECT_FALSE(CurrentRunState().continueFlag);
    EXPECT_EQ(log.Lines(), "Error|Addition|Operation resulted in overflow, too big number returned\n");

    CLogRecorder second;
    RunAs(Subtraction, [] { return Subtract(CComplex(0, -1e308), CComplex(0, 1e308)); });
    EXPECT_EQ(second.Lines(), "Error|Subtraction|Operation resulted in overflow, too big number returned\n");
}

TEST(Arithmetic, ProductUnderflowWarnsAndKeepsZero)
{
    CLogRecorder log;
    const CComplex r = RunAs(Multiplication, [] { return Multiply(1e-200, 1e-200); });
    EXPECT_TRUE(IsZero(r));
    EXPECT_TRUE(CurrentRunState().continueFlag);
    EXPECT_EQ(log.Lines(), "Warning|Multiplication|Operation resulted in underflow, result accepted as 0\n");

    CLogRecorder quiet;
    EXPECT_TRUE(IsZero(RunAs(Multiplication, [] { return Multiply(0.0, 5.0); })));
    EXPECT_TRUE(quiet.messages.empty());
}

TEST(Arithmetic, ProductOverflowAndComplexProduct)
{
    CLogRecorder log;
    EXPECT_EQ(RunAs(Multiplication, [] { return Multiply(CComplex(1, 2), CComplex(3, -4)); }), CComplex(11, 2));
    EXPECT_TRUE(log.messages.empty());
    RunAs(Multiplication, [] { return Multiply(CComplex(1e200, 1), CComplex(1e200, 0)); });
    EXPECT_EQ(log.Lines(), "Error|Multiplication|Operation resulted in overflow, too big number returned\n");
}

TEST(Arithmetic, DivisionSingularityUnderflowAndExactness)
{
    {
        CLogRecorder log;
        RunAs(Division, [] { return Divide(1.0, 0.0); });
        EXPECT_FALSE(CurrentRunState().continueFlag);
        EXPECT_EQ(log.Lines(), "Error|Division|Operation has singularity at 0\n");
    }
    {
        CLogRecorder log;
        EXPECT_TRUE(IsZero(RunAs(Division, [] { return Divide(0.0, 5.0); })));
        EXPECT_TRUE(log.messages.empty());
        EXPECT_TRUE(IsZero(RunAs(Division, [] { return Divide(1e-300, 1e300); })));
        EXPECT_EQ(log.Lines(), "Warning|Division|Operation resulted in underflow, result accepted as 0\n");
        EXPECT_TRUE(CurrentRunState().continueFlag);
    }
    {
        CLogRecorder log;
        const CComplex q = RunAs(Division, [] { return Divide(CComplex(1, 1), CComplex(1, 1)); });
        EXPECT_EQ(q.real(), 1.0);
        EXPECT_EQ(q.imag(), 0.0);
        EXPECT_EQ(RunAs(Division, [] { return Divide(CComplex(11, 2), CComplex(3, -4)); }), CComplex(1, 2));
        RunAs(Division, [] { return Divide(1e300, 1e-300); });
        EXPECT_EQ(log.Lines(), "Error|Division|Operation resulted in overflow, too big number returned\n");
    }
}

TEST(Arithmetic, ReciprocalOfARealByAComplex)
{
    EXPECT_EQ(Reciprocal(1, CComplex(0, 2)), CComplex(0, -0.5));
    EXPECT_EQ(Reciprocal(2, CComplex(4, 0)), CComplex(0.5, -0.0));
    const CComplex r = Reciprocal(1, CComplex(1, 1));
    EXPECT_DOUBLE_EQ(r.real(), 0.5);
    EXPECT_DOUBLE_EQ(r.imag(), -0.5);
}

TEST(Primitives, MagnitudeAndArgument)
{
    EXPECT_EQ(Magnitude(CComplex(3, 4)), 5.0);
    EXPECT_EQ(Magnitude(CComplex(1e300, 1e300)), 1.4142135623730951e300);
    EXPECT_TRUE(std::isinf(Magnitude(CComplex(HUGE_VAL, 1))));
    EXPECT_EQ(Argument(CComplex(-1, -0.0)), kPi);
    EXPECT_EQ(Argument(CComplex(-1, -1e-300)), -kPi);
    EXPECT_EQ(Argument(CComplex(0, 1)), kPi / 2);
}

TEST(Primitives, Logarithms)
{
    CLogRecorder log;
    EXPECT_EQ(Ln(CComplex(-1, 0)), CComplex(0, kPi));
    EXPECT_EQ(Ln(CComplex(-1, -0.0)), CComplex(0, kPi));
    EXPECT_EQ(Lg(CComplex(100, 0)), CComplex(2, 0));
    EXPECT_EQ(Lg(CComplex(-1, 0)), CComplex(0, 1.3643763538418412));
    EXPECT_NEAR(Ln(CComplex(1e308, 1e308)).real(), 709.542782232446, 1e-12);
    EXPECT_TRUE(log.messages.empty());
}

TEST(Primitives, ExponentialSquareRootAndTrigonometry)
{
    CLogRecorder log;
    EXPECT_EQ(Exp(CComplex(0, 0)), CComplex(1, 0));
    const CComplex e = Exp(CComplex(1, kPi / 2));
    EXPECT_NEAR(e.real(), 0, 1e-15);
    EXPECT_DOUBLE_EQ(e.imag(), std::exp(1.0));
    EXPECT_EQ(Sqrt(CComplex(-4, 0)), CComplex(0, 2));
    EXPECT_EQ(Sqrt(CComplex(-4, -0.0)), CComplex(0, -2));
    const CComplex s = Sin(CComplex(1, 2));
    EXPECT_DOUBLE_EQ(s.real(), std::sin(1.0) * std::cosh(2.0));
    EXPECT_DOUBLE_EQ(s.imag(), std::cos(1.0) * std::sinh(2.0));
    const CComplex c = Cos(CComplex(1, 2));
    EXPECT_DOUBLE_EQ(c.imag(), -std::sin(1.0) * std::sinh(2.0));
    const CComplex sh = Sinh(CComplex(2, 1));
    EXPECT_DOUBLE_EQ(sh.real(), std::sinh(2.0) * std::cos(1.0));
    const CComplex ch = Cosh(CComplex(2, 1));
    EXPECT_DOUBLE_EQ(ch.imag(), std::sinh(2.0) * std::sin(1.0));
    EXPECT_TRUE(log.messages.empty());
}

TEST(Primitives, FinitenessZeroAndComparison)
{
    EXPECT_TRUE(IsFinite(CComplex(1, 2)));
    EXPECT_FALSE(IsFinite(CComplex(1, std::nan(""))));
    EXPECT_FALSE(IsFinite(CComplex(-HUGE_VAL, 0)));
    EXPECT_TRUE(IsZero(CComplex(-0.0, 0.0)));
    EXPECT_FALSE(IsZero(CComplex(0, 1e-320)));
    EXPECT_FALSE(DiffersFrom(CComplex(2, -0.0), 2));
    EXPECT_TRUE(DiffersFrom(CComplex(2, 1), 2));
}

TEST(RealMath, ReportsTheLibraryConditions)
{
    CLogRecorder log;
    COperationScope scope(CurrentRunState(), Power);
    NRealMath::Pow(10, 400.5);
    NRealMath::Pow(-10, 401);
    EXPECT_EQ(log.Lines(),
              "Error|Power|Operation resulted in overflow, too big positive number returned\n"
              "Error|Power|Operation resulted in overflow, too big negative number returned\n");
}

TEST(RealMath, DomainSingularityUnderflowAndLoss)
{
    CLogRecorder log;
    CurrentRunState().currentKind = NaturalLogarithm;
    NRealMath::Log(0);
    NRealMath::Log(-2);
    CurrentRunState().currentKind = Exponent;
    EXPECT_EQ(NRealMath::Exp(-1000), 0.0);
    CurrentRunState().currentKind = SquareRoot;
    NRealMath::Sqrt(-1);
    CurrentRunState().currentKind = Power;
    NRealMath::Pow(-8, 1.0 / 3);
    NRealMath::Pow(0, -1);
    CurrentRunState().currentKind = Sine;
    NRealMath::Sin(HUGE_VAL);
    NRealMath::Sin(1e19);
    EXPECT_EQ(log.Lines(),
              "Error|Natural logarithm|Function has singularity at 0\n"
              "Error|Natural logarithm|Function is not defined for -2\n"
              "Warning|Exponent|Operation resulted in underflow, result accepted as 0\n"
              "Error|Square root|Function is not defined for -1\n"
              "Error|Power|Function is not defined for -8\n"
              "Error|Power|Function has singularity at 0\n"
              "Error|Sine|Function is not defined for 1.#INF\n"
              "Warning|Sine|Operation resulted in total loss of precision, result accepted as " +
                  Utf16ToUtf8(FormatReal(std::sin(1e19), u"%.20g")) + "\n");
}

TEST(RealMath, QuietForOrdinaryArguments)
{
    CLogRecorder log;
    EXPECT_EQ(NRealMath::Pow(2, 10), 1024.0);
    EXPECT_EQ(NRealMath::Exp(0), 1.0);
    EXPECT_EQ(NRealMath::Log10(1000), 3.0);
    EXPECT_EQ(NRealMath::Atan2(0, 0), 0.0);
    EXPECT_EQ(NRealMath::Cosh(0), 1.0);
    EXPECT_TRUE(std::isnan(NRealMath::Log(std::nan(""))));
    EXPECT_TRUE(log.messages.empty());
}

}  // namespace
