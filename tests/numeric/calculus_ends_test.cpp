#include "numeric/calculus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>

namespace {

// A real term of a real variable; NaN stands for a point the term is not
// defined at.
class CTerm final : public IPointFunction {
public:
    explicit CTerm(std::function<double(double)> f) : m_f(std::move(f)) {}
    bool Values(const CComplex* points, std::size_t count, CComplex* values, bool probing) override
    {
        (void)probing;
        for (std::size_t k = 0; k < count; ++k) {
            const double v = m_f(points[k].real());
            if (std::isnan(v))
                return false;
            values[k] = CComplex(v, 0.0);
        }
        return true;
    }
    bool Stopped() const override { return false; }

private:
    std::function<double(double)> m_f;
};

struct CEndCase {
    const char* name;
    std::function<double(double)> term;
    double a;
    double b;
    double expected;
    double tolerance;  // absolute
    ECalculusOutcome outcome;
    // At most this many points: the first panel's 21 and its probe's 128
    // beside the ends' values (one call for both), and the next double
    // inside where the end's own value stands apart.
    std::size_t evaluations;
};

TEST(CalculusEnds, StepsBesideTheEndsAndWhatTheEndsCost)
{
    constexpr std::size_t kFirstPanel = 21 + 128;
    const CEndCase cases[] = {
        {"smooth: the two ends' values and nothing more", [](double x) { return std::exp(x); }, 0, 1,
         std::exp(1.0) - 1, 4e-16, ECalculusOutcome::Done, kFirstPanel + 2},
        {"a step exactly at the end: its own value there alone", [](double x) { return std::floor(x); }, 0, 1, 0, 0,
         ECalculusOutcome::Done, kFirstPanel + 3},
        {"the same run backwards", [](double x) { return std::floor(x); }, 1, 0, 0, 0, ECalculusOutcome::Done,
         kFirstPanel + 3},
        {"a value of its own at the lower end", [](double x) { return x == 0 ? 7.0 : 1.0; }, 0, 1, 1, 0,
         ECalculusOutcome::Done, kFirstPanel + 3},
        {"no value at the end: as before", [](double x) { return x == 0 ? std::nan("") : std::sin(x) / x; }, 0, 1,
         0.94608307036718301494, 4e-16, ECalculusOutcome::Done, 1000},
        {"a step a thousandth beside the lower end", [](double x) { return x < 0 ? -1.0 : x > 0 ? 1.0 : 0.0; },
         -1e-3, 1, 0.999, 4e-16, ECalculusOutcome::Done, 5000},
        {"the same run backwards", [](double x) { return x < 0 ? -1.0 : x > 0 ? 1.0 : 0.0; }, 1, -1e-3, -0.999,
         4e-16, ECalculusOutcome::Done, 5000},
        {"a step 1e-9 beside the upper end, its place between two doubles",
         [](double x) { return x + 1e-9 >= 1 ? 1.0 : 0.0; }, 0, 1, 1e-9, 1.2e-16, ECalculusOutcome::Inexact, 5000},
        {"a step at a double 1e-9 beside the lower end", [](double x) { return x >= 1e-9 ? 2.0 : 0.0; }, 0, 1,
         2 * (1 - 1e-9), 4e-16, ECalculusOutcome::Done, 5000},
    };
    for (const CEndCase& c : cases) {
        SCOPED_TRACE(c.name);
        CTerm term(c.term);
        CCalculus calculus;
        const CCalculusResult result = calculus.Integrate(term, {CComplex(c.a, 0.0)}, {CComplex(c.b, 0.0)});
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_NEAR(result.value.real(), c.expected, c.tolerance);
        EXPECT_EQ(result.value.imag(), 0);
        EXPECT_LE(calculus.Evaluations(), c.evaluations);
    }
}

}  // namespace
