#include "numeric/calculus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>

namespace {

// A real term that fails where f gives NaN, as the language's terms do: a
// failure outside a probe says "stop" unless errors are held, and then its
// message waits for EndErrorHold. It counts what the routine asked for.
class CHoldingTerm final : public IPointFunction {
public:
    explicit CHoldingTerm(std::function<double(double)> f, std::size_t cancelAfter = 0)
        : m_f(std::move(f)), m_cancelAfter(cancelAfter)
    {
    }
    bool Values(const CComplex* points, std::size_t count, CComplex* values, bool probing) override
    {
        for (std::size_t k = 0; k < count; ++k) {
            if (m_cancelAfter != 0 && ++m_asked > m_cancelAfter) {
                m_stopped = true;
                return false;
            }
            const double v = m_f(points[k].real());
            if (std::isnan(v)) {
                if (!probing) {
                    ++failures;
                    if (m_holding)
                        ++held;
                    else
                        ++passed;
                    m_stopped = !m_holding;
                }
                return false;
            }
            values[k] = CComplex(v, 0.0);
        }
        return true;
    }
    bool Stopped() const override { return m_stopped; }
    void HoldErrors(bool hold) override { m_holding = hold; }
    void EndErrorHold(bool pass) override
    {
        m_holding = false;
        if (pass && held > 0)
            ++passed;
        held = 0;
    }

    int failures = 0;  // failed points outside probes
    int held = 0;      // of those, waiting
    int passed = 0;    // messages that reached the log

private:
    std::function<double(double)> m_f;
    std::size_t m_cancelAfter;
    std::size_t m_asked = 0;
    bool m_holding = false;
    bool m_stopped = false;
};

struct CInteriorCase {
    const char* name;
    std::function<double(double)> term;
    double a;
    double b;
    ECalculusOutcome outcome;
    double expected;
    double tolerance;  // relative
    int passed;        // the term's messages in the log at the end
};

TEST(CalculusInterior, APointInsideWhereTheTermFailsSplitsTheRange)
{
    const auto sinc = [](double x) { return x == 0 ? std::nan("") : std::sin(x) / x; };
    const double si1 = 0.94608307036718301494;
    const CInteriorCase cases[] = {
        {"sin(x)/x over [-1, 1]: the middle node falls on 0", sinc, -1, 1, ECalculusOutcome::Done, 2 * si1, 4e-16, 0},
        {"the same run backwards", sinc, 1, -1, ECalculusOutcome::Done, -2 * si1, 4e-16, 0},
        {"|x|^-1/2 with no value at 0", [](double x) { return x == 0 ? std::nan("") : 1 / std::sqrt(std::fabs(x)); },
         -1, 1, ECalculusOutcome::Done, 4, 4e-16, 0},
        {"two such points, at 1 and 2 (one split inside the other)",
         [](double x) {
             return x == 1 || x == 2 ? std::nan("") : 1 / std::sqrt(std::fabs(x - 1)) + 1 / std::sqrt(std::fabs(x - 2));
         },
         0, 3, ECalculusOutcome::Done, 4 * (1 + std::sqrt(2.0)), 4e-16, 0},
        {"no value near 0 either (1/x^2 overflowing): the term's failure stands",
         [](double x) { return std::fabs(x) < 1e-150 ? std::nan("") : 1 / (x * x); }, -1, 1,
         ECalculusOutcome::Stopped, 0, 0, 1},
        {"no value anywhere beyond 0.5: the failure stands",
         [](double x) { return x > 0.5 ? std::nan("") : x; }, 0, 1, ECalculusOutcome::Stopped, 0, 0, 1},
    };
    for (const CInteriorCase& c : cases) {
        SCOPED_TRACE(c.name);
        CHoldingTerm term(c.term);
        CCalculus calculus;
        const CCalculusResult result = calculus.Integrate(term, {CComplex(c.a, 0.0)}, {CComplex(c.b, 0.0)});
        EXPECT_EQ(result.outcome, c.outcome);
        if (c.outcome == ECalculusOutcome::Done) {
            EXPECT_NEAR(result.value.real(), c.expected, c.tolerance * std::fabs(c.expected));
        }
        EXPECT_GE(term.failures, 1);
        EXPECT_EQ(term.passed, c.passed);
        EXPECT_EQ(term.held, 0);
    }
}

TEST(CalculusInterior, ADivergentPartGivesTheVerdictAndDropsTheTermsError)
{
    CHoldingTerm term([](double x) { return x == 0 ? std::nan("") : 1 / x; });
    CCalculus calculus;
    const CCalculusResult result = calculus.Integrate(term, {CComplex(-1.0, 0.0)}, {CComplex(1.0, 0.0)});
    EXPECT_EQ(result.outcome, ECalculusOutcome::DoesNotConverge);
    EXPECT_EQ(term.passed, 0);
}

TEST(CalculusInterior, ACancelDuringTheSplitStopsWithoutTheHeldError)
{
    CHoldingTerm term([](double x) { return x == 0 ? std::nan("") : std::sin(x) / x; }, 100);
    CCalculus calculus;
    const CCalculusResult result = calculus.Integrate(term, {CComplex(-1.0, 0.0)}, {CComplex(1.0, 0.0)});
    EXPECT_EQ(result.outcome, ECalculusOutcome::Stopped);
    EXPECT_EQ(term.failures, 1);
    EXPECT_EQ(term.passed, 0);
}

TEST(CalculusInterior, ASingularityNoNodeFallsOnIsFoundWhereTheErrorStays)
{
    // |x - 0.3|^-1/2 over [0, 1]: finite at every double but 0.3; the
    // adaptive stage's narrow panels around 0.3 lead to it.
    const double c = 0.3;
    CHoldingTerm term([c](double x) { return x == c ? std::nan("") : 1 / std::sqrt(std::fabs(x - c)); });
    CCalculus calculus;
    const CCalculusResult result = calculus.Integrate(term, {CComplex(0.0, 0.0)}, {CComplex(1.0, 0.0)});
    EXPECT_EQ(result.outcome, ECalculusOutcome::Done);
    EXPECT_NEAR(result.value.real(), 2 * (std::sqrt(c) + std::sqrt(1 - c)), 4e-15);
    EXPECT_EQ(term.failures, 0);
}

}  // namespace
