#include "language/fast_term.h"

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <cmath>
#if defined(__x86_64__) && defined(__SSE2__)
#include <xmmintrin.h>
#endif
#include <typeinfo>

#include "language/calc_context.h"
#include "language/nodes.h"
#include "numeric/elementary.h"
#include "numeric/realmath.h"
#include "numeric/status.h"

namespace NCalculatorText {

namespace {

// The flags that mark a value the checked path would have reported on: an
// overflow or an invalid operation leaves a part that is not finite, and a
// product or quotient that vanished from non-zero operands underflowed.
constexpr int kWatchedFlags = FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID | FE_DIVBYZERO;

// Reading, clearing and restoring those flags. Where the arithmetic is SSE2
// (x86-64 with GCC or Clang) they live in MXCSR, whose status bits are the
// FE_ values, and are handled there in a few cycles; the <cfenv> functions
// also save and restore the x87 unit's environment, which costs hundreds
// per call, more than a point of a short term (an integral asks its points
// one at a time while it finds how far its rule must reach).
#if defined(__x86_64__) && defined(__SSE2__)
static_assert(FE_INVALID == 0x01 && FE_DIVBYZERO == 0x04 && FE_OVERFLOW == 0x08 && FE_UNDERFLOW == 0x10,
              "the FE_ values are not MXCSR's status bits");
using CSavedFlags = unsigned;
inline bool FlagsRaised()
{
    return (_mm_getcsr() & static_cast<unsigned>(kWatchedFlags)) != 0;
}
inline void ClearFlags()
{
    _mm_setcsr(_mm_getcsr() & ~static_cast<unsigned>(kWatchedFlags));
}
inline void SaveFlags(CSavedFlags& saved)
{
    saved = _mm_getcsr() & static_cast<unsigned>(kWatchedFlags);
}
inline void RestoreFlags(const CSavedFlags& saved)
{
    _mm_setcsr((_mm_getcsr() & ~static_cast<unsigned>(kWatchedFlags)) | saved);
}
#else
using CSavedFlags = std::fexcept_t;
inline bool FlagsRaised()
{
    return std::fetestexcept(kWatchedFlags) != 0;
}
inline void ClearFlags()
{
    std::feclearexcept(kWatchedFlags);
}
inline void SaveFlags(CSavedFlags& saved)
{
    std::fegetexceptflag(&saved, kWatchedFlags);
}
inline void RestoreFlags(const CSavedFlags& saved)
{
    std::fesetexceptflag(&saved, kWatchedFlags);
}
#endif

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

// cosh and sinh stay finite for arguments up to this magnitude (they
// overflow beyond ln(2·DBL_MAX) ≈ 710.5).
constexpr double kHyperbolicLimit = 700;

// The arctangent's middle range, 0.1 < |x| ≤ 2^53, which PrincipalArctangent
// computes as ½·atan2(2x, 1 − x²) with the imaginary part ¼·ln(1 + 4y/Q):
// for a real x (y a zero) that part is y itself.
constexpr double kArctangentMiddleLow = 0.1;
constexpr double kArctangentMiddleHigh = 9007199254740992.0;

// ToRadians and FromRadians by the formulas of the checked product and
// quotient (the divisor is a constant, never 0); the flags tell whether
// they would have reported.
inline CComplex AngleToRadians(const CComplex& z, int units)
{
    return SmithDivide(PlainProduct(z, CComplex(kPi, 0.0)), CComplex(units == 1 ? 180.0 : 200.0, 0.0));
}
inline CComplex AngleFromRadians(const CComplex& z, int units)
{
    return SmithDivide(PlainProduct(z, CComplex(units == 1 ? 180.0 : 200.0, 0.0)), CComplex(kPi, 0.0));
}

// Sin(z) (z in radians) with the library's calls: false where CalcSin would
// report (a total loss of the angle, a part that is not finite) or where
// it is left to it (|y| beyond the hyperbolic limit). For a real argument
// cosh(±0) is 1 and sinh(±0) is ±0 exactly, so the parts are sin x and
// cos x · y, a zero whose sign follows from the sign of cos x.
inline bool FastSin(const CComplex& z, CComplex& out)
{
    const double x = z.real();
    const double y = z.imag();
    if (!(std::fabs(x) < NRealMath::kTotalLossLimit))
        return false;
    if (y == 0) {
        bool positive;
        const double imaginary = ClearCircularSign(x, true, positive) ? (positive ? y : -y) : std::cos(x) * y;
        out = CComplex(std::sin(x), imaginary);
        return true;
    }
    if (!(std::fabs(y) <= kHyperbolicLimit))
        return false;
    out = CComplex(std::sin(x) * std::cosh(y), std::cos(x) * std::sinh(y));
    return IsFinite(out);
}

// Cos(z) = (cos x · cosh y, −(sin x · sinh y)); for a real argument
// (cos x, −(sin x · y)).
inline bool FastCos(const CComplex& z, CComplex& out)
{
    const double x = z.real();
    const double y = z.imag();
    if (!(std::fabs(x) < NRealMath::kTotalLossLimit))
        return false;
    if (y == 0) {
        bool positive;
        const double imaginary = ClearCircularSign(x, false, positive) ? (positive ? -y : y) : -(std::sin(x) * y);
        out = CComplex(std::cos(x), imaginary);
        return true;
    }
    if (!(std::fabs(y) <= kHyperbolicLimit))
        return false;
    out = CComplex(std::cos(x) * std::cosh(y), -(std::sin(x) * std::sinh(y)));
    return IsFinite(out);
}

// The tangent of a real argument is (tan x, 0); a complex one is left to
// the checked path.
inline bool FastTan(const CComplex& z, CComplex& out)
{
    const double x = z.real();
    if (z.imag() != 0 || !(std::fabs(x) < NRealMath::kTotalLossLimit))
        return false;
    out = CComplex(std::tan(x), 0.0);
    return std::isfinite(out.real());
}

// The arctangent of a real argument in radians; a complex one is left to
// the checked path.
inline bool FastAtan(const CComplex& z, CComplex& out)
{
    const double x = z.real();
    const double y = z.imag();
    if (y != 0)
        return false;
    const double m = std::fabs(x);
    if (m > kArctangentMiddleLow && m <= kArctangentMiddleHigh)
        out = CComplex(0.5 * std::atan2(2 * x, 1 - (x * x + y * y)), y);
    else
        out = PrincipalArctangent(z);
    return IsFinite(out);
}

// CalcPower's value for a real base x under a real exponent k that is not
// whole: false for a base that is not positive (a singularity or a complex
// power, left to the checked path) and where NRealMath::Pow reports (an
// overflow, a value below the normal range).
inline bool FastRealPower(double x, double k, double& out)
{
    if (!(x > 0))
        return false;
    if (k == 0.5) {
        out = std::sqrt(x);
    } else if (k == -0.5) {
        out = 1 / std::sqrt(x);
    } else {
        out = std::pow(x, k);
        if (!(std::fabs(out) >= DBL_MIN))
            return false;
    }
    return std::isfinite(out);
}

// The operand of a turn as the registers hold it.
constexpr auto StoredOperand = [](const CComplex* a, std::uint32_t j) -> const CComplex& { return a[j]; };

}  // namespace

bool CFastTerm::YieldsRealTerms(EOp op)
{
    switch (op) {
    case EOp::Square:
    case EOp::PowerWhole:
    case EOp::PowerReal:
    case EOp::PowerVariable:
    case EOp::Abs:
    case EOp::Tan:
        return true;
    default:
        return false;
    }
}

bool CFastTerm::ReadsRight(EOp op)
{
    switch (op) {
    case EOp::Add:
    case EOp::Subtract:
    case EOp::Multiply:
    case EOp::Divide:
    case EOp::PowerVariable:
        return true;
    default:
        return false;
    }
}

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
    m_bound.clear();
    m_block.clear();
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
    if (type == typeid(CNodeDefinedValue))
        return Preload(CPreload::EKind::Constant, static_cast<const CNodeDefinedValue&>(node).Value(), nullptr);

    // A defined function's body, inlined: its parameters read the
    // registers of the call's arguments.
    if (type == typeid(CNodeParameter)) {
        const CComplex* slot = static_cast<const CNodeParameter&>(node).Slot();
        for (std::size_t k = m_bound.size(); k > 0; --k) {
            if (m_bound[k - 1].first == slot)
                return m_bound[k - 1].second;
        }
        return -1;
    }
    if (type == typeid(CNodeDefinedCall)) {
        const auto& call = static_cast<const CNodeDefinedCall&>(node);
        const CNodeDefinitionBody* body = call.Body();
        const std::size_t count = call.ArgumentCount();
        if (!body || body->Children().empty() || count != body->ParameterCount())
            return -1;
        const std::size_t mark = m_bound.size();
        for (std::size_t k = 0; k < count; ++k) {
            const std::int64_t argument = CompileNode(call.Argument(k), depth + 1);
            if (argument < 0) {
                m_bound.resize(mark);
                return -1;
            }
            m_bound.emplace_back(body->Arguments() + k, static_cast<std::uint32_t>(argument));
        }
        const std::int64_t result = CompileNode(*body->Children()[0], depth + 1);
        m_bound.resize(mark);
        return result;
    }

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
    if (type == typeid(CNodeExp))
        return unary(EOp::Exp);
    // (ln of a gamma operand is its logarithmic gamma; that operand does
    // not compile, so neither does such a term.)
    if (type == typeid(CNodeLn))
        return unary(EOp::Ln);
    if (type == typeid(CNodeSin))
        return unary(EOp::Sin);
    if (type == typeid(CNodeCos))
        return unary(EOp::Cos);
    if (type == typeid(CNodeTg))
        return unary(EOp::Tan);
    if (type == typeid(CNodeArcTg))
        return unary(EOp::Atan);

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
        // A constant exponent: a whole one is taken at once, any other by
        // the general power of a positive base.
        exponent = static_cast<const CNodeNumber&>(exponentNode).Value();
        if (!std::isfinite(exponent))
            return -1;  // the checked path reports it
        if (!IsWholeExponent(exponent))
            op = EOp::PowerReal;
        else
            op = exponent == 2 ? EOp::Square : EOp::PowerWhole;
    }
    const std::int64_t left = CompileNode(*children[0], depth + 1);
    if (left < 0)
        return -1;
    const bool constantExponent = op == EOp::PowerWhole || op == EOp::Square || op == EOp::PowerReal;
    const std::int64_t right = constantExponent ? 0 : CompileNode(*children[1], depth + 1);
    if (right < 0)
        return -1;
    const std::uint32_t target = NewRegister();
    m_program.push_back(
        {op, target, static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(right), exponent});
    return target;
}

// One instruction over turns [0, n) of a block, its loop running straight
// over the turns. Register q of turn j is r[q * kBlockTurns + j]. fault
// tells of a condition that the checked path reports and no flag shows.
// sink sees each value the instruction yields, in the order of the turns:
// the last instruction of a series hands its terms to the sum there, so
// that the chain of additions, which has to wait for each of its steps,
// runs beside the work of the turns instead of after it.
// Always inlined: a series' loop must see the sink's addition inside the
// turns, and the instruction table has grown past the size the compiler
// inlines on its own (a series of 10^8 terms then took four times as long).
// left(a, j) is the left operand of turn j: a[j], or for a series' index
// the value that would have been stored there, made in the loop itself.
template <class TSink, class TLeft>
[[gnu::always_inline]] inline void CFastTerm::ExecuteInstruction(const CInstruction& instruction, CComplex* r, std::uint32_t n,
                                          bool& fault, TSink&& sink, TLeft&& left) const
{
    const CComplex* const a = r + instruction.left * kBlockTurns;
    const auto A = [&](std::uint32_t j) -> decltype(auto) { return left(a, j); };
    const CComplex* const b = r + instruction.right * kBlockTurns;
    CComplex* const out = r + instruction.target * kBlockTurns;
    bool failed = false;
    switch (instruction.op) {
    case EOp::Add:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = PlainSum(A(j), b[j]);
            sink(out[j]);
        }
        break;
    case EOp::Subtract:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = PlainDifference(A(j), b[j]);
            sink(out[j]);
        }
        break;
    case EOp::Multiply:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = PlainProduct(A(j), b[j]);
            sink(out[j]);
        }
        break;
    case EOp::Divide:
        for (std::uint32_t j = 0; j < n; ++j) {
            if (IsZero(b[j])) {
                failed = true;
                out[j] = CComplex();
            } else {
                out[j] = SmithDivide(A(j), b[j]);
            }
            sink(out[j]);
        }
        break;
    case EOp::Square:
        // RealIntegerPower(x, 2): x * x. The imaginary part of the
        // register stays 0 from its allocation (see m_block).
        for (std::uint32_t j = 0; j < n; ++j) {
            failed |= A(j).imag() != 0;
            out[j].real(A(j).real() * A(j).real());
            sink(out[j]);
        }
        break;
    case EOp::PowerWhole:
        for (std::uint32_t j = 0; j < n; ++j) {
            if (A(j).imag() != 0 || (A(j).real() == 0 && instruction.exponent <= 0)) {
                failed = true;
                out[j] = CComplex();
            } else {
                out[j] = CComplex(RealIntegerPower(A(j).real(), instruction.exponent), 0.0);
            }
            sink(out[j]);
        }
        break;
    case EOp::PowerReal:
        // The imaginary part of the register stays 0 (see m_block).
        for (std::uint32_t j = 0; j < n; ++j) {
            double power = 0;
            failed |= A(j).imag() != 0 || !FastRealPower(A(j).real(), instruction.exponent, power);
            out[j].real(power);
            sink(out[j]);
        }
        break;
    case EOp::PowerVariable:
        for (std::uint32_t j = 0; j < n; ++j) {
            const double x = A(j).real();
            const double k = b[j].real();
            double power = 0;
            if (A(j).imag() != 0 || b[j].imag() != 0 || (x == 0 && k <= 0))
                failed = true;  // a complex power, a singularity
            else if (IsWholeExponent(k))
                power = RealIntegerPower(x, k);
            else
                failed |= !FastRealPower(x, k, power);
            out[j] = CComplex(power, 0.0);
            sink(out[j]);
        }
        break;
    case EOp::Negate:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = CalcNegate(A(j));
            sink(out[j]);
        }
        break;
    case EOp::Conjugate:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = CalcConj(A(j));
            sink(out[j]);
        }
        break;
    case EOp::RealPart:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = CalcRe(A(j));
            sink(out[j]);
        }
        break;
    case EOp::ImaginaryPart:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = CalcIm(A(j));
            sink(out[j]);
        }
        break;
    case EOp::Floor:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = CalcFloor(A(j));
            sink(out[j]);
        }
        break;
    case EOp::Ceil:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = CalcCeil(A(j));
            sink(out[j]);
        }
        break;
    case EOp::Sign:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = CalcSign(A(j));
            sink(out[j]);
        }
        break;
    case EOp::Abs:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = CComplex(Magnitude(A(j)), 0.0);
            failed |= !std::isfinite(out[j].real());
            sink(out[j]);
        }
        break;
    case EOp::Sqrt:
        for (std::uint32_t j = 0; j < n; ++j) {
            out[j] = Sqrt(A(j));
            failed |= !IsFinite(out[j]);
            sink(out[j]);
        }
        break;
    case EOp::Exp:
        // CalcExp by the same library calls, without its reports: where the
        // checked path would say overflow, underflow, a domain error or a
        // total loss of the angle, the block goes to it instead.
        for (std::uint32_t j = 0; j < n; ++j) {
            const double x = A(j).real();
            const double y = A(j).imag();
            const double e = std::exp(x);
            failed |= !(std::isfinite(x) && e >= DBL_MIN && e <= DBL_MAX);
            if (y == 0) {
                out[j] = CComplex(e, y);
            } else {
                failed |= !(std::fabs(y) < NRealMath::kTotalLossLimit);
                out[j] = CComplex(e * std::cos(y), e * std::sin(y));
                failed |= !IsFinite(out[j]);
            }
            sink(out[j]);
        }
        break;
    case EOp::Ln:
        // CalcLn without its reports: of a zero, and of a value not finite.
        for (std::uint32_t j = 0; j < n; ++j) {
            if (IsZero(A(j))) {
                failed = true;
                out[j] = CComplex();
            } else {
                out[j] = Ln(A(j));
                failed |= !IsFinite(out[j]);
            }
            sink(out[j]);
        }
        break;
    case EOp::Sin:
    case EOp::Cos:
    case EOp::Tan:
        // CalcSin, CalcCos and CalcTg: the angle into radians, then the
        // function.
        for (std::uint32_t j = 0; j < n; ++j) {
            const CComplex z = m_units != 0 ? AngleToRadians(A(j), m_units) : A(j);
            bool ok;
            if (instruction.op == EOp::Sin)
                ok = FastSin(z, out[j]);
            else if (instruction.op == EOp::Cos)
                ok = FastCos(z, out[j]);
            else
                ok = FastTan(z, out[j]);
            if (!ok) {
                failed = true;
                out[j] = CComplex();
            }
            sink(out[j]);
        }
        break;
    case EOp::Atan:
        // CalcArcTg: the function, then the angle out of radians.
        for (std::uint32_t j = 0; j < n; ++j) {
            if (!FastAtan(A(j), out[j])) {
                failed = true;
                out[j] = CComplex();
            } else if (m_units != 0) {
                out[j] = AngleFromRadians(out[j], m_units);
            }
            sink(out[j]);
        }
        break;
    }
    fault |= failed;
}

// Turns [0, n) of a block: every instruction in order, each over all the
// turns before the next, so an instruction's dispatch is paid once a block.
void CFastTerm::Execute(CComplex* r, std::uint32_t n, bool& fault) const
{
    for (const CInstruction& instruction : m_program)
        ExecuteInstruction(instruction, r, n, fault, [](const CComplex&) {}, StoredOperand);
}

template <bool Product, bool Upwards>
CFastTerm::EOutcome CFastTerm::RunTurns(CCalcRunState& state, double first, double last, double increment,
                                        std::int64_t weight, CComplex& value)
{
    CComplex* const r = m_block.data();
    const CComplex* const terms = r + m_result * kBlockTurns;
    bool fault = false;
    // The accumulator is settled through a copy, so that it stays in a
    // register between the checks.
    const auto clean = [&](CComplex accumulator) {
        Settle(accumulator);
        return !fault && !FlagsRaised();
    };
    const auto inRange = [last](double k) { return Upwards ? k <= last : k >= last; };

    CComplex accumulator = Product ? CComplex(1.0, 0.0) : CComplex();
    double k = first;
    // The turns of a block are added up in their order, as the checked
    // loop adds them.
    // (In a local, so that it stays in a register through the block.)
    const bool fused = !m_program.empty() && m_program.back().target == m_result;
    // A sum starts with an imaginary part of +0, and +0 + +0 is +0: while
    // every term's imaginary part is +0 the sum's stays +0, and only the
    // real parts need adding. (A product's parts mix; it adds both.)
    const bool realTerms = !Product && fused && YieldsRealTerms(m_program.back().op);
    // left: the operand of the last instruction (see ExecuteInstruction).
    const auto accumulate = [&](std::uint32_t n, auto&& left) {
        // (The sum is a local of the function that runs the turns, so that
        // it stays in a register whether or not this one is inlined.)
        const auto run = [&](auto&& addTo) {
            CComplex sum = accumulator;
            const auto add = [&sum, &addTo](const CComplex& term) { addTo(sum, term); };
            if (fused) {
                const std::size_t most = m_program.size() - 1;
                for (std::size_t q = 0; q < most; ++q)
                    ExecuteInstruction(m_program[q], r, n, fault, [](const CComplex&) {}, StoredOperand);
                ExecuteInstruction(m_program.back(), r, n, fault, add, left);
            } else {
                Execute(r, n, fault);
                for (std::uint32_t j = 0; j < n; ++j)
                    add(terms[j]);
            }
            accumulator = sum;
        };
        if (realTerms)
            run([](CComplex& sum, const CComplex& term) { sum.real(sum.real() + term.real()); });
        else
            run([](CComplex& sum, const CComplex& term) {
                sum = Product ? PlainProduct(sum, term) : PlainSum(sum, term);
            });
    };
    // A term of one instruction whose left operand is the index and that
    // reads no other register that varies: with whole steps its loop makes
    // the index itself instead of reading it from a pass of its own. Only
    // for instructions that take the operand as plain numbers: one that
    // hands it to a call would want it stored again, at a cost.
    const auto takesIndexInLoop = [](EOp op) {
        switch (op) {
        case EOp::Add:
        case EOp::Subtract:
        case EOp::Multiply:
        case EOp::Square:
        case EOp::PowerWhole:
        case EOp::PowerReal:
        case EOp::PowerVariable:
        case EOp::Exp:
            return true;
        default:
            return false;
        }
    };
    const bool indexInLoop = m_program.size() == 1 && fused && m_program[0].left == 0 &&
                             takesIndexInLoop(m_program[0].op) &&
                             (!ReadsRight(m_program[0].op) || m_program[0].right != 0);

    // Every index the loop reaches lies between first and last. When the
    // step is at least one unit in the last place of the larger of the two
    // magnitudes, and points from first to last, no index is too large for
    // the step, and the turns between two consulting polls run in blocks
    // without looking at either.
    const double bound = std::max(std::fabs(first), std::fabs(last));
    const bool stepsAlways = (Upwards ? increment > 0 : increment < 0) && std::isfinite(bound) &&
                             std::fabs(increment) >= std::nextafter(bound, HUGE_VAL) - bound;
    // Whole numbers below 2^53 add exactly: then n steps from k reach
    // k + n * increment, also computed exactly (n is at most kBlockTurns).
    constexpr double kExactWholes = 9007199254740992.0 / (2 * kBlockTurns);
    const bool wholeSteps = first == std::trunc(first) && increment == std::trunc(increment) &&
                            bound < kExactWholes && std::fabs(increment) < kExactWholes;
    double steps[kBlockTurns];
    for (std::uint32_t j = 0; j < kBlockTurns; ++j)
        steps[j] = j * increment;
    if (stepsAlways) {
        while (inRange(k)) {
            std::int64_t quiet = state.QuietPolls(weight);
            if (quiet == 0) {
                // This turn's poll consults.
                if (!clean(accumulator))
                    return EOutcome::Retry;
                if (!state.Poll(weight))
                    return EOutcome::Stopped;
                // The turns so far are clean; whatever the cancel source
                // did meanwhile is none of the term's business.
                ClearFlags();
                r[0] = CComplex(k, 0.0);
                k += increment;
                accumulate(1, StoredOperand);
                continue;
            }
            while (quiet > 0 && inRange(k)) {
                std::uint32_t n = 0;
                const std::uint32_t most = static_cast<std::uint32_t>(std::min<std::int64_t>(quiet, kBlockTurns));
                if (wholeSteps) {
                    // k + n * increment is what n steps reach, with no
                    // chain of additions to wait for; only a block that
                    // reaches beyond the end looks at each index. The
                    // imaginary parts of the index stay 0 from the start.
                    if (inRange(k + steps[most - 1])) {
                        n = most;
                    } else {
                        while (n < most && inRange(k + steps[n]))
                            ++n;
                    }
                    if (indexInLoop) {
                        const double base = k;
                        accumulate(n, [base, &steps](const CComplex*, std::uint32_t j) {
                            return CComplex(base + steps[j], 0.0);
                        });
                    } else {
                        for (std::uint32_t j = 0; j < n; ++j)
                            r[j].real(k + steps[j]);
                        accumulate(n, StoredOperand);
                    }
                    k += n * increment;
                } else {
                    for (; n < most && inRange(k); ++n) {
                        r[n] = CComplex(k, 0.0);
                        k += increment;
                    }
                    accumulate(n, StoredOperand);
                }
                state.Poll(static_cast<std::int64_t>(n) * weight);  // only counts
                quiet -= n;
            }
        }
        if (!clean(accumulator))
            return EOutcome::Retry;
        value = accumulator;
        return EOutcome::Done;
    }

    // Any other loop: one turn at a time, the step checked before each.
    while (inRange(k)) {
        if (state.PollDue(weight)) {
            if (!clean(accumulator))
                return EOutcome::Retry;
            if (!state.Poll(weight))
                return EOutcome::Stopped;
            ClearFlags();
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
        accumulate(1, StoredOperand);
        k += increment;
    }
    if (!clean(accumulator))
        return EOutcome::Retry;
    value = accumulator;
    return EOutcome::Done;
}

bool CFastTerm::LoadPreloads(CCalcContext& context)
{
    m_units = context.run.trigonometricUnits;
    // Every turn of a block sees the preloaded registers.
    m_block.resize(static_cast<std::size_t>(m_registers) * kBlockTurns);
    CComplex* r = m_block.data();
    for (const CPreload& preload : m_preloads) {
        CComplex& loaded = r[preload.target * kBlockTurns];
        switch (preload.kind) {
        case CPreload::EKind::Constant:
            loaded = preload.constant;
            break;
        case CPreload::EKind::Leaf:
            // π, e, i and the previous result: they read the context and
            // report nothing.
            const_cast<CNode*>(preload.node)->Evaluate(context, loaded);
            break;
        case CPreload::EKind::Variable: {
            const auto* variable = static_cast<const CNodeVariable*>(preload.node);
            if (variable->Uninitialized())
                return false;  // a warning every turn
            loaded = variable->Value();
            break;
        }
        }
        std::fill_n(&loaded + 1, kBlockTurns - 1, loaded);
    }
    return true;
}

CFastTerm::EOutcome CFastTerm::RunPoints(CCalcContext& context, const CComplex* points, std::size_t count,
                                         CComplex* values, std::size_t& done)
{
    done = 0;
    if (!LoadPreloads(context))
        return EOutcome::Retry;
    CSavedFlags saved;
    SaveFlags(saved);
    CComplex* const r = m_block.data();
    const CComplex* const terms = r + m_result * kBlockTurns;
    EOutcome outcome = EOutcome::Done;
    while (done < count) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count - done, kBlockTurns));
        std::copy_n(points + done, n, r);
        ClearFlags();
        bool fault = false;
        Execute(r, n, fault);
        CComplex last = terms[n - 1];
        Settle(last);
        if (fault || FlagsRaised()) {
            outcome = EOutcome::Retry;
            break;
        }
        std::copy_n(terms, n, values + done);
        done += n;
    }
    RestoreFlags(saved);
    return outcome;
}

CFastTerm::EOutcome CFastTerm::RunSeries(CCalcContext& context, double first, double last, double increment,
                                         bool product, std::int64_t weight, CComplex& value)
{
    m_block.assign(static_cast<std::size_t>(m_registers) * kBlockTurns, CComplex());
    if (!LoadPreloads(context))
        return EOutcome::Retry;

    CSavedFlags saved;
    SaveFlags(saved);
    ClearFlags();

    const bool upwards = last >= first;
    EOutcome outcome;
    if (product)
        outcome = upwards ? RunTurns<true, true>(context.run, first, last, increment, weight, value)
                          : RunTurns<true, false>(context.run, first, last, increment, weight, value);
    else
        outcome = upwards ? RunTurns<false, true>(context.run, first, last, increment, weight, value)
                          : RunTurns<false, false>(context.run, first, last, increment, weight, value);
    RestoreFlags(saved);
    return outcome;
}

}  // namespace NCalculatorText
