// Bessel functions of a complex argument: accuracy against the mpmath
// reference grid, the exact special cases, the indicators and their
// statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>

#include "numeric/bessel.h"
#include "support/data_file.h"
#include "support/log_recorder.h"

namespace {

constexpr double kPiValue = 3.14159265358979323846;

EBesselKind KindOf(const std::string& text)
{
    switch (text.at(0)) {
    case 'J':
        return EBesselKind::J;
    case 'Y':
        return EBesselKind::Y;
    case 'I':
        return EBesselKind::I;
    default:
        return EBesselKind::K;
    }
}

double Number(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}

TEST(Bessel, MatchesTheReferenceGrid)
{
    const auto cases = ReadDataFile("bessel_references.txt");
    ASSERT_GT(cases.size(), 1000u);
    std::map<std::string, double> worstRatio;
    int failures = 0;
    for (const CDataCase& c : cases) {
        ASSERT_TRUE(c.fields.size() == 8 || c.fields.size() == 9) << "line " << c.line;  // 9: an edge family
        const std::string& kind = c.fields[0];
        const double order = Number(c.fields[1]);
        const CComplex z(Number(c.fields[2]), Number(c.fields[3]));
        const CComplex expected(Number(c.fields[4]), Number(c.fields[5]));
        const int indicator = std::atoi(c.fields[6].c_str());
        const double bound = Number(c.fields[7]);
        const CBesselResult r = ComputeBessel(KindOf(kind), order, z);
        const double error = std::abs(r.value - expected) / std::abs(expected);
        const bool ok = r.indicator == indicator && error <= bound;
        if (!ok && ++failures <= 40) {
            ADD_FAILURE() << "line " << c.line << ": " << kind << "(" << order << ", " << z << ") = " << r.value
                          << " indicator " << r.indicator << ", expected " << expected << " indicator "
                          << indicator << ", relative error " << error << " > " << bound;
        }
        double& worst = worstRatio[kind];
        worst = std::fmax(worst, error / bound);
    }
    EXPECT_EQ(failures, 0);
    for (const auto& [kind, ratio] : worstRatio)
        std::printf("Bessel %s: largest error / bound %.3g\n", kind.c_str(), ratio);
}

TEST(Bessel, ExactValuesAtZeroAndOnTheAxes)
{
    EXPECT_EQ(ComputeBessel(EBesselKind::J, 0, 0).value, CComplex(1, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::I, 0, 0).value, CComplex(1, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::J, 1, 0).value, CComplex(0, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::I, 2.5, 0).value, CComplex(0, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::J, 0, 0).indicator, 0);
    // Y and K have no value at 0: the routines call it an input error.
    EXPECT_EQ(ComputeBessel(EBesselKind::Y, 0, 0).indicator, 1);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 1, 0).indicator, 1);

    // J_{0.5}(−1) is purely imaginary, J_1(−2) purely real, I_2(−3) real.
    const CBesselResult half = ComputeBessel(EBesselKind::J, 0.5, -1);
    EXPECT_EQ(half.value.real(), 0.0);
    EXPECT_NEAR(half.value.imag(), 0.67139670714180309, 4e-15);
    EXPECT_EQ(ComputeBessel(EBesselKind::J, 1, -2).value.imag(), 0.0);
    EXPECT_EQ(ComputeBessel(EBesselKind::I, 2, -3).value.imag(), 0.0);
    EXPECT_EQ(ComputeBessel(EBesselKind::Y, 1.5, -2).value.real(), 0.0);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 0.5, -2).value.real(), 0.0);
    // Right of 0 on the real axis every kind is real.
    for (EBesselKind kind : {EBesselKind::J, EBesselKind::Y, EBesselKind::I, EBesselKind::K})
        EXPECT_EQ(ComputeBessel(kind, 0.3, 4).value.imag(), 0.0);
}

TEST(Bessel, NegativeOrdersTakeOnlyTheTermsThatCount)
{
    for (double x : {0.5, 3.0, 17.0, 40.0}) {
        const CBesselResult minus = ComputeBessel(EBesselKind::J, -1, x);
        const CBesselResult plus = ComputeBessel(EBesselKind::J, 1, x);
        EXPECT_EQ(minus.value, -plus.value) << x;
        const CBesselResult jHalf = ComputeBessel(EBesselKind::J, -0.5, x);
        const CBesselResult yHalf = ComputeBessel(EBesselKind::Y, 0.5, x);
        EXPECT_EQ(jHalf.value, -yHalf.value) << x;
        EXPECT_EQ(ComputeBessel(EBesselKind::K, -2.7, x).value, ComputeBessel(EBesselKind::K, 2.7, x).value);
        EXPECT_EQ(ComputeBessel(EBesselKind::I, -3, x).value, ComputeBessel(EBesselKind::I, 3, x).value);
    }
}

TEST(Bessel, ConjugateSymmetryAcrossTheNegativeAxis)
{
    // K_{1.5} just below the cut is the mirror image of the value above it.
    const CComplex above = ComputeBessel(EBesselKind::K, 1.5, CComplex(-2, 1e-300)).value;
    const CComplex below = ComputeBessel(EBesselKind::K, 1.5, CComplex(-2, -1e-300)).value;
    EXPECT_NEAR(above.imag(), -3.2741902342766302, 1e-14);
    EXPECT_EQ(below, std::conj(above));
    // −0 counts as the upper side, like the argument of −1 − 0i.
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 1.5, CComplex(-2, -0.0)).value,
              ComputeBessel(EBesselKind::K, 1.5, CComplex(-2, 0.0)).value);
}

TEST(Bessel, LossOfPrecisionAndRangeIndicators)
{
    const CBesselResult partial = ComputeBessel(EBesselKind::J, 0, 5e7);
    EXPECT_EQ(partial.indicator, 3);
    EXPECT_NEAR(partial.value.real(), 1.1089272288530121e-4, 1e-12);
    // A negative order keeps both terms of its formula under partial loss.
    const CBesselResult negative = ComputeBessel(EBesselKind::J, -0.3, 5e7);
    EXPECT_EQ(negative.indicator, 3);
    EXPECT_NEAR(negative.value.real() / 8.93352463414992567e-5, 1, 1e-12);
    const CBesselResult negativeI = ComputeBessel(EBesselKind::I, -0.3, CComplex(0, 5e7));
    EXPECT_EQ(negativeI.indicator, 3);
    EXPECT_LT(std::abs(negativeI.value - CComplex(7.95982873302508598e-5, -4.05573531309327654e-5)), 1e-16);
    const CBesselResult total = ComputeBessel(EBesselKind::J, 0, 3e15);
    EXPECT_EQ(total.indicator, 4);
    EXPECT_EQ(total.value, CComplex(0, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::I, 1e16, 1).indicator, 4);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 5e7, 1).indicator, 2);  // K of so large an order overflows

    // Overflow: the value is 0 and the indicator 2.
    const CBesselResult over = ComputeBessel(EBesselKind::I, 0.5, 800);
    EXPECT_EQ(over.indicator, 2);
    EXPECT_EQ(over.value, CComplex(0, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::Y, 100, 1e-10).indicator, 2);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 1, -800).indicator, 2);
    EXPECT_EQ(ComputeBessel(EBesselKind::J, 3, CComplex(2e9, 1e9)).indicator, 2);

    // Underflow: the member is set to 0 and counted, indicator 6.
    const CBesselResult under = ComputeBessel(EBesselKind::K, 1, 800);
    EXPECT_EQ(under.indicator, 6);
    EXPECT_EQ(under.value, CComplex(0, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::J, 100, 1e-10).indicator, 6);
    EXPECT_EQ(ComputeBessel(EBesselKind::I, 1, 1e-320).indicator, 6);
    // Above 1000 times the smallest normal number K is still computed (its
    // exponent taken out through logarithms), below it counts as underflow.
    const CBesselResult edge = ComputeBessel(EBesselKind::K, 0, 690);
    EXPECT_EQ(edge.indicator, 0);
    EXPECT_NEAR(edge.value.real() / 1.0360107463557403e-301, 1, 1e-12);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 0, 705).indicator, 6);

    // Tiny arguments: 2/z is formed without squaring |z|.
    const CBesselResult y0 = ComputeBessel(EBesselKind::Y, 0, CComplex(-1e-300, 1e-316));
    EXPECT_EQ(y0.indicator, 0);
    EXPECT_NEAR(y0.value.real(), -439.83516362276531, 1e-12);
    EXPECT_NEAR(y0.value.imag(), 2, 1e-15);
    EXPECT_NEAR(ComputeBessel(EBesselKind::K, 1, 1e-300).value.real() / 1e300, 1, 1e-15);
    EXPECT_NEAR(ComputeBessel(EBesselKind::K, 0, CComplex(-1e-300, 1e-316)).value.imag(), -kPiValue, 1e-15);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ComputeBessel(EBesselKind::J, nan, 1).indicator, 1);
    EXPECT_EQ(ComputeBessel(EBesselKind::J, nan, 1).value, CComplex(0, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::Y, 1, CComplex(nan, 0)).indicator, 1);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 1, std::numeric_limits<double>::infinity()).indicator, 4);
}

TEST(Bessel, TinyArgumentsGiveEveryValueThatIsANormalDouble)
{
    // Below the underflow scale 2.2e-305 (down to subnormal arguments):
    // K_0 = −ln(z/2) − γ and small orders stay finite, ...
    const CBesselResult k0 = ComputeBessel(EBesselKind::K, 0, 1e-310);
    EXPECT_EQ(k0.indicator, 0);
    EXPECT_NEAR(k0.value.real(), 713.91731034381246, 1e-12);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 0.3, 5e-324).indicator, 0);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 0.7, 1e-310).indicator, 0);
    // ... as do I and J of small orders, no longer counted as underflow, and
    // Y_0 = (2/π)(ln(z/2) + γ).
    for (EBesselKind kind : {EBesselKind::I, EBesselKind::J}) {
        const CBesselResult small = ComputeBessel(kind, 0.001, 1e-310);
        EXPECT_EQ(small.indicator, 0);
        EXPECT_NEAR(small.value.real(), 0.48972163927481693, 1e-15);
    }
    const CBesselResult y0 = ComputeBessel(EBesselKind::Y, 0, 1e-310);
    EXPECT_EQ(y0.indicator, 0);
    EXPECT_NEAR(y0.value.real(), -454.49387560035382, 1e-12);

    // K_1 = 1/z overflows only where 1/z does.
    const CBesselResult k1 = ComputeBessel(EBesselKind::K, 1, 1e-307);
    EXPECT_EQ(k1.indicator, 0);
    EXPECT_NEAR(k1.value.real() / 1e307, 1, 4e-16);
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 1, 6e-309).indicator, 0);
    const CBesselResult over = ComputeBessel(EBesselKind::K, 1, 5e-309);
    EXPECT_EQ(over.indicator, 2);
    EXPECT_EQ(over.value, CComplex(0, 0));
    EXPECT_EQ(ComputeBessel(EBesselKind::K, 2, 1e-306).indicator, 2);
    EXPECT_EQ(ComputeBessel(EBesselKind::Y, 1.5, 1e-306).indicator, 2);

    // The left half-plane: K_ν(−x ± 0i) = e^(∓iπν)K_ν(x) ∓ iπI_ν(x), real for
    // integer orders up to the I term, and mirror images across the cut.
    const CBesselResult left = ComputeBessel(EBesselKind::K, 1, -1e-307);
    EXPECT_EQ(left.indicator, 0);
    EXPECT_NEAR(left.value.real() / -1e307, 1, 4e-16);
    EXPECT_EQ(left.value.imag(), 0.0);
    EXPECT_NEAR(ComputeBessel(EBesselKind::K, 0, -1e-310).value.imag(), -kPiValue, 1e-15);
    const CComplex above = ComputeBessel(EBesselKind::K, 0.8, CComplex(-1e-307, 1e-310)).value;
    const CComplex below = ComputeBessel(EBesselKind::K, 0.8, CComplex(-1e-307, -1e-310)).value;
    EXPECT_EQ(below, std::conj(above));

    // Either side of the underflow scale the two methods agree (to the
    // 3e-14 that Temme's series loses there to the rounding of ν·ln(2/z)).
    const double scale = 2.2250738585072014e-305;
    for (double nu : {0.0, 0.25, 0.5, 0.7, 1.0}) {
        const CComplex inside = ComputeBessel(EBesselKind::K, nu, scale * (1 - 1e-15)).value;
        const CComplex outside = ComputeBessel(EBesselKind::K, nu, scale * (1 + 1e-15)).value;
        EXPECT_LT(std::abs(inside - outside) / std::abs(outside), 1e-13) << nu;
    }
}

TEST(Bessel, IndicatorsBecomeStatuses)
{
    struct SCase {
        int indicator;
        CComplex value;
        bool continues;
        const char* line;
    };
    const SCase cases[] = {
        {0, 1, true, ""},
        {1, 0, false, "Error|Bessel of the first kind|Function is not defined for 0\n"},
        {2, 0, false, "Error|Bessel of the first kind|Operation resulted in overflow, too big number returned\n"},
        {3, CComplex(0.5, 2), true,
         "Warning|Bessel of the first kind|Operation resulted in partial loss of precision, result accepted as 0.5\n"},
        {4, 0, true,
         "Warning|Bessel of the first kind|Operation resulted in total loss of precision, result accepted as 0\n"},
        {5, 0, true, "Error|Bessel of the first kind|Computation algorithm failed to converge\n"},
        {6, 0, true, "Warning|Bessel of the first kind|Operation resulted in underflow, result accepted as 0\n"},
    };
    for (const SCase& c : cases) {
        CLogRecorder log;
        CurrentRunState().currentKind = BesselFirstKind;
        ReportBesselIndicator(c.indicator, c.value);
        EXPECT_EQ(log.Lines(), c.line) << "indicator " << c.indicator;
        EXPECT_EQ(CurrentRunState().continueFlag, c.continues) << "indicator " << c.indicator;
    }
}

}  // namespace

#include "numeric/bessel_internal.h"

namespace {

TEST(Bessel, MachineParametersComeFromTheDoubleFormat)
{
    const NBessel::CMachine& m = NBessel::Machine();
    EXPECT_EQ(m.tol, 2.220446049250313e-16);
    EXPECT_DOUBLE_EQ(m.r1m5, 0.3010299956639812);
    EXPECT_DOUBLE_EQ(m.elim, 700.9217936944459);
    EXPECT_DOUBLE_EQ(m.dig, 15.653559774527022);
    EXPECT_DOUBLE_EQ(m.alim, 664.8716455337102);
    EXPECT_DOUBLE_EQ(m.rl, 21.784271729432426);
    EXPECT_DOUBLE_EQ(m.fnul, 85.92135864716212);
    EXPECT_EQ(m.ufl, 2.2250738585072014e-305);
    EXPECT_DOUBLE_EQ(m.ascle, 1.0020841800044864e-289);
    EXPECT_EQ(m.aa, 2251799813685248.0);
    EXPECT_DOUBLE_EQ(m.sqrtaa, 47453132.81212578);
}

TEST(Bessel, AiryFunctionInEverySector)
{
    struct SCase {
        CComplex z;
        bool derivative;
        CComplex expected;
    };
    const SCase cases[] = {
        {{0.5, 0.3}, false, {0.22634795458107734, -0.06800141109668117}},
        {{2, 1}, false, {0.0016977668572654568, -0.04071801705322398}},
        {{-2, 1}, false, {0.5563045393711925, 0.7898014381882759}},
        {{0, 5}, false, {29.901482398007165, 21.677831598783637}},
        {{10, -10}, false, {6.649912979675096e-09, 1.860283363786204e-07}},
        {{-6, 0}, true, {0.3459354872813429, 0}},
        {{-3, -0.5}, true, {0.49990997337087834, -0.6268792167466216}},
    };
    for (const SCase& c : cases) {
        CComplex value;
        ASSERT_EQ(NBessel::Airy(c.z, c.derivative, false, value), 0);
        EXPECT_LT(std::abs(value - c.expected) / std::abs(c.expected), 3e-14) << c.z << " " << c.derivative;
        // The scaled form carries e^((2/3)z^(3/2)).
        CComplex scaled;
        NBessel::Airy(c.z, c.derivative, true, scaled);
        const CComplex factor = std::exp(c.z * std::sqrt(c.z) * (2.0 / 3.0));
        EXPECT_LT(std::abs(scaled - value * factor) / std::abs(scaled), 1e-13) << c.z;
    }
}

TEST(Bessel, LogGammaOfPositiveReals)
{
    EXPECT_EQ(NBessel::LogGammaPositive(1), 0.0);
    EXPECT_EQ(NBessel::LogGammaPositive(2), 0.0);
    EXPECT_NEAR(NBessel::LogGammaPositive(0.5), 0.57236494292470008707, 1e-15);
    EXPECT_NEAR(NBessel::LogGammaPositive(10.3), 13.482036786138359, 2e-14);
    EXPECT_NEAR(NBessel::LogGammaPositive(171.5) / 709.14316303092824, 1, 1e-15);
    EXPECT_NEAR(NBessel::LogGammaPositive(1e-300), 690.77552789821371, 1e-12);
}

}  // namespace

namespace {

TEST(Bessel, LargeOrderKStaysUnderItsRealArgumentBound)
{
    // |e^(−z cosh t)| = e^(−Re z cosh t), so |K_ν(z)| <= K_ν(Re z) for
    // Re z > 0 (points where K_ν(Re z) is in range); and K of a real order is
    // symmetric under conjugation.
    for (double nu : {150.0, 1000.0, 2439.91}) {
        for (const CComplex t : {CComplex(0.667, -0.624), CComplex(0.62, 1.1), CComplex(0.75, 0.3)}) {
            const CComplex z = nu * t;
            const CBesselResult k = ComputeBessel(EBesselKind::K, nu, z);
            const CBesselResult real = ComputeBessel(EBesselKind::K, nu, z.real());
            // Far enough into the oscillation K underflows (indicator 6, value 0).
            ASSERT_TRUE(k.indicator == 0 || (k.indicator == 6 && k.value == CComplex(0))) << nu << " " << z;
            ASSERT_EQ(real.indicator, 0) << nu;
            EXPECT_LE(std::abs(k.value), real.value.real() * (1 + 1e-12)) << nu << " " << z;
            EXPECT_EQ(ComputeBessel(EBesselKind::K, nu, std::conj(z)).value, std::conj(k.value)) << nu << " " << z;
        }
    }
}

}  // namespace
