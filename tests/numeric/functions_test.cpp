#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "document/utf.h"
#include "language/functions.h"
#include "numeric/elementary.h"
#include "numeric/gamma.h"
#include "numeric/random.h"
#include "support/data_cases.h"
#include "support/log_recorder.h"

namespace {

using NCalculatorText::FindFunction;

using FRoutine = std::function<CComplex(const CComplex&)>;

// The numeric routine of each operation kind the rows try; a row names its
// function as the parser accepts it, and the function table gives the kind.
const std::map<EOperationKind, FRoutine>& Routines()
{
    static const std::map<EOperationKind, FRoutine> routines = {
        {Tangent, CalcTg},
        {Cotangent, CalcCtg},
        {HyperbolicTangent, CalcTh},
        {HyperbolicCotangent, CalcCth},
        {Secant, CalcSec},
        {HyperbolicCosecant, CalcCsch},
        {Arcsine, CalcArcSin},
        {Arccosine, CalcArcCos},
        {Arctangent, CalcArcTg},
        {Arccotangent, CalcArcCtg},
        {Arcsecant, CalcArcSec},
        {Arccosecant, CalcArcCosec},
        {ArchyperbolicSine, CalcArSh},
        {ArchyperbolicCosine, CalcArCh},
        {ArchyperbolicTangent, CalcArTh},
        {ArchyperbolicCotangent, CalcArCth},
        {ArchyperbolicSecant, CalcArSch},
        {ArchyperbolicCosecant, CalcArCsch},
        {AbsoluteValue, CalcAbs},
        {Exponent, CalcExp},
        {SquareRoot, CalcSqrt},
        {NaturalLogarithm, CalcLn},
        {DecimalLogarithm, CalcLg},
        {GammaFunction, [](const CComplex& z) { return Gamma(z); }},
    };
    return routines;
}

struct SFunction {
    EOperationKind kind;
    FRoutine compute;
};

// The function a row names: a name of the function table with the routine
// of its kind, or "loggamma", the logarithm of Γ that the Gamma routine
// works with, which no name of the language reaches.
bool FindRowFunction(const std::string& name, SFunction& function)
{
    if (name == "loggamma") {
        function = {GammaFunction, [](const CComplex& z) { return LogGamma(z); }};
        return true;
    }
    const NCalculatorText::CFunction* row = FindFunction(Utf8ToUtf16(name));
    if (!row || !Routines().contains(row->kind))
        return false;
    function = {row->kind, Routines().at(row->kind)};
    return true;
}

bool Close(double actual, double expected, double tolerance)
{
    if (tolerance == 0)
        return actual == expected;
    return std::fabs(actual - expected) <= tolerance * std::fabs(expected) + 1e-300;
}

class FunctionRows : public testing::TestWithParam<CDataRow> {};

TEST_P(FunctionRows, ValueAndMessages)
{
    const CDataCase& c = GetParam().row;
    const std::string where = GetParam().Where();
    ASSERT_GE(c.fields.size(), 6u) << where;
    SFunction function;
    ASSERT_TRUE(FindRowFunction(c.fields[0], function)) << where << ": no function " << c.fields[0];
    CLogRecorder log;
    CComplex value;
    {
        COperationScope scope(CurrentRunState(), function.kind);
        value = function.compute(
            CComplex(std::strtod(c.fields[1].c_str(), nullptr), std::strtod(c.fields[2].c_str(), nullptr)));
    }
    std::string expectedLog;
    for (std::size_t i = 6; i + 2 < c.fields.size() + 2 && i < c.fields.size(); i += 3)
        if (!c.fields[i].empty())
            expectedLog += c.fields[i] + "|" + c.fields[i + 1] + "|" + c.fields[i + 2] + "\n";
    EXPECT_EQ(log.Lines(), expectedLog) << where;
    const double tolerance = std::strtod(c.fields[5].c_str(), nullptr);
    if (tolerance < 0 || !CurrentRunState().continueFlag)
        return;  // a stopped calculation has no value to compare
    EXPECT_TRUE(Close(value.real(), std::strtod(c.fields[3].c_str(), nullptr), tolerance))
        << where << ": real part " << value.real();
    EXPECT_TRUE(Close(value.imag(), std::strtod(c.fields[4].c_str(), nullptr), tolerance))
        << where << ": imaginary part " << value.imag();
}

INSTANTIATE_DATA_ROWS(FunctionRows, "functions.txt");

CComplex InUnits(int units, const std::function<CComplex(const CComplex&)>& f, EOperationKind kind, CComplex z)
{
    CurrentRunState().trigonometricUnits = units;
    COperationScope scope(CurrentRunState(), kind);
    return f(z);
}

TEST(Functions, TrigonometricUnitsConvertArgumentsAndResults)
{
    CLogRecorder log;
    EXPECT_NEAR(InUnits(1, CalcSin, Sine, 30).real(), 0.5, 1e-15);
    const CComplex angle = InUnits(1, CalcArcSin, Arcsine, 0.5);
    EXPECT_NEAR(angle.real(), 30, 1e-13);
    EXPECT_EQ(angle.imag(), 0);
    EXPECT_NEAR(InUnits(2, CalcCos, Cosine, 100).real(), 0, 1e-15);
    EXPECT_EQ(InUnits(1, CalcArg, None, CComplex(0, 1)).real(), 1.5707963267948966);
    EXPECT_EQ(InUnits(2, CalcArg, None, CComplex(0, 1)).real(), 1.5707963267948966);
    EXPECT_TRUE(log.messages.empty());
}

CComplex Power(CComplex a, CComplex b)
{
    COperationScope scope(CurrentRunState(), ::Power);
    return CalcPower(a, b);
}

TEST(Functions, PowerRegimesAndSingularities)
{
    {
        CLogRecorder log;
        EXPECT_EQ(Power(0, 2), CComplex(0, 0));
        EXPECT_EQ(Power(2, 10), CComplex(1024, 0));
        EXPECT_EQ(Power(2, -2), CComplex(0.25, 0));
        EXPECT_EQ(Power(CComplex(0, 1), 2), CComplex(-1, 0));
        const CComplex root = Power(-8, 1.0 / 3);
        EXPECT_NEAR(root.real(), 1, 1e-15);
        EXPECT_NEAR(root.imag(), std::sqrt(3.0), 1e-15);
        EXPECT_EQ(Power(4, 0.5), CComplex(2, 0));
        EXPECT_TRUE(log.messages.empty());
    }
    for (CComplex exponent : {CComplex(0), CComplex(-1), CComplex(0, 1)}) {
        CLogRecorder log;
        Power(0, exponent);
        EXPECT_EQ(log.Lines(), "Error|Power|Function has singularity at 0\n");
    }
    {
        CLogRecorder log;
        Power(10, 400);
        EXPECT_EQ(log.Lines(), "Error|Power|Operation resulted in overflow, too big number returned\n");
    }
    {
        CLogRecorder log;
        Power(10, 400.5);
        EXPECT_EQ(log.Lines(), "Error|Power|Operation resulted in overflow, too big positive number returned\n");
    }
}

TEST(Gamma, TablesReflectionAndOverflow)
{
    EXPECT_EQ(Gamma(5.0), 24);
    EXPECT_EQ(Gamma(171.0), 7.257415615307999e+306);  // 170!, correctly rounded
    // Finite up to where Γ passes the largest double (171.6243...).
    EXPECT_NEAR(Gamma(171.5) / 9.4833675668247993e+307, 1, 1e-13);
    EXPECT_NEAR(Gamma(171.62) / 1.7576826789978127e+308, 1, 1e-13);
    EXPECT_TRUE(std::isinf(Gamma(171.625)));
    EXPECT_TRUE(std::isinf(Gamma(172.0)));
    EXPECT_TRUE(std::isfinite(Gamma(170.9)));
    EXPECT_TRUE(std::isnan(Gamma(-2.0)));
    EXPECT_NEAR(Gamma(-0.5), -3.5449077018110318, 1e-14);
    EXPECT_EQ(LogGamma(1.0, false), 0);
    EXPECT_EQ(LogGamma(2.0, false), 0);
    EXPECT_TRUE(std::isnan(LogGamma(-0.5, false)));
    EXPECT_NEAR(LogGamma(-0.5, true), 1.2655121234846454, 1e-14);
    EXPECT_NEAR(LogGamma(500.0, false), 2605.11585036173, 1e-10);
}

TEST(Gamma, LogGammaIsContinuousAcrossTheImaginaryAxis)
{
    for (double y : {0.5, 3.0, -3.0, 40.0, -150.0}) {
        const CComplex right = LogGamma(CComplex(1e-9, y));
        const CComplex left = LogGamma(CComplex(-1e-9, y));
        EXPECT_NEAR(right.real(), left.real(), 1e-6) << y;
        EXPECT_NEAR(right.imag(), left.imag(), 1e-6) << y;
    }
    // Along a horizontal line the imaginary part is not reduced.
    EXPECT_LT(LogGamma(CComplex(-40.5, 0.5)).imag(), -100);
}

TEST(Gamma, ComplexOverflowOnlyPastTheLargestDouble)
{
    // |Γ(171.6 + 0.2i)| = 1.59e308 is a double; Γ(171.7 + 0.1i) is not.
    const CComplex big = Gamma(CComplex(171.6, 0.2));
    EXPECT_NEAR(big.real() / 8.184603647519578e+307, 1, 2e-14);
    EXPECT_NEAR(big.imag() / 1.358161895196244e+308, 1, 2e-14);
    EXPECT_FALSE(IsFinite(Gamma(CComplex(171.7, 0.1))));
    // Far out on the left Γ fades into the subnormal range and to 0.
    EXPECT_EQ(Gamma(CComplex(-300.5, 200)), CComplex(0, 0));
    EXPECT_TRUE(IsFinite(Gamma(CComplex(-171.5, 3))));
}

TEST(Random, PublishedSequencesAndUnitInterval)
{
    CRandomGenerator one;
    one.Seed(1);
    EXPECT_EQ(one.Next(), 17925598777506749664ULL);
    EXPECT_EQ(one.Next(), 7585103483612287758ULL);
    EXPECT_EQ(one.Next(), 11728924528140059023ULL);
    CRandomGenerator answer;
    answer.Seed(42);
    EXPECT_EQ(answer.Next(), 2235175048639730301ULL);
    EXPECT_EQ(answer.Next(), 6425562075534813739ULL);

    EXPECT_EQ(ToUnitInterval(0), 0.0);
    EXPECT_EQ(ToUnitInterval(~0ULL), 1.0);
    EXPECT_EQ(ToUnitInterval(1ULL << 63), 0.5);
    EXPECT_LT(ToUnitInterval(~0ULL - (1ULL << 11)), 1.0);
}

TEST(Random, TwoGeneratorsGiveDifferentParts)
{
    CRandomSource random;
    random.SeedAtStartup();
    random.SeedImaginaryOnce();
    const CComplex a = random.Draw();
    const CComplex b = random.Draw();
    EXPECT_NE(a, b);
    EXPECT_NE(a.real(), a.imag());
    for (const CComplex& v : {a, b}) {
        EXPECT_GE(v.real(), 0);
        EXPECT_LE(v.real(), 1);
        EXPECT_GE(v.imag(), 0);
        EXPECT_LE(v.imag(), 1);
    }
}

TEST(Random, ACopyContinuesTheSameSequenceOnItsOwn)
{
    CRandomSource random;
    random.SeedAtStartup();
    random.SeedImaginaryOnce();
    random.Draw();
    CRandomSource copy = random;
    const CComplex fromCopy = copy.Draw();
    copy.Draw();
    // The original is where the copy was taken, and draws what the copy drew.
    EXPECT_EQ(random.Draw(), fromCopy);
    // Seeding the imaginary part again is no longer possible in either.
    const CRandomSource before = copy;
    copy.SeedImaginaryOnce();
    CRandomSource expected = before;
    EXPECT_EQ(copy.Draw(), expected.Draw());
}

}  // namespace
