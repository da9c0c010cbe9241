#pragma once
// Integrals, derivatives and roots over an index variable, as the series
// run theirs: the first element names the variable, which is set for each
// evaluation of the term (the last element) and reset afterwards; the
// other elements are evaluated once, before. The numbers come from
// numeric/calculus.h; the term is evaluated on the compiled path of the
// series where it is plain arithmetic, else through the tree, and every
// evaluation counts its work in the run state's cancel poll.
//
// While the term runs, the node passes its messages on with care: an error
// stops the calculation as anywhere else, but a warning is passed on only
// the first time (an integrand asked at a thousand points warns once), an
// underflow of the term to zero is no news, and while a derivative or a
// root probes around its point an error at a probe only tells the routine
// to look elsewhere.

#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "language/fast_term.h"
#include "language/node.h"
#include "numeric/calculus.h"
#include "numeric/status.h"

namespace NCalculatorText {

class CNodeCalculus : public CNode, protected IPointFunction {
public:
    // The variables the node's list gives names of its own: the index, and
    // for an integral the words of an infinite limit. None of them is a
    // free name of the statement (a plot's variable).
    void CollectOwnVariables(std::set<const CNodeVariable*>& variables) const;

    // The term as the node's routine sees it (the compiled program or the
    // tree, the polls, the log filter), from here until EndPoints, for
    // measuring other routines on the very same evaluations. The list must
    // have the node's shape; Evaluate must not run in between.
    IPointFunction& BeginPoints(CCalcContext& context)
    {
        Begin(context, *m_children[0]);
        return *this;
    }
    void EndPoints() { End(); }
    bool TermCompiled() const { return m_fastTerm != nullptr; }

protected:
    // Checks the list: a vector of minElements to maxElements whose first
    // element is a variable. Reports a syntax error and returns null when
    // it is not, else the elements' list node.
    const CNode* Elements(CCalcContext& context, std::size_t minElements, std::size_t maxElements);
    // Prepares the evaluations of the term over the index (the first
    // element, the last): the fast path, the weight, the log filter.
    void Begin(CCalcContext& context, const CNode& list);
    // Resets the index and the log.
    void End();
    // Reports the outcome of a routine and delivers its value; the
    // continue flag.
    bool Deliver(CCalcContext& context, const CCalculusResult& result, const CComplex& where, CComplex& value);

    bool Values(const CComplex* points, std::size_t count, CComplex* values, bool probing) override;
    bool Stopped() const override { return m_stopped; }
    void HoldWarnings(bool hold) override;
    void EndHold(bool pass) override;
    void HoldErrors(bool hold) override;
    void EndErrorHold(bool pass) override;

    CCalculus m_calculus;

private:
    class CLogFilter final : public ILogReceiver {
    public:
        void AddMessage(const CCalcMessage& message) override;
        void StartCalculation() override {}
        // A message of the given status past the probing and holding
        // checks: each kind of warning once.
        void Pass(const CCalcMessage& message, ECalcStatus status);

        CCalcRunState* state = nullptr;
        ILogReceiver* next = nullptr;
        bool probing = false;
        bool holding = false;
        // Errors kept back: those of the first point that failed.
        bool holdingErrors = false;
        bool errorsClosed = false;
        std::vector<std::pair<CCalcMessage, ECalcStatus>> errors;
        std::uint64_t warned = 0;
        std::vector<std::pair<CCalcMessage, ECalcStatus>> held;
    };

    bool TreeValues(const CComplex* points, std::size_t count, CComplex* values, bool probing);

    CCalcContext* m_context = nullptr;
    CNodeVariable* m_index = nullptr;
    CNode* m_term = nullptr;
    std::int64_t m_weight = 0;
    bool m_stopped = false;
    std::unique_ptr<CFastTerm> m_fastTerm;
    bool m_fastTermTried = false;
    CLogFilter m_filter;
};

// integral(x, a, b, f): the integral of f over x along the segment from a
// to b; a limit may be "inf", "infinity" or "∞" with an optional sign.
class CNodeIntegral final : public CNodeCalculus {
public:
    static constexpr EOperationKind kKind = Integral;
    static constexpr std::size_t kMinArguments = 4;
    static constexpr std::size_t kMaxArguments = 4;
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

// deriv(x, a, f) and deriv(x, a, n, f): the first or the n-th derivative of
// f with respect to x at a.
class CNodeDerivative final : public CNodeCalculus {
public:
    static constexpr EOperationKind kKind = Derivative;
    static constexpr std::size_t kMinArguments = 3;
    static constexpr std::size_t kMaxArguments = 4;
    bool Evaluate(CCalcContext& context, CComplex& value) override;

private:
    // The term is analytic in the index: no part of it that is not (abs,
    // sign, floor, ceil, re, im, arg, conj, random, a root, a Bessel order).
    bool m_analyticKnown = false;
    bool m_analytic = false;
};

// root(x, start, f): a zero of f near start; root(x, low, high, f): a zero
// of the real f in the interval, where f changes sign.
class CNodeRoot final : public CNodeCalculus {
public:
    static constexpr EOperationKind kKind = Root;
    static constexpr std::size_t kMinArguments = 3;
    static constexpr std::size_t kMaxArguments = 4;
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

}  // namespace NCalculatorText
