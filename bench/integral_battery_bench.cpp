// The battery of tests/data/calculus_references.txt beside Boost.Math's
// quadrature, on the same integrands: every row over a real range (finite
// or infinite) whose term is real there, its term evaluated by the very
// code the integral node runs (the compiled program where the term is
// plain arithmetic, else the tree), once by our routine and once by each of
// Boost's, so that the times compare the methods and not the cost of a
// point. One run prints a table of the rows and sets the counters: the
// median over the rows of our time divided by that of the fastest Boost
// routine that reaches our accuracy.
//
// Run alone, on a quiet core:
//   taskset -c 1 core_bench --benchmark_filter=IntegralBatteryBesideBoost
// KAVM_BATTERY_ALL=1 in the environment prints every Boost routine of each
// row as well; KAVM_BATTERY_FILE names another file of rows (for example
// the neighbouring problems of tools/integral_neighbours.py).
#include <benchmark/benchmark.h>

#if KAVM_HAVE_BOOST_MATH

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <boost/math/quadrature/exp_sinh.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/quadrature/sinh_sinh.hpp>
#include <boost/math/quadrature/tanh_sinh.hpp>

#include "document/calc_environment.h"
#include "document/utf.h"
#include "language/calc_context.h"
#include "language/calculate.h"
#include "language/calculus_nodes.h"
#include "language/node.h"
#include "numeric/calculus.h"
#include "numeric/status.h"

namespace {

using NCalculatorText::CCalcContext;
using NCalculatorText::CNode;
using NCalculatorText::CNodeIntegral;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The term of one integral, evaluated at points by the integral node's own
// evaluation (the compiled program over a block of points while it runs
// clean, the tree from the first block that needs a report on, the run
// state polled with the node's weight per point). Our routine asks for
// blocks; Boost's ask for one point at a time (At), through the same code.
class CBatteryTerm final : public IPointFunction {
public:
    // Parses "integral(x, a, b, term)" and prepares its term; false when
    // the text is no such integral.
    bool Prepare(CCalcContext& context, const std::u16string& text)
    {
        m_context = &context;
        if (!NCalculatorText::CParcer::ParseExpression(m_root, text) || m_root.Children().size() != 1)
            return false;
        m_node = dynamic_cast<CNodeIntegral*>(m_root.Children()[0]);
        if (m_node == nullptr || m_node->Children().empty())
            return false;
        const CNode& list = *m_node->Children()[0];
        if (list.GetNodeType() != NCalculatorText::NodeVector || list.Children().size() != 4 ||
            list.Children()[0]->GetNodeType() != NCalculatorText::NodeVariable)
            return false;
        m_points = &m_node->BeginPoints(context);
        return true;
    }

    bool Compiled() const { return m_node->TermCompiled(); }

    // The whole integral as the statement's node computes it (limits,
    // set-up and our routine on its term).
    bool EvaluateNode(CComplex& value)
    {
        m_node->EndPoints();
        m_context->run.continueFlag = true;
        const bool done = m_root.Evaluate(*m_context, value);
        m_points = &m_node->BeginPoints(*m_context);
        return done;
    }

    bool Values(const CComplex* points, std::size_t count, CComplex* values, bool probing) override
    {
        if (!m_points->Values(points, count, values, probing))
            return false;
        for (std::size_t k = 0; k < count; ++k)
            m_complex |= values[k].imag() != 0;
        return true;
    }
    bool Stopped() const override { return m_points->Stopped(); }
    // The node's holds, so that a point where the term fails (sin(x)^2/x^2
    // at 0) is got round as in the statement.
    void HoldWarnings(bool hold) override { m_points->HoldWarnings(hold); }
    void EndHold(bool pass) override { m_points->EndHold(pass); }
    void HoldErrors(bool hold) override { m_points->HoldErrors(hold); }
    void EndErrorHold(bool pass) override { m_points->EndErrorHold(pass); }

    // Thrown by At past the budget of points.
    struct CBudgetSpent {};
    void SetBudget(std::size_t points) { m_budget = points; }

    // One point for Boost: NaN where the term fails (the node would stop
    // there), which Boost's routines report or carry into their value.
    double At(double x)
    {
        if (++m_calls > m_budget)
            throw CBudgetSpent();
        const CComplex point(x, 0.0);
        CComplex value;
        if (!Values(&point, 1, &value, false)) {
            m_failed = true;
            Begin();
            return kNaN;
        }
        return value.real();
    }

    // Before a fresh attempt: the run goes on, the counts start over.
    void Restart()
    {
        Begin();
        m_failed = false;
        m_calls = 0;
    }
    std::size_t Points() const { return m_calls; }
    bool Failed() const { return m_failed; }
    bool SawComplex() const { return m_complex; }
    void End() { m_node->EndPoints(); }

private:
    // The run goes on after a failed point or a stopped attempt.
    void Begin()
    {
        m_node->EndPoints();
        m_context->run.continueFlag = true;
        m_points = &m_node->BeginPoints(*m_context);
    }

    CNode m_root;
    CCalcContext* m_context = nullptr;
    CNodeIntegral* m_node = nullptr;
    IPointFunction* m_points = nullptr;
    bool m_failed = false;
    bool m_complex = false;
    std::size_t m_calls = 0;
    std::size_t m_budget = static_cast<std::size_t>(-1);
};

// The best time of one call in microseconds: calls grouped so that a group
// takes about 200 µs, the best group's mean over a few groups; a call of
// more than 2 ms is repeated only twice.
double BestMicroseconds(const std::function<void()>& call)
{
    using TClock = std::chrono::steady_clock;
    auto start = TClock::now();
    call();
    const double once = std::chrono::duration<double, std::micro>(TClock::now() - start).count();
    const int perGroup = static_cast<int>(std::clamp(200.0 / std::max(once, 1e-3), 1.0, 20000.0));
    // A slow call is timed twice more, singly: a first call that another
    // process's time slice fell into must not stand.
    const int groups = once > 2000 ? 2 : 5;
    double best = once;
    for (int g = 0; g < groups; ++g) {
        start = TClock::now();
        for (int k = 0; k < perGroup; ++k)
            call();
        best = std::min(best, std::chrono::duration<double, std::micro>(TClock::now() - start).count() / perGroup);
    }
    return best;
}

struct CAttempt {
    std::string name;
    double micros = kNaN;
    double error = HUGE_VAL;  // relative error; infinite where no value
    std::size_t points = 0;
    bool failedPoint = false;  // the term failed at a point Boost chose
    bool threw = false;
    bool cut = false;  // given up past the budget of points
    // Run at a tolerance of the accuracy sought (the row's bound or 1e-15),
    // not at the routine's default.
    bool asked = false;
};

double RelativeError(double value, double reference)
{
    if (!std::isfinite(value))
        return HUGE_VAL;
    const double scale = reference != 0 ? std::fabs(reference) : 1.0;
    return std::fabs(value - reference) / scale;
}

// A limit's text: "inf", "infinity" or "∞" with an optional sign gives
// its sign, a value 0.
int InfiniteLimit(std::u16string text)
{
    int sign = 1;
    while (!text.empty() && (text[0] == u'-' || text[0] == u'+' || text[0] == u'\u2212')) {
        if (text[0] != u'+')
            sign = -sign;
        text.erase(0, 1);
    }
    return text == u"inf" || text == u"infinity" || text == u"\u221e" ? sign : 0;
}

// The elements of "integral(x, a, b, term)" split at the commas outside
// brackets.
std::vector<std::u16string> Elements(const std::u16string& text)
{
    std::vector<std::u16string> elements;
    const std::size_t open = text.find(u'(');
    if (open == std::u16string::npos || text.back() != u')')
        return elements;
    int depth = 0;
    std::u16string current;
    for (std::size_t k = open + 1; k + 1 < text.size(); ++k) {
        const char16_t c = text[k];
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        if (c == u',' && depth == 0) {
            elements.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    elements.push_back(current);
    return elements;
}

struct CRowResult {
    int line = 0;
    std::string text;
    double bound = 0;
    CAttempt ours;
    std::vector<CAttempt> boost;
    // The fastest Boost attempt with error <= max(ours, 1e-15), and with
    // error <= the row's bound; -1 where none.
    int sameAccuracy = -1;
    int withinBound = -1;
    // The cost of a point in ns: in blocks of 64, as our routine asks, and
    // one at a time, as Boost's do.
    double blockNanos = kNaN;
    double singleNanos = kNaN;
    // The integral node's own time for the integral (limits, set-up and
    // our routine on its term).
    double nodeMicros = kNaN;
    // The same with Boost's routines run at a tolerance of the accuracy
    // sought only.
    int askedSameAccuracy = -1;
    // Some Boost attempt was given up for its points.
    bool cut = false;
};

double Quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return kNaN;
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const auto low = static_cast<std::size_t>(std::floor(at));
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - static_cast<double>(low));
}

int Fastest(const CRowResult& row, double tolerated, bool askedOnly = false)
{
    int best = -1;
    for (std::size_t k = 0; k < row.boost.size(); ++k) {
        const CAttempt& attempt = row.boost[k];
        if (attempt.error > tolerated || (askedOnly && !attempt.asked))
            continue;
        if (best < 0 || attempt.micros < row.boost[static_cast<std::size_t>(best)].micros)
            best = static_cast<int>(k);
    }
    return best;
}

void BM_IntegralBatteryBesideBoost(benchmark::State& state)
{
    namespace quadrature = boost::math::quadrature;
    // Built once: their abscissas and weights are tables.
    static quadrature::tanh_sinh<double> tanhSinh;
    static quadrature::exp_sinh<double> expSinh;
    static quadrature::sinh_sinh<double> sinhSinh;
    const bool listAll = std::getenv("KAVM_BATTERY_ALL") != nullptr;

    std::vector<CRowResult> rows;
    int skippedPath = 0;
    int skippedComplex = 0;
    int interpreted = 0;
    for (auto _ : state) {
        rows.clear();
        skippedPath = 0;
        skippedComplex = 0;
        interpreted = 0;
        CCalcContext context = MakeDocumentContext();
        const CRunStateBinding binding(context.run);
        const char* battery = std::getenv("KAVM_BATTERY_FILE");
        std::ifstream in(battery != nullptr ? battery : KAVM_BENCH_DATA_DIR "/calculus_references.txt");
        std::string line;
        int lineNumber = 0;
        while (std::getline(in, line)) {
            ++lineNumber;
            if (line.rfind("integral(", 0) != 0)
                continue;
            std::vector<std::string> fields;
            for (std::size_t from = 0;;) {
                const std::size_t bar = line.find('|', from);
                fields.push_back(line.substr(from, bar - from));
                if (bar == std::string::npos)
                    break;
                from = bar + 1;
            }
            if (fields.size() < 4)
                continue;
            const double reference = std::strtod(fields[1].c_str(), nullptr);
            if (std::strtod(fields[2].c_str(), nullptr) != 0) {
                ++skippedComplex;
                continue;
            }
            const std::u16string text = Utf8ToUtf16(fields[0]);
            const std::vector<std::u16string> elements = Elements(text);
            if (elements.size() != 4)
                continue;
            CIntegralLimit limits[2];
            bool realPath = true;
            for (int k = 0; k < 2; ++k) {
                limits[k].infinity = InfiniteLimit(elements[static_cast<std::size_t>(1 + k)]);
                if (limits[k].infinity == 0 &&
                    (!NCalculatorText::EvaluateExpression(context, elements[static_cast<std::size_t>(1 + k)],
                                                          limits[k].point) ||
                     limits[k].point.imag() != 0))
                    realPath = false;
            }
            if (!realPath) {
                ++skippedPath;
                continue;
            }
            double a = limits[0].infinity != 0 ? limits[0].infinity * HUGE_VAL : limits[0].point.real();
            double b = limits[1].infinity != 0 ? limits[1].infinity * HUGE_VAL : limits[1].point.real();
            // Boost's routines over the range upwards, the value turned.
            const double orientation = a > b ? -1 : 1;
            if (a > b)
                std::swap(a, b);

            CBatteryTerm term;
            if (!term.Prepare(context, text))
                continue;
            CRowResult row;
            row.line = lineNumber;
            row.text = fields[0];
            row.bound = std::strtod(fields[3].c_str(), nullptr);

            // Ours.
            CCalculus calculus;
            CCalculusResult result;
            const auto ours = [&] {
                term.Restart();
                result = calculus.Integrate(term, limits[0], limits[1]);
            };
            ours();
            const bool oursValue =
                result.outcome == ECalculusOutcome::Done || result.outcome == ECalculusOutcome::Inexact;
            row.ours.name = "ours";
            row.ours.error = oursValue ? RelativeError(result.value.real(), reference) : HUGE_VAL;
            row.ours.points = calculus.Evaluations();
            if (term.SawComplex()) {
                ++skippedComplex;
                term.End();
                continue;
            }
            row.ours.micros = BestMicroseconds(ours);
            row.nodeMicros = BestMicroseconds([&] {
                CComplex value;
                term.EvaluateNode(value);
                benchmark::DoNotOptimize(value);
            });
            if (!term.Compiled())
                ++interpreted;

            // Boost's routines for the range, each at its own default
            // tolerance, at the row's bound and at 1e-15.
            const auto f = [&term](double x) { return term.At(x); };
            const double tolerances[] = {boost::math::tools::root_epsilon<double>(), row.bound, 1e-15};
            const char* tolerancesNames[] = {"default", "bound", "1e-15"};
            // Boost's recursive Gauss-Kronrod at a tolerance below its
            // rounding runs to its deepest level, a million points and
            // seconds on the tree: an attempt is given up past 20 times
            // our points (at least 20000), a time of at least 20 times ours.
            term.SetBudget(std::max<std::size_t>(20 * row.ours.points, 20000));
            for (int t = 0; t < 3; ++t) {
                const double tolerance = tolerances[t];
                std::vector<std::pair<std::string, std::function<double()>>> routines;
                routines.emplace_back("gk15", [&, tolerance] {
                    return quadrature::gauss_kronrod<double, 15>::integrate(f, a, b, 15, tolerance);
                });
                routines.emplace_back("gk21", [&, tolerance] {
                    return quadrature::gauss_kronrod<double, 21>::integrate(f, a, b, 15, tolerance);
                });
                if (std::isfinite(a) && std::isfinite(b))
                    routines.emplace_back("tanh_sinh",
                                          [&, tolerance] { return tanhSinh.integrate(f, a, b, tolerance); });
                else if (std::isfinite(a) || std::isfinite(b))
                    routines.emplace_back("exp_sinh",
                                          [&, tolerance] { return expSinh.integrate(f, a, b, tolerance); });
                else
                    routines.emplace_back("sinh_sinh",
                                          [&, tolerance] { return sinhSinh.integrate(f, tolerance); });
                for (auto& [name, routine] : routines) {
                    CAttempt attempt;
                    attempt.name = name + "@" + tolerancesNames[t];
                    double value = kNaN;
                    const auto call = [&] {
                        term.Restart();
                        try {
                            value = orientation * routine();
                        } catch (const CBatteryTerm::CBudgetSpent&) {
                            value = kNaN;
                            attempt.cut = true;
                        } catch (const std::exception&) {
                            value = kNaN;
                            attempt.threw = true;
                        }
                    };
                    call();
                    attempt.points = term.Points();
                    attempt.failedPoint = term.Failed();
                    attempt.error = attempt.threw ? HUGE_VAL : RelativeError(value, reference);
                    attempt.micros = BestMicroseconds(call);
                    attempt.asked = t > 0;
                    row.cut |= attempt.cut;
                    row.boost.push_back(attempt);
                }
            }
            if (term.SawComplex()) {
                ++skippedComplex;
                continue;
            }
            {
                // 64 points inside the range.
                std::vector<CComplex> points(64);
                std::vector<CComplex> values(64);
                for (std::size_t k = 0; k < points.size(); ++k) {
                    const double u = (static_cast<double>(k) + 0.5) / static_cast<double>(points.size());
                    const double x = std::isfinite(a) && std::isfinite(b) ? a + (b - a) * u
                                     : std::isfinite(a)                   ? a + 10 * u
                                     : std::isfinite(b)                   ? b - 10 * u
                                                                          : 20 * u - 10;
                    points[k] = CComplex(x, 0.0);
                }
                term.Restart();
                if (term.Values(points.data(), points.size(), values.data(), false)) {
                    row.blockNanos = 1000 / 64.0 * BestMicroseconds([&] {
                        term.Restart();
                        term.Values(points.data(), points.size(), values.data(), false);
                    });
                    row.singleNanos = 1000 / 64.0 * BestMicroseconds([&] {
                        term.Restart();
                        for (const CComplex& point : points)
                            benchmark::DoNotOptimize(term.At(point.real()));
                    });
                }
            }
            term.End();
            row.sameAccuracy = Fastest(row, std::max(row.ours.error, 1e-15));
            row.withinBound = Fastest(row, row.bound);
            row.askedSameAccuracy = Fastest(row, std::max(row.ours.error, 1e-15), true);
            rows.push_back(std::move(row));
        }
    }

    std::printf("%5s %-60s %9s %8s %6s | %-16s %9s %8s %6s %7s | %-16s %7s | %6s %6s | %9s\n", "line", "integral",
                "ours_us", "ours_err", "points", "boost_same_acc", "boost_us", "err", "points", "ratio",
                "boost_in_bound", "ratio", "ns_blk", "ns_one", "node_us");
    std::vector<double> sameRatios;
    std::vector<double> boundRatios;
    std::vector<double> pointCosts;
    std::vector<double> equalCostRatios;
    std::vector<double> pointRatios;
    std::vector<double> askedRatios;
    std::vector<double> nodeRatios;
    int noneSame = 0;
    int noneBound = 0;
    int noneAsked = 0;
    int noneCut = 0;
    int oursMissBound = 0;
    for (const CRowResult& row : rows) {
        std::string text = row.text.substr(0, 60);
        std::printf("%5d %-60s %9.2f %8.1e %6zu |", row.line, text.c_str(), row.ours.micros, row.ours.error,
                    row.ours.points);
        if (row.ours.error > row.bound)
            ++oursMissBound;
        if (row.sameAccuracy >= 0) {
            const CAttempt& best = row.boost[static_cast<std::size_t>(row.sameAccuracy)];
            const double ratio = row.ours.micros / best.micros;
            sameRatios.push_back(ratio);
            std::printf(" %-16s %9.2f %8.1e %6zu %7.2f |", best.name.c_str(), best.micros, best.error, best.points,
                        ratio);
        } else {
            ++noneSame;
            std::printf(" %-16s %9s %8s %6s %7s |", "none", "", "", "", "");
        }
        if (row.withinBound >= 0) {
            const CAttempt& best = row.boost[static_cast<std::size_t>(row.withinBound)];
            const double ratio = row.ours.micros / best.micros;
            boundRatios.push_back(ratio);
            std::printf(" %-16s %7.2f |", best.name.c_str(), ratio);
        } else {
            ++noneBound;
            std::printf(" %-16s %7s |", "none", "");
        }
        std::printf(" %6.1f %6.1f | %9.2f\n", row.blockNanos, row.singleNanos, row.nodeMicros);
        nodeRatios.push_back(row.nodeMicros / row.ours.micros);
        if (row.blockNanos > 0)
            pointCosts.push_back(row.singleNanos / row.blockNanos);
        if (row.askedSameAccuracy >= 0)
            askedRatios.push_back(row.ours.micros /
                                  row.boost[static_cast<std::size_t>(row.askedSameAccuracy)].micros);
        else
            ++noneAsked;
        if (row.cut && row.sameAccuracy < 0)
            ++noneCut;
        if (row.sameAccuracy >= 0 && row.blockNanos > 0) {
            // Boost's time with its points at our cost of a point.
            const CAttempt& best = row.boost[static_cast<std::size_t>(row.sameAccuracy)];
            const double points = static_cast<double>(best.points);
            const double rest = std::max(0.0, best.micros - points * row.singleNanos / 1000);
            equalCostRatios.push_back(row.ours.micros / (points * row.blockNanos / 1000 + rest));
            pointRatios.push_back(static_cast<double>(row.ours.points) / static_cast<double>(best.points));
        }
        if (listAll) {
            for (const CAttempt& attempt : row.boost)
                std::printf("      %-18s %9.2f us  err %8.1e  points %7zu%s%s%s\n", attempt.name.c_str(),
                            attempt.micros, attempt.error, attempt.points,
                            attempt.failedPoint ? "  term failed at a point" : "", attempt.threw ? "  threw" : "",
                            attempt.cut ? "  given up" : "");
        }
    }
    std::printf("rows %zu (left out: %d with a complex path, %d with a complex term or value); terms on the tree "
                "alone %d; ours beyond the row's bound %d\n",
                rows.size(), skippedPath, skippedComplex, interpreted, oursMissBound);
    std::printf("ours / fastest Boost with error <= max(ours, 1e-15): median %.2f, quartiles %.2f %.2f, "
                "max %.2f over %zu rows; %d rows where no Boost routine reaches it (%d of them with an attempt "
                "given up past its budget of points)\n",
                Quantile(sameRatios, 0.5), Quantile(sameRatios, 0.25), Quantile(sameRatios, 0.75),
                Quantile(sameRatios, 1), sameRatios.size(), noneSame, noneCut);
    std::printf("ours / fastest Boost with error <= the row's bound: median %.2f, quartiles %.2f %.2f, "
                "max %.2f over %zu rows; %d rows where none does\n",
                Quantile(boundRatios, 0.5), Quantile(boundRatios, 0.25), Quantile(boundRatios, 0.75),
                Quantile(boundRatios, 1), boundRatios.size(), noneBound);
    std::printf("the same with Boost's routines run at tolerance 1e-15 or the row's bound only: median %.2f, "
                "quartiles %.2f %.2f over %zu rows; %d rows where none reaches it\n",
                Quantile(askedRatios, 0.5), Quantile(askedRatios, 0.25), Quantile(askedRatios, 0.75),
                askedRatios.size(), noneAsked);
    std::printf("the integral node's time / ours here: median %.2f, quartiles %.2f %.2f\n",
                Quantile(nodeRatios, 0.5), Quantile(nodeRatios, 0.25), Quantile(nodeRatios, 0.75));
    std::printf("a point one at a time / in blocks: median %.2f, quartiles %.2f %.2f; with Boost's points at "
                "the block cost, ours / same-accuracy Boost: median %.2f, quartiles %.2f %.2f; our points / Boost's: "
                "median %.2f, quartiles %.2f %.2f\n",
                Quantile(pointCosts, 0.5), Quantile(pointCosts, 0.25), Quantile(pointCosts, 0.75),
                Quantile(equalCostRatios, 0.5), Quantile(equalCostRatios, 0.25), Quantile(equalCostRatios, 0.75),
                Quantile(pointRatios, 0.5), Quantile(pointRatios, 0.25), Quantile(pointRatios, 0.75));
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["median_ratio"] = Quantile(sameRatios, 0.5);
    state.counters["q1_ratio"] = Quantile(sameRatios, 0.25);
    state.counters["q3_ratio"] = Quantile(sameRatios, 0.75);
    state.counters["boost_misses"] = noneSame;
    state.counters["median_ratio_bound"] = Quantile(boundRatios, 0.5);
    state.counters["boost_misses_bound"] = noneBound;
}
BENCHMARK(BM_IntegralBatteryBesideBoost)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

#endif
