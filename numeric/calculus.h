#pragma once
// Integrals, derivatives and roots of a function known only by its values
// at the points it is asked for, over the complex numbers.
//
// Integrals: one Gauss-Kronrod panel first (smooth integrands end there),
// then the double-exponential rules (tanh-sinh on a segment, exp-sinh on a
// half-line, sinh-sinh on the whole line), which take singularities at the
// ends in their stride, either believed only where an even grid finds no
// peak between their points; where those cannot settle, adaptive
// Gauss-Kronrod subdivision of the segment or of the half-lines mapped onto
// (0, 1], which finds kinks, jumps and peaks inside and tells an integral
// that does not exist (the mass of the narrowest pieces does not vanish);
// where the error stays at an end of the segment (a singularity at an end
// other than 0, whose neighbourhood within an ulp no point reaches), the
// bisection towards it with its sums extrapolated by Wynn's epsilon
// algorithm, the values there carried from the rounded points to the
// nodes.
// Derivatives: the Cauchy integral on a circle for analytic functions, its
// radius chosen from the function's own behaviour (no singularity or cut
// inside, least error), else Richardson-extrapolated differences along the
// real direction, with the one-sided ones compared. Roots: safeguarded
// regula falsi and bisection to adjacent doubles in a real bracket;
// Muller's method in the complex plane from a start.

#include <cstddef>
#include <limits>
#include <vector>

#include "numeric/complex.h"
#include "numeric/epsilon_table.h"

// The function. Values computes values[k] = f(points[k]) for k < count and
// returns true, or returns false: the function failed or the calculation
// was cancelled (stop at once), or, when probing, the function is not
// defined at one of the points and the caller may look elsewhere.
class IPointFunction {
public:
    virtual bool Values(const CComplex* points, std::size_t count, CComplex* values, bool probing) = 0;
    // After a false answer of a probing call: true when the routine must
    // stop (a cancel), false when only a point failed.
    virtual bool Stopped() const = 0;
    // With hold, warnings of the term from here on are held back, until
    // EndHold passes them on (pass) or drops them: an attempt whose points
    // end up unused (a rule that gives way to another) says nothing about
    // the result. Without, they pass again while those held stay held.
    virtual void HoldWarnings(bool hold) { (void)hold; }
    virtual void EndHold(bool pass) { (void)pass; }
    // With hold, a point where the term fails makes Values false as in a
    // probing call (Stopped() false), its messages kept back, until
    // EndErrorHold passes those of the first such point on (pass: the
    // failure stands, the calculation stops) or drops them (the routine got
    // round the point). Integrate holds them; a function that answers
    // Stopped() true after a failure ends the integral as before.
    virtual void HoldErrors(bool hold) { (void)hold; }
    virtual void EndErrorHold(bool pass) { (void)pass; }

protected:
    ~IPointFunction() = default;
};

enum class ECalculusOutcome {
    Done,               // within the routine's own tolerance
    Inexact,            // a value, but its estimated error stays large
    DoesNotConverge,    // no value: the integral does not exist, no estimate settles
    NotDifferentiable,  // no value: left and right differ at the point
    NoRoot,             // no value
    Stopped,            // the function said stop
};

struct CCalculusResult {
    CComplex value;
    // Estimated absolute error of the value.
    double error = 0;
    ECalculusOutcome outcome = ECalculusOutcome::Done;
};

// A limit of an integral: a point of the plane, or an infinity along the
// real axis (−1 for −∞, +1 for +∞).
struct CIntegralLimit {
    CComplex point;
    int infinity = 0;
};

// Above this relative error estimate a value is inexact.
inline constexpr double kInexactTolerance = 1e-10;
// The same for derivatives taken along the real direction, whose
// extrapolation reaches about 1e-10 at best.
inline constexpr double kRealDerivativeTolerance = 1e-8;
inline constexpr int kMaxDerivativeOrder = 10;

class CCalculus {
public:
    CCalculusResult Integrate(IPointFunction& f, const CIntegralLimit& a, const CIntegralLimit& b);
    // The derivative of the given order (0 to kMaxDerivativeOrder) at a point;
    // analytic says that the function is analytic near it.
    CCalculusResult Differentiate(IPointFunction& f, const CComplex& at, int order, bool analytic);
    // A zero near a start in the complex plane.
    CCalculusResult FindRoot(IPointFunction& f, const CComplex& start);
    // A zero of a real function that changes sign between low and high.
    CCalculusResult FindRoot(IPointFunction& f, double low, double high);

    // Points the last Integrate asked for, for tests and benchmarks.
    std::size_t Evaluations() const { return m_evaluations; }

private:
    // How a parameter t maps to a point of the path: a segment (x = centre +
    // half·t; t in [−1, 1] for the whole segment, t in [0, 1] from an end,
    // with centre the end and half pointing inwards, so that the points
    // near either end are as fine as the numbers there allow), or a
    // half-line from base (t in (0, 1], x = base + direction·(1 − t)/t).
    struct CMap {
        bool halfLine = false;
        CComplex centre;
        CComplex half;
        double direction = 1;
        // −1 for the half of a segment run from its far end.
        double orientation = 1;
    };
    struct CPanel {
        double lo = 0;
        double hi = 0;
        int map = 0;
        CComplex kronrod;
        double error = 0;
        double mass = 0;      // integral of |f|
        double roundoff = 0;  // error floor from rounding
        // The Kronrod-weighted mean of f·weight at its nodes and their
        // largest distance from it.
        CComplex centre;
        double radius = 0;
        // The nodes' values on a segment lie at two levels, the left ones
        // at one, the right ones at the other: a step of the term between.
        bool steps = false;
        // Such a step was looked for (the panels split from it inherit it).
        bool sought = false;
        // A jump of the term located inside: kronrod is the sum of its two
        // sides, and splitting it gains nothing. Where along x it lies, and
        // the two levels (below it, above it) that the sides were taken at.
        bool settled = false;
        double jumpAt = 0;
        CComplex levels[2];
        // The term's value at the middle node, and at either end where a
        // split made the end from a point the term was asked at.
        CComplex middle;
        CComplex atEnd[2];
        bool endKnown[2] = {false, false};
    };
    // Up to two panels that one became.
    struct CSplit {
        CPanel pieces[2];
        int count = 1;
    };
    struct CRule {
        CComplex value;
        double error = 0;
        bool settled = false;
    };

    bool Call(IPointFunction& f, std::size_t count, bool probing = false);
    // With asked: the panel lies next to an end other than 0 of its map,
    // where the points are rounded to the end's spacing; panel gets the
    // sums of the values carried from the points the term was asked at to
    // the nodes the rule wants (see Unround), asked those of the values as
    // they came (weighted, in m_asked).
    bool Panel(IPointFunction& f, CPanel& panel, CPanel* asked = nullptr);
    // The Gauss-Kronrod sums, error and mass of the panel over mid ± hw
    // from the term's values at its nodes, which it weights in place.
    void Rule(CPanel& panel, std::vector<CComplex>& values, double hw);
    // The values at the 21 nodes of the panel over mid ± hw moved from the
    // points asked for to the nodes, along the slope of ln |f| against the
    // logarithm of the distance from the end, taken from the neighbouring
    // points (where a power at the end, even with a logarithm or a smooth
    // factor beside it, makes that all but straight); m_unrounded[i] says
    // how much of the value's rounding is left (1 where it was not moved).
    void Unround(const CMap& map, double mid, double hw);
    // On a real segment or half-line: the panel's sums again from the
    // values (as they came, unweighted) moved from the points asked for to
    // the nodes, where that matters beside the values' own rounding.
    void Unround(CPanel& panel, CComplex* values, double mid, double hw);
    // Subdivides the panels of m_heap until the sum settles; rule is what
    // the double-exponential rule reached, kept when it is better.
    CCalculusResult Adaptive(IPointFunction& f, const CRule& rule);
    // Subdivides the worst panel of m_heap until the sum settles; false
    // when the function said stop.
    bool Subdivide(IPointFunction& f, CComplex& total, double& error, double& roundoff, double& stuckMass,
                   double& stuckError, CComplex& stuckValue);
    // A panel of a real segment: where the term jumps inside it (its
    // values on either side steady, a step between two adjacent doubles),
    // found holds the panel with the integral of either side up to the
    // step. False when the function said stop.
    bool Jump(IPointFunction& f, CPanel& panel, bool& found);
    // Beside a finite end of a real segment, between the end (at end, the
    // inside towards node, the panel's outermost node there, whose value
    // is values[outer]) and that node, lies a sliver that no node and no
    // probe reaches. The term's value at the end, where it has a finite
    // one, is compared with what the panel's values (the term's at its 21
    // nodes, in the panel's order; side 0 for the end at u = −1, 1 at
    // u = +1) say there; where it stands apart beyond what their
    // smoothness allows and by enough to matter beside significant, and
    // the next double inside does too, the sliver holds something.
    struct CSliver {
        // 0: nothing shows (or the end's value cannot be had); 1: a step
        // between two adjacent doubles; 2: something else.
        int found = 0;
        // The step's distance from the end (signed along x), and the part
        // of the integral its place within the doubles leaves open.
        double at = 0;
        double placement = 0;
        // A step within a few thousand doubles of the end: what the
        // integral gains over the panel's (from a to b), and its error.
        bool narrow = false;
        CComplex correction;
        double bound = 0;
        // Found 2: what the sliver may hold.
        double hidden = 0;
    };
    // known: the term's value at the end where it was had already. False
    // when the function said stop.
    bool EndSliver(IPointFunction& f, const CComplex* values, int side, double end, double node, double significant,
                   CSliver& sliver, const CComplex* known = nullptr);
    // Where the panel beside an end of a segment's half (map 0 or 1, at
    // either end: the segment's or the middle) hides something in its
    // sliver: splits it at a step found there, or at its outermost node
    // where the sliver holds something else;
    // what stays unresolved after the last round goes to m_sliverError.
    // False when the function said stop.
    bool EndSlivers(IPointFunction& f, CComplex& total, double& error, double& roundoff, double significant,
                    bool last, bool& changed);
    // Made by Panel just before, with its values in m_panelValues: where
    // the term's value known at an end of it (side 0 the lower end along
    // the parameter) shows a step in the sliver beside that end, split
    // holds the panel split there (or its sliver's part goes to
    // m_sliverValue where the step lies too near the end for a panel);
    // else split holds the panel alone. False when the function said stop.
    bool SliverBeside(IPointFunction& f, const CPanel& panel, int side, double significant, CSplit& split);
    // A panel of map over the parameters from lo to hi, not yet summed.
    static CPanel Over(double lo, double hi, int map);
    // The split's pieces added to the sums and appended to panels.
    static void Take(const CSplit& split, CComplex& total, double& error, double& roundoff,
                     std::vector<CPanel>& panels);
    // Where the error of the adaptive sum stays at the ends of a segment or
    // at the finite end of a half-line, in the part of the integral nearer
    // the end than the numbers there can tell (a singularity at an end
    // other than 0): bisects towards each such end and extrapolates the
    // sums by Wynn's epsilon algorithm;
    // current gives way to that value where it is better. mass is the
    // integral of |f|. False when the function said stop.
    // steady: the narrowest pieces at the end kept their mass (the verdict
    // would be that the integral does not exist); the limit is taken only
    // where the pieces towards the end shrink by a steady factor (a power
    // above −1, whose integral exists).
    bool EndLimits(IPointFunction& f, CCalculusResult& current, double mass, bool steady = false);
    // The integral over the parameter's distances [0, to] from a map's end
    // by that bisection and extrapolation, and unresolved, the integral of
    // |f| over the narrowest range the bisection reached, which holds all
    // that the points cannot; false when the function said stop, a value
    // with an infinite error where the sums settle on none. asked: from the
    // values as the term gave them; moved (valid at an end other than 0):
    // from those carried from the rounded points to the nodes.
    struct CEndPart {
        CComplex value;
        double error = 0;
        double unresolved = 0;
        bool valid = false;
        // The value was confirmed by the limits of deeper levels.
        bool confirmed = false;
    };
    bool EndLimit(IPointFunction& f, int map, double to, bool steady, CEndPart& asked, CEndPart& moved);
    // One extrapolation of the sums of the pieces towards an end, level by
    // level: from the values as the term gave them, or from those carried
    // to the nodes.
    struct CEndTrack {
        // The sums of the pieces [t, 2t] down to the level and of one panel
        // over [0, t]: the panel's error shrinks by a constant factor from
        // level to level for a power or logarithm at the end (a polynomial
        // factor it integrates exactly), which the algorithm takes out.
        CEpsilonTable sums;
        CComplex pieces;
        double piecesError = 0;
        CComplex previous;
        // The sizes of the pieces, level by level.
        double lastSize = 0;
        double lastRatio = 0;
        double tail = 0;
        // Where the factor is near 1: the pieces and the geometric limits.
        bool slow = false;
        std::vector<CComplex> parts;
        std::vector<CComplex> geometricLimits;
        // At 0: the limits of the levels whose estimate met the goal.
        std::vector<CComplex> settled;
        CComplex value;
        double error = std::numeric_limits<double>::infinity();
        // The estimate of value's level alone (without the pieces'
        // errors), and the levels since it last fell.
        double valueEstimate = std::numeric_limits<double>::infinity();
        int stale = 0;
        bool confirmed = false;
        // The estimates of the last three levels.
        double recent[3] = {};
        double unresolved = 0;
        bool done = false;
        // Back to the start of an extrapolation, the buffers kept.
        void Start();
    };
    // Samples the panels' parameter ranges on an even grid for what their
    // nodes did not see (a peak between them) and splits each panel with
    // such a point there; found says whether any did. False when the
    // function said stop.
    bool Scan(IPointFunction& f, CComplex& total, double& error, double& roundoff, bool& found);
    // Before a first panel or a double-exponential rule is believed: samples
    // the panel's parameter range between its outermost nodes on an even
    // grid, and found says whether a sample stands out from the values its
    // nodes saw by enough to matter beside significant (a peak all the
    // rule's points missed), at (in the panel's parameter, NaN where only
    // a point failed) within reach. False when the function said stop.
    bool Probe(IPointFunction& f, const CPanel& panel, double significant, bool& found, double& at,
               double& reach);
    // After a half-line's probe found nothing: looks closer where the
    // sizes of the term on its grid (at those distances from the end,
    // logStep apart in their logarithm) rise above the steady decay of the
    // samples before, and says as the probe what it found.
    bool Zoom(IPointFunction& f, const CPanel& panel, double significant, const double* distances,
              const double* sizes, std::size_t count, double logStep, bool& found, double& at, double& reach);
    // Whether a settled double-exponential rule over half-lines (maps 0 to
    // count − 1, set up) is believed: once the probe of each finds no peak
    // between the rule's points. Where one does, at[map] tells where, and
    // the rule's value stays only as a first estimate (its error infinite).
    // False when the function said stop.
    bool BelieveRule(IPointFunction& f, int count, CRule& rule, double* at, double& reach, bool& believed);
    // The panel split into a narrow panel from at − reach to at + reach
    // and the rest on either side (whole where at is NaN), in the order of
    // their ranges, each with its sums; false when the function said stop.
    struct CPieces {
        CPanel panels[3];
        int count = 0;
    };
    bool Around(IPointFunction& f, const CPanel& panel, double at, double reach, CPieces& pieces);
    // Adds those pieces to m_heap.
    bool PushAround(IPointFunction& f, const CPanel& panel, double at, double reach);
    // What the tanh-sinh rule's sum on a real segment lacks for the rounding
    // of its points (their values moved to the nodes along the slope).
    CComplex Unrounded(double a, double b, double half, const double* reach, double h, double mass) const;
    // kind 0: tanh-sinh on [a, b]; 1: exp-sinh from a towards direction;
    // 2: sinh-sinh over the real line. False when the function said stop.
    bool DoubleExponential(IPointFunction& f, int kind, const CComplex& a, const CComplex& b, double direction,
                           CRule& rule);
    // The integral from a towards direction·∞ of a term that changes sign
    // again and again: the pieces between its successive zeros, their
    // partial sums extrapolated by Wynn's epsilon algorithm. applicable is
    // false where the term shows no such sign changes (the result is then
    // nothing); where the pieces do not shrink the integral does not
    // converge.
    CCalculusResult Oscillatory(IPointFunction& f, const CComplex& a, double direction, bool& applicable);
    // The integral from a towards direction·∞ by the pieces between the
    // term's sign changes, else (or where those leave it inexact) up to
    // the zeros where it touches 0; applicable as for those.
    CCalculusResult Pieces(IPointFunction& f, const CComplex& a, double direction, bool& applicable);
    // The integral from a towards direction·∞ of a term that touches 0
    // again and again, at a fixed period, without changing sign (sin²x/x²):
    // its partial integrals up to the touching zeros at doubling distances,
    // whose remainders fall like powers of the distance, extrapolated by
    // eliminating those powers. applicable is false where the term shows no
    // such zeros.
    CCalculusResult Touching(IPointFunction& f, const CComplex& a, double direction, bool& applicable);
    // The half-line from a towards direction·∞ whose finite end is singular
    // beyond what its map reaches: the segment from a to a + direction·s,
    // whose end treatment reaches as close to a as the numbers allow, and
    // the half-line beyond it; values, errors and verdicts summed.
    CCalculusResult SplitHalfLine(IPointFunction& f, const CComplex& a, double direction);
    // After the adaptive stage on the real segment from a to b left an
    // error it could not bring down, with its narrowest panels around a
    // point inside (a singularity there, |x − 0.3|^−0.5): true with the
    // double there where the term is largest or not defined (found among
    // the doubles around those panels). False when the function said stop.
    bool InteriorPoint(IPointFunction& f, double a, double b, double& at, bool& found);
    // The range from a to b integrated as the two from a to at and from at
    // to b, each with at as an end (never evaluated there) and split on
    // as needed; the sum, or the verdict of a part that has no value.
    CCalculusResult SplitAt(IPointFunction& f, const CIntegralLimit& a, const CIntegralLimit& b, const CComplex& at,
                            int depth);
    // The integral from a to b, split at points inside where the term
    // failed or the error stayed (depth: splits made above).
    CCalculusResult IntegrateParts(IPointFunction& f, const CIntegralLimit& a, const CIntegralLimit& b, int depth);
    // The sum of two parts of a range (first with a value), or the verdict
    // of second where it has none.
    static CCalculusResult Joined(const CCalculusResult& first, const CCalculusResult& second);
    // The integral from a to b, without such splits.
    CCalculusResult IntegrateRange(IPointFunction& f, const CIntegralLimit& a, const CIntegralLimit& b);

    // What one range's integration leaves behind (panels, slivers, scale),
    // cleared before the next.
    void ClearRangeState();
    // (centre: the value at the point, none where the term has none there.)
    CCalculusResult Cauchy(IPointFunction& f, const CComplex& at, int order, const CComplex* centre);
    CCalculusResult RealDirection(IPointFunction& f, const CComplex& at, int order, const CComplex& centreValue);
    // Ridders' extrapolation of differences: side 0 central, ±1 one-sided;
    // first is the size of the coarsest difference.
    bool Ridders(IPointFunction& f, const CComplex& at, int order, int side, const CComplex& centreValue,
                 CComplex& value, double& error, double& first);

    CMap m_maps[3];
    std::vector<CComplex> m_points;
    std::vector<CComplex> m_values;
    std::vector<CComplex> m_asked;
    std::vector<CComplex> m_weights;
    // The double-exponential rule's values and points on a real segment, by
    // side and place on its finest grid, and which of them it has.
    std::vector<CComplex> m_gridValues;
    std::vector<double> m_gridPoints;
    std::vector<unsigned> m_gridHave;
    unsigned m_gridStamp = 0;
    std::vector<CPanel> m_heap;
    // The panels too narrow to split, set aside by Subdivide.
    std::vector<CPanel> m_stuck;
    // How many panels Subdivide may reach.
    std::size_t m_panelLimit = 0;
    std::size_t m_evaluations = 0;
    // What the last exp-sinh rule left nearer its finite end than its
    // points went (|f| there times the distance).
    double m_endTail = 0;
    double m_unrounded[21] = {};
    // The two tracks of EndLimit, kept from call to call for their buffers.
    CEndTrack m_tracks[2];
    // Set while the far part of a split half-line runs: its finite end is
    // regular by construction, and it is not split again.
    bool m_splitting = false;
    // Inside the outermost integral (the others run as its parts).
    bool m_nested = false;
    // The point where the term failed in the last call that was not a
    // probe, where its error was held back (else NaN).
    CComplex m_failedAt;
    // While the end limit bisects towards an end: the panels' Kronrod sums
    // with the rounded weights alone, as the extrapolation was tuned on
    // (its limits move by far more than an ulp of the pieces' sums for a
    // change in their last bits either way).
    bool m_plainSums = false;
    // The integral of |f| as the first panel over a whole segment saw it
    // (0 elsewhere): what a move of the values must reach to matter.
    double m_scale = 0;
    // The term's values at the nodes of the panel last computed next to an
    // end of a segment's half (for maps 0 and 1 the ones from t = 0, then
    // those up to t = 1; for map 2 the whole segment), with its range.
    CComplex m_endValues[5][21];
    // The values of the last segment panel at its nodes, as the term gave them.
    CComplex m_panelValues[21];
    double m_endRange[5][2] = {};
    // What the steps located beside the ends leave open of the integral,
    // and what the slivers beside them may hold unresolved; what the steps
    // within a few thousand doubles of an end add to the panels' sum, and
    // at which ends (t = 0, t = 1 of maps 0 and 1) they were taken.
    double m_sliverError = 0;
    CComplex m_sliverValue;
    bool m_sliverTaken[2][2] = {};
};
