#include "numeric/calculus.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/complex_size.h"
#include "numeric/double_double.h"
#include "numeric/quadrature_tables.h"

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
// What the integrals aim at, relative to their value.
constexpr double kIntegralGoal = 1e-14;
// Above this relative error an adaptive integral is no value at all (an
// integrand of noise, such as rand, ends far above it; a singularity at an
// end other than 0, which only the resolution of the numbers limits, stays
// far below).
constexpr double kDivergence = 1e-6;
// The narrowest piece, relative to the whole parameter range: beyond it a
// singularity is taken as one that the integral cannot pass.
constexpr double kNarrowest = 1e-200;
constexpr std::size_t kMaxPanels = 2000;
// Towards an end whose narrowest pieces keep their mass, the factor by
// which the pieces shrink from level to level must stay below 1 by this
// much for the integral to be taken as existing: a power p above −1 makes
// it 2^(p+1) (0.9931 for −0.99, most of whose integral lies nearer the end
// than the numbers reach), while the rounding of the points near the end
// moves the factor of a power of −1 by far less.
constexpr double kSteadyMargin = 1e-4;
// Above this factor the sums converge too slowly for Wynn's epsilon
// algorithm to tell its own error (its limits wander by far more than its
// estimate): the geometric series of the pieces checks them.
constexpr double kSlowShrink = 0.95;
// A value without the warning is meant to be this near (relative) at
// least: where the end limit from the carried values finds the one from
// the values as asked for farther away, it takes over.
constexpr double kQuietError = 1e-12;
// The even grid that looks for what the adaptive panels missed, per half of
// a segment or per half-line: a peak wider than about a thousandth of the
// range is seen.
constexpr std::size_t kScanPoints = 512;
// Panels narrower than this many steps of that grid are not sampled: the
// largest gap between their 21 nodes is below one step.
constexpr double kNarrowScan = 12;
// The grid that looks, before a first panel or a double-exponential rule is
// believed, for a peak between all of the rule's points: a peak of a
// thousandth of the range (of its distance from the end, on a half-line)
// shows on its flanks. Each point costs what a node of the rule costs, so
// the grid is no finer.
constexpr std::size_t kProbePoints = 128;
constexpr int kMaxLevel = 7;
// Double-exponential nodes farther out than this (in the parameter u) are
// all beneath notice.
constexpr double kMaxU = 6.6;
// Points farther than this from the origin are not asked for.
constexpr double kFarthest = 1e200;

using NComplexSize::Abs;
using NComplexSize::Finite;

// A panel's nodes in the order of their parameters.
constexpr int kOrder[21] = {19, 17, 15, 13, 11, 9, 7, 5, 3, 1, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20};
// A side of a step is steady where its values stay this near (relative to
// the step) to one level.
constexpr double kSteadySide = 1e-6;
// A panel whose nodes' values lie in flat runs at no more than this many
// levels (each with about three nodes or more) is a few steps, not a curve.
constexpr int kFewLevels = 7;
// Within this share of a panel's or rule's range from an end the points'
// rounding is left alone (see Unround).
constexpr double kNearEnd = 0x1p-10;
// An integral is split at points inside its range (where the term failed,
// where the error stayed) this many times deep at the most.
constexpr int kInteriorSplits = 4;

// The nodes of the double-exponential rules for a unit range, on the grid of
// the finest level (u = j / 2^kMaxLevel), computed once: for tanh-sinh the
// distance from the end (1 − tanh s) and the weight per unit half-length;
// for exp-sinh the distance from the end, e^(±s), and its weight; for
// sinh-sinh the point sinh s and its weight (s = π/2·sinh u).
struct CUnitNode {
    double offset;
    double weight;
};

class CNodeTable {
public:
    static constexpr int kSteps = 1 << kMaxLevel;
    static constexpr int kCount = static_cast<int>(kMaxU * kSteps) + 2;

    CNodeTable()
    {
        for (int j = 0; j < kCount; ++j) {
            const double u = static_cast<double>(j) / kSteps;
            const double coshU = std::cosh(u);
            const double s = 0.5 * kPi * std::sinh(u);
            const double e = std::exp(-2 * s);
            m_nodes[0][0][j] = m_nodes[0][1][j] = {2 * e / (1 + e), 0.5 * kPi * coshU * 4 * e / ((1 + e) * (1 + e))};
            const double far = std::exp(s);
            const double near = std::exp(-s);
            m_nodes[1][0][j] = {far, 0.5 * kPi * coshU * far};
            m_nodes[1][1][j] = {near, 0.5 * kPi * coshU * near};
            m_nodes[2][0][j] = m_nodes[2][1][j] = {std::sinh(s), 0.5 * kPi * coshU * std::cosh(s)};
            // The tanh-sinh offset once more in the wider type (where it is
            // wider), for the points' rounding below: the double above is off
            // by a few units in its last place, as much as the rounding of
            // a point itself.
            const long double wideS = 0.5L * std::acos(-1.0L) * std::sinh(static_cast<long double>(u));
            const long double wideE = std::exp(-2 * wideS);
            m_offsetRests[j] = static_cast<double>(2 * wideE / (1 + wideE) - m_nodes[0][0][j].offset);
        }
    }
    // What the tanh-sinh offset at u lacks.
    double OffsetRest(double u) const { return m_offsetRests[static_cast<int>(u * kSteps + 0.5)]; }
    const CUnitNode& At(int kind, int side, double u) const
    {
        return m_nodes[kind][side][static_cast<int>(u * kSteps + 0.5)];
    }

private:
    CUnitNode m_nodes[3][2][kCount];
    double m_offsetRests[kCount];
};

const CNodeTable& NodeTable()
{
    static const CNodeTable table;
    return table;
}

// For each node of a panel (on [−1, 1]) the derivative there from its value
// and its two neighbours' (both on one side at the outermost nodes): the
// indices of the three and their coefficients.
struct CSlope {
    int at[3];
    double weight[3];
};

class CSlopeTable {
public:
    CSlopeTable()
    {
        double u[21];
        for (int i = 0; i < 21; ++i) {
            const int k = (i + 1) / 2;
            u[i] = i == 0 ? 0.0 : (i % 2 ? -kKronrodNodes[k] : kKronrodNodes[k]);
        }
        for (int j = 0; j < 21; ++j) {
            const int first = j == 0 ? 0 : j == 20 ? 18 : j - 1;
            CSlope& slope = m_slopes[kOrder[j]];
            for (int m = 0; m < 3; ++m)
                slope.at[m] = kOrder[first + m];
            // The derivative of the parabola through the three at the node.
            const double x = u[kOrder[j]];
            for (int m = 0; m < 3; ++m) {
                const double um = u[slope.at[m]];
                double numerator = 0;
                double denominator = 1;
                for (int n = 0; n < 3; ++n) {
                    if (n == m)
                        continue;
                    const double un = u[slope.at[n]];
                    denominator *= um - un;
                    double term = 1;
                    for (int q = 0; q < 3; ++q) {
                        if (q != m && q != n)
                            term *= x - u[slope.at[q]];
                    }
                    numerator += term;
                }
                slope.weight[m] = numerator / denominator;
            }
        }
    }
    const CSlope& At(int i) const { return m_slopes[i]; }

private:
    CSlope m_slopes[21];
};

const CSlopeTable& SlopeTable()
{
    static const CSlopeTable table;
    return table;
}

// The value at either end of a panel (u = −1, +1) of the polynomial through
// all 21 nodes, and of the one through the 10 Gauss nodes alone, as sums
// of the nodes' values (in the panel's order) times these coefficients
// (0 for a node the sum leaves out).
class CEndTable {
public:
    CEndTable()
    {
        double u[21];
        bool gauss[21];
        for (int i = 0; i < 21; ++i) {
            const int k = (i + 1) / 2;
            u[i] = i == 0 ? 0.0 : (i % 2 ? -kKronrodNodes[k] : kKronrodNodes[k]);
            gauss[i] = k % 2 == 1;
        }
        for (int side = 0; side < 2; ++side) {
            const double x = side == 0 ? -1.0 : 1.0;
            for (int j = 0; j < 21; ++j) {
                double all = 1;
                double some = 1;
                for (int m = 0; m < 21; ++m) {
                    if (m == j)
                        continue;
                    const double factor = (x - u[m]) / (u[j] - u[m]);
                    all *= factor;
                    if (gauss[m])
                        some *= factor;
                }
                m_all[side][j] = all;
                m_gauss[side][j] = gauss[j] ? some : 0.0;
            }
        }
    }
    double All(int side, int j) const { return m_all[side][j]; }
    double Gauss(int side, int j) const { return m_gauss[side][j]; }

private:
    double m_all[2][21];
    double m_gauss[2][21];
};

const CEndTable& EndTable()
{
    static const CEndTable table;
    return table;
}

// a·b − product exactly, where product is a·b rounded: from the factors'
// halves (Dekker's split), since std::fma is a library call where the build
// cannot assume the instruction.
inline double ProductRest(double a, double b, double product)
{
    const auto split = [](double x, double& high, double& low) {
        const double c = 134217729.0 * x;
        high = c - (c - x);
        low = x - high;
    };
    double aHigh = 0;
    double aLow = 0;
    double bHigh = 0;
    double bLow = 0;
    split(a, aHigh, aLow);
    split(b, bHigh, bLow);
    return ((aHigh * bHigh - product) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
}

// v·w, without the library's checked complex product when w is real (the
// weights on a real path always are).
inline CComplex Weighted(const CComplex& v, const CComplex& w)
{
    if (w.imag() == 0)
        return CComplex(v.real() * w.real(), v.imag() * w.real());
    return v * w;
}

// The integral towards an end from its pieces over [t, 2t], t halving from
// piece to piece, where a power p near −1 makes them shrink by a factor q =
// 2^(p+1) near 1 (and a smooth factor adds terms shrinking by q/2, q/4,
// ...): q from the last pieces once those two terms are taken out, and the
// sum of all pieces with the geometric series beyond the last. Wynn's
// epsilon algorithm, which knows nothing of the factors' relation, loses
// digits to sums that converge this slowly. False where the pieces do not
// yet tell such a factor.
bool GeometricLimit(const std::vector<CComplex>& parts, CComplex& limit)
{
    const std::size_t n = parts.size();
    if (n < 6)
        return false;
    CComplex q = parts[n - 1] / parts[n - 2];
    CComplex v[3];
    CComplex w[2];
    for (int round = 0; round < 8; ++round) {
        for (std::size_t k = 0; k < 3; ++k)
            v[k] = parts[n - 3 + k] - 0.5 * q * parts[n - 4 + k];
        for (std::size_t k = 0; k < 2; ++k)
            w[k] = v[k + 1] - 0.25 * q * v[k];
        if (w[0] == CComplex(0))
            return false;
        q = w[1] / w[0];
    }
    for (std::size_t k = 0; k < 3; ++k)
        v[k] = parts[n - 3 + k] - 0.5 * q * parts[n - 4 + k];
    w[1] = v[2] - 0.25 * q * v[1];
    if (!Finite(q) || !(Abs(q) < 1))
        return false;
    // From the last w back to the pieces: each sum over pieces from
    // index n − 3 on.
    const CComplex sw = w[1] / (1.0 - q);
    const CComplex sv = (sw + v[1]) / (1.0 - 0.25 * q);
    limit = (sv + parts[n - 3]) / (1.0 - 0.5 * q);
    for (std::size_t k = 0; k + 3 < n; ++k)
        limit += parts[k];
    return Finite(limit);
}

// A sum with the rounding of each addition kept beside it (Knuth's two-sum),
// added back at the end.
class CCompensated {
public:
    void Add(double x)
    {
        const double t = m_sum + x;
        const double z = t - m_sum;
        m_carry += (m_sum - (t - z)) + (x - z);
        m_sum = t;
    }
    // weight·x with the weight given as high + low parts; the low part's
    // product, far below the high one's ulp, goes to the carry directly.
    void AddProduct(double high, double low, double x)
    {
        Add(high * x);
        m_carry += low * x;
    }
    // (Past an overflow the carry is no number: the sum alone then, as a
    // plain sum would have it.)
    double Value() const { return std::isfinite(m_carry) ? m_sum + m_carry : m_sum; }

private:
    double m_sum = 0;
    double m_carry = 0;
};

// The doubles as integers in their order (−0 and +0 both 0), and back.
std::int64_t Ordinal(double x)
{
    const auto bits = std::bit_cast<std::int64_t>(x);
    return bits >= 0 ? bits : -(bits & std::numeric_limits<std::int64_t>::max());
}

double FromOrdinal(std::int64_t ordinal)
{
    return ordinal >= 0 ? std::bit_cast<double>(ordinal) : -std::bit_cast<double>(-ordinal);
}

// |re| + |im|: within √2 of the size, where only a comparison of sizes is
// wanted and the square root would cost more than the rest.
inline double Size1(const CComplex& z)
{
    return std::fabs(z.real()) + std::fabs(z.imag());
}

bool HeapLess(const auto& a, const auto& b)
{
    return a.error < b.error;
}

}  // namespace

// The epsilon table here, where its sizes of complex numbers are those of
// the rest of the integrals.
void CEpsilonTable::Clear()
{
    m_count = 0;
    m_broken = SIZE_MAX;
}

void CEpsilonTable::Add(const CComplex& sum)
{
    // With n sums column k holds n − k entries; its new last one comes
    // from the last two of column k − 1 (the newer just added) and the
    // last but one of column k − 2 (zeros before column 0).
    const std::size_t n = ++m_count;
    if (m_last.size() < n)
        m_last.resize(n);
    const auto push = [](std::array<CComplex, 3>& column, const CComplex& entry) {
        column[0] = column[1];
        column[1] = column[2];
        column[2] = entry;
    };
    push(m_last[0], sum);
    for (std::size_t k = 1; k < n && k < m_broken; ++k) {
        const std::array<CComplex, 3>& before = m_last[k - 1];
        const CComplex d = before[2] - before[1];
        if (d == CComplex(0)) {
            m_broken = k;
            break;
        }
        const CComplex previous = k == 1 ? CComplex() : m_last[k - 2][1];
        push(m_last[k], previous + 1.0 / d);
    }
}

CComplex CEpsilonTable::Limit(double& error) const
{
    const std::size_t n = m_count;
    CComplex best = m_last[0][2];
    error = n >= 2 ? Abs(m_last[0][2] - m_last[0][1]) : std::numeric_limits<double>::infinity();
    for (std::size_t k = 2; k + 3 <= n && k < m_broken; k += 2) {
        const std::array<CComplex, 3>& column = m_last[k];
        const double e = Abs(column[2] - column[1]) + Abs(column[2] - column[0]);
        if (Finite(column[2]) && e < error) {
            error = e;
            best = column[2];
        }
    }
    return best;
}

void CCalculus::CEndTrack::Start()
{
    sums.Clear();
    pieces = CComplex();
    piecesError = 0;
    previous = CComplex();
    lastSize = 0;
    lastRatio = 0;
    tail = 0;
    slow = false;
    parts.clear();
    geometricLimits.clear();
    settled.clear();
    value = CComplex();
    error = std::numeric_limits<double>::infinity();
    valueEstimate = std::numeric_limits<double>::infinity();
    stale = 0;
    confirmed = false;
    recent[0] = recent[1] = recent[2] = std::numeric_limits<double>::infinity();
    unresolved = 0;
    done = false;
}

bool CCalculus::Call(IPointFunction& f, std::size_t count, bool probing)
{
    m_evaluations += count;
    if (m_values.size() < count)
        m_values.resize(count);
    if (f.Values(m_points.data(), count, m_values.data(), probing))
        return true;
    if (!probing && !f.Stopped()) {
        // Its error held back: which point it was, one at a time.
        m_failedAt = CComplex(std::numeric_limits<double>::quiet_NaN(), 0.0);
        for (std::size_t k = 0; k < count; ++k) {
            ++m_evaluations;
            if (!f.Values(&m_points[k], 1, &m_values[k], true)) {
                if (!f.Stopped())
                    m_failedAt = m_points[k];
                break;
            }
        }
    }
    return false;
}

// ---------------------------------------------------------------- integrals

bool CCalculus::Panel(IPointFunction& f, CPanel& panel, CPanel* asked)
{
    const CMap& map = m_maps[panel.map];
    const double mid = 0.5 * (panel.lo + panel.hi);
    const double hw = 0.5 * (panel.hi - panel.lo);
    m_points.resize(21);
    m_weights.resize(21);
    for (int i = 0; i < 21; ++i) {
        const int k = (i + 1) / 2;
        const double t = i == 0 ? mid : (i % 2 ? mid - hw * kKronrodNodes[k] : mid + hw * kKronrodNodes[k]);
        if (map.halfLine) {
            CComplex& x = m_points[static_cast<std::size_t>(i)];
            x = map.centre + CComplex(map.direction * (1 - t) / t, 0.0);
            if (x == map.centre)
                x = map.centre + CComplex(map.direction * 4 * kEpsilon * std::max(Abs(map.centre), 1e-300), 0.0);
            m_weights[static_cast<std::size_t>(i)] = CComplex(1 / (t * t), 0.0);
        } else {
            CComplex& x = m_points[static_cast<std::size_t>(i)];
            x = map.centre + map.half * t;
            // Never the end itself, where the integrand may be singular.
            if (x == map.centre && &map != &m_maps[2])
                x = map.centre + map.half * (4 * kEpsilon * Abs(map.centre) / Abs(map.half));
            m_weights[static_cast<std::size_t>(i)] = map.orientation * map.half;
        }
    }
    if (!Call(f, 21))
        return false;
    if (!map.halfLine) {
        std::copy(m_values.begin(), m_values.begin() + 21, m_panelValues);
        panel.middle = m_values[0];
        // (Slots 0 to 2 for the panels from t = 0 and the whole segment,
        // 3 and 4 for those up to t = 1 of maps 0 and 1.)
        for (int slot : {panel.map == 2 || panel.lo == 0 ? panel.map : -1, panel.map < 2 && panel.hi == 1 ? 3 + panel.map : -1}) {
            if (slot < 0)
                continue;
            std::copy(m_values.begin(), m_values.begin() + 21, m_endValues[slot]);
            m_endRange[slot][0] = panel.lo;
            m_endRange[slot][1] = panel.hi;
        }
    }
    // On a real segment or half-line the values as they came, for the
    // move below.
    const bool real = !asked && map.centre.imag() == 0 && (map.halfLine || map.half.imag() == 0);
    CComplex raw[21];
    if (real)
        std::copy(m_values.begin(), m_values.begin() + 21, raw);
    if (asked) {
        // The sums of the values as asked for too, then the values moved.
        m_asked.assign(m_values.begin(), m_values.begin() + 21);
        *asked = panel;
        Rule(*asked, m_asked, hw);
        Unround(map, mid, hw);
    }
    Rule(panel, m_values, hw);
    // (Only where the rule has all but resolved the panel does the slope
    // between neighbouring nodes hold; and next to an end of the range,
    // where a singular term's slope is not that of a parabola, the end's
    // own limit deals with the points' rounding. A half-line's end is at
    // t = 1, and within the size of the end from it the points are rounded
    // to the end's spacing, the end limit's part too; beyond, to that of
    // their distance.)
    const bool inner = map.halfLine ? panel.lo < 1 - kNearEnd && (1 - panel.hi) / panel.hi >= Abs(map.centre)
                                    : panel.hi > kNearEnd || &map == &m_maps[2];
    if (real && Finite(panel.kronrod) && panel.error <= 1e-8 * panel.mass && inner)
        Unround(panel, raw, mid, hw);
    return true;
}

void CCalculus::Unround(CPanel& panel, CComplex* values, double mid, double hw)
{
    // The points the term was asked at are the nodes rounded twice (the
    // parameter, then the point): where the term is steep beside its size
    // (a narrow peak, a fast oscillation), that costs far more than the
    // rule's own error. Each value moved along the slope that it and its
    // neighbours show, by the distance from its point to its node.
    // On a half-line (x = centre + direction·(1 − t)/t) the same, with the
    // nodes' points to twice the precision from 1/t: a peak far out has
    // its points rounded to the spacing of the numbers there, the rule's
    // parameter none the finer.
    const CMap& map = m_maps[panel.map];
    const bool line = map.halfLine;
    const double centre = map.centre.real();
    const double half = map.half.real();
    // The points lie within about an ulp of centre + half·t of their nodes:
    // where the term's slope between neighbouring nodes, times that, stays
    // well below its size, no move could matter (a smooth term, or a power
    // at 0, whose slope falls with the distance), and nothing is done.
    double size = 0;
    for (int i = 0; i < 21; ++i)
        size += kKronrodWeights[(i + 1) / 2] * Size1(values[i]);
    double reach = std::fabs(centre) + std::fabs(half) * std::max(std::fabs(panel.lo), std::fabs(panel.hi));
    if (line) {
        reach = 0;
        for (int i = 0; i < 21; ++i)
            reach = std::max(reach, std::fabs(m_points[static_cast<std::size_t>(i)].real()));
    }
    double steepest = 0;
    for (int j = 1; j < 21; ++j) {
        const int a = kOrder[j - 1];
        const int b = kOrder[j];
        const double apart = std::fabs(m_points[static_cast<std::size_t>(b)].real() -
                                       m_points[static_cast<std::size_t>(a)].real());
        if (apart > 0)
            steepest = std::max(steepest, Size1(values[b] - values[a]) / apart);
    }
    // (Steep beside the panel's own values, and with a move over the
    // panel's width that would show beside the whole integral.)
    const double width = line ? std::fabs(m_points[kOrder[20]].real() - m_points[kOrder[0]].real())
                              : std::fabs(half) * (panel.hi - panel.lo);
    if (!(reach * steepest > 2 * size) || (m_scale > 0 && !(reach * steepest * width > 0.25 * m_scale)))
        return;
    const double perUnit = 1 / (half * hw);
    // On a half-line the panel's middle and half-width are rounded too,
    // and there an ulp of t moves the point by as much as the point's own
    // rounding (dx/dt = 1/t², an ulp of x far out): the rule covers the
    // panel's own range, no gap or overlap beside its neighbours', with
    // what they lack.
    double midRest = 0;
    double hwRest = 0;
    if (line) {
        const double sum = panel.lo + panel.hi;
        const double v = sum - panel.lo;
        midRest = 0.5 * ((panel.lo - (sum - v)) + (panel.hi - v));
        const double difference = panel.hi - panel.lo;
        const double d = difference - panel.hi;
        hwRest = 0.5 * ((panel.hi - (difference - d)) - (panel.lo + d));
    }
    double moves[21];
    for (int i = 0; i < 21; ++i) {
        const int k = (i + 1) / 2;
        // The node's parameter mid + along exactly: t and what t lacks.
        double along = 0;
        double alongRest = 0;
        if (i != 0) {
            along = hw * kKronrodNodes[k];
            alongRest = ProductRest(hw, kKronrodNodes[k], along);
            if (i % 2) {
                along = -along;
                alongRest = -alongRest;
            }
        }
        const NDoubleDouble::CDD tSum = NDoubleDouble::TwoSum(mid, along);
        const double t = tSum.hi;
        double tRest = tSum.lo + alongRest;
        const double point = m_points[static_cast<std::size_t>(i)].real();
        if (line) {
            tRest += midRest + (i == 0 ? 0.0 : i % 2 ? -hwRest : hwRest) * kKronrodNodes[k];
            // 1/t to twice the precision, q(1 + e): q·t is 1 within an ulp,
            // so 1 − q·t is exact.
            const double q = 1 / t;
            const double product = q * t;
            const double e = ((1 - product) - ProductRest(q, t, product)) - q * tRest;
            // The distance 1/t − 1 (q ≥ 1, so the rounding of q − 1 is
            // exact as below), then the point, less the point asked at.
            const double distance = q - 1;
            const double distanceRest = (-1 - (distance - q)) + q * e;
            const double outward = map.direction * distance;
            const NDoubleDouble::CDD sum = NDoubleDouble::TwoSum(centre, outward);
            const double off = (sum.hi - point) + sum.lo + map.direction * distanceRest;
            // dx/du = −direction·hw/t²; and the weight 1/t² of the node
            // itself rather than of its rounded parameter.
            moves[i] = -off * map.direction * t * t / hw;
            const double square = q * q;
            m_weights[static_cast<std::size_t>(i)] =
                CComplex(square + (ProductRest(q, q, square) + 2 * square * e), 0.0);
            continue;
        }
        // centre + half·t exactly, less the point asked at.
        const double product = half * t;
        const double rest = ProductRest(half, t, product);
        const NDoubleDouble::CDD sum = NDoubleDouble::TwoSum(centre, product);
        // (The point itself may have been moved off the end.)
        const double off = (sum.hi - point) + sum.lo + rest + half * tRest;
        moves[i] = off * perUnit;
    }
    CComplex moved[21];
    double shift = 0;
    for (int i = 0; i < 21; ++i) {
        const CSlope& slope = SlopeTable().At(i);
        CComplex derivative;
        for (int m = 0; m < 3; ++m)
            derivative += slope.weight[m] * values[slope.at[m]];
        const CComplex change = derivative * moves[i];
        moved[i] = values[i] + change;
        shift += kKronrodWeights[(i + 1) / 2] * Size1(change);
    }
    // Where the moves stay within the rounding of the values themselves
    // the panel keeps its sums as they are. (On a half-line a move of an
    // ulp or two counts too: a peak far out lies on a few panels that
    // hold most of the integral, and the ends of their ranges move with
    // it.)
    if (!(shift > (line ? 1 : 16) * kEpsilon * size) || !(shift < 1e-8 * size))
        return;
    for (int i = 0; i < 21; ++i)
        m_values[static_cast<std::size_t>(i)] = moved[i];
    Rule(panel, m_values, hw);
}

void CCalculus::Rule(CPanel& panel, std::vector<CComplex>& values, double hw)
{
    // The Kronrod sum with its weights to twice the precision and the
    // rounding of each addition carried beside it: with the weights rounded
    // alone every panel fell short by about an ulp in the same direction (a
    // constant came out below its value), which adds up over hundreds of
    // panels; what is left is the rounding of the products, which goes
    // either way.
    CCompensated real;
    CCompensated imag;
    CComplex plain;
    CComplex gauss;
    double mass = 0;
    for (int i = 0; i < 21; ++i) {
        const int k = (i + 1) / 2;
        const CComplex v = Weighted(values[static_cast<std::size_t>(i)], m_weights[static_cast<std::size_t>(i)]);
        values[static_cast<std::size_t>(i)] = v;
        if (m_plainSums) {
            plain += kKronrodWeights[k] * v;
        } else {
            real.AddProduct(kKronrodWeights[k], kKronrodWeightsLow[k], v.real());
            // (Zeros change neither sum: on a real path the imaginary one
            // costs nothing.)
            if (v.imag() != 0)
                imag.AddProduct(kKronrodWeights[k], kKronrodWeightsLow[k], v.imag());
        }
        mass += kKronrodWeights[k] * Abs(v);
        if (k % 2 == 1)
            gauss += kGaussWeights[(k - 1) / 2] * v;
    }
    CComplex kronrod = m_plainSums ? plain : CComplex(real.Value(), imag.Value());
    const CComplex mean = 0.5 * kronrod;
    double spread = 0;
    double radius = 0;
    for (int i = 0; i < 21; ++i) {
        const double distance = Abs(values[static_cast<std::size_t>(i)] - mean);
        spread += kKronrodWeights[(i + 1) / 2] * distance;
        radius = std::max(radius, distance);
    }
    kronrod *= hw;
    gauss *= hw;
    mass *= hw;
    spread *= hw;
    double error = Abs(kronrod - gauss);
    // The difference of the two rules overstates the error of the better
    // one on smooth pieces; the usual scaling brings it down.
    if (spread != 0 && error != 0)
        error = spread * std::min(1.0, std::pow(200 * error / spread, 1.5));
    panel.roundoff = 50 * kEpsilon * mass;
    panel.settled = false;
    panel.steps = false;
    if (!m_maps[panel.map].halfLine) {
        // The nodes, in order, at the first node's level, then at most one
        // between (the term's own value at a step), then at the last's.
        const CComplex first = values[static_cast<std::size_t>(kOrder[0])];
        const CComplex last = values[static_cast<std::size_t>(kOrder[20])];
        const double tolerance = kSteadySide * Size1(last - first);
        if (tolerance > 0 && std::isfinite(tolerance)) {
            int j = 1;
            while (j < 21 && Size1(values[static_cast<std::size_t>(kOrder[j])] - first) <= tolerance)
                ++j;
            if (j < 21 && !(Size1(values[static_cast<std::size_t>(kOrder[j])] - last) <= tolerance))
                ++j;
            while (j < 21 && Size1(values[static_cast<std::size_t>(kOrder[j])] - last) <= tolerance)
                ++j;
            panel.steps = j == 21;
        }
        // Flat runs at a few levels (floor(5x + c)): both rules integrate
        // the part of such a term that is odd about the panel's middle to
        // nothing, so where its steps lie at nearly mirrored places they
        // agree and their difference says nothing; the panel is split on
        // until each piece holds at most one step.
        const double flat = kSteadySide * radius;
        if (!panel.steps && flat > 0) {
            int runs = 1;
            for (int j = 1; j < 21 && runs <= kFewLevels; ++j) {
                if (!(Size1(values[static_cast<std::size_t>(kOrder[j])] - values[static_cast<std::size_t>(kOrder[j - 1])]) <= flat))
                    ++runs;
            }
            if (runs <= kFewLevels)
                error = std::max(error, spread);
        }
    }
    panel.error = std::max(error, panel.roundoff);
    panel.kronrod = kronrod;
    panel.mass = mass;
    panel.centre = mean;
    panel.radius = radius;
    if (!Finite(kronrod) || !std::isfinite(mass))
        panel.error = std::numeric_limits<double>::infinity();
}

void CCalculus::Unround(const CMap& map, double mid, double hw)
{
    // The logarithms of the distances from the end of the points asked
    // for (the difference of a point and the end is exact this near it),
    // and the nodes' relative distances from them (at most about 1e-4,
    // whose logarithm is the ratio itself far below what matters).
    double distance[21];
    double actual[21];
    double shifts[21];
    for (int i = 0; i < 21; ++i) {
        const int k = (i + 1) / 2;
        const double along = i == 0 ? 0.0 : (i % 2 ? -hw * kKronrodNodes[k] : hw * kKronrodNodes[k]);
        const double t = mid + along;
        const CComplex offset = m_points[static_cast<std::size_t>(i)] - map.centre;
        double ideal = 0;
        if (map.halfLine) {
            // Near 1 the node's parameter itself is rounded: its distance
            // from 1 from the middle's, which is exact.
            ideal = ((1 - mid) - along) / t;
            distance[i] = offset.real() * map.direction;
        } else {
            ideal = t * Abs(map.half);
            distance[i] = (offset / map.half).real() * Abs(map.half);
        }
        actual[i] = std::log(distance[i]);
        shifts[i] = (ideal - distance[i]) / distance[i];
        m_unrounded[i] = 1;
    }
    // A real term (the common case) by the logarithms of its sizes, once
    // per node; neighbours of different signs are not followed.
    bool real = true;
    double logSize[21];
    for (int i = 0; i < 21 && real; ++i)
        real = m_values[static_cast<std::size_t>(i)].imag() == 0;
    if (real) {
        for (int i = 0; i < 21; ++i)
            logSize[i] = std::log(std::fabs(m_values[static_cast<std::size_t>(i)].real()));
    }
    CComplex moved[21];
    for (int j = 0; j < 21; ++j) {
        const int i = kOrder[j];
        moved[i] = m_values[static_cast<std::size_t>(i)];
        // Two neighbours, on either side where there are.
        const int a = kOrder[j == 0 ? 1 : j == 20 ? 19 : j - 1];
        const int b = kOrder[j == 0 ? 2 : j == 20 ? 18 : j + 1];
        const CComplex fi = m_values[static_cast<std::size_t>(i)];
        const CComplex fa = m_values[static_cast<std::size_t>(a)];
        const CComplex fb = m_values[static_cast<std::size_t>(b)];
        if (fi == CComplex(0) || fa == CComplex(0) || fb == CComplex(0) || !Finite(fi) || !Finite(fa) || !Finite(fb) ||
            !std::isfinite(actual[i]) || !std::isfinite(actual[a]) || !std::isfinite(actual[b]) ||
            !(actual[b] != actual[a]))
            continue;
        const double shift = shifts[i];
        CComplex step;
        double bend = 0;
        // What of the bend is the term's own rounding rather than its
        // curvature (the whole bend where that cannot be told).
        double noise = -1;
        if (real) {
            if ((fa.real() > 0) != (fb.real() > 0) || (fa.real() > 0) != (fi.real() > 0))
                continue;
            const double slope = (logSize[b] - logSize[a]) / (actual[b] - actual[a]);
            // How far ln f at this point leaves the straight line through
            // its neighbours: the term's own rounding, or its curvature.
            bend = std::fabs(logSize[i] - logSize[a] - (actual[i] - actual[a]) * slope);
            step = CComplex(slope * shift, 0.0);
            // The parabola through a third neighbour takes the curvature
            // out (a power with a smooth factor beside it bends smoothly,
            // by far more than its rounding far from the end); what is
            // left of the bend then is the rounding, which moves from
            // point to point and which no move takes out.
            const int c = kOrder[j <= 1 ? j + 3 : j >= 19 ? j - 3 : j % 2 ? j + 2 : j - 2];
            const double fc = m_values[static_cast<std::size_t>(c)].real();
            if ((fc > 0) == (fi.real() > 0) && fc != 0 && std::isfinite(fc) && std::isfinite(actual[c]) &&
                actual[c] != actual[a] && actual[c] != actual[b]) {
                const double lc = std::log(std::fabs(fc));
                const double xi = actual[i];
                const double xa = actual[a];
                const double xb = actual[b];
                const double xc = actual[c];
                const double parabola = logSize[a] * (xi - xb) * (xi - xc) / ((xa - xb) * (xa - xc)) +
                                        logSize[b] * (xi - xa) * (xi - xc) / ((xb - xa) * (xb - xc)) +
                                        lc * (xi - xa) * (xi - xb) / ((xc - xa) * (xc - xb));
                const double off = std::fabs(logSize[i] - parabola);
                if (std::isfinite(off))
                    noise = std::min(off, bend);
            }
        } else {
            const CComplex slope = std::log(fb / fa) / (actual[b] - actual[a]);
            bend = Abs(std::log(fi / fa) - (actual[i] - actual[a]) * slope);
            step = slope * shift;
        }
        if (!Finite(step) || !(Abs(step) < 1e-2) || !std::isfinite(bend))
            continue;
        if (!(std::fabs(shift) < 1e-3))
            continue;
        if (step != CComplex(0))
            moved[i] = real ? CComplex(fi.real() * std::exp(step.real()), 0.0) : fi * std::exp(step);
        // What is left against what the rounding of the point costs
        // unmoved: the bend (with the term's own rounding), and what it
        // says of the slope's error over the move.
        const double rounding = 0.5 * kEpsilon * Abs(map.centre) / distance[i];
        const double left = 4 * (noise < 0 ? bend : noise) + 4 * kEpsilon +
                            (4 * bend + 4 * kEpsilon) * std::fabs(shift) / std::fabs(actual[b] - actual[a]);
        if (rounding > 0)
            m_unrounded[i] = std::min(1.0, left / rounding);
    }
    for (int i = 0; i < 21; ++i)
        m_values[static_cast<std::size_t>(i)] = moved[i];
}

bool CCalculus::Subdivide(IPointFunction& f, CComplex& total, double& error, double& roundoff, double& stuckMass,
                          double& stuckError, CComplex& stuckValue)
{
    while (!m_heap.empty()) {
        const double goal = std::max(kIntegralGoal * Abs(total), 2 * roundoff);
        if (error <= goal || stuckError > goal || m_heap.size() >= m_panelLimit)
            break;
        // With a located jump the worst, no split can gain more, unless its
        // sides were not flat enough for trapezoids: then they are split at
        // the jump, each side a panel of its own.
        if (m_heap.front().settled) {
            const CPanel& front = m_heap.front();
            const CMap& frontMap = m_maps[front.map];
            const double cut = (front.jumpAt - frontMap.centre.real()) / frontMap.half.real();
            if (!(front.error > goal && cut > front.lo && cut < front.hi &&
                  std::fabs(frontMap.half.real()) * std::min(cut - front.lo, front.hi - cut) >
                      1e4 * kEpsilon * std::fabs(front.jumpAt)))
                break;
            std::pop_heap(m_heap.begin(), m_heap.end(), HeapLess<CPanel, CPanel>);
            CSplit sides;
            sides.pieces[0] = sides.pieces[1] = m_heap.back();
            sides.count = 2;
            m_heap.pop_back();
            total -= sides.pieces[0].kronrod;
            error -= sides.pieces[0].error;
            roundoff -= sides.pieces[0].roundoff;
            sides.pieces[0].hi = sides.pieces[1].lo = cut;
            for (CPanel& side : sides.pieces) {
                side.sought = true;
                side.endKnown[0] = side.endKnown[1] = false;
                if (!Panel(f, side))
                    return false;
            }
            Take(sides, total, error, roundoff, m_heap);
            for (int i = 1; i >= 0; --i)
                std::push_heap(m_heap.begin(), m_heap.end() - i, HeapLess<CPanel, CPanel>);
            continue;
        }
        std::pop_heap(m_heap.begin(), m_heap.end(), HeapLess<CPanel, CPanel>);
        const CPanel worst = m_heap.back();
        m_heap.pop_back();
        const CMap& map = m_maps[worst.map];
        const double mid = 0.5 * (worst.lo + worst.hi);
        bool narrow = worst.hi - worst.lo < kNarrowest || mid <= worst.lo || mid >= worst.hi;
        if (!narrow && !map.halfLine) {
            // Too narrow for the points of the path to differ.
            const CComplex x = map.centre + map.half * mid;
            narrow = Abs(map.half) * (worst.hi - worst.lo) <= 1e4 * kEpsilon * Abs(x);
        }
        CPanel settled = worst;
        bool jump = false;
        if (narrow || (worst.steps && !worst.sought)) {
            // A step of the term between two doubles, located, leaves
            // nothing unresolved; where its sides are not steady enough
            // for that, the panel is split on (or set aside) as before.
            if (!Jump(f, settled, jump))
                return false;
            jump = jump && (narrow || settled.error <= 1e-3 * worst.error);
        }
        if (jump) {
            total += settled.kronrod - worst.kronrod;
            error += settled.error - worst.error;
            roundoff += settled.roundoff - worst.roundoff;
            m_heap.push_back(settled);
            std::push_heap(m_heap.begin(), m_heap.end(), HeapLess<CPanel, CPanel>);
            continue;
        }
        if (narrow) {
            // Kept aside: its mass tells below whether the integral exists.
            stuckMass += worst.mass;
            stuckError += worst.error;
            stuckValue += worst.kronrod;
            m_stuck.push_back(worst);
            continue;
        }
        CPanel halves[2] = {worst, worst};
        halves[0].hi = halves[1].lo = mid;
        halves[0].sought = halves[1].sought = worst.sought || worst.steps;
        // The middle node's value is the term's at the new ends.
        halves[0].atEnd[1] = halves[1].atEnd[0] = worst.middle;
        halves[0].endKnown[1] = halves[1].endKnown[0] = true;
        total -= worst.kronrod;
        error -= worst.error;
        roundoff -= worst.roundoff;
        for (CPanel& half : halves) {
            if (!Panel(f, half))
                return false;
            // Once a piece looks done, a step in a sliver beside an end
            // whose value is known could stay hidden from it for good.
            CSplit split;
            split.pieces[0] = half;
            for (int side = 0; side < 2 && split.count == 1 && half.error <= goal; ++side) {
                if (!SliverBeside(f, half, side, goal, split))
                    return false;
            }
            Take(split, total, error, roundoff, m_heap);
            for (int i = split.count - 1; i >= 0; --i)
                std::push_heap(m_heap.begin(), m_heap.end() - i, HeapLess<CPanel, CPanel>);
        }
    }
    return true;
}

bool CCalculus::Jump(IPointFunction& f, CPanel& panel, bool& found)
{
    found = false;
    const CMap& map = m_maps[panel.map];
    if (map.halfLine || map.centre.imag() != 0 || map.half.imag() != 0)
        return true;
    const double centre = map.centre.real();
    const double half = map.half.real();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    // An end of the panel along x, centre + half·t exactly: the nearest
    // double, and what remains beside it. The widths of the two sides come
    // from these, to far less than an ulp.
    const auto end = [&](double t, double& rest) {
        const double product = half * t;
        const double productRest = std::fma(half, t, -product);
        const double sum = centre + product;
        const double z = sum - centre;
        const double low = (centre - (sum - z)) + (product - z) + productRest;
        const double x = sum + low;
        rest = low - (x - sum);
        return x;
    };
    double restLo = 0;
    double restHi = 0;
    double xLo = end(panel.lo, restLo);
    double xHi = end(panel.hi, restHi);
    if (half < 0) {
        std::swap(xLo, xHi);
        std::swap(restLo, restHi);
    }
    // The outermost doubles inside the panel (an end of the range may be
    // where the term is not defined).
    const double a = restLo >= 0 ? std::nextafter(xLo, kInfinity) : xLo;
    const double b = restHi <= 0 ? std::nextafter(xHi, -kInfinity) : xHi;
    if (!(a < b) || !std::isfinite(a) || !std::isfinite(b))
        return true;
    // Values at points of the path; false only where the function said
    // stop, a point the term is not defined at leaves the panel as it is.
    bool stop = false;
    const auto values = [&](std::initializer_list<double> xs) {
        m_points.clear();
        for (double x : xs)
            m_points.emplace_back(x, 0.0);
        if (!Call(f, m_points.size(), true)) {
            stop = f.Stopped();
            return false;
        }
        for (std::size_t k = 0; k < m_points.size(); ++k) {
            if (!Finite(m_values[k]))
                return false;
        }
        return true;
    };
    if (!values({a, b}))
        return !stop;
    const CComplex left = m_values[0];
    const CComplex right = m_values[1];
    const double step = Abs(right - left);
    if (!(step > 0))
        return true;
    // Bisection on which of the two levels the term is nearer, a batch of
    // points at a time, evenly among the doubles between (their order as
    // integers), down to two adjacent doubles. Values near neither level,
    // more than the one a step may take, make it no step.
    const double tolerance = kSteadySide * step;
    const auto near = [&](const CComplex& v, const CComplex& level) { return Abs(v - level) <= tolerance; };
    constexpr int kBatch = 15;
    std::int64_t o0 = Ordinal(a);
    std::int64_t o1 = Ordinal(b);
    CComplex f0 = left;
    CComplex f1 = right;
    while (static_cast<std::uint64_t>(o1) - static_cast<std::uint64_t>(o0) > 1) {
        m_points.clear();
        const std::uint64_t span = static_cast<std::uint64_t>(o1) - static_cast<std::uint64_t>(o0);
        for (int k = 1; k <= kBatch; ++k) {
            const std::uint64_t along = span <= kBatch ? static_cast<std::uint64_t>(k) : span / (kBatch + 1) * k;
            if (along >= span)
                break;
            m_points.emplace_back(FromOrdinal(static_cast<std::int64_t>(static_cast<std::uint64_t>(o0) + along)), 0.0);
        }
        const std::size_t count = m_points.size();
        if (!Call(f, count, true))
            return !f.Stopped();
        std::size_t k = count;
        int between = 0;
        for (std::size_t j = 0; j < count; ++j) {
            const CComplex v = m_values[j];
            if (!Finite(v))
                return true;
            const bool atLeft = near(v, left);
            const bool atRight = near(v, right);
            if (!atLeft && !atRight && ++between > 1)
                return true;
            if (k == count && Abs(v - right) < Abs(v - left))
                k = j;
            else if (k < count && !atRight)
                return true;
        }
        if (k > 0) {
            o0 = Ordinal(m_points[k - 1].real());
            f0 = m_values[k - 1];
        }
        if (k < count) {
            o1 = Ordinal(m_points[k].real());
            f1 = m_values[k];
        }
    }
    const double x0 = FromOrdinal(o0);
    const double x1 = FromOrdinal(o1);
    // Steady sides: each within a millionth of the step of its level. The
    // step lies between the two doubles, or at one of them where the term
    // takes a value of its own there (sign(x − c) at c).
    const double inner = std::nextafter(x0, -kInfinity);
    const double outer = std::nextafter(x1, kInfinity);
    if (!values({inner, outer}))
        return !stop;
    double at = x0;
    double offset = 0.5 * (x1 - x0);
    CComplex nearLeft = f0;
    CComplex nearRight = f1;
    if (near(f0, left) && near(f1, right)) {
    } else if (near(m_values[0], left) && near(f1, right)) {
        offset = 0;
        nearLeft = m_values[0];
    } else if (near(f0, left) && near(m_values[1], right)) {
        at = x1;
        offset = 0;
        nearRight = m_values[1];
    } else {
        return true;
    }
    // Trapezoids on either side, their error no more than the change of
    // the side's value times its width, and the step's place within half
    // the spacing of the doubles.
    const double leftWidth = ((at - xLo) + offset) - restLo;
    const double rightWidth = ((xHi - at) - offset) + restHi;
    if (!(leftWidth >= 0) || !(rightWidth >= 0))
        return true;
    const CComplex sum = 0.5 * ((left + nearLeft) * leftWidth + (nearRight + right) * rightWidth);
    const double mass =
        0.5 * ((Abs(left) + Abs(nearLeft)) * leftWidth + (Abs(nearRight) + Abs(right)) * rightWidth);
    const double error = Abs(left - nearLeft) * leftWidth + Abs(right - nearRight) * rightWidth +
                         Abs(nearRight - nearLeft) * 0.5 * (x1 - x0);
    panel.kronrod = (half > 0 ? map.orientation : -map.orientation) * sum;
    panel.jumpAt = at + offset;
    panel.levels[0] = left;
    panel.levels[1] = right;
    panel.mass = mass;
    panel.roundoff = 50 * kEpsilon * mass;
    panel.error = std::max(error, panel.roundoff);
    panel.settled = true;
    found = true;
    return true;
}

bool CCalculus::EndSliver(IPointFunction& f, const CComplex* values, int side, double end, double node,
                          double significant, CSliver& sliver, const CComplex* known)
{
    sliver = {};
    int& found = sliver.found;
    double& hidden = sliver.hidden;
    const double width = std::fabs(node - end);
    if (!(width > 0) || !std::isfinite(width))
        return true;
    // What the nodes say at the end: the polynomial through all of them,
    // which their smoothness lets stray from the term there by about as
    // much as the one through the Gauss nodes strays from it (a power at
    // the end, √x or x^0.1, keeps within that; a step in the sliver does
    // not), beside the rounding of the values.
    const CEndTable& table = EndTable();
    CComplex all;
    CComplex gauss;
    double scale = 0;
    for (int j = 0; j < 21; ++j) {
        if (!Finite(values[j]))
            return true;
        all += table.All(side, j) * values[j];
        gauss += table.Gauss(side, j) * values[j];
        scale += std::fabs(table.All(side, j)) * Abs(values[j]);
    }
    const double allowed = 8 * (Abs(all - gauss) + 8 * kEpsilon * scale);
    bool stop = false;
    const auto value = [&](double x, CComplex& v) {
        m_points.assign(1, CComplex(x, 0.0));
        if (!Call(f, 1, true)) {
            stop = f.Stopped();
            return false;
        }
        v = m_values[0];
        return Finite(v);
    };
    // Where the term has no finite value at the end (1/√x, ln x, sin(x)/x
    // at 0), the end is the rules' to deal with, as it was.
    CComplex atEnd;
    if (known) {
        atEnd = *known;
        if (!Finite(atEnd))
            return true;
    } else if (!value(end, atEnd)) {
        return !stop;
    }
    const double apart = Abs(atEnd - all);
    if (!(apart > allowed) || !(apart * width > significant))
        return true;
    // A value of the term's own at the end alone (floor(x) at 1 from
    // below) holds nothing; the next double inside tells.
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const double inner = std::nextafter(end, node > end ? kInfinity : -kInfinity);
    CComplex near;
    hidden = apart * width;
    if (!value(inner, near)) {
        if (stop)
            return false;
        found = 2;
        return true;
    }
    if (!(Abs(near - all) > allowed)) {
        hidden = 0;
        return true;
    }
    // Bisection between the end's level and the outermost node's on which
    // of the two the term is nearer, a batch of points at a time, evenly
    // among the doubles between (their order as integers), down to two
    // adjacent doubles; a step is where the term moves by most of the
    // difference of the levels between them.
    const CComplex nearLevel = near;
    const CComplex farLevel = values[side == 0 ? 19 : 20];
    constexpr int kBatch = 15;
    const std::int64_t direction = node > end ? 1 : -1;
    std::int64_t oNear = Ordinal(inner);
    std::int64_t oFar = Ordinal(node);
    CComplex fNear = nearLevel;
    CComplex fFar = farLevel;
    std::int64_t along[kBatch];
    while ((oFar - oNear) * direction > 1) {
        const std::uint64_t span = static_cast<std::uint64_t>((oFar - oNear) * direction);
        m_points.clear();
        for (int k = 1; k <= kBatch; ++k) {
            const std::uint64_t step = span <= kBatch ? static_cast<std::uint64_t>(k) : span / (kBatch + 1) * k;
            if (step >= span)
                break;
            along[m_points.size()] = oNear + direction * static_cast<std::int64_t>(step);
            m_points.emplace_back(FromOrdinal(along[m_points.size()]), 0.0);
        }
        const std::size_t count = m_points.size();
        if (!Call(f, count, true)) {
            if (f.Stopped())
                return false;
            found = 2;
            return true;
        }
        std::size_t k = 0;
        while (k < count && Finite(m_values[k]) && !(Abs(m_values[k] - farLevel) < Abs(m_values[k] - nearLevel)))
            ++k;
        if (k < count && !Finite(m_values[k])) {
            found = 2;
            return true;
        }
        if (k > 0) {
            oNear = along[k - 1];
            fNear = m_values[k - 1];
        }
        if (k < count) {
            oFar = along[k];
            fFar = m_values[k];
        }
    }
    double xNear = FromOrdinal(oNear);
    double xFar = FromOrdinal(oFar);
    const double levels = Abs(farLevel - nearLevel);
    if (!(Abs(fFar - fNear) >= 0.5 * levels)) {
        // Or the term takes a value of its own at one of the two, between
        // the levels (sign(x) at 0): the step spans the double beside.
        const double before = FromOrdinal(oNear - direction);
        const double after = FromOrdinal(oFar + direction);
        m_points.assign({CComplex(before, 0.0), CComplex(after, 0.0)});
        if (!Call(f, 2, true)) {
            if (f.Stopped())
                return false;
            found = 2;
            return true;
        }
        const CComplex fBefore = m_values[0];
        const CComplex fAfter = m_values[1];
        if (Abs(fFar - fBefore) >= 0.5 * levels && Abs(fFar - fBefore) >= Abs(fAfter - fNear)) {
            xNear = before;
            fNear = fBefore;
        } else if (Abs(fAfter - fNear) >= 0.5 * levels) {
            xFar = after;
            fFar = fAfter;
        } else {
            found = 2;
            return true;
        }
    }
    const double jump = Abs(fFar - fNear);
    // The step's place is known to within the doubles: taken midway.
    // Where it lies within a few thousand doubles of the end, no panel
    // between could tell its points apart: the sliver's part, the near
    // side's in place of the far side's that the panel carried on to the
    // end, comes by trapezoids (its sides cannot change over so few).
    found = 1;
    const double at = 0.5 * ((xNear - end) + (xFar - end));
    sliver.at = at;
    sliver.placement = 0.5 * jump * std::fabs(xFar - xNear);
    sliver.narrow = std::fabs(at) <= 1e6 * kEpsilon * std::fabs(end);
    if (sliver.narrow) {
        // (Along the panel's parameter: the sliver at u = +1 lies before its end.)
        sliver.correction = (side == 0 ? at : -at) * (0.5 * (nearLevel + fNear) - 0.5 * (all + fFar));
        sliver.bound = std::fabs(at) * (Abs(nearLevel - fNear) + Abs(all - fFar)) + sliver.placement;
    }
    return true;
}

bool CCalculus::EndSlivers(IPointFunction& f, CComplex& total, double& error, double& roundoff, double significant,
                           bool last, bool& changed)
{
    changed = false;
    // Each half's end at t = 0 (an end of the segment) and at t = 1, where
    // the two halves meet in the middle: the panels beside either have a
    // sliver there that their nodes do not reach.
    for (int m = 0; m < 2; ++m) {
        const CMap& map = m_maps[m];
        if (map.halfLine || map.centre.imag() != 0 || map.half.imag() != 0)
            continue;
        for (int far = 0; far < 2; ++far) {
            if (m_sliverTaken[m][far])
                continue;
            // The panel beside that end, if its nodes' values are those kept.
            const int slot = far ? 3 + m : m;
            std::size_t index = m_heap.size();
            for (std::size_t k = 0; k < m_heap.size(); ++k) {
                if (m_heap[k].map == m && (far ? m_heap[k].hi == 1 : m_heap[k].lo == 0))
                    index = k;
            }
            if (index == m_heap.size())
                continue;
            const CPanel panel = m_heap[index];
            if (panel.settled || m_endRange[slot][0] != panel.lo || m_endRange[slot][1] != panel.hi)
                continue;
            const double mid = 0.5 * (panel.lo + panel.hi);
            const double hw = 0.5 * (panel.hi - panel.lo);
            const double outer = far ? mid + hw * kKronrodNodes[10] : mid - hw * kKronrodNodes[10];
            const double end = far ? (map.centre + map.half).real() : map.centre.real();
            const double node = (map.centre + map.half * outer).real();
            CSliver sliver;
            if (!EndSliver(f, m_endValues[slot], far, end, node, significant, sliver))
                return false;
            if (sliver.found == 0)
                continue;
            if (sliver.found == 1 && sliver.narrow) {
                // (The half from b runs backwards.)
                m_sliverValue += m == 0 ? sliver.correction : -sliver.correction;
                m_sliverError += sliver.bound;
                m_sliverTaken[m][far] = true;
                continue;
            }
            // Something else than a step: the sliver gets a panel of its
            // own, whose nodes reach nearer the end, unless the rounds are
            // over.
            if (sliver.found == 2 && last) {
                m_sliverError += sliver.hidden;
                continue;
            }
            const double at = sliver.at / map.half.real();
            const double cut = sliver.found == 1 ? (far ? 1 + at : at) : outer;
            if (!(cut > panel.lo && cut < panel.hi)) {
                m_sliverError += sliver.found == 1 ? sliver.placement : sliver.hidden;
                continue;
            }
            m_sliverError += sliver.placement;
            CPanel left = panel;
            CPanel right = panel;
            left.hi = cut;
            right.lo = cut;
            if (!Panel(f, left) || !Panel(f, right))
                return false;
            total += left.kronrod + right.kronrod - panel.kronrod;
            error += left.error + right.error - panel.error;
            roundoff += left.roundoff + right.roundoff - panel.roundoff;
            m_heap[index] = left;
            m_heap.push_back(right);
            std::make_heap(m_heap.begin(), m_heap.end(), HeapLess<CPanel, CPanel>);
            changed = true;
        }
    }
    return true;
}

CCalculus::CPanel CCalculus::Over(double lo, double hi, int map)
{
    CPanel panel;
    panel.lo = lo;
    panel.hi = hi;
    panel.map = map;
    return panel;
}

void CCalculus::Take(const CSplit& split, CComplex& total, double& error, double& roundoff,
                     std::vector<CPanel>& panels)
{
    for (int i = 0; i < split.count; ++i) {
        total += split.pieces[i].kronrod;
        error += split.pieces[i].error;
        roundoff += split.pieces[i].roundoff;
        panels.push_back(split.pieces[i]);
    }
}

bool CCalculus::SliverBeside(IPointFunction& f, const CPanel& panel, int side, double significant, CSplit& split)
{
    split.pieces[0] = panel;
    split.count = 1;
    const CMap& map = m_maps[panel.map];
    if (!panel.endKnown[side] || map.halfLine || map.centre.imag() != 0 || map.half.imag() != 0)
        return true;
    const double mid = 0.5 * (panel.lo + panel.hi);
    const double hw = 0.5 * (panel.hi - panel.lo);
    const double outer = side == 1 ? mid + hw * kKronrodNodes[10] : mid - hw * kKronrodNodes[10];
    const double end = (map.centre + map.half * (side == 1 ? panel.hi : panel.lo)).real();
    const double node = (map.centre + map.half * outer).real();
    CSliver sliver;
    if (!EndSliver(f, m_panelValues, side, end, node, significant, sliver, &panel.atEnd[side]))
        return false;
    if (sliver.found != 1)
        return true;
    if (sliver.narrow) {
        m_sliverValue += map.orientation * sliver.correction;
        m_sliverError += sliver.bound;
        return true;
    }
    m_sliverError += sliver.placement;
    const double cut = (side == 1 ? panel.hi : panel.lo) + sliver.at / map.half.real();
    if (!(cut > panel.lo && cut < panel.hi))
        return true;
    split.pieces[1] = panel;
    split.pieces[0].hi = split.pieces[1].lo = cut;
    split.pieces[0].endKnown[1] = split.pieces[1].endKnown[0] = false;
    if (!Panel(f, split.pieces[0]) || !Panel(f, split.pieces[1]))
        return false;
    split.count = 2;
    return true;
}

bool CCalculus::Scan(IPointFunction& f, CComplex& total, double& error, double& roundoff, bool& found)
{
    found = false;
    // The panels of each map in the order of their parameter ranges.
    std::vector<std::size_t> order(m_heap.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const CPanel& p = m_heap[a];
        const CPanel& q = m_heap[b];
        return p.map != q.map ? p.map < q.map : p.lo < q.lo;
    });
    // Per panel the sample that most exceeds what its nodes saw.
    std::vector<double> splitAt(m_heap.size(), -1);
    std::vector<double> excess(m_heap.size(), 0);
    std::vector<double> splitStep(m_heap.size(), 0);
    std::vector<CComplex> splitValue(m_heap.size());
    const double significant = kIntegralGoal * Abs(total);
    bool maps[2] = {false, false};
    for (const CPanel& panel : m_heap)
        maps[panel.map == 0 ? 0 : 1] = true;
    constexpr std::size_t kBatch = 128;
    for (int mapIndex = 0; mapIndex < 2; ++mapIndex) {
        if (!maps[mapIndex])
            continue;
        const CMap& map = m_maps[mapIndex];
        // The panel of this map whose range holds t, or none.
        auto panelAt = [&](double t) -> std::size_t {
            auto it = std::upper_bound(order.begin(), order.end(), t, [&](double value, std::size_t index) {
                const CPanel& p = m_heap[index];
                return p.map != mapIndex ? mapIndex < p.map : value < p.lo;
            });
            if (it == order.begin())
                return SIZE_MAX;
            const std::size_t index = *(it - 1);
            const CPanel& panel = m_heap[index];
            return panel.map != mapIndex || t >= panel.hi || t <= panel.lo ? SIZE_MAX : index;
        };
        // On a half-line a second grid, even in the logarithm of the
        // distance from its end (from 1e-3 to 1e3): a peak far out is as
        // narrow in the parameter as it is far, squared.
        const std::size_t points = map.halfLine ? 2 * kScanPoints : kScanPoints;
        const double logStep = std::log(1e6) / kScanPoints;
        std::size_t next = 0;
        while (next < points) {
            m_points.clear();
            std::size_t owners[kBatch];
            double ts[kBatch];
            double steps[kBatch];
            while (next < points && m_points.size() < kBatch) {
                // An offset of the grid that no simple fraction of the
                // range shares, so that the samples do not sit on the
                // panels' own ends and middles.
                const double offset = static_cast<double>(next % kScanPoints) + 0.3819660112501051;
                double t = offset / kScanPoints;
                double step = 1.0 / kScanPoints;
                if (next++ >= kScanPoints) {
                    const double distance = 1e-3 * std::exp(offset * logStep);
                    t = 1 / (1 + distance);
                    step = t * t * distance * logStep;
                }
                const std::size_t owner = panelAt(t);
                // A panel narrower than a few steps of the grid has its
                // nodes closer together than the grid's points.
                if (owner == SIZE_MAX || m_heap[owner].hi - m_heap[owner].lo < kNarrowScan * step)
                    continue;
                owners[m_points.size()] = owner;
                steps[m_points.size()] = step;
                ts[m_points.size()] = t;
                m_points.push_back(map.halfLine ? map.centre + CComplex(map.direction * (1 - t) / t, 0.0)
                                                : map.centre + map.half * t);
            }
            const std::size_t count = m_points.size();
            if (count == 0)
                break;
            if (!Call(f, count, true)) {
                if (f.Stopped())
                    return false;
                continue;  // a point the term is not defined at: the nodes decide there
            }
            for (std::size_t k = 0; k < count; ++k) {
                const double t = ts[k];
                const std::size_t index = owners[k];
                const CPanel& panel = m_heap[index];
                const CComplex v = map.halfLine ? m_values[k] / (t * t) : Weighted(m_values[k], map.orientation * map.half);
                if (!Finite(v))
                    continue;
                // Between its nodes a resolved panel stays about as near
                // their mean as they do; a peak they missed does not, and
                // matters where its height over one grid step is not
                // negligible beside the whole.
                // A panel settled on a jump took each side at one level
                // from a few samples: there the level of the sample's side
                // (the spread of its nodes' values is the step's).
                double rise = Abs(v - panel.centre) - 1.5 * panel.radius;
                if (panel.settled && !map.halfLine) {
                    const CComplex& level = panel.levels[m_points[k].real() < panel.jumpAt ? 0 : 1];
                    rise = Abs(Weighted(m_values[k] - level, map.orientation * map.half)) -
                           kSteadySide * Abs(Weighted(panel.levels[1] - panel.levels[0], map.half));
                }
                if (rise > 0 && rise * steps[k] > significant && rise > excess[index]) {
                    excess[index] = rise;
                    splitAt[index] = t;
                    splitStep[index] = steps[k];
                    splitValue[index] = m_values[k];
                }
            }
        }
    }
    std::vector<CPanel> kept;
    kept.reserve(m_heap.size() + 16);
    for (std::size_t index = 0; index < m_heap.size(); ++index) {
        const CPanel& panel = m_heap[index];
        if (splitAt[index] < 0) {
            kept.push_back(panel);
            continue;
        }
        found = true;
        if (m_maps[panel.map].halfLine) {
            // Far out on a half-line a peak is narrow beside the panels,
            // and one split at the point sees only the side nearer its
            // nodes: a panel of its own, three of the grid's steps there to
            // either side of the point, holds both flanks.
            CPieces pieces;
            if (!Around(f, panel, splitAt[index], 3 * splitStep[index], pieces))
                return false;
            total -= panel.kronrod;
            error -= panel.error;
            roundoff -= panel.roundoff;
            for (int i = 0; i < pieces.count; ++i) {
                const CPanel& piece = pieces.panels[i];
                total += piece.kronrod;
                error += piece.error;
                roundoff += piece.roundoff;
                kept.push_back(piece);
            }
            continue;
        }
        // Split at the sample; the two panels' nodes stop short of it, and
        // a step of the term in either sliver between (the sample on one
        // level, the nodes beyond on the other) splits that panel there.
        CPanel halves[2] = {panel, panel};
        halves[0].hi = halves[1].lo = splitAt[index];
        halves[0].atEnd[1] = halves[1].atEnd[0] = splitValue[index];
        halves[0].endKnown[1] = halves[1].endKnown[0] = true;
        total -= panel.kronrod;
        error -= panel.error;
        roundoff -= panel.roundoff;
        for (int side = 0; side < 2; ++side) {
            if (!Panel(f, halves[side]))
                return false;
            CSplit split;
            if (!SliverBeside(f, halves[side], 1 - side, std::max(significant, 2 * roundoff), split))
                return false;
            Take(split, total, error, roundoff, kept);
        }
    }
    m_heap.swap(kept);
    std::make_heap(m_heap.begin(), m_heap.end(), HeapLess<CPanel, CPanel>);
    return true;
}

bool CCalculus::Around(IPointFunction& f, const CPanel& panel, double at, double reach, CPieces& pieces)
{
    // (With at NaN both comparisons keep the panel's own ends.)
    const double cuts[4] = {panel.lo, std::max(panel.lo, at - reach), std::min(panel.hi, at + reach), panel.hi};
    pieces.count = 0;
    for (int i = 0; i < 3; ++i) {
        if (!(cuts[i + 1] > cuts[i]))
            continue;
        CPanel& piece = pieces.panels[pieces.count];
        piece = panel;
        piece.lo = cuts[i];
        piece.hi = cuts[i + 1];
        if (!Panel(f, piece))
            return false;
        ++pieces.count;
    }
    return true;
}

bool CCalculus::PushAround(IPointFunction& f, const CPanel& panel, double at, double reach)
{
    CPieces pieces;
    if (!Around(f, panel, at, reach, pieces))
        return false;
    for (int i = 0; i < pieces.count; ++i)
        m_heap.push_back(pieces.panels[i]);
    return true;
}

namespace {

// The probe's grid sifted for a peak between the rule's points, over the
// term's values at the grid's parameters ts with the steps' widths: true,
// with where, at the first sample that rises far above what the panel's
// nodes saw (centre, radius) or that makes a spike in the fourth or sixth
// differences of the samples' masses. TValue is CComplex, or double where
// every value is real (weight and centre then real too): the arithmetic of
// the real parts is the same, so are the decisions.
inline double SizeOf(const CComplex& z)
{
    return Abs(z);
}
inline double SizeOf(double x)
{
    return std::fabs(x);
}
inline bool FiniteValue(const CComplex& z)
{
    return Finite(z);
}
inline bool FiniteValue(double x)
{
    return std::isfinite(x);
}
inline CComplex WeightedValue(const CComplex& v, const CComplex& w)
{
    return Weighted(v, w);
}
inline double WeightedValue(double v, double w)
{
    return v * w;
}

template <class TValue>
bool SiftProbe(TValue* values, std::size_t count, const double* ts, const double* steps, bool halfLine,
               const TValue& weight, const TValue& centre, double radius, double significant, std::size_t& where)
{
    double largest = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const double t = ts[k];
        const TValue v = halfLine ? values[k] / (t * t) : WeightedValue(values[k], weight);
        // As in the adaptive stage's grid: between its nodes a resolved
        // panel stays about as near their mean as they do.
        const double rise = SizeOf(v - centre) - 1.5 * radius;
        if (!FiniteValue(v) || (rise > 0 && rise * steps[k] > significant)) {
            where = k;
            return true;
        }
        // From here on the mass of each sample's step.
        values[k] = v * steps[k];
        largest = std::max(largest, SizeOf(values[k]));
    }
    // A peak lower than the background's own range (on a slope) still
    // stands out of the grid as a spike: the fourth differences of a
    // smooth term change little over a few steps, while one sample on a
    // peak's flank (or two, the peak between them) makes the difference
    // centred on it far larger than those four steps to either side, whose
    // points do not include them.
    TValue differences[kProbePoints];
    double fourth[kProbePoints];
    for (std::size_t k = 2; k + 2 < count; ++k) {
        differences[k] =
            values[k - 2] - 4.0 * values[k - 1] + 6.0 * values[k] - 4.0 * values[k + 1] + values[k + 2];
        fourth[k] = SizeOf(differences[k]);
    }
    // On a curved background (exp(-x^2)) the fourth differences of the
    // term itself can hide a peak's low flank; its sixth differences are
    // far smaller there, while the flank makes the one centred on it twenty
    // times its height. Five steps apart, their points again exclude the
    // flank's two samples. A lone sample makes the sixth difference over
    // three times the fourth, a resolved wave (under 1.5 radians a
    // step) less than twice: a smooth oscillation is no peak.
    // (The second difference of the fourth ones.)
    double sixth[kProbePoints];
    for (std::size_t k = 3; k + 3 < count; ++k)
        sixth[k] = SizeOf(differences[k - 1] - 2.0 * differences[k] + differences[k + 1]);
    const double noise = 1e3 * kEpsilon * largest;
    for (std::size_t k = 6; k + 6 < count; ++k) {
        const double spike = fourth[k];
        const bool fourthFires =
            spike > 6 * significant && spike > noise && spike > 64 * std::max(fourth[k - 4], fourth[k + 4]);
        const double spike6 = k >= 8 && k + 8 < count ? sixth[k] : 0.0;
        const bool sixthFires = spike6 > 20 * significant && spike6 > 4 * noise && spike6 > 2 * spike &&
                                spike6 > 64 * std::max(sixth[k - 5], sixth[k + 5]);
        if (fourthFires || sixthFires) {
            where = k;
            return true;
        }
    }
    return false;
}

}  // namespace

bool CCalculus::Probe(IPointFunction& f, const CPanel& panel, double significant, bool& found, double& at,
                      double& reach)
{
    found = false;
    at = std::numeric_limits<double>::quiet_NaN();
    reach = 0;
    const CMap& map = m_maps[panel.map];
    const double width = panel.hi - panel.lo;
    const double step = width / static_cast<double>(kProbePoints);
    // Beyond the outermost nodes a singular end rises past all they saw;
    // the rules' own points are densest there anyway.
    const double margin = 0.5 * width * (1 - kKronrodNodes[10]);
    // On a half-line the grid is even in the logarithm of the distance
    // from its end instead: a peak far out is as narrow in the parameter
    // as it is far, squared.
    const double nearest = std::log((1 - (panel.hi - margin)) / (panel.hi - margin));
    const double farthest = std::log((1 - (panel.lo + margin)) / (panel.lo + margin));
    const double logStep = (farthest - nearest) / static_cast<double>(kProbePoints);
    double ts[kProbePoints];
    double steps[kProbePoints];
    double distances[kProbePoints];
    std::size_t count = 0;
    m_points.clear();
    for (std::size_t k = 0; k < kProbePoints; ++k) {
        const double offset = static_cast<double>(k) + 0.3819660112501051;
        double t = panel.lo + offset * step;
        if (map.halfLine) {
            const double distance = std::exp(nearest + offset * logStep);
            t = 1 / (1 + distance);
            steps[count] = t * t * distance * logStep;
            distances[count] = distance;
            ts[count++] = t;
            m_points.push_back(map.centre + CComplex(map.direction * distance, 0.0));
            continue;
        }
        if (t - panel.lo < margin || panel.hi - t < margin)
            continue;
        steps[count] = step;
        ts[count++] = t;
        m_points.push_back(map.centre + map.half * t);
    }
    if (count == 0)
        return true;
    if (!Call(f, count, true)) {
        if (f.Stopped())
            return false;
        // A point the term is not defined at, which no node met: the
        // stages after the first decide.
        found = true;
        return true;
    }
    // Values that are all real (mostly so on a real path) are sifted as
    // doubles: every decision the same as over the complex values, whose
    // imaginary parts would stay 0 throughout, at a fraction of the cost.
    const CComplex weight = map.orientation * map.half;
    bool real = panel.centre.imag() == 0 && (map.halfLine || weight.imag() == 0);
    for (std::size_t k = 0; k < count && real; ++k)
        real = m_values[k].imag() == 0;
    // On a half-line the sizes of the term itself, for the tail below.
    double sizes[kProbePoints];
    if (map.halfLine) {
        for (std::size_t k = 0; k < count; ++k)
            sizes[k] = Abs(m_values[k]);
    }
    std::size_t where = 0;
    if (real) {
        double values[kProbePoints];
        for (std::size_t k = 0; k < count; ++k)
            values[k] = m_values[k].real();
        found = SiftProbe(values, count, ts, steps, map.halfLine, weight.real(), panel.centre.real(), panel.radius,
                          significant, where);
    } else {
        found = SiftProbe(m_values.data(), count, ts, steps, map.halfLine, weight, panel.centre, panel.radius,
                          significant, where);
    }
    if (found) {
        at = ts[where];
        reach = 1.5 * steps[where];
        return true;
    }
    if (map.halfLine)
        return Zoom(f, panel, significant, distances, sizes, count, logStep, found, at, reach);
    return true;
}

bool CCalculus::Zoom(IPointFunction& f, const CPanel& panel, double significant, const double* distances,
                     const double* sizes, std::size_t count, double logStep, bool& found, double& at, double& reach)
{
    // Far out a peak narrower than the grid's steps (a width of 1 at 131,
    // where they are 12 apart) leaves on the grid only the low flank of
    // itself, far beneath notice beside the whole; but in a tail that
    // decays steadily, the logarithm of the term's size falls at least as
    // fast from sample to sample as it did before (it is concave in the
    // logarithm of the distance for e^(−x), e^(−x²) or a power), so a sample
    // far above the line through the two before it is something between
    // the samples. Such a bump is looked at closer: an even grid
    // between its neighbours, and again around its largest sample while
    // that grows, until a sample stands out of what the panel's nodes saw
    // as in the probe.
    constexpr double kBump = 1e3;
    constexpr int kZoomPoints = 16;
    constexpr int kZoomRounds = 4;
    const CMap& map = m_maps[panel.map];
    // (Of the bumps the largest sample: past a peak's flank the tail
    // falls back far below the line through the flank, a bump of nothing.)
    std::size_t bump = 0;
    double largest = 0;
    for (std::size_t k = 2; k < count; ++k) {
        if (!(sizes[k] > largest))
            continue;
        // The size the decay before predicts (0 after a 0: an underflow).
        const double predicted = sizes[k - 2] > 0 ? sizes[k - 1] * (sizes[k - 1] / sizes[k - 2]) : sizes[k - 1];
        if (sizes[k] > kBump * predicted) {
            largest = sizes[k];
            bump = k;
        }
    }
    if (bump == 0)
        return true;
    const double first = distances[bump - 1];
    const double last = bump + 1 < count ? distances[bump + 1] : distances[bump] * std::exp(logStep);
    double from = first;
    double to = last;
    for (int round = 0; round < kZoomRounds; ++round) {
        const double step = (to - from) / kZoomPoints;
        double ds[kZoomPoints];
        m_points.clear();
        for (int j = 0; j < kZoomPoints; ++j) {
            ds[j] = from + (j + 0.5) * step;
            m_points.push_back(map.centre + CComplex(map.direction * ds[j], 0.0));
        }
        if (!Call(f, kZoomPoints, true))
            return !f.Stopped();
        int top = -1;
        double topSize = largest;
        for (int j = 0; j < kZoomPoints; ++j) {
            const double t = 1 / (1 + ds[j]);
            const CComplex v = m_values[static_cast<std::size_t>(j)] / (t * t);
            const double rise = Abs(v - panel.centre) - 1.5 * panel.radius;
            const double stepT = t * t * step;
            if (!Finite(v) || (rise > 0 && rise * stepT > significant)) {
                // The panel split off around it reaches to the bump's
                // neighbours on the grid, so that it holds the peak's
                // flanks too, which the panels beside might miss again.
                found = true;
                at = t;
                reach = std::max(1 / (1 + first) - t, t - 1 / (1 + last));
                return true;
            }
            const double size = Abs(m_values[static_cast<std::size_t>(j)]);
            if (size > topSize) {
                topSize = size;
                top = j;
            }
        }
        // Nothing grew: the bump was the term's own (a zero of an
        // oscillating factor before it), resolved.
        if (top < 0)
            return true;
        largest = topSize;
        from = std::max(from, ds[top] - step);
        to = std::min(to, ds[top] + step);
    }
    return true;
}

CCalculusResult CCalculus::Adaptive(IPointFunction& f, const CRule& rule)
{
    m_stuck.clear();
    m_panelLimit = kMaxPanels;
    std::make_heap(m_heap.begin(), m_heap.end(), HeapLess<CPanel, CPanel>);
    CComplex total;
    double error = 0;
    double roundoff = 0;
    for (const CPanel& panel : m_heap) {
        total += panel.kronrod;
        error += panel.error;
        roundoff += panel.roundoff;
    }
    double stuckMass = 0;
    double stuckError = 0;
    CComplex stuckValue;
    if (!Subdivide(f, total, error, roundoff, stuckMass, stuckError, stuckValue))
        return {CComplex(), 0, ECalculusOutcome::Stopped};
    // The double-exponential rule did not settle, so the integrand has
    // structure inside; the panels' own estimates cannot tell a narrow
    // peak that fell between all their nodes. An even grid finer than the
    // panels can, and the panels with such a point are split there and
    // subdivided on.
    bool found = false;
    // Where the panels ran out, the sum is looked at the same way if it
    // would be believed (a term of noise, rand, is not), and what the grid
    // finds gets panels beyond the limit.
    // Far out on a half-line, a peak the grid finds can still leave a
    // flank beside its panel that no node sees: there the grid looks
    // again after the subdivision, while it finds. (On a segment the two
    // panels split at the point both have nodes next to it.)
    const int scans = m_maps[0].halfLine ? 3 : 1;
    for (int scan = 0; scan < scans; ++scan) {
        const bool full = m_heap.size() >= m_panelLimit;
        if (!Finite(total) || (full && !(error <= kInexactTolerance * Abs(total))))
            break;
        if (!Scan(f, total, error, roundoff, found))
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        if (!found)
            break;
        if (full)
            m_panelLimit = m_heap.size() + kMaxPanels / 4;
        if (!Subdivide(f, total, error, roundoff, stuckMass, stuckError, stuckValue))
            return {CComplex(), 0, ECalculusOutcome::Stopped};
    }
    // Beside each end of a segment, the sliver between the end and the end
    // panel's outermost node, which neither the nodes nor the grid reach.
    constexpr int kSliverRounds = 6;
    for (int round = 0; round < kSliverRounds && Finite(total); ++round) {
        bool changed = false;
        if (!EndSlivers(f, total, error, roundoff, std::max(kIntegralGoal * Abs(total), 2 * roundoff),
                        round + 1 == kSliverRounds, changed))
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        if (!changed)
            break;
        if (!Subdivide(f, total, error, roundoff, stuckMass, stuckError, stuckValue))
            return {CComplex(), 0, ECalculusOutcome::Stopped};
    }
    // The sums again, free of the running updates' rounding, and the
    // panels' values added with the rounding of each addition kept beside
    // the sum (hundreds of panels of either sign, as an oscillating term
    // gives, cancel to far less than their sizes).
    CCompensated sums[2];
    sums[0].Add(stuckValue.real());
    sums[1].Add(stuckValue.imag());
    sums[0].Add(m_sliverValue.real());
    sums[1].Add(m_sliverValue.imag());
    error = stuckError;
    double mass = stuckMass;
    for (const CPanel& panel : m_heap) {
        sums[0].Add(panel.kronrod.real());
        sums[1].Add(panel.kronrod.imag());
        error += panel.error;
        mass += panel.mass;
    }
    total = CComplex(sums[0].Value(), sums[1].Value());
    CCalculusResult result{total, error, ECalculusOutcome::Done};
    if (!Finite(total) || !std::isfinite(error))
        return {CComplex(), error, ECalculusOutcome::DoesNotConverge};
    const bool stuck = stuckMass > 1e-3 * mass;
    if (stuck)
        result.error += stuckMass;
    if (rule.error < result.error && Finite(rule.value)) {
        result.value = rule.value;
        result.error = rule.error;
    }
    const double size = Abs(result.value);
    const double floor = 1e3 * kEpsilon * mass;
    if (stuck || (result.error > kDivergence * size && result.error > floor))
        result.outcome = ECalculusOutcome::DoesNotConverge;
    else if (result.error > kInexactTolerance * size && result.error > floor)
        result.outcome = ECalculusOutcome::Inexact;
    // The narrowest pieces keep their mass, or the sum settles nowhere: a
    // singularity the integral cannot pass, unless it sits at an end and
    // the pieces towards it shrink by a steady factor ((1 − x)^−0.75),
    // whose sums the end limit takes to the part beyond the last double.
    if ((result.outcome != ECalculusOutcome::Done || result.error > kIntegralGoal * size) &&
        !EndLimits(f, result, mass, result.outcome == ECalculusOutcome::DoesNotConverge))
        return {CComplex(), 0, ECalculusOutcome::Stopped};
    if (result.outcome == ECalculusOutcome::DoesNotConverge)
        return {CComplex(), error, ECalculusOutcome::DoesNotConverge};
    // What the slivers beside the ends leave open (a step's place between
    // two doubles, which no number of points narrows, or something there
    // the panels could not resolve) makes a value inexact, never none.
    result.error += m_sliverError;
    if (result.outcome == ECalculusOutcome::Done && result.error > kInexactTolerance * Abs(result.value) &&
        result.error > floor)
        result.outcome = ECalculusOutcome::Inexact;
    return result;
}

bool CCalculus::EndLimits(IPointFunction& f, CCalculusResult& current, double mass, bool steady)
{
    // The error of the panels this deep towards an end (in the parameter of
    // its half of the segment, or of the half-line towards its finite end)
    // is the end's; the extrapolation takes over the end's part from the
    // first clean level at or below kFrom.
    constexpr double kDeep = 0x1p-20;
    constexpr double kFrom = 0x1p-3;
    // A panel's sides as distances from its map's end in the parameter.
    const auto nearSide = [&](const CPanel& panel) { return m_maps[panel.map].halfLine ? 1 - panel.hi : panel.lo; };
    const auto farSide = [&](const CPanel& panel) { return m_maps[panel.map].halfLine ? 1 - panel.lo : panel.hi; };
    double total = 0;
    double atEnd[2] = {0, 0};
    for (const std::vector<CPanel>* panels : {&m_heap, &m_stuck}) {
        for (const CPanel& panel : *panels) {
            total += panel.error;
            if (panel.map < 2 && farSide(panel) <= kDeep)
                atEnd[panel.map] += panel.error;
        }
    }
    bool ends[2] = {false, false};
    double share = 0;
    for (int end = 0; end < 2; ++end) {
        ends[end] = atEnd[end] >= 0.1 * total;
        if (ends[end])
            share += atEnd[end];
    }
    if (!(share >= 0.5 * total))
        return true;
    // The level must not cut through a panel, so that the panels above it
    // keep their sums.
    double to[2] = {0, 0};
    for (int end = 0; end < 2; ++end) {
        if (!ends[end])
            continue;
        double t = kFrom;
        const auto straddles = [&](double at) {
            for (const std::vector<CPanel>* panels : {&m_heap, &m_stuck}) {
                for (const CPanel& panel : *panels) {
                    if (panel.map == end && nearSide(panel) < at && farSide(panel) > at)
                        return true;
                }
            }
            return false;
        };
        while (t > kDeep && straddles(t))
            t *= 0.5;
        if (t <= kDeep)
            return true;
        to[end] = t;
    }
    const auto taken = [&](const CPanel& panel) {
        return panel.map < 2 && ends[panel.map] && farSide(panel) <= to[panel.map];
    };
    // A piece stuck elsewhere keeps the error where it is.
    for (const CPanel& panel : m_stuck) {
        if (!taken(panel))
            return true;
    }
    std::vector<CPanel> rest;
    rest.reserve(m_heap.size());
    for (const CPanel& panel : m_heap) {
        if (!taken(panel))
            rest.push_back(panel);
    }
    m_heap.swap(rest);
    m_stuck.clear();
    std::make_heap(m_heap.begin(), m_heap.end(), HeapLess<CPanel, CPanel>);
    // The rest subdivided on to the goal: the ends held the subdivision
    // back once their narrowest pieces could not be split.
    CComplex sum;
    double error = 0;
    double roundoff = 0;
    for (const CPanel& panel : m_heap) {
        sum += panel.kronrod;
        error += panel.error;
        roundoff += panel.roundoff;
    }
    double stuckMass = 0;
    double stuckError = 0;
    CComplex stuckValue;
    if (!Subdivide(f, sum, error, roundoff, stuckMass, stuckError, stuckValue))
        return false;
    if (!m_stuck.empty())
        return true;
    sum = CComplex();
    error = 0;
    for (const CPanel& panel : m_heap) {
        sum += panel.kronrod;
        error += panel.error;
    }
    // What the adaptive sum missed lies within the narrowest ranges at the
    // ends (its own estimate cannot tell: where a panel's points all
    // collapse onto the same doubles, its two rules agree).
    double unresolved = 0;
    // The same from the values carried to the nodes.
    CComplex carried = sum;
    double carriedError = error;
    double carriedUnresolved = 0;
    bool moved = false;
    bool confirmed = true;
    for (int end = 0; end < 2; ++end) {
        if (!ends[end])
            continue;
        CEndPart asked;
        CEndPart part;
        if (!EndLimit(f, end, to[end], steady, asked, part))
            return false;
        sum += asked.value;
        error += asked.error;
        unresolved += asked.unresolved;
        if (!part.valid) {
            part = asked;
        } else {
            moved = true;
            confirmed = confirmed && part.confirmed;
        }
        carried += part.value;
        carriedError += part.error;
        carriedUnresolved += part.unresolved;
    }
    const auto outcome = [&](double value, double estimate) {
        return estimate > kInexactTolerance * value && estimate > 1e3 * kEpsilon * mass ? ECalculusOutcome::Inexact
                                                                                        : ECalculusOutcome::Done;
    };
    // Taken only where the extrapolation's estimate is below what it
    // replaces and the two values differ by no more than the estimates and
    // that missing part.
    CCalculusResult before = current;
    if (Finite(sum) && std::isfinite(error) && error < current.error &&
        Abs(sum - current.value) <= current.error + error + unresolved)
        before = {sum, error, outcome(Abs(sum), error)};
    // From the carried values the same, and also where the two differ by
    // more than both estimates but by no more than that missing part: the
    // adaptive sum's estimate is the one the difference refutes, it never
    // saw that part (its panels towards a half-line's end can run out
    // before they get stuck).
    const double apart = Abs(carried - current.value);
    if (!moved || !Finite(carried) || !std::isfinite(carriedError) ||
        apart > current.error + carriedError + carriedUnresolved ||
        (carriedError >= current.error && apart <= current.error + carriedError)) {
        current = before;
        return true;
    }
    const CCalculusResult after{carried, carriedError, outcome(Abs(carried), carriedError)};
    // The values as asked for stand where they are within their own
    // estimate of the carried ones and, without a warning, within
    // kQuietError; a verdict that the integral does not exist stands too.
    // (The carried ones lose nothing to the rounding of the points, and
    // their estimate says how far they may be off.)
    const double differ = Abs(after.value - before.value);
    const double claimed = before.outcome == ECalculusOutcome::Inexact
                               ? before.error
                               : std::min(before.error, kQuietError * Abs(after.value));
    // Where the carried ones claim less than those as asked for, the two
    // agree within both claims and deeper levels confirmed the carried
    // limits, the carried ones are the nearer. (Where the pieces shrink
    // slowly, the limits scatter by about their estimates from level to
    // level, and the values as asked for are as near.)
    const bool nearer = confirmed && after.error < before.error && differ <= before.error + after.error;
    if (before.outcome == ECalculusOutcome::DoesNotConverge || (differ <= claimed && !nearer))
        current = before;
    else
        current = after;
    return true;
}

bool CCalculus::EndLimit(IPointFunction& f, int map, double to, bool steady, CEndPart& asked, CEndPart& moved)
{
    // Enough levels to pass the resolution of the numbers at any end but 0,
    // where nothing is lost and the rules before have settled.
    constexpr int kMaxEndLevels = 60;
    // At 0, where deeper levels cost nothing but evaluations, the limits
    // of the first levels that meet the goal scatter by about it (a
    // factor near 1 loses digits to the differences): enough levels that
    // the least bound is taken among many.
    constexpr std::size_t kSettledLevels = 20;
    const CMap& path = m_maps[map];
    const double end = Abs(path.centre);
    // Near its end a half-line's points lie about the parameter's distance
    // from it.
    const double length = path.halfLine ? 1 : Abs(path.half);
    struct CPlainSums {
        bool& flag;
        explicit CPlainSums(bool& f) : flag(f) { flag = true; }
        ~CPlainSums() { flag = false; }
    } plainSums(m_plainSums);
    // The panel over distances [from, until] from the end.
    const auto panelAt = [&](double from, double until) {
        return path.halfLine ? Over(1 - until, 1 - from, map)
                             : Over(from, until, map);
    };
    // The points near an end other than 0 are rounded by up to half an ulp
    // of the end, which moves the term's value there by about that shift
    // over the distance from the end (for a power above −1): summed over a
    // panel's nodes (just computed), what its value cannot be trusted to.
    // It grows towards the end and tells where deeper levels stop paying.
    // Carried to the nodes, the values keep only what Unround leaves of it.
    const double shift = 0.5 * kEpsilon * end;
    const bool rounded = shift > 0;
    const auto rounding = [&](const CPanel& panel, const std::vector<CComplex>& values, bool carried) {
        if (shift == 0)
            return 0.0;
        const double mid = 0.5 * (panel.lo + panel.hi);
        const double hw = 0.5 * (panel.hi - panel.lo);
        double sum = 0;
        for (int i = 0; i < 21; ++i) {
            const int k = (i + 1) / 2;
            const double node = i == 0 ? mid : (i % 2 ? mid - hw * kKronrodNodes[k] : mid + hw * kKronrodNodes[k]);
            const double distance = path.halfLine ? (1 - node) / node : length * node;
            const double term = kKronrodWeights[k] * Abs(values[static_cast<std::size_t>(i)]) / std::max(distance, shift);
            sum += carried ? term * m_unrounded[i] : term;
        }
        return hw * shift * sum;
    };
    // One level of a track: near over [0, t], piece over [t, 2t] (none at
    // the first level).
    const auto advance = [&](CEndTrack& track, const CPanel& near, double nearRounding, const CPanel* piece,
                             double pieceRounding, bool carried) {
        track.unresolved = near.mass;
        bool shrinking = !steady;
        if (piece) {
            track.pieces += piece->kronrod;
            track.piecesError += piece->error + pieceRounding;
            if (steady)
                track.parts.push_back(piece->kronrod);
            // A power above −1 at the end: each piece the last one times
            // a factor below 1 that stays the same; a logarithm or a power
            // of −1 or less does not settle on one.
            const double size = Abs(piece->kronrod);
            const double ratio = track.lastSize > 0 ? size / track.lastSize : 0;
            if ((steady || carried) && ratio > 0 && track.lastRatio > 0) {
                const double drift = ratio - track.lastRatio;
                const bool geometric = ratio <= 1 - kSteadyMargin && std::fabs(drift) <= 1e-2 * (1 - ratio);
                // What lies beyond this level: the rest of the geometric
                // series (nearly all of the integral for a power near −1).
                if (steady) {
                    shrinking = geometric;
                    if (shrinking)
                        track.tail = size * ratio / (1 - ratio);
                    track.slow = shrinking && ratio > kSlowShrink;
                } else {
                    track.tail = geometric ? size * ratio / (1 - ratio) : 0;
                }
            }
            track.lastRatio = ratio;
            track.lastSize = size;
        }
        // Where the points near the end are rounded, the panel over [0, t]
        // (whose nodes come nearest the end) costs more digits than its
        // value gains: the sums of the pieces alone, whose distance from
        // the limit falls as steadily.
        if (rounded && !piece)
            return;
        track.sums.Add(rounded ? track.pieces : track.pieces + near.kronrod);
        if (!Finite(track.sums.Last())) {
            track.done = true;
            return;
        }
        if (track.sums.Size() < 4)
            return;
        double e = 0;
        CComplex limit = track.sums.Limit(e);
        // Both the algorithm's own estimate and the move from the last
        // level's limit: agreement from level to level, not one lucky
        // column.
        double estimate = std::max(e, Abs(limit - (track.sums.Size() > 4 ? track.previous : track.sums.Last())));
        track.previous = limit;
        if (track.slow) {
            // Checked against the geometric series, as far as that agrees
            // with itself over the last four levels (twice its spread).
            CComplex geometric;
            double spread = std::numeric_limits<double>::infinity();
            if (GeometricLimit(track.parts, geometric)) {
                if (track.geometricLimits.size() >= 3) {
                    spread = 0;
                    for (std::size_t k = track.geometricLimits.size() - 3; k < track.geometricLimits.size(); ++k)
                        spread = std::max(spread, Abs(geometric - track.geometricLimits[k]));
                }
                track.geometricLimits.push_back(geometric);
            }
            estimate = std::max(estimate, Abs(limit - geometric) + 2 * spread);
        }
        const double withRounding = estimate + track.piecesError + (rounded ? 0.0 : nearRounding);
        // Where the pieces' values are carried to the nodes, the limit
        // deeper down is the better one while its estimate over the last
        // three levels falls and it lies within the estimate of the one
        // it replaces (a piece off by more shows as a step): the bound grows
        // with each piece's rounding estimate, which the limits' agreement
        // from level to level shows to be far above what those pieces are
        // off by. (The values as asked for drift with the rounding of the
        // points: there the bound alone chooses; at 0, where nothing is
        // rounded, the slow sums' limits scatter by more than they gain.)
        if (!rounded && shrinking && estimate <= 5 * kIntegralGoal * Abs(limit))
            track.settled.push_back(limit);
        const bool follows = carried && !track.slow;
        ++track.stale;
        track.recent[0] = track.recent[1];
        track.recent[1] = track.recent[2];
        track.recent[2] = estimate;
        const double agreed = std::max({track.recent[0], track.recent[1], track.recent[2]});
        if (shrinking && withRounding < track.error) {
            track.error = withRounding;
            track.value = limit;
            if (estimate < track.valueEstimate)
                track.stale = 0;
            track.valueEstimate = estimate;
        } else if (shrinking && follows && agreed < track.valueEstimate &&
                   Abs(limit - track.value) <= track.valueEstimate) {
            track.value = limit;
            track.valueEstimate = agreed;
            track.stale = 0;
            track.confirmed = true;
        }
        // Deeper levels gain nothing once the limit settles, and lose
        // digits to the points near the end.
        if (track.error <= 5 * kIntegralGoal * Abs(track.value) &&
            (!follows || track.valueEstimate <= 4 * kEpsilon * Abs(track.value) || track.stale >= 3) &&
            (rounded || track.sums.Size() >= kSettledLevels))
            track.done = true;
    };
    CEndTrack* const tracks = m_tracks;
    CEndTrack& first = tracks[0];
    CEndTrack& second = tracks[1];
    first.Start();
    second.Start();
    // At 0 nothing is rounded: one track.
    second.done = !rounded;
    double t = to;
    for (int level = 0; level < kMaxEndLevels && !(first.done && second.done); ++level, t *= 0.5) {
        // Too narrow for the points of the path to differ.
        if (length * t <= 1e4 * kEpsilon * end)
            break;
        CPanel near = panelAt(0, t);
        CPanel nearAsked;
        if (!Panel(f, near, rounded ? &nearAsked : nullptr))
            return false;
        if (!rounded)
            nearAsked = near;
        const double nearRounding = rounding(nearAsked, rounded ? m_asked : m_values, false);
        CPanel piece;
        CPanel pieceAsked;
        double pieceRounding = 0;
        double pieceMoved = 0;
        if (level > 0) {
            piece = panelAt(t, 2 * t);
            if (!Panel(f, piece, rounded ? &pieceAsked : nullptr))
                return false;
            if (!rounded)
                pieceAsked = piece;
            pieceRounding = rounding(pieceAsked, rounded ? m_asked : m_values, false);
            if (rounded)
                pieceMoved = rounding(piece, m_values, true);
        }
        if (!first.done)
            advance(first, nearAsked, nearRounding, level > 0 ? &pieceAsked : nullptr, pieceRounding, false);
        if (!second.done)
            advance(second, near, 0.0, level > 0 ? &piece : nullptr, pieceMoved, true);
    }
    // At 0 the limits that met the goal scatter about the value by far
    // more than their median does.
    if (!rounded && first.settled.size() >= kSettledLevels / 2) {
        std::vector<double> re;
        std::vector<double> im;
        for (const CComplex& limit : first.settled) {
            re.push_back(limit.real());
            im.push_back(limit.imag());
        }
        const auto median = [](std::vector<double>& v) {
            std::sort(v.begin(), v.end());
            const std::size_t n = v.size();
            return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
        };
        const CComplex middle(median(re), median(im));
        if (Abs(middle - first.value) <= first.error)
            first.value = middle;
    }
    for (int k = 0; k < 2; ++k) {
        CEndTrack& track = tracks[k];
        CEndPart& part = k == 0 ? asked : moved;
        part.value = track.value;
        part.error = std::max(track.error, 10 * kEpsilon * Abs(track.value));
        // Nearer the end than the last level the adaptive sum saw nothing
        // that the points there could tell; the series says how much that
        // is.
        part.unresolved = k == 1 || steady ? std::max(track.unresolved, track.tail) : track.unresolved;
        part.valid = k == 0 || rounded;
        part.confirmed = track.confirmed;
    }
    return true;
}

bool CCalculus::DoubleExponential(IPointFunction& f, int kind, const CComplex& a, const CComplex& b,
                                  double direction, CRule& rule)
{
    const CComplex half = 0.5 * (b - a);
    const CComplex centre = 0.5 * (a + b);
    CComplex sum;
    double mass = 0;
    double previousDifference = -1;
    // How much the last difference shrank from the one before (1 until
    // there are two).
    double previousRatio = 1;
    // How far out each side goes, found at the first level, where the
    // points are asked for one by one from the middle outwards: a side ends
    // where its terms have become negligible beside the sum (or the points
    // no longer differ from the ends), so that the term is never asked far
    // beyond the range that matters, where it may well overflow.
    double reach[2] = {kMaxU, kMaxU};
    bool unseen = false;
    const CNodeTable& table = NodeTable();
    // On a real segment, each node's value and point as asked for, by side
    // and place on the finest grid, for the move to the nodes below.
    const bool real = kind == 0 && a.imag() == 0 && b.imag() == 0;
    // (Which places this rule has filled: those stamped with its number.)
    if (real && m_gridHave.size() != 2 * CNodeTable::kCount) {
        m_gridHave.assign(2 * CNodeTable::kCount, 0);
        m_gridValues.resize(2 * CNodeTable::kCount);
        m_gridPoints.resize(2 * CNodeTable::kCount);
    }
    if (real && ++m_gridStamp == 0) {
        std::fill(m_gridHave.begin(), m_gridHave.end(), 0u);
        m_gridStamp = 1;
    }
    const auto keep = [&](int side, double u, const CComplex& x, const CComplex& value) {
        if (!real)
            return;
        const std::size_t j = static_cast<std::size_t>(side * CNodeTable::kCount) +
                              static_cast<std::size_t>(u * CNodeTable::kSteps + 0.5);
        m_gridHave[j] = m_gridStamp;
        m_gridValues[j] = value;
        m_gridPoints[j] = x.real();
    };
    // Every weighted value of every level so far, with the rounding of the
    // additions kept beside the sum: the sum of a level is this times its
    // step (a power of 2), free of the rounding that halving the sum before
    // and adding the new points' would pile up level by level.
    CCompensated all[2];
    const auto node = [&](int side, double u, CComplex& x, CComplex& w) {
        const CUnitNode& unit = table.At(kind, side, u);
        if (kind == 0) {
            w = half * unit.weight;
            if (u == 0) {
                x = centre;
                return true;
            }
            // Nearer an end than the numbers there can tell: the nearest
            // point inside stands for it (its weight is tiny anyway).
            const CComplex& end = side == 0 ? b : a;
            const CComplex inwards = side == 0 ? -half : half;
            x = end + inwards * unit.offset;
            if (x == end)
                x = end + inwards * (4 * kEpsilon * Abs(end) / Abs(half));
            return unit.offset >= kNarrowest && x != end && unit.weight != 0;
        }
        if (kind == 1) {
            x = a + CComplex(direction * unit.offset, 0.0);
            if (x == a)
                x = a + CComplex(direction * 4 * kEpsilon * Abs(a), 0.0);
            w = CComplex(direction * unit.weight, 0.0);
            return unit.offset <= kFarthest && unit.offset >= kNarrowest && x != a && std::isfinite(unit.weight) &&
                   unit.weight != 0;
        }
        x = CComplex(side == 0 ? unit.offset : -unit.offset, 0.0);
        w = CComplex(unit.weight, 0.0);
        return unit.offset <= kFarthest && std::isfinite(unit.weight);
    };
    {
        CComplex x, w;
        node(0, 0.0, x, w);
        m_points.assign(1, x);
        if (!Call(f, 1))
            return false;
        keep(0, 0.0, x, m_values[0]);
        keep(1, 0.0, x, m_values[0]);
        CComplex first = Weighted(m_values[0], w);
        double firstMass = Abs(first);
        all[0].Add(first.real());
        all[1].Add(first.imag());
        double largest = 0;
        double negligible = 0;
        for (int side = 0; side < 2; ++side) {
            int quiet = 0;
            for (int k = 1;; ++k) {
                const double u = k;
                if (u > kMaxU || !node(side, u, x, w)) {
                    // The last valid node on the finest level's grid.
                    double valid = u - 1;
                    for (double step = 0.5; step >= std::ldexp(1.0, -kMaxLevel); step *= 0.5) {
                        if (valid + step <= kMaxU && node(side, valid + step, x, w))
                            valid += step;
                    }
                    reach[side] = valid;
                    break;
                }
                m_points.assign(1, x);
                // Beyond a negligible term the next one only confirms the
                // decay; where the term cannot be computed there (its
                // exponential overflows far out), the side ends before it.
                // So it does on an infinite range where the term has not
                // died away (x^2 overflows in cos(x^2)); the rule has then
                // not seen the term's end and settles nothing.
                if (!Call(f, 1, quiet > 0)) {
                    if (f.Stopped() || (quiet == 0 && kind == 0))
                        return false;
                    unseen = unseen || quiet == 0;
                    reach[side] = u - 1;
                    break;
                }
                keep(side, u, x, m_values[0]);
                const CComplex term = Weighted(m_values[0], w);
                first += term;
                all[0].Add(term.real());
                all[1].Add(term.imag());
                firstMass += Abs(term);
                // Negligible beside the largest the sum has been: where the
                // far side cancels the near one (an odd term over the whole
                // line), the sum itself shrinks to its rounding and would
                // never call a term negligible.
                largest = std::max(largest, Abs(first));
                negligible = 1e-20 * largest;
                quiet = negligible > 0 && Abs(term) <= negligible ? quiet + 1 : 0;
                if (quiet == 2) {
                    // The side ends at the first of the two negligible
                    // terms, or up to three quarters of a step before it
                    // where the term is negligible there too: every
                    // finer level pays for the reach with its points.
                    double r = u - 1;
                    for (double back = 0.5; back >= 0.25; back *= 0.5) {
                        CComplex xr, wr;
                        if (!node(side, r - back, xr, wr))
                            continue;
                        m_points.assign(1, xr);
                        if (!Call(f, 1, true)) {
                            if (f.Stopped())
                                return false;
                            continue;
                        }
                        if (Abs(Weighted(m_values[0], wr)) <= negligible)
                            r -= back;
                    }
                    reach[side] = r;
                    break;
                }
            }
        }
        sum = CComplex(all[0].Value(), all[1].Value());
        mass = firstMass;
    }
    // The rule has not seen the term's end: it settles nothing.
    const auto unsettled = [&] {
        m_endTail = 0;
        rule = {sum, std::numeric_limits<double>::infinity(), false};
        return true;
    };
    if (unseen)
        return unsettled();
    double tail = 0;
    bool refined = false;
    for (int level = 1; level <= kMaxLevel; ++level) {
        const double h = std::ldexp(1.0, -level);
        m_points.clear();
        m_weights.clear();
        std::size_t outer[2] = {SIZE_MAX, SIZE_MAX};
        std::size_t firstOf[2] = {0, 0};
        for (int side = 0; side < 2; ++side) {
            firstOf[side] = m_points.size();
            for (int k = 1; k * h <= reach[side]; k += 2) {
                CComplex x, w;
                if (!node(side, k * h, x, w))
                    break;
                outer[side] = m_points.size();
                m_points.push_back(x);
                m_weights.push_back(w);
            }
        }
        // (On an infinite range the finer levels reach past the first
        // level's last point, up to where the map ends; a term that fails
        // there leaves the rule unsettled, as above.)
        if (!Call(f, m_points.size()))
            return f.Stopped() || kind == 0 ? false : unsettled();
        for (int side = 0; side < 2 && real; ++side) {
            const std::size_t end = side == 0 ? firstOf[1] : m_points.size();
            for (std::size_t i = firstOf[side]; i < end; ++i)
                keep(side, static_cast<double>(2 * (i - firstOf[side]) + 1) * h, m_points[i], m_values[i]);
        }
        CComplex added;
        double addedMass = 0;
        for (std::size_t i = 0; i < m_points.size(); ++i) {
            m_values[i] = Weighted(m_values[i], m_weights[i]);
            added += m_values[i];
            all[0].Add(m_values[i].real());
            if (m_values[i].imag() != 0)
                all[1].Add(m_values[i].imag());
            addedMass += Abs(m_values[i]);
        }
        tail = 0;
        for (std::size_t side : outer) {
            if (side != SIZE_MAX)
                tail += Abs(m_values[side]);
        }
        // What lies nearer an end than the points can go: about the value
        // at the nearest point times its distance from the end. It matters
        // where the integrand is singular at an end other than 0, whose
        // neighbourhood the numbers resolve only to a few units in the
        // last place.
        m_endTail = 0;
        for (int side = 0; side < 2; ++side) {
            const std::size_t at = outer[side];
            if (at == SIZE_MAX || kind == 2 || (kind == 1 && side == 0))
                continue;
            const CComplex& end = kind == 1 ? a : (side == 0 ? b : a);
            const double part = Abs(m_values[at] / m_weights[at]) * Abs(m_points[at] - end);
            tail += part;
            if (kind == 1)
                m_endTail = part;
        }
        const CComplex previous = sum;
        sum = CComplex(all[0].Value() * h, all[1].Value() * h);
        mass = 0.5 * mass + h * addedMass;
        if (!Finite(sum) || !std::isfinite(mass)) {
            rule = {sum, std::numeric_limits<double>::infinity(), false};
            return true;
        }
        const double difference = Abs(sum - previous);
        double estimate = difference;
        if (difference == 0) {
            estimate = 0;
        } else if (previousDifference > 0 && difference < 0.1 * previousDifference) {
            // The digits double from level to level once the rule
            // converges: the next difference is about this one times its
            // shrinking. A shrinking far beyond the square of the last one
            // is a level that happened to fall near the value (1/(1+25x^2)
            // on [0, 1], 7e-10 off at h = 1/4, 1.2e-11 at h = 1/8): the
            // square of the last shrinking stands for it then.
            const double ratio = difference / previousDifference;
            estimate = difference * std::max(ratio, previousRatio * previousRatio);
        }
        const double shrinking = previousDifference > 0 ? difference / previousDifference : 1;
        const double roundoff = 8 * kEpsilon * mass;
        rule = {sum, estimate + tail + roundoff, false};
        if (level >= 3 && rule.error <= kIntegralGoal * Abs(sum) + 2 * roundoff) {
            // Where the integral is a small remainder of its mass (an
            // oscillating term), what is left of its error once the rule
            // has settled is the rounding of the points and of the term,
            // which goes either way from point to point: one level more
            // halves each point's share of it.
            if (!refined && mass > 8 * Abs(sum) && level < kMaxLevel) {
                refined = true;
                previousDifference = difference;
                previousRatio = shrinking;
                continue;
            }
            rule.settled = true;
            // The points' rounding, where the integral is a remainder of its
            // mass, beside which it shows; a move within a few units of the
            // sum's last place is no better than the rounding it would take
            // out.
            if (real && mass > 2 * Abs(sum)) {
                const CComplex moved = Unrounded(a.real(), b.real(), half.real(), reach, h, mass);
                if (Abs(moved) > 4 * kEpsilon * Abs(sum))
                    rule.value += moved;
            }
            return true;
        }
        previousDifference = difference;
        previousRatio = shrinking;
    }
    return true;
}

CComplex CCalculus::Unrounded(double a, double b, double half, const double* reach, double h, double mass) const
{
    // Each node's point is its parameter's place rounded to a double: where
    // the term is steep there (an oscillation, cos(62·sin(x)) near π, whose
    // points round by up to an ulp of 3), each value differs from the
    // node's by slope times that rounding, which the weights do not know
    // of; summed over hundreds of nodes beside an integral that is a small
    // remainder of its mass, 1e-13 of it. The slope from the two
    // neighbours on the grid, where they lie far enough apart for their
    // difference to mean a slope.
    const CNodeTable& table = NodeTable();
    const std::size_t step = static_cast<std::size_t>(h * CNodeTable::kSteps + 0.5);
    CComplex total;
    double size = 0;
    for (int side = 0; side < 2; ++side) {
        const std::size_t base = static_cast<std::size_t>(side * CNodeTable::kCount);
        const double end = side == 0 ? b : a;
        const double inwards = side == 0 ? -half : half;
        for (std::size_t j = step; static_cast<double>(j + step) / CNodeTable::kSteps <= reach[side]; j += step) {
            if (m_gridHave[base + j] != m_gridStamp || m_gridHave[base + j - step] != m_gridStamp ||
                m_gridHave[base + j + step] != m_gridStamp)
                continue;
            const double apart = m_gridPoints[base + j + step] - m_gridPoints[base + j - step];
            const double point = m_gridPoints[base + j];
            if (!(std::fabs(apart) > 1e3 * kEpsilon * std::fabs(point)))
                continue;
            const double u = static_cast<double>(j) / CNodeTable::kSteps;
            const CUnitNode& unit = table.At(0, side, u);
            // (Beside an end the term may be singular, its slope no
            // parabola's; and there its points lie so near the end that
            // their rounding is a tiny share of their distance anyway.)
            if (unit.offset < kNearEnd)
                break;
            // The node, end + inwards·offset, less the point asked at.
            const double product = inwards * unit.offset;
            const NDoubleDouble::CDD ideal = NDoubleDouble::TwoSum(end, product);
            const double off = (ideal.hi - point) + ideal.lo + ProductRest(inwards, unit.offset, product) +
                               inwards * table.OffsetRest(u);
            const CComplex slope = (m_gridValues[base + j + step] - m_gridValues[base + j - step]) / apart;
            const CComplex move = h * half * unit.weight * off * slope;
            total += move;
            size += Size1(move);
        }
    }
    // (A move beyond a trace of the mass is no rounding: a term that is not
    // smooth at the spacing of the points.)
    return Finite(total) && size <= 1e-10 * mass ? total : CComplex();
}

bool CCalculus::BelieveRule(IPointFunction& f, int count, CRule& rule, double* at, double& reach, bool& believed)
{
    believed = false;
    if (!rule.settled)
        return true;
    const double significant = kIntegralGoal * Abs(rule.value);
    bool peak = false;
    for (int side = 0; side < count && !peak; ++side) {
        CPanel half = Over(0, 1, side);
        if (!Panel(f, half) || !Probe(f, half, std::max(significant, half.roundoff), peak, at[side], reach))
            return false;
    }
    believed = !peak;
    if (peak)
        rule = {rule.value, std::numeric_limits<double>::infinity(), false};
    return true;
}

CCalculusResult CCalculus::Integrate(IPointFunction& f, const CIntegralLimit& a, const CIntegralLimit& b)
{
    if (m_nested)
        return IntegrateRange(f, a, b);
    m_nested = true;
    f.HoldErrors(true);
    CCalculusResult result = IntegrateParts(f, a, b, 0);
    // Where it stands, the term's failure comes as it would have.
    f.EndErrorHold(result.outcome == ECalculusOutcome::Stopped && !f.Stopped());
    m_nested = false;
    return result;
}

CCalculusResult CCalculus::IntegrateParts(IPointFunction& f, const CIntegralLimit& a, const CIntegralLimit& b,
                                          int depth)
{
    m_failedAt = CComplex(std::numeric_limits<double>::quiet_NaN(), 0.0);
    CCalculusResult result = IntegrateRange(f, a, b);
    if (depth >= kInteriorSplits)
        return result;
    // The term failed at a point inside the range (sin(x)/x at 0, a
    // singularity where a node fell on it; on a path in the plane a node of
    // the path, on it between its ends): the two parts on either side never
    // ask for it. Where they find no value, the term's own failure stands.
    const auto splitAtFailure = [&] {
        const std::size_t own = m_evaluations;
        const CCalculusResult split = SplitAt(f, a, b, m_failedAt, depth);
        m_evaluations += own;
        if (split.outcome != ECalculusOutcome::Stopped || f.Stopped()) {
            f.EndErrorHold(false);
            f.HoldErrors(true);
            result = split;
        }
        return result;
    };
    const bool failed = result.outcome == ECalculusOutcome::Stopped && !f.Stopped() && Finite(m_failedAt);
    const bool real = (a.infinity != 0 || a.point.imag() == 0) && (b.infinity != 0 || b.point.imag() == 0);
    if (!real)
        return failed && m_failedAt != a.point && m_failedAt != b.point ? splitAtFailure() : result;
    const auto inside = [&](double x) {
        const double low = a.infinity != 0 ? -std::numeric_limits<double>::infinity()
                           : b.infinity != 0 ? a.point.real()
                                             : std::min(a.point.real(), b.point.real());
        const double high = b.infinity != 0 ? std::numeric_limits<double>::infinity()
                            : a.infinity != 0 ? b.point.real()
                                              : std::max(a.point.real(), b.point.real());
        return x > low && x < high;
    };
    if (failed && m_failedAt.imag() == 0 && inside(m_failedAt.real()))
        return splitAtFailure();
    if (a.infinity != 0 || b.infinity != 0 ||
        (result.outcome != ECalculusOutcome::DoesNotConverge && result.outcome != ECalculusOutcome::Inexact))
        return result;
    // The error stayed around a point inside: split there.
    double at = 0;
    bool found = false;
    if (!InteriorPoint(f, a.point.real(), b.point.real(), at, found))
        return {CComplex(), 0, ECalculusOutcome::Stopped};
    if (!found)
        return result;
    const std::size_t own = m_evaluations;
    const CCalculusResult split = SplitAt(f, a, b, CComplex(at, 0.0), depth);
    m_evaluations += own;
    if ((split.outcome == ECalculusOutcome::Stopped && f.Stopped()) || split.outcome == ECalculusOutcome::Done ||
        (split.outcome == ECalculusOutcome::Inexact && split.error < result.error))
        return split;
    return result;
}

void CCalculus::ClearRangeState()
{
    m_heap.clear();
    m_stuck.clear();
    m_scale = 0;
    m_sliverError = 0;
    m_sliverValue = CComplex();
    for (bool* taken : m_sliverTaken)
        taken[0] = taken[1] = false;
}

CCalculusResult CCalculus::IntegrateRange(IPointFunction& f, const CIntegralLimit& a, const CIntegralLimit& b)
{
    m_evaluations = 0;
    ClearRangeState();
    if (a.infinity != 0 && b.infinity == a.infinity)
        return {};
    if (a.infinity == 0 && b.infinity == 0 && a.point == b.point)
        return {};
    if ((a.infinity != 0 && b.infinity == 0) || (a.infinity == 1 && b.infinity == -1)) {
        CCalculusResult reversed = Integrate(f, b, a);
        reversed.value = -reversed.value;
        return reversed;
    }
    CRule rule;
    rule.error = std::numeric_limits<double>::infinity();
    double factor = 1;
    if (b.infinity == 0) {
        const CComplex half = 0.5 * (b.point - a.point);
        m_maps[2] = {false, 0.5 * (a.point + b.point), half, 1, 1};
        CPanel whole = Over(-1, 1, 2);
        m_scale = 0;
        if (!Panel(f, whole))
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        // A rule that settles is believed once the even grid finds no peak
        // between its points; where it does, the adaptive stage takes over
        // at once (the rules before would only miss the peak again).
        if (std::isfinite(whole.mass))
            m_scale = whole.mass;
        bool peak = false;
        double at = std::numeric_limits<double>::quiet_NaN();
        double reach = 0;
        // Where a step lies between an end and the outermost node there,
        // its distance from that end (the halves below start split there),
        // unless it lies so near the end that its part is taken at once.
        double steps[2] = {at, at};
        bool step = false;
        bool wide = false;
        // Nor does the probe reach the slivers beside the ends, where the
        // first panel's values tell what the term should do at the ends;
        // unseen: something there that is no step.
        const auto slivers = [&](double significant, bool& unseen) {
            unseen = false;
            m_sliverValue = CComplex();
            m_sliverError = 0;
            if (a.point.imag() != 0 || b.point.imag() != 0 || half.imag() != 0)
                return true;
            // Both ends' values at once where the term has them.
            m_points.assign({a.point, b.point});
            CComplex ends[2];
            bool both = Call(f, 2, true);
            if (both)
                std::copy(m_values.begin(), m_values.begin() + 2, ends);
            else if (f.Stopped())
                return false;
            for (int side = 0; side < 2; ++side) {
                const double outer = side == 0 ? -kKronrodNodes[10] : kKronrodNodes[10];
                const double end = (side == 0 ? a.point : b.point).real();
                const double node = (m_maps[2].centre + m_maps[2].half * outer).real();
                CSliver sliver;
                if (!EndSliver(f, m_endValues[2], side, end, node, significant, sliver, both ? &ends[side] : nullptr))
                    return false;
                steps[side] = sliver.found == 1 && !sliver.narrow ? sliver.at : std::numeric_limits<double>::quiet_NaN();
                step = step || sliver.found == 1;
                wide = wide || (sliver.found == 1 && !sliver.narrow);
                unseen = unseen || sliver.found == 2;
                m_sliverTaken[side][0] = sliver.found == 1 && sliver.narrow;
                m_sliverValue += sliver.correction;
                m_sliverError += sliver.found == 1 ? (sliver.narrow ? sliver.bound : sliver.placement) : 0.0;
            }
            return true;
        };
        if (Finite(whole.kronrod) &&
            whole.error <= std::max(kIntegralGoal * Abs(whole.kronrod), 1.5 * whole.roundoff)) {
            const double significant = std::max(kIntegralGoal * Abs(whole.kronrod), whole.roundoff);
            if (!Probe(f, whole, significant, peak, at, reach))
                return {CComplex(), 0, ECalculusOutcome::Stopped};
            bool unseen = false;
            if (!peak && !slivers(significant, unseen))
                return {CComplex(), 0, ECalculusOutcome::Stopped};
            // (Something there other than a step goes to the rule, whose
            // points come as near the ends as the numbers allow.)
            if (!peak && !wide && !unseen) {
                CCalculusResult result{whole.kronrod + m_sliverValue, whole.error + m_sliverError,
                                       ECalculusOutcome::Done};
                if (result.error > std::max(kInexactTolerance * Abs(result.value), 1e3 * kEpsilon * whole.mass))
                    result.outcome = ECalculusOutcome::Inexact;
                return result;
            }
        }
        // Nodes at two levels are a step the adaptive stage locates
        // between two doubles; the double-exponential rule would only
        // smear it over its points' spacing, which a small step lets it
        // believe.
        if (!peak && !wide && !whole.steps) {
            if (!DoubleExponential(f, 0, a.point, b.point, 1, rule))
                return {CComplex(), 0, ECalculusOutcome::Stopped};
            if (rule.settled) {
                const double significant = std::max(kIntegralGoal * Abs(rule.value), whole.roundoff);
                if (!Probe(f, whole, significant, peak, at, reach))
                    return {CComplex(), 0, ECalculusOutcome::Stopped};
                // The rule's points reach into the slivers, but too few of
                // them to tell a step there from the rule's own error.
                bool unseen = false;
                if (!peak && !slivers(significant, unseen))
                    return {CComplex(), 0, ECalculusOutcome::Stopped};
                if (!peak && !step)
                    return {rule.value, rule.error, ECalculusOutcome::Done};
                rule = {rule.value, std::numeric_limits<double>::infinity(), false};
            }
        }
        // The halves from either end, the far one run backwards; where the
        // grid found a peak, the half that holds it split around it, so
        // that the subdivision starts from a panel whose nodes see it.
        m_maps[0] = {false, a.point, half, 1, 1};
        m_maps[1] = {false, b.point, -half, 1, -1};
        const CPanel left = Over(0, 1, 0);
        const CPanel right = Over(0, 1, 1);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        if (wide) {
            // (The halves' parameters are the distances from their ends
            // over half the segment.)
            if (!PushAround(f, left, steps[0] / half.real(), 0) || !PushAround(f, right, steps[1] / -half.real(), 0))
                return {CComplex(), 0, ECalculusOutcome::Stopped};
        } else if (!PushAround(f, left, at < 0 ? at + 1 : nan, reach) ||
                   !PushAround(f, right, at >= 0 ? 1 - at : nan, reach)) {
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        }
    } else if (a.infinity == 0) {
        const double direction = b.infinity;
        // The rule reaches far out, where an oscillating term may lose its
        // digits; if the pieces between its zeros take over, what it said
        // there does not concern the result.
        f.HoldWarnings(true);
        if (!DoubleExponential(f, 1, a.point, a.point, direction, rule)) {
            f.EndHold(true);
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        }
        const double endTail = m_endTail;
        m_maps[0] = {true, a.point, CComplex(), direction, 1};
        double at = std::numeric_limits<double>::quiet_NaN();
        double reach = 0;
        bool believed = false;
        if (!BelieveRule(f, 1, rule, &at, reach, believed)) {
            f.EndHold(true);
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        }
        if (believed) {
            f.EndHold(true);
            return {rule.value, rule.error, ECalculusOutcome::Done};
        }
        {
            // The pieces' own warnings concern the result.
            f.HoldWarnings(false);
            bool applicable = false;
            const std::size_t before = m_evaluations;
            CCalculusResult oscillatory = Pieces(f, a.point, direction, applicable);
            m_evaluations += before;
            if (oscillatory.outcome == ECalculusOutcome::Stopped) {
                f.EndHold(true);
                return oscillatory;
            }
            if (applicable) {
                f.EndHold(oscillatory.outcome == ECalculusOutcome::DoesNotConverge);
                return oscillatory;
            }
            f.EndHold(true);
            m_heap.clear();
        }
        // A singularity at the finite end whose integral the rule's points
        // could not reach (x^−0.95 keeps about 1e−10 of its integral within
        // 1e−200 of 0, and the half-line's map comes no closer to its end
        // than about 1e−16): the segment next to the end takes that part,
        // where its points come far closer to the end than the map's, that
        // is near 0 (elsewhere both are held to the end's own spacing, and
        // the half-line's end limit does at least as well).
        // Away from 0 the segment is tried too, for speed: the half-line's
        // end limit takes a tenth as many points again where a power at the
        // end is mild, (x − 1)^−0.5, but it alone takes a strong one,
        // (x − 1)^−0.99, to the last digits; that goes on where the segment
        // has no value beyond doubt.
        if (!m_splitting && !(endTail <= kIntegralGoal * Abs(rule.value))) {
            if (4 * kEpsilon * Abs(a.point) < 1e-20)
                return SplitHalfLine(f, a.point, direction);
            const std::size_t before = m_evaluations;
            const CCalculusResult split = SplitHalfLine(f, a.point, direction);
            if (split.outcome == ECalculusOutcome::Done || split.outcome == ECalculusOutcome::Stopped ||
                f.Stopped())
                return split;
            m_evaluations += before;
            ClearRangeState();
        }
        // The half-line pieces integrate towards +∞.
        factor = direction;
        rule.value *= factor;
        m_maps[0] = {true, a.point, CComplex(), direction, 1};
        const CPanel whole = Over(0, 1, 0);
        if (!PushAround(f, whole, at, reach))
            return {CComplex(), 0, ECalculusOutcome::Stopped};
    } else {
        f.HoldWarnings(true);
        if (!DoubleExponential(f, 2, CComplex(), CComplex(), 1, rule)) {
            f.EndHold(true);
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        }
        const double nan = std::numeric_limits<double>::quiet_NaN();
        double at[2] = {nan, nan};
        double reach = 0;
        m_maps[0] = {true, CComplex(), CComplex(), 1, 1};
        m_maps[1] = {true, CComplex(), CComplex(), -1, 1};
        bool believed = false;
        if (!BelieveRule(f, 2, rule, at, reach, believed)) {
            f.EndHold(true);
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        }
        if (believed) {
            f.EndHold(true);
            return {rule.value, rule.error, ECalculusOutcome::Done};
        }
        {
            // Both half-lines from 0, each by the pieces between zeros.
            f.HoldWarnings(false);
            bool applicable = false;
            const std::size_t before = m_evaluations;
            CCalculusResult right = Pieces(f, CComplex(), 1, applicable);
            std::size_t used = m_evaluations;
            CCalculusResult left;
            if (applicable && right.outcome != ECalculusOutcome::Stopped &&
                right.outcome != ECalculusOutcome::DoesNotConverge) {
                left = Pieces(f, CComplex(), -1, applicable);
                used += m_evaluations;
            }
            m_evaluations = before + used;
            for (const CCalculusResult* part : {&right, &left}) {
                if (part->outcome == ECalculusOutcome::Stopped) {
                    f.EndHold(true);
                    return *part;
                }
            }
            if (applicable) {
                if (right.outcome == ECalculusOutcome::DoesNotConverge || left.outcome == ECalculusOutcome::DoesNotConverge) {
                    f.EndHold(true);
                    return {CComplex(), 0, ECalculusOutcome::DoesNotConverge};
                }
                f.EndHold(false);
                // −∫ from 0 to −∞ is the integral over (−∞, 0].
                CCalculusResult whole{right.value - left.value, right.error + left.error, ECalculusOutcome::Done};
                const double size = Abs(whole.value);
                if (right.outcome == ECalculusOutcome::Inexact || left.outcome == ECalculusOutcome::Inexact ||
                    whole.error > kInexactTolerance * size)
                    whole.outcome = ECalculusOutcome::Inexact;
                return whole;
            }
            f.EndHold(true);
            m_heap.clear();
        }
        m_maps[0] = {true, CComplex(), CComplex(), 1, 1};
        m_maps[1] = {true, CComplex(), CComplex(), -1, 1};
        const CPanel right = Over(0, 1, 0);
        const CPanel left = Over(0, 1, 1);
        if (!PushAround(f, right, at[0], reach) || !PushAround(f, left, at[1], reach))
            return {CComplex(), 0, ECalculusOutcome::Stopped};
    }
    CCalculusResult result = Adaptive(f, rule);
    result.value *= factor;
    return result;
}

bool CCalculus::InteriorPoint(IPointFunction& f, double a, double b, double& at, bool& found)
{
    found = false;
    // The narrowest panel of the halves, set aside or not.
    // Only a point the subdivision went deep towards, and well inside the
    // segment (an end is the end limits' to deal with).
    const double low = std::min(a, b);
    const double high = std::max(a, b);
    double width = std::numeric_limits<double>::infinity();
    double centre = 0;
    for (const std::vector<CPanel>* panels : {&m_heap, &m_stuck}) {
        for (const CPanel& panel : *panels) {
            if (panel.map > 1 || m_maps[panel.map].halfLine)
                continue;
            const CMap& map = m_maps[panel.map];
            const double w = std::fabs(map.half.real()) * (panel.hi - panel.lo);
            const double x = (map.centre + map.half * (0.5 * (panel.lo + panel.hi))).real();
            if (w < width && x - low > 1e3 * w && high - x > 1e3 * w) {
                width = w;
                centre = x;
            }
        }
    }
    if (!(width < 1e-9 * (high - low)))
        return true;
    // Among the doubles a few widths around it, the one where the term is
    // largest in size, or not defined: a batch of points at a time, evenly
    // among the doubles (their order as integers), down to one.
    std::int64_t o0 = Ordinal(centre - 4 * width);
    std::int64_t o1 = Ordinal(centre + 4 * width);
    constexpr int kBatch = 15;
    std::int64_t along[kBatch + 2];
    while (o1 - o0 > 2) {
        const std::int64_t span = o1 - o0;
        m_points.clear();
        for (int k = 0; k <= kBatch + 1; ++k) {
            along[k] = o0 + (span <= kBatch + 1 ? std::min<std::int64_t>(k, span) : span / (kBatch + 1) * k);
            if (k == kBatch + 1)
                along[k] = o1;
            m_points.emplace_back(FromOrdinal(along[k]), 0.0);
        }
        const std::size_t count = m_points.size();
        int best = -1;
        double size = -1;
        for (std::size_t k = 0; k < count; ++k) {
            m_points.assign(1, CComplex(FromOrdinal(along[k]), 0.0));
            if (!Call(f, 1, true)) {
                if (f.Stopped())
                    return false;
                at = FromOrdinal(along[k]);
                found = true;
                return true;
            }
            const double s = Abs(m_values[0]);
            if (!std::isfinite(s)) {
                at = FromOrdinal(along[k]);
                found = true;
                return true;
            }
            if (s > size) {
                size = s;
                best = static_cast<int>(k);
            }
        }
        if (best < 0)
            return true;
        const std::int64_t next0 = along[std::max(0, best - 1)];
        const std::int64_t next1 = along[std::min(static_cast<int>(count) - 1, best + 1)];
        if (next0 == o0 && next1 == o1)
            break;
        o0 = next0;
        o1 = next1;
    }
    at = FromOrdinal(o0 + (o1 - o0) / 2);
    found = at > low && at < high;
    return true;
}

CCalculusResult CCalculus::SplitAt(IPointFunction& f, const CIntegralLimit& a, const CIntegralLimit& b,
                                   const CComplex& at, int depth)
{
    const CIntegralLimit middle{at, 0};
    const CCalculusResult first = IntegrateParts(f, a, middle, depth + 1);
    const std::size_t used = m_evaluations;
    if (first.outcome == ECalculusOutcome::Stopped || first.outcome == ECalculusOutcome::DoesNotConverge)
        return first;
    const CCalculusResult second = IntegrateParts(f, middle, b, depth + 1);
    m_evaluations += used;
    return Joined(first, second);
}

CCalculusResult CCalculus::Joined(const CCalculusResult& first, const CCalculusResult& second)
{
    if (second.outcome == ECalculusOutcome::Stopped || second.outcome == ECalculusOutcome::DoesNotConverge)
        return second;
    CCalculusResult whole{first.value + second.value, first.error + second.error, ECalculusOutcome::Done};
    if (first.outcome == ECalculusOutcome::Inexact || second.outcome == ECalculusOutcome::Inexact ||
        whole.error > kInexactTolerance * Abs(whole.value))
        whole.outcome = ECalculusOutcome::Inexact;
    return whole;
}

CCalculusResult CCalculus::SplitHalfLine(IPointFunction& f, const CComplex& a, double direction)
{
    // The cut lies a unit from the end, or where a unit would not move it,
    // a small part of the end's size away.
    const double scale = std::max(1.0, std::ldexp(Abs(a), -20));
    const CComplex cut = a + CComplex(direction * scale, 0.0);
    const std::size_t before = m_evaluations;
    const CCalculusResult near = Integrate(f, {a, 0}, {cut, 0});
    std::size_t used = m_evaluations;
    if (near.outcome == ECalculusOutcome::Stopped || near.outcome == ECalculusOutcome::DoesNotConverge) {
        m_evaluations = before + used;
        return near;
    }
    m_splitting = true;
    const CCalculusResult far = Integrate(f, {cut, 0}, {CComplex(), direction < 0 ? -1 : 1});
    m_splitting = false;
    m_evaluations = before + used + m_evaluations;
    return Joined(near, far);
}

CCalculusResult CCalculus::Pieces(IPointFunction& f, const CComplex& a, double direction, bool& applicable)
{
    CCalculusResult result = Oscillatory(f, a, direction, applicable);
    if (result.outcome == ECalculusOutcome::Stopped || (applicable && result.outcome != ECalculusOutcome::Inexact))
        return result;
    // Where the term also touches 0 at a fixed period, the partial integrals
    // up to those zeros may do better than the pieces between sign changes,
    // whose sizes then follow no one pattern (cos(x)-cos(2*x) over x).
    const std::size_t spent = m_evaluations;
    bool touches = false;
    const CCalculusResult touching = Touching(f, a, direction, touches);
    m_evaluations += spent;
    if (touching.outcome == ECalculusOutcome::Stopped || !applicable ||
        (touches && touching.outcome == ECalculusOutcome::Done)) {
        result = touching;
        applicable = applicable || touches;
    }
    return result;
}

namespace {

// An extrapolated value and its estimated error, judged: no value where the
// error passes a millionth of the value, a warning where it passes 1e-10;
// an error within the rounding of the pieces' mass is none (a value that
// is 0 has no size to measure it by).
CCalculusResult Extrapolated(const CComplex& value, double error, double mass)
{
    CCalculusResult result{value, error, ECalculusOutcome::Done};
    const double size = Abs(value);
    const double floor = 1e3 * kEpsilon * mass;
    if (!Finite(value) || error > std::max(kDivergence * size, floor))
        result.outcome = ECalculusOutcome::DoesNotConverge;
    else if (error > std::max(kInexactTolerance * size, floor))
        result.outcome = ECalculusOutcome::Inexact;
    return result;
}

} // namespace

CCalculusResult CCalculus::Oscillatory(IPointFunction& f, const CComplex& a, double direction, bool& applicable)
{
    applicable = false;
    constexpr int kMaxPieces = 60;
    constexpr int kMaxSteps = 1500;
    const CCalculusResult stopped{CComplex(), 0, ECalculusOutcome::Stopped};
    std::size_t evaluations = 0;
    // The sign of the real part, or of the imaginary part where the real
    // part is 0 (a purely imaginary term).
    int part = -1;
    auto at = [&](double s) { return a + CComplex(direction * s, 0.0); };
    // f at one point, probing: false when it failed (stopped tells a cancel).
    bool failed = false;
    auto sample = [&](double s, double& value) {
        m_points.assign(1, at(s));
        ++evaluations;
        if (!Call(f, 1, true)) {
            failed = true;
            return false;
        }
        const CComplex v = m_values[0];
        if (!Finite(v)) {
            failed = true;
            return false;
        }
        if (part < 0 && (v.real() != 0 || v.imag() != 0))
            part = v.real() != 0 ? 0 : 1;
        value = part == 1 ? v.imag() : v.real();
        return true;
    };
    // The next zero beyond s (where the sign of f(s) = fs changes), found by
    // stepping by step and then by the Illinois variant of regula falsi;
    // false when none is found in kMaxSteps steps or a point failed.
    int steps = 0;
    auto nextZero = [&](double s, double fs, double step, double& zero) {
        double lo = s;
        double flo = fs;
        int quiet = 0;
        while (true) {
            if (++steps > kMaxSteps)
                return false;
            const double hi = lo + step;
            double fhi;
            if (!sample(hi, fhi))
                return false;
            if (fhi == 0) {
                // A zero of a term that changes sign stands alone; a term
                // that is 0 from here on has underflowed (exp(-x) far out)
                // and has no zeros to step between.
                double beyond;
                if (!sample(hi + step, beyond))
                    return false;
                if (beyond == 0)
                    return false;
            }
            if (fhi == 0 || (fhi < 0) != (flo < 0)) {
                // Bracketed in [lo, hi].
                double x0 = lo, f0 = flo, x1 = hi, f1 = fhi;
                int side = 0;
                // Every third step halves the bracket: at a zero of higher
                // order (sin(x)^3) the secant steps alone barely move.
                for (int k = 0; k < 200 && f1 != 0 && x1 - x0 > 1e-13 * std::max(1.0, std::fabs(x1)); ++k) {
                    double m = x1 - f1 * (x1 - x0) / (f1 - f0);
                    if (!(m > x0 && m < x1) || k % 3 == 2)
                        m = 0.5 * (x0 + x1);
                    double fm;
                    if (!sample(m, fm))
                        return false;
                    if (fm == 0) {
                        x0 = x1 = m;
                        f1 = 0;
                        break;
                    }
                    if ((fm < 0) == (f0 < 0)) {
                        x0 = m;
                        f0 = fm;
                        if (side == -1)
                            f1 *= 0.5;
                        side = -1;
                    } else {
                        x1 = m;
                        f1 = fm;
                        if (side == 1)
                            f0 *= 0.5;
                        side = 1;
                    }
                }
                zero = f1 == 0 ? x1 : 0.5 * (x0 + x1);
                return true;
            }
            lo = hi;
            flo = fhi;
            // No sign change for a while: longer steps.
            if (++quiet % 64 == 0)
                step *= 2;
        }
    };

    // The first zero: from a little past the start (where the term may be
    // singular), in steps of a tenth of the scale of the start.
    const double scale = std::max(1.0, Abs(a));
    double s0 = 1e-3 * scale;
    double f0;
    if (!sample(s0, f0) || part < 0) {
        m_evaluations = evaluations;
        return f.Stopped() ? stopped : CCalculusResult{};
    }
    std::vector<double> zeros;
    double z;
    if (!nextZero(s0, f0, 0.1 * scale, z)) {
        m_evaluations = evaluations;
        return f.Stopped() ? stopped : CCalculusResult{};
    }
    zeros.push_back(z);
    // Then from zero to zero, stepping by an eighth of the last gap.
    double gap = std::max(z, 0.1 * scale);
    CEpsilonTable sums;
    std::vector<double> sizes;
    double mass = 0;
    CComplex sum;
    double error = 0;
    CComplex estimate;
    double estimateError = std::numeric_limits<double>::infinity();
    int agreed = 0;
    for (int piece = 0; piece < kMaxPieces; ++piece) {
        const double from = piece == 0 ? 0.0 : zeros[static_cast<std::size_t>(piece - 1)];
        const double to = zeros[static_cast<std::size_t>(piece)];
        // The piece itself, by the rules of a segment.
        CCalculusResult r = Integrate(f, {at(from), 0}, {at(to), 0});
        evaluations += m_evaluations;
        if (r.outcome == ECalculusOutcome::Stopped) {
            m_evaluations = evaluations;
            return r;
        }
        if (r.outcome == ECalculusOutcome::DoesNotConverge) {
            m_evaluations = evaluations;
            return {};
        }
        const CComplex value = r.value;
        sum += value;
        error += r.error;
        sums.Add(sum);
        sizes.push_back(Abs(value));
        mass += Abs(value);
        if (piece >= 1)
            applicable = true;
        // The next zero, a little past this one.
        double fz;
        const double next = to + 1e-3 * gap;
        if (!sample(next, fz) || !nextZero(next, fz, gap / 8, z)) {
            m_evaluations = evaluations;
            if (f.Stopped())
                return stopped;
            break;
        }
        gap = z - to;
        zeros.push_back(z);
        if (sums.Size() >= 6) {
            double e;
            const CComplex extrapolated = sums.Limit(e);
            // Settled when the limit moves no more from one piece to the
            // next.
            const double moved = Abs(extrapolated - estimate);
            estimate = extrapolated;
            estimateError = std::max(e, moved);
            // (Where the pieces cancel to 0, (cos(x)-exp(-x))/x, against the
            // rounding of their sizes.)
            agreed = moved <= std::max(kIntegralGoal * Abs(estimate), 4 * kEpsilon * mass) ? agreed + 1 : 0;
            if (agreed >= 2 && sums.Size() >= 12)
                break;
        }
    }
    m_evaluations = evaluations;
    if (sums.Size() < 6) {
        applicable = false;
        return {};
    }
    // The pieces must shrink for the integral to exist (sin x over [0, ∞)
    // has pieces of 2 and −2, whose sums the algorithm would take to 1).
    const std::size_t n = sizes.size();
    const double late = 0.5 * (sizes[n - 1] + sizes[n - 2]);
    const double early = 0.5 * (sizes[n / 2] + sizes[n / 2 - 1]);
    if (!(late < 0.85 * early)) {
        applicable = true;
        return {CComplex(), 0, ECalculusOutcome::DoesNotConverge};
    }
    return Extrapolated(estimate, estimateError + error, mass);
}

namespace {

// The limit of partial sums s[i] = I + Σ_m c_m·g(i)·u[i]^−m (m = 0, 1, ...)
// from count of them, the terms eliminated one at a time (the E-algorithm),
// each step written as a correction to the later of two values. g(i) is
// u[i]^−p where the leading power p is known, else the last piece
// s[i] − s[i−1], which falls as the remainder does.
CComplex PowerLimit(const double* u, const CComplex* s, std::size_t count, double p, bool byPieces)
{
    constexpr std::size_t kMost = 12;
    count = std::min(count, kMost);
    CComplex e[kMost];
    // g[m][i]: the term m at point i, as the steps so far have made it.
    CComplex g[kMost][kMost];
    for (std::size_t i = 0; i < count; ++i) {
        e[i] = s[i];
        const CComplex lead = byPieces ? s[i] - s[i - 1] : CComplex(std::pow(u[i], -p), 0.0);
        for (std::size_t m = 0; m + 1 < count; ++m)
            g[m][i] = lead * std::pow(u[i], -static_cast<double>(m));
    }
    for (std::size_t k = 1; k < count; ++k) {
        for (std::size_t i = 0; i + k < count; ++i) {
            const CComplex ratio = g[k - 1][i + 1] / (g[k - 1][i + 1] - g[k - 1][i]);
            e[i] = e[i + 1] - (e[i + 1] - e[i]) * ratio;
            for (std::size_t m = k; m + 1 < count; ++m)
                g[m][i] = g[m][i + 1] - (g[m][i + 1] - g[m][i]) * ratio;
        }
    }
    return e[0];
}

// The power p for which remainders c·u^−p at the distances u[0..2] differ
// by pieces of the sizes given (the first piece from u[0] to u[1]); 0 where
// they do not shrink.
double LeadingPower(const double* u, double first, double second)
{
    const auto ratio = [&](double p) {
        const double a = std::pow(u[0], -p);
        const double b = std::pow(u[1], -p);
        const double c = std::pow(u[2], -p);
        return (b - c) / (a - b);
    };
    const double wanted = second / first;
    double lo = 1e-3;
    double hi = 30;
    if (!(wanted < ratio(lo)))
        return 0;
    if (!(wanted > ratio(hi)))
        return hi;
    for (int k = 0; k < 60; ++k) {
        const double mid = 0.5 * (lo + hi);
        if (ratio(mid) > wanted)
            lo = mid;
        else
            hi = mid;
    }
    return 0.5 * (lo + hi);
}

} // namespace

CCalculusResult CCalculus::Touching(IPointFunction& f, const CComplex& a, double direction, bool& applicable)
{
    applicable = false;
    // The search for the first zeros: its batches, its length, and how
    // often its step doubles.
    constexpr std::size_t kBatch = 32;
    constexpr int kMaxSamples = 768;
    constexpr int kWiden = 64;
    constexpr int kGolden = 48;
    // A zero touches where |f| falls this far below its peak on either side.
    constexpr double kTouch = 1e-8;
    // The partial integrals end at the zero kFirst, then where the
    // distance has about doubled, again and again.
    constexpr double kFirst = 4;
    constexpr int kMaxLevels = 11;
    constexpr std::size_t kMostPowers = 10;
    const CCalculusResult stopped{CComplex(), 0, ECalculusOutcome::Stopped};
    std::size_t evaluations = 0;
    const auto done = [&](const CCalculusResult& result) {
        m_evaluations = evaluations;
        return f.Stopped() ? stopped : result;
    };
    auto at = [&](double s) { return a + CComplex(direction * s, 0.0); };
    // The sign of the real part, or of the imaginary part where the real
    // part is 0 (a purely imaginary term).
    int part = -1;
    // |f| and the sign of its part; false where the value is none.
    auto classify = [&](const CComplex& v, double& size, int& sign) {
        if (!Finite(v))
            return false;
        if (part < 0 && (v.real() != 0 || v.imag() != 0))
            part = v.real() != 0 ? 0 : 1;
        const double value = part == 1 ? v.imag() : v.real();
        size = Abs(v);
        sign = value > 0 ? 1 : value < 0 ? -1 : 0;
        return true;
    };
    // The same at s; false where it failed.
    auto sample = [&](double s, double& size, int& sign) {
        m_points.assign(1, at(s));
        ++evaluations;
        return Call(f, 1, true) && classify(m_values[0], size, sign);
    };
    // The least |f| between lo and hi (around one minimum), by golden
    // sections: its place and size. A double zero needs its place only to
    // about 1e-9 of the bracket: the term is then below 1e-17 of its peak.
    auto least = [&](double lo, double hi, double& where, double& size) {
        constexpr double kRatio = 0.6180339887498949;
        double x1 = hi - kRatio * (hi - lo);
        double x2 = lo + kRatio * (hi - lo);
        double f1, f2;
        int sign;
        if (!sample(x1, f1, sign) || !sample(x2, f2, sign))
            return false;
        for (int k = 0; k < kGolden && hi - lo > 8 * kEpsilon * std::fabs(hi); ++k) {
            if (f1 <= f2) {
                hi = x2;
                x2 = x1;
                f2 = f1;
                x1 = hi - kRatio * (hi - lo);
                if (!sample(x1, f1, sign))
                    return false;
            } else {
                lo = x1;
                x1 = x2;
                f1 = f2;
                x2 = lo + kRatio * (hi - lo);
                if (!sample(x2, f2, sign))
                    return false;
            }
        }
        where = f1 <= f2 ? x1 : x2;
        size = std::min(f1, f2);
        return true;
    };

    // The first three touching zeros, stepping from a little past the start
    // (where the term may be singular), a batch of points at a time, the
    // step doubled now and then.
    const double scale = std::max(1.0, Abs(a));
    double zeros[3];
    int found = 0;
    {
        double step = 0.005 * scale;
        // (Beyond 0 where the half-line crosses it: many a term has its
        // own shape about 0, sin²x/x² no zero there.)
        double next = std::max(0.0, -direction * a.real()) + 1e-3 * scale;
        // The two samples before: place, |f| and sign.
        double s1 = 0, s2 = 0, v1 = 0, v2 = 0;
        int g1 = 0, g2 = 0;
        int taken = 0;
        double peak = 0;
        double places[kBatch];
        CComplex values[kBatch];
        while (found < 3 && taken < kMaxSamples) {
            m_points.clear();
            for (std::size_t k = 0; k < kBatch; ++k) {
                places[k] = next;
                m_points.push_back(at(next));
                next += step;
                if (++taken % kWiden == 0)
                    step *= 2;
            }
            evaluations += kBatch;
            if (!Call(f, kBatch, true))
                return done({});
            std::copy(m_values.begin(), m_values.begin() + kBatch, values);
            // A term that is 0 from here on has underflowed (exp(−x) far
            // out): no zeros to find.
            if (std::all_of(values, values + kBatch, [](const CComplex& v) { return v == CComplex(); }))
                return done({});
            for (std::size_t k = 0; k < kBatch && found < 3; ++k) {
                const double s3 = places[k];
                double v3;
                int g3;
                if (!classify(values[k], v3, g3))
                    return done({});
                if (taken > static_cast<int>(kBatch) || k >= 2) {
                    if (v2 <= v1 && v2 < v3) {
                        double where, size;
                        if (!least(s1, s3, where, size))
                            return done({});
                        // (A zero where the sign changes is passed over:
                        // cos(x)-cos(2*x) has those between the ones where
                        // it touches.)
                        if (size <= kTouch * peak && g1 == g3 && g1 != 0) {
                            zeros[found++] = where;
                            peak = 0;
                        }
                    }
                }
                peak = std::max(peak, v3);
                s1 = s2;
                v1 = v2;
                g1 = g2;
                s2 = s3;
                v2 = v3;
                g2 = g3;
            }
        }
    }
    // At a fixed period, so that the zeros far out can be told beforehand.
    double period = zeros[1] - zeros[0];
    if (found < 3 || !(std::fabs(zeros[2] - zeros[1] - period) <= 1e-6 * period))
        return done({});
    // The zero number k, near where the period puts it.
    auto zeroAt = [&](double k, double& where, bool& touches) {
        touches = false;
        const double predicted = zeros[0] + k * period;
        const double lo = predicted - 0.25 * period;
        const double hi = predicted + 0.25 * period;
        double vlo, vhi, size;
        int glo, ghi;
        if (!sample(lo, vlo, glo) || !sample(hi, vhi, ghi) || !least(lo, hi, where, size))
            return false;
        touches = size <= kTouch * std::max(vlo, vhi) && glo == ghi && glo != 0 &&
                  std::fabs(where - predicted) <= 1e-3 * period;
        return true;
    };
    // The remainders fall like powers of the distance from 0 along the
    // half-line (the start's distance plus the way from it, less where the
    // half-line starts on the other side of 0); the first partial integral
    // ends beyond 0.
    const double offset = direction * a.real();
    std::vector<double> distances;
    std::vector<CComplex> sums;
    double error = 0;
    double from = 0;
    CComplex sum;
    CComplex estimate;
    bool have = false;
    double moved = std::numeric_limits<double>::infinity();
    bool settled = false;
    double k = std::max(kFirst, kFirst + std::round((-offset - zeros[0]) / period));
    int flat = 0;
    for (int level = 0; level < kMaxLevels && !settled; ++level) {
        // The zero where the distance has about doubled since the last.
        if (level > 0)
            k = std::max(k + 1, std::round((2 * distances.back() - offset - zeros[0]) / period));
        double to;
        bool touches = false;
        if (!zeroAt(k, to, touches) || !touches)
            return done({});
        // The period, from the farthest zero so far.
        period = (to - zeros[0]) / k;
        const CCalculusResult piece = Integrate(f, {at(from), 0}, {at(to), 0});
        evaluations += m_evaluations;
        if (piece.outcome == ECalculusOutcome::Stopped)
            return done(piece);
        if (piece.outcome == ECalculusOutcome::DoesNotConverge)
            return done({});
        sum += piece.value;
        error += piece.error;
        from = to;
        distances.push_back(to + offset);
        sums.push_back(sum);
        const std::size_t n = sums.size();
        if (n < 3)
            continue;
        // The leading power, from how the last two pieces shrank; taken
        // whole or half where it is that within the ratios' own error.
        double p = LeadingPower(&distances[n - 3], Abs(sums[n - 2] - sums[n - 3]), Abs(sums[n - 1] - sums[n - 2]));
        if (!(p > 0.05)) {
            // The pieces do not shrink, far enough out to tell: the
            // integral does not exist.
            if (++flat >= 2 && n >= 5) {
                applicable = true;
                return done({CComplex(), 0, ECalculusOutcome::DoesNotConverge});
            }
            continue;
        }
        flat = 0;
        // Where the power is not a whole or half number, the last piece
        // stands for it (from the second sum on: the first piece is no
        // difference of remainders).
        bool byPieces = false;
        if (std::fabs(p - std::round(p)) <= 0.05)
            p = std::round(p);
        else if (std::fabs(2 * p - std::round(2 * p)) <= 0.05)
            p = 0.5 * std::round(2 * p);
        else
            byPieces = true;
        const std::size_t count = std::min(byPieces ? n - 1 : n, kMostPowers);
        const CComplex limit = PowerLimit(&distances[n - count], &sums[n - count], count, p, byPieces);
        if (have) {
            moved = Abs(limit - estimate);
            const double floor = 4 * (error + 16 * kEpsilon * Abs(sum));
            settled = n >= 4 && moved <= std::max(kIntegralGoal * Abs(limit), floor);
        }
        estimate = limit;
        have = true;
    }
    if (!have)
        return done({});
    applicable = true;
    return done(Extrapolated(estimate, moved + error, Abs(sum)));
}

// ---------------------------------------------------------------- derivatives

namespace {

double Factorial(int n)
{
    double product = 1;
    for (int k = 2; k <= n; ++k)
        product *= k;
    return product;
}

double Binomial(int n, int k)
{
    return Factorial(n) / (Factorial(k) * Factorial(n - k));
}

}  // namespace

CCalculusResult CCalculus::Cauchy(IPointFunction& f, const CComplex& at, int order, const CComplex* centre)
{
    // (Without the value at the point itself, where the term has none: the
    // circles do not need it.)
    const CComplex centreValue = centre ? *centre : CComplex();
    constexpr std::size_t kPoints = 64;
    const double scale = std::max(1.0, Abs(at));
    const double factorial = Factorial(order);
    bool found = false;
    CCalculusResult best{CComplex(), std::numeric_limits<double>::infinity(), ECalculusOutcome::Done};
    double bestScale = 0;
    // From large circles (entire functions of high order want them) down
    // to small ones, until rounding takes over.
    for (int j = -5; j <= 60; ++j) {
        const double r = 0.5 * scale * std::ldexp(1.0, -j);
        // A circle within a few ulps of the point is no circle: its points
        // round onto a handful of doubles, whose values agree as if the
        // term were analytic even across a cut (asin at 2).
        if (r < 1024 * kEpsilon * Abs(at))
            break;
        m_points.resize(kPoints);
        for (std::size_t k = 0; k < kPoints; ++k)
            m_points[k] = at + std::polar(r, 2 * kPi * static_cast<double>(k) / kPoints);
        if (!Call(f, kPoints, true)) {
            if (f.Stopped())
                return {CComplex(), 0, ECalculusOutcome::Stopped};
            continue;
        }
        double largest = Abs(centreValue);
        bool finite = true;
        CComplex full;
        CComplex even;
        CComplex negative[3];
        for (std::size_t k = 0; k < kPoints; ++k) {
            const CComplex& v = m_values[k];
            finite = finite && Finite(v);
            largest = std::max(largest, Abs(v));
            const double angle = 2 * kPi * static_cast<double>(k) / kPoints;
            const CComplex turned = v * std::polar(1.0, -angle * order);
            full += turned;
            if (k % 2 == 0)
                even += turned;
            for (int m = 1; m <= 3; ++m)
                negative[m - 1] += v * std::polar(1.0, angle * m);
        }
        if (!finite)
            continue;
        full /= static_cast<double>(kPoints);
        even /= static_cast<double>(kPoints / 2);
        double inside = 0;
        for (const CComplex& c : negative)
            inside = std::max(inside, Abs(c) / static_cast<double>(kPoints));
        const double alias = Abs(full - even);
        const double roundoff = 8 * kEpsilon * largest;
        const double toDerivative = factorial / std::pow(r, order);
        // A singularity or a cut inside the circle shows in the coefficients
        // of negative index, which vanish for a function analytic inside.
        const bool valid = alias <= 1e-8 * largest && inside <= 100 * alias + 1e3 * roundoff;
        const double estimate = (alias + roundoff) * toDerivative;
        // A function real on the real line, at a real point: the values on
        // the circle come in conjugate pairs and the derivative is real.
        bool real = at.imag() == 0 && (!centre || centreValue.imag() == 0);
        for (std::size_t k = 1; real && k < kPoints / 2; ++k)
            real = Abs(m_values[kPoints - k] - std::conj(m_values[k])) <= 1e-12 * largest;
        real = real && std::fabs(m_values[0].imag()) <= 1e-12 * largest &&
               std::fabs(m_values[kPoints / 2].imag()) <= 1e-12 * largest;
        if (real)
            full = CComplex(full.real(), 0.0);
        if (valid && estimate < best.error) {
            found = true;
            best = {full * toDerivative, estimate, ECalculusOutcome::Done};
            bestScale = largest * toDerivative;
        }
        if (found && roundoff * toDerivative > 1e4 * best.error)
            break;
    }
    if (!found)
        return {CComplex(), 0, ECalculusOutcome::NotDifferentiable};
    if (best.error > kInexactTolerance * std::max(Abs(best.value), 1e-3 * bestScale))
        best.outcome = ECalculusOutcome::Inexact;
    // A value within its own error of 0 is the rounding of a derivative that
    // vanishes (cos at 0 gave −2.4e−17): 0, which a derivative of it then
    // finds again, rather than noise that no circle around it could follow.
    if (Abs(best.value) <= best.error)
        best.value = CComplex();
    return best;
}

bool CCalculus::Ridders(IPointFunction& f, const CComplex& at, int order, int side, const CComplex& centreValue,
                        CComplex& value, double& error, double& first)
{
    constexpr int kRows = 24;
    constexpr double kShrink = 1.6;
    CComplex table[kRows][kRows];
    double h = 0.2 * std::max(1.0, Abs(at));
    error = std::numeric_limits<double>::infinity();
    bool any = false;
    for (int i = 0; i < kRows; ++i, h /= kShrink) {
        m_points.clear();
        for (int k = 0; k <= order; ++k) {
            const double offset = side == 0 ? (0.5 * order - k) * h : side * k * h;
            m_points.push_back(at + CComplex(offset, 0.0));
        }
        if (!Call(f, m_points.size(), true)) {
            if (f.Stopped())
                return false;
            break;
        }
        CComplex difference;
        for (int k = 0; k <= order; ++k) {
            const double sign = side == 0 ? ((k % 2) ? -1.0 : 1.0) : (((order - k) % 2) ? -1.0 : 1.0);
            const CComplex v = m_points[static_cast<std::size_t>(k)] == at ? centreValue
                                                                          : m_values[static_cast<std::size_t>(k)];
            difference += sign * Binomial(order, k) * v;
        }
        table[0][i] = difference / std::pow(side < 0 ? -h : h, order);
        if (!Finite(table[0][i]))
            break;
        if (i == 0)
            first = Abs(table[0][0]);
        const double base = side == 0 ? kShrink * kShrink : kShrink;
        double factor = base;
        for (int j = 1; j <= i; ++j) {
            table[j][i] = (table[j - 1][i] * factor - table[j - 1][i - 1]) / (factor - 1);
            factor *= base;
            const double change =
                std::max(Abs(table[j][i] - table[j - 1][i]), Abs(table[j][i] - table[j - 1][i - 1]));
            if (change <= error) {
                error = change;
                value = table[j][i];
                any = true;
            }
        }
        if (i > 0 && Abs(table[i][i] - table[i - 1][i - 1]) >= 2 * error)
            break;
    }
    if (!any)
        error = std::numeric_limits<double>::infinity();
    return true;
}

CCalculusResult CCalculus::RealDirection(IPointFunction& f, const CComplex& at, int order,
                                         const CComplex& centreValue)
{
    CComplex central, forward, backward;
    double centralError = 0, forwardError = 0, backwardError = 0;
    double coarse = 0, ignored = 0;
    if (!Ridders(f, at, order, 0, centreValue, central, centralError, coarse) ||
        !Ridders(f, at, order, 1, centreValue, forward, forwardError, ignored) ||
        !Ridders(f, at, order, -1, centreValue, backward, backwardError, ignored))
        return {CComplex(), 0, ECalculusOutcome::Stopped};
    // The size of the derivative's neighbourhood, for a derivative near 0.
    const double scale = std::max({Abs(forward), Abs(backward), Abs(central), coarse, 1e-300});
    // Left and right disagree, or the differences settle nowhere: a kink,
    // a jump, a pole.
    const double sides = Abs(forward - backward);
    const bool apart = sides > 1e-3 * scale;
    const bool unsettled = !(centralError <= 1e-3 * scale);
    const bool sidesSettled = forwardError <= 1e-3 * scale && backwardError <= 1e-3 * scale;
    if ((apart && (sides > 10 * (forwardError + backwardError) || unsettled)) || (unsettled && !sidesSettled) ||
        !std::isfinite(forwardError) || !std::isfinite(backwardError))
        return {CComplex(), 0, ECalculusOutcome::NotDifferentiable};
    CCalculusResult result{central, centralError, ECalculusOutcome::Done};
    // Where the function is not smooth beside the point, the differences
    // from one side extrapolate better than the central ones.
    const double sidesError = std::max({forwardError, backwardError, 0.5 * sides});
    if (sidesError < centralError) {
        result.value = 0.5 * (forward + backward);
        result.error = sidesError;
    }
    if (result.error > kRealDerivativeTolerance * Abs(result.value) && result.error > 1e-300)
        result.outcome = ECalculusOutcome::Inexact;
    return result;
}

CCalculusResult CCalculus::Differentiate(IPointFunction& f, const CComplex& at, int order, bool analytic)
{
    m_evaluations = 0;
    m_points.assign(1, at);
    if (analytic)
        f.HoldErrors(true);
    if (!Call(f, 1)) {
        if (!analytic || f.Stopped()) {
            f.EndErrorHold(false);
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        }
        // No value at the point itself: a singularity the term's own
        // formula makes (sin(x)/x, (exp(x) − 1)/x at 0) is removable where
        // the circles around it show no coefficient of negative index, and
        // the derivatives are those of the function completed there. A pole,
        // a cut or an essential singularity shows in them, and the term's
        // own failure stands.
        const CCalculusResult removed = Cauchy(f, at, order, nullptr);
        const bool found = removed.outcome == ECalculusOutcome::Done || removed.outcome == ECalculusOutcome::Inexact;
        f.EndErrorHold(!found && !f.Stopped());
        return found ? removed : CCalculusResult{CComplex(), 0, ECalculusOutcome::Stopped};
    }
    f.EndErrorHold(false);
    const CComplex centreValue = m_values[0];
    if (order == 0)
        return {centreValue, 0, ECalculusOutcome::Done};
    if (!analytic)
        return RealDirection(f, at, order, centreValue);
    const CCalculusResult complex = Cauchy(f, at, order, &centreValue);
    if (complex.outcome != ECalculusOutcome::NotDifferentiable)
        return complex;
    // On a cut of an analytic term (sqrt(x) at −1) the values on either side
    // of it differ, and no circle holds; along the real direction the term
    // can still be smooth, and its derivative there is the one a real
    // variable asks for.
    return RealDirection(f, at, order, centreValue);
}

// ---------------------------------------------------------------- roots

CCalculusResult CCalculus::FindRoot(IPointFunction& f, double low, double high)
{
    m_evaluations = 0;
    if (low > high)
        std::swap(low, high);
    m_points = {CComplex(low, 0.0), CComplex(high, 0.0)};
    if (!Call(f, 2))
        return {CComplex(), 0, ECalculusOutcome::Stopped};
    if (m_values[0].imag() != 0 || m_values[1].imag() != 0)
        return {CComplex(), 0, ECalculusOutcome::NoRoot};
    double lo = low, hi = high;
    double flo = m_values[0].real(), fhi = m_values[1].real();
    if (flo == 0)
        return {CComplex(lo, 0.0), 0, ECalculusOutcome::Done};
    if (fhi == 0)
        return {CComplex(hi, 0.0), 0, ECalculusOutcome::Done};
    if ((flo < 0) == (fhi < 0) || !std::isfinite(flo) || !std::isfinite(fhi))
        return {CComplex(), 0, ECalculusOutcome::NoRoot};
    const double ends = std::min(std::fabs(flo), std::fabs(fhi));
    // Regula falsi with the Illinois halving, and a bisection whenever two
    // steps have not halved the bracket.
    double glo = flo, ghi = fhi;
    int lastSide = 0;
    double widthTwoAgo = hi - lo;
    double widthOneAgo = hi - lo;
    for (int iteration = 0; iteration < 4000; ++iteration) {
        if (std::nextafter(lo, hi) >= hi)
            break;
        const double width = hi - lo;
        double x = lo - glo * (hi - lo) / (ghi - glo);
        const bool stalled = iteration >= 2 && width > 0.5 * widthTwoAgo;
        const bool bisect = !(x > lo && x < hi) || !std::isfinite(width) || stalled;
        if (bisect) {
            if (lo < 0 && hi > 0)
                x = (-lo < hi * 1e-3 || hi < -lo * 1e-3) ? 0.0 : 0.5 * lo + 0.5 * hi;
            else if (lo > 0 && hi > 4 * lo)
                x = std::sqrt(lo) * std::sqrt(hi);
            else if (hi < 0 && lo < 4 * hi)
                x = -std::sqrt(-lo) * std::sqrt(-hi);
            else
                x = 0.5 * lo + 0.5 * hi;
            if (!(x > lo && x < hi))
                x = 0.5 * lo + 0.5 * hi;
            if (!(x > lo && x < hi))
                break;
        }
        widthTwoAgo = widthOneAgo;
        widthOneAgo = width;
        m_points.assign(1, CComplex(x, 0.0));
        if (!Call(f, 1, true))
            return {CComplex(), 0, f.Stopped() ? ECalculusOutcome::Stopped : ECalculusOutcome::NoRoot};
        const CComplex fx = m_values[0];
        if (fx.imag() != 0 || !std::isfinite(fx.real()))
            return {CComplex(), 0, ECalculusOutcome::NoRoot};
        if (fx.real() == 0)
            return {CComplex(x, 0.0), 0, ECalculusOutcome::Done};
        if ((fx.real() < 0) == (flo < 0)) {
            lo = x;
            flo = glo = fx.real();
            if (lastSide == -1)
                ghi *= 0.5;
            lastSide = -1;
        } else {
            hi = x;
            fhi = ghi = fx.real();
            if (lastSide == 1)
                glo *= 0.5;
            lastSide = 1;
        }
    }
    const bool lower = std::fabs(flo) <= std::fabs(fhi);
    const double root = lower ? lo : hi;
    const double residual = std::min(std::fabs(flo), std::fabs(fhi));
    // A sign change that does not go through zero: a pole or a jump.
    if (residual >= 0.5 * ends)
        return {CComplex(), 0, ECalculusOutcome::NoRoot};
    CCalculusResult result{CComplex(root, 0.0), hi - lo, ECalculusOutcome::Done};
    if (residual > 1e-6 * ends)
        result.outcome = ECalculusOutcome::Inexact;
    return result;
}

CCalculusResult CCalculus::FindRoot(IPointFunction& f, const CComplex& start)
{
    m_evaluations = 0;
    const double reach = 1e3 * std::max(1.0, Abs(start));
    m_points.assign(1, start);
    if (!Call(f, 1))
        return {CComplex(), 0, ECalculusOutcome::Stopped};
    if (m_values[0] == CComplex())
        return {start, 0, ECalculusOutcome::Done};
    const double h = 1e-3 * std::max(1.0, Abs(start));
    CComplex x[3] = {start - h, start + h, start};
    CComplex y[3];
    y[2] = m_values[0];
    m_points = {x[0], x[1]};
    if (!Call(f, 2, true))
        return {CComplex(), 0, f.Stopped() ? ECalculusOutcome::Stopped : ECalculusOutcome::NoRoot};
    y[0] = m_values[0];
    y[1] = m_values[1];
    bool converged = false;
    for (int iteration = 0; iteration < 200 && !converged; ++iteration) {
        // Muller: the zero of the parabola through the last three points
        // that lies nearest the newest one.
        const CComplex q = (x[2] - x[1]) / (x[1] - x[0]);
        const CComplex A = q * y[2] - q * (1.0 + q) * y[1] + q * q * y[0];
        const CComplex B = (2.0 * q + 1.0) * y[2] - (1.0 + q) * (1.0 + q) * y[1] + q * q * y[0];
        const CComplex C = (1.0 + q) * y[2];
        const CComplex root = std::sqrt(B * B - 4.0 * A * C);
        const CComplex denominator = Abs(B + root) >= Abs(B - root) ? B + root : B - root;
        CComplex stepTo = denominator == CComplex() || !Finite(denominator)
                              ? x[2] + (x[2] - x[1])
                              : x[2] - (x[2] - x[1]) * 2.0 * C / denominator;
        if (!Finite(stepTo))
            return {CComplex(), 0, ECalculusOutcome::NoRoot};
        CComplex value;
        bool evaluated = false;
        for (int damping = 0; damping < 30; ++damping) {
            m_points.assign(1, stepTo);
            if (Call(f, 1, true) && Finite(m_values[0])) {
                value = m_values[0];
                if (Abs(value) <= 10 * Abs(y[2]) || damping >= 10) {
                    evaluated = true;
                    break;
                }
            } else if (f.Stopped()) {
                return {CComplex(), 0, ECalculusOutcome::Stopped};
            }
            stepTo = 0.5 * (stepTo + x[2]);
        }
        if (!evaluated)
            return {CComplex(), 0, ECalculusOutcome::NoRoot};
        const double stepSize = Abs(stepTo - x[2]);
        x[0] = x[1];
        y[0] = y[1];
        x[1] = x[2];
        y[1] = y[2];
        x[2] = stepTo;
        y[2] = value;
        if (Abs(x[2] - start) > reach)
            return {CComplex(), 0, ECalculusOutcome::NoRoot};
        converged = value == CComplex() || stepSize <= 2 * kEpsilon * Abs(x[2]) || x[1] == x[2];
    }
    if (!converged)
        return {CComplex(), 0, ECalculusOutcome::NoRoot};
    CComplex best = x[2];
    CComplex bestValue = y[2];
    // A real function with a root on the real line: the real point, when
    // it is no worse.
    if (best.imag() != 0 && std::fabs(best.imag()) <= 1e-8 * Abs(best)) {
        m_points.assign(1, CComplex(best.real(), 0.0));
        if (Call(f, 1, true) && m_values[0].imag() == 0 && Abs(m_values[0]) <= Abs(bestValue)) {
            best = m_points[0];
            bestValue = m_values[0];
        } else if (f.Stopped()) {
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        }
    }
    // A part below the rounding of the other: zero, when it is no worse.
    for (int part = 0; part < 2; ++part) {
        const double kept = part == 0 ? best.imag() : best.real();
        const double dropped = part == 0 ? best.real() : best.imag();
        if (dropped == 0 || std::fabs(dropped) > 4 * kEpsilon * std::fabs(kept))
            continue;
        const CComplex candidate = part == 0 ? CComplex(0.0, kept) : CComplex(kept, 0.0);
        m_points.assign(1, candidate);
        if (Call(f, 1, true) && Abs(m_values[0]) <= Abs(bestValue)) {
            best = candidate;
            bestValue = m_values[0];
        } else if (f.Stopped()) {
            return {CComplex(), 0, ECalculusOutcome::Stopped};
        }
    }
    if (bestValue == CComplex())
        return {best, 0, ECalculusOutcome::Done};
    // The slope nearby tells how far the residual puts the root.
    const double delta = std::max(Abs(best), 1e-300) * 1e-6;
    m_points = {best + delta, best - delta};
    if (!Call(f, 2, true))
        return {CComplex(), 0, f.Stopped() ? ECalculusOutcome::Stopped : ECalculusOutcome::NoRoot};
    const double slope = Abs(m_values[0] - m_values[1]) / (2 * delta);
    const double distance = slope > 0 ? Abs(bestValue) / slope : std::numeric_limits<double>::infinity();
    const double size = std::max(Abs(best), 1e-300);
    if (distance <= 1e3 * kEpsilon * size)
        return {best, distance, ECalculusOutcome::Done};
    if (distance <= 1e-6 * size)
        return {best, distance, ECalculusOutcome::Inexact};
    return {CComplex(), 0, ECalculusOutcome::NoRoot};
}

double NComplexSize::Hypot(double x, double y)
{
    return std::hypot(x, y);
}
