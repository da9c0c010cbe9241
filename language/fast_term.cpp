#include "language/fast_term.h"

#include <cfenv>
#include <cmath>
#include <typeinfo>

#include "language/calc_context.h"
#include "language/nodes.h"
#include "numeric/elementary.h"
#include "numeric/status.h"

namespace NCalculatorText {

namespace {

// The flags that mark a value the checked path would have reported on: an
// overflow or an invalid operation leaves a part that is not finite, and a
// product or quotient that vanished from non-zero operands underflowed.
constexpr int kWatchedFlags = FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID | FE_DIVBYZERO;

// Terms beyond these sizes are left to the checked path; they keep the
// compilation's recursion shallow.
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxInstructions = 1024;

// Makes the accumulated value, and with it every operation of the turns
// behind it, complete before the flags are read: the compiler may not carry
// the arithmetic past this point.
inline void Settle(CComplex& value)
{
#if defined(__GNUC__)
    asm volatile("" : "+m"(value) : : "memory");
#else
    volatile double re = value.real();
    volatile double im = value.imag();
    value = CComplex(re, im);
#endif
}

bool IsWholeExponent(double k)
{
    return k >= -2147483648.0 && k < 2147483648.0 && k == std::trunc(k);
}

}  // namespace

std::uint32_t CFastTerm::NewRegister()
{
    return m_registers++;
}

std::uint32_t CFastTerm::Preload(CPreload::EKind kind, const CComplex& constant, const CNode* node)
{
    const std::uint32_t target = NewRegister();
    m_preloads.push_back({target, kind, constant, node});
    return target;
}

bool CFastTerm::Compile(const CNode& term, const CNodeVariable* index)
{
    m_compiled = false;
    m_program.clear();
    m_preloads.clear();
    m_index = index;
    m_registers = 1;  // register 0 holds the index
    const std::int64_t result = CompileNode(term, 0);
    if (result < 0) {
        m_program.clear();
        m_preloads.clear();
        return false;
    }
    m_result = static_cast<std::uint32_t>(result);
    m_compiled = true;
    return true;
}

std::int64_t CFastTerm::CompileNode(const CNode& node, int depth)
{
    if (depth > kMaxDepth || m_program.size() >= kMaxInstructions)
        return -1;
    const std::type_info& type = typeid(node);
    const auto& children = node.Children();

    // Nodes that stand for their first child.
    if (type == typeid(CNode) || type == typeid(CNodeVector))
        return children.empty() ? -1 : CompileNode(*children[0], depth + 1);

    // Leaves.
    if (type == typeid(CNodeVariableReference)) {
        const CNodeVariable* variable = static_cast<const CNodeVariableReference&>(node).Variable();
        if (variable == m_index)
            return 0;
        return Preload(CPreload::EKind::Variable, {}, variable);
    }
    if (type == typeid(CNodeNumber)) {
        const double number = static_cast<const CNodeNumber&>(node).Value();
        if (!std::isfinite(number))
            return -1;  // the checked path reports it
        return Preload(CPreload::EKind::Constant, CComplex(number, 0.0), nullptr);
    }
    if (type == typeid(CNodePi) || type == typeid(CNodeE) || type == typeid(CNodeI) || type == typeid(CNodeResult))
        return Preload(CPreload::EKind::Leaf, {}, &node);

    // Operations of one operand.
    const auto unary = [&](EOp op) -> std::int64_t {
        if (children.size() != 1)
            return -1;
        const std::int64_t operand = CompileNode(*children[0], depth + 1);
        if (operand < 0)
            return -1;
        const std::uint32_t target = NewRegister();
        m_program.push_back({op, target, static_cast<std::uint32_t>(operand), 0, 0.0});
        return target;
    };
    if (type == typeid(CNodeChangeSign))
        return unary(EOp::Negate);
    if (type == typeid(CNodeConjugate))
        return unary(EOp::Conjugate);
    if (type == typeid(CNodeRe))
        return unary(EOp::RealPart);
    if (type == typeid(CNodeIm))
        return unary(EOp::ImaginaryPart);
    if (type == typeid(CNodeFloor))
        return unary(EOp::Floor);
    if (type == typeid(CNodeCeil))
        return unary(EOp::Ceil);
    if (type == typeid(CNodeSign))
        return unary(EOp::Sign);
    if (type == typeid(CNodeAbs))
        return unary(EOp::Abs);
    if (type == typeid(CNodeSqrt))
        return unary(EOp::Sqrt);

    // Operations of two operands.
    EOp op;
    if (type == typeid(CNodePlus))
        op = EOp::Add;
    else if (type == typeid(CNodeMinus))
        op = EOp::Subtract;
    else if (type == typeid(CNodeMul))
        op = EOp::Multiply;
    else if (type == typeid(CNodeDiv))
        op = EOp::Divide;
    else if (type == typeid(CNodePow))
        op = EOp::PowerVariable;
    else
        return -1;
    if (children.size() != 2)
        return -1;
    double exponent = 0;
    const CNode& exponentNode = *children[1];
    if (op == EOp::PowerVariable && typeid(exponentNode) == typeid(CNodeNumber)) {
        // A constant exponent: a whole one is taken at once, any other goes
        // to the general power, which the checked path computes.
        exponent = static_cast<const CNodeNumber&>(exponentNode).Value();
        if (!IsWholeExponent(exponent))
            return -1;
        op = exponent == 2 ? EOp::Square : EOp::PowerWhole;
    }
    const std::int64_t left = CompileNode(*children[0], depth + 1);
    if (left < 0)
        return -1;
    const std::int64_t right = op == EOp::PowerWhole || op == EOp::Square ? 0 : CompileNode(*children[1], depth + 1);
    if (right < 0)
        return -1;
    const std::uint32_t target = NewRegister();
    m_program.push_back(
        {op, target, static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(right), exponent});
    return target;
}

// One turn: every instruction in order. fault tells of a condition that
// the checked path reports and no flag shows.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline void CFastTerm::Execute(CComplex* r, bool& fault) const
{
    const CInstruction* const begin = m_program.data();
    const CInstruction* const end = begin + m_program.size();
    for (const CInstruction* p = begin; p != end; ++p) {
        const CComplex& a = r[p->left];
        CComplex& out = r[p->target];
        switch (p->op) {
        case EOp::Add:
            out = PlainSum(a, r[p->right]);
            break;
        case EOp::Subtract:
            out = PlainDifference(a, r[p->right]);
            break;
        case EOp::Multiply:
            out = PlainProduct(a, r[p->right]);
            break;
        case EOp::Divide: {
            const CComplex& b = r[p->right];
            if (IsZero(b)) {
                fault = true;
                out = CComplex();
            } else {
                out = SmithDivide(a, b);
            }
            break;
        }
        case EOp::Square:
            if (a.imag() != 0) {
                fault = true;
                out = CComplex();
            } else {
                out = CComplex(RealIntegerPower(a.real(), 2.0), 0.0);
            }
            break;
        case EOp::PowerWhole:
            if (a.imag() != 0 || (a.real() == 0 && p->exponent <= 0)) {
                fault = true;
                out = CComplex();
            } else {
                out = CComplex(RealIntegerPower(a.real(), p->exponent), 0.0);
            }
            break;
        case EOp::PowerVariable: {
            const CComplex& b = r[p->right];
            if (a.imag() != 0 || b.imag() != 0 || !IsWholeExponent(b.real()) ||
                (a.real() == 0 && b.real() <= 0)) {
                fault = true;
                out = CComplex();
            } else {
                out = CComplex(RealIntegerPower(a.real(), b.real()), 0.0);
            }
            break;
        }
        case EOp::Negate:
            out = CalcNegate(a);
            break;
        case EOp::Conjugate:
            out = CalcConj(a);
            break;
        case EOp::RealPart:
            out = CalcRe(a);
            break;
        case EOp::ImaginaryPart:
            out = CalcIm(a);
            break;
        case EOp::Floor:
            out = CalcFloor(a);
            break;
        case EOp::Ceil:
            out = CalcCeil(a);
            break;
        case EOp::Sign:
            out = CalcSign(a);
            break;
        case EOp::Abs:
            out = CComplex(Magnitude(a), 0.0);
            if (!std::isfinite(out.real()))
                fault = true;
            break;
        case EOp::Sqrt:
            out = Sqrt(a);
            if (!IsFinite(out))
                fault = true;
            break;
        }
    }
}

template <bool Product, bool Upwards>
CFastTerm::EOutcome CFastTerm::RunTurns(CCalcRunState& state, double first, double last, double increment,
                                        std::int64_t weight, CComplex& value)
{
    CComplex* const r = m_values.data();
    const CComplex& termValue = r[m_result];
    bool fault = false;
    // The accumulator is settled through a copy, so that it stays in a
    // register between the checks.
    const auto clean = [&](CComplex accumulator) {
        Settle(accumulator);
        return !fault && !std::fetestexcept(kWatchedFlags);
    };

    CComplex accumulator = Product ? CComplex(1.0, 0.0) : CComplex();
    double k = first;
    while (Upwards ? k <= last : k >= last) {
        if (state.PollDue(weight)) {
            if (!clean(accumulator))
                return EOutcome::Retry;
            if (!state.Poll(weight))
                return EOutcome::Stopped;
            // The turns so far are clean; whatever the cancel source did
            // meanwhile is none of the term's business.
            std::feclearexcept(kWatchedFlags);
        } else {
            state.Poll(weight);  // only counts
        }
        if (k + increment == k) {
            if (!clean(accumulator))
                return EOutcome::Retry;
            ReportStatus(state, eTooManyTerms);
            return EOutcome::Stopped;
        }
        r[0] = CComplex(k, 0.0);
        Execute(r, fault);
        accumulator = Product ? PlainProduct(accumulator, termValue) : PlainSum(accumulator, termValue);
        k += increment;
    }
    if (!clean(accumulator))
        return EOutcome::Retry;
    value = accumulator;
    return EOutcome::Done;
}

CFastTerm::EOutcome CFastTerm::RunSeries(CCalcContext& context, double first, double last, double increment,
                                         bool product, std::int64_t weight, CComplex& value)
{
    m_values.assign(m_registers, CComplex());
    CComplex* r = m_values.data();
    for (const CPreload& preload : m_preloads) {
        switch (preload.kind) {
        case CPreload::EKind::Constant:
            r[preload.target] = preload.constant;
            break;
        case CPreload::EKind::Leaf:
            // π, e, i and the previous result: they read the context and
            // report nothing.
            const_cast<CNode*>(preload.node)->Evaluate(context, r[preload.target]);
            break;
        case CPreload::EKind::Variable: {
            const auto* variable = static_cast<const CNodeVariable*>(preload.node);
            if (variable->Uninitialized())
                return EOutcome::Retry;  // a warning every turn
            r[preload.target] = variable->Value();
            break;
        }
        }
    }

    std::fexcept_t saved;
    std::fegetexceptflag(&saved, kWatchedFlags);
    std::feclearexcept(kWatchedFlags);

    const bool upwards = last >= first;
    EOutcome outcome;
    if (product)
        outcome = upwards ? RunTurns<true, true>(context.run, first, last, increment, weight, value)
                          : RunTurns<true, false>(context.run, first, last, increment, weight, value);
    else
        outcome = upwards ? RunTurns<false, true>(context.run, first, last, increment, weight, value)
                          : RunTurns<false, false>(context.run, first, last, increment, weight, value);
    std::fesetexceptflag(&saved, kWatchedFlags);
    return outcome;
}

}  // namespace NCalculatorText
