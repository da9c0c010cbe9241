#include "language/fast_statement.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <typeinfo>
#include <vector>

#include "language/calc_context.h"
#include "language/functions.h"
#include "language/keywords.h"
#include "language/node.h"
#include "language/nodes.h"
#include "numeric/elementary.h"
#include "numeric/realmath.h"
#include "numeric/status.h"

namespace NCalculatorText {

namespace {

// Brackets nested deeper than this are left to the checked path; the pass
// recurses once per bracket.
constexpr int kMaxGroupDepth = 64;
// Number texts longer than this are left to the checked path.
constexpr std::size_t kMaxNumberLength = 64;
// cosh and sinh stay finite for arguments up to this magnitude (they
// overflow beyond ln(2·DBL_MAX) ≈ 710.5).
constexpr double kHyperbolicLimit = 700;
// 2^31: whole exponents below it in magnitude are taken as whole powers.
constexpr double kWholeExponentLimit = 2147483648.0;

// The functions the pass computes.
enum class EPlain : std::uint8_t {
    Other,  // any other: not plain
    Sin,
    Cos,
    Tg,
    Exp,
    Ln,
    Lg,
    Sqrt,
    Abs,
    Sign,
    Ceil,
    Floor,
    Re,
    Im,
    Arg,
    Conj,
};

struct CPlainFunction {
    EPlain op = EPlain::Other;
    // The kind of the node's operation scope; None for a node without one.
    EOperationKind kind = None;
};

// The rows of the function table by the node class each one makes, so that
// every accepted name of a function is read and no other.
class CFunctionIndex {
public:
    CFunctionIndex()
    {
        const std::span<const CFunction> table = FunctionTable();
        m_rows.reserve(table.size());
        for (const CFunction& function : table) {
            const std::unique_ptr<CNode> node = function.make();
            const CNode& made = *node;
            const std::type_info& type = typeid(made);
            EPlain op = EPlain::Other;
            if (type == typeid(CNodeSin))
                op = EPlain::Sin;
            else if (type == typeid(CNodeCos))
                op = EPlain::Cos;
            else if (type == typeid(CNodeTg))
                op = EPlain::Tg;
            else if (type == typeid(CNodeExp))
                op = EPlain::Exp;
            else if (type == typeid(CNodeLn))
                op = EPlain::Ln;
            else if (type == typeid(CNodeLg))
                op = EPlain::Lg;
            else if (type == typeid(CNodeSqrt))
                op = EPlain::Sqrt;
            else if (type == typeid(CNodeAbs))
                op = EPlain::Abs;
            else if (type == typeid(CNodeSign))
                op = EPlain::Sign;
            else if (type == typeid(CNodeCeil))
                op = EPlain::Ceil;
            else if (type == typeid(CNodeFloor))
                op = EPlain::Floor;
            else if (type == typeid(CNodeRe))
                op = EPlain::Re;
            else if (type == typeid(CNodeIm))
                op = EPlain::Im;
            else if (type == typeid(CNodeArg))
                op = EPlain::Arg;
            else if (type == typeid(CNodeConjugate))
                op = EPlain::Conj;
            m_rows.push_back({op, function.kind});
        }
    }

    CPlainFunction Find(std::u16string_view name) const
    {
        const CFunction* function = FindFunction(name);
        if (!function)
            return {};
        return m_rows[static_cast<std::size_t>(function - FunctionTable().data())];
    }

private:
    std::vector<CPlainFunction> m_rows;
};

const CFunctionIndex& FunctionIndex()
{
    static const CFunctionIndex index;
    return index;
}

bool IsWordCharacter(char16_t c)
{
    return IsIdentifierCharacter(c) || c == u'.';
}

// ---------------------------------------------------------------- operations
//
// Each computes what its checked operation computes, with the same
// formulas, and returns false where that operation would report.

bool PlainAdd(CComplex& a, const CComplex& b)
{
    a = PlainSum(a, b);
    return IsFinite(a);
}

bool PlainSubtract(CComplex& a, const CComplex& b)
{
    a = PlainDifference(a, b);
    return IsFinite(a);
}

bool PlainMultiply(CComplex& a, const CComplex& b)
{
    const CComplex r = PlainProduct(a, b);
    if (!IsFinite(r) || (IsZero(r) && !IsZero(a) && !IsZero(b)))
        return false;
    a = r;
    return true;
}

bool PlainDivide(CComplex& a, const CComplex& b)
{
    if (IsZero(b))
        return false;
    const CComplex r = SmithDivide(a, b);
    if (!IsFinite(r) || (IsZero(r) && !IsZero(a)))
        return false;
    a = r;
    return true;
}

// CalcPower for a real base: a whole exponent, or a positive base under a
// real one. A complex base or exponent, and a base that is not positive
// under an exponent that is not whole, are left to the checked path.
bool PlainPower(CComplex& a, const CComplex& b)
{
    if (IsZero(a) && (b.imag() != 0 || b.real() <= 0))
        return false;  // a singularity
    if (a.imag() != 0 || b.imag() != 0)
        return false;
    const double x = a.real();
    const double k = b.real();
    double r;
    if (k >= -kWholeExponentLimit && k < kWholeExponentLimit && k == std::trunc(k)) {
        r = RealIntegerPower(x, k);
    } else if (x > 0) {
        if (k == 0.5) {
            r = std::sqrt(x);
        } else if (k == -0.5) {
            r = 1 / std::sqrt(x);
        } else {
            // The library's power reports an overflow or an underflow.
            r = std::pow(x, k);
            if (std::fabs(r) < DBL_MIN)
                return false;
        }
    } else {
        return false;
    }
    if (!std::isfinite(r))
        return false;
    a = CComplex(r, 0.0);
    return true;
}

// ToRadians: the checked product and quotient for degrees and grads.
bool PlainToRadians(int units, CComplex& z)
{
    if (units != 1 && units != 2)
        return true;
    return PlainMultiply(z, kPi) && PlainDivide(z, units == 1 ? 180.0 : 200.0);
}

// The circular functions report a domain error for an infinite argument
// and a total loss from 2^63 on; every value here is finite.
bool CircularArgument(double x)
{
    return std::fabs(x) < NRealMath::kTotalLossLimit;
}

// Sin(z) = (sin x · cosh y, cos x · sinh y). For a real argument cosh(±0)
// is 1 and sinh(±0) is ±0 exactly, so the products are sin x and
// cos x · y.
bool PlainSin(CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    if (!CircularArgument(x))
        return false;
    if (y == 0) {
        z = CComplex(NRealMath::Sin(x), NRealMath::Cos(x) * y);
        return true;
    }
    if (std::fabs(y) > kHyperbolicLimit)
        return false;
    z = Sin(z);
    return IsFinite(z);
}

// Cos(z) = (cos x · cosh y, −(sin x · sinh y)).
bool PlainCos(CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    if (!CircularArgument(x))
        return false;
    if (y == 0) {
        z = CComplex(NRealMath::Cos(x), -(NRealMath::Sin(x) * y));
        return true;
    }
    if (std::fabs(y) > kHyperbolicLimit)
        return false;
    z = Cos(z);
    return IsFinite(z);
}

// The tangent of a real argument is (tan x, 0); a complex one is left to
// the checked path.
bool PlainTg(CComplex& z)
{
    const double x = z.real();
    if (z.imag() != 0 || !CircularArgument(x))
        return false;
    const double t = NRealMath::Tan(x);
    if (!std::isfinite(t))
        return false;
    z = CComplex(t, 0.0);
    return true;
}

// Exp(z) = e^x, or e^x · (cos y, sin y); the real exponential reports an
// overflow and a value below the normal range.
bool PlainExp(CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    const double e = std::exp(x);
    if (!std::isfinite(e) || std::fabs(e) < DBL_MIN)
        return false;
    if (y == 0) {
        z = CComplex(e, y);
        return true;
    }
    if (!CircularArgument(y))
        return false;
    z = CComplex(e * NRealMath::Cos(y), e * NRealMath::Sin(y));
    return IsFinite(z);
}

bool PlainFunction(EPlain op, int units, CComplex& z)
{
    switch (op) {
    case EPlain::Other:
        return false;
    case EPlain::Sin:
        return PlainToRadians(units, z) && PlainSin(z);
    case EPlain::Cos:
        return PlainToRadians(units, z) && PlainCos(z);
    case EPlain::Tg:
        return PlainToRadians(units, z) && PlainTg(z);
    case EPlain::Exp:
        return PlainExp(z);
    case EPlain::Ln:
        if (IsZero(z))
            return false;
        z = Ln(z);
        return IsFinite(z);
    case EPlain::Lg:
        if (IsZero(z))
            return false;
        z = Lg(z);
        return IsFinite(z);
    case EPlain::Sqrt:
        z = Sqrt(z);
        return IsFinite(z);
    case EPlain::Abs:
        // hypot(x, ±0) is |x| exactly.
        z = CComplex(z.imag() == 0 ? std::fabs(z.real()) : Magnitude(z), 0.0);
        return std::isfinite(z.real());
    case EPlain::Sign:
        z = CalcSign(z);
        return true;
    case EPlain::Ceil:
        z = CalcCeil(z);
        return true;
    case EPlain::Floor:
        z = CalcFloor(z);
        return true;
    case EPlain::Re:
        z = CalcRe(z);
        return true;
    case EPlain::Im:
        z = CalcIm(z);
        return true;
    case EPlain::Arg:
        z = CalcArg(z);
        return true;
    case EPlain::Conj:
        z = CalcConj(z);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- the pass

// The normalized text as the tokenizing parser sees its elements: blanks
// dropped, letters in lower case, every bracket round, the operator signs
// "−", "×" and "÷" written as "-", "*" and "/". False for a character the
// pass does not read.
bool Compact(std::u16string_view expression, std::u16string& text)
{
    text.clear();
    for (char16_t c : expression) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.' || c == u'_' || c == u'(' ||
            c == u')' || c == u'+' || c == u'-' || c == u'*' || c == u'/' || c == u'^') {
            text.push_back(c);
        } else if (c >= u'A' && c <= u'Z') {
            text.push_back(static_cast<char16_t>(c - u'A' + u'a'));
        } else if (c == u'[' || c == u'{') {
            text.push_back(u'(');
        } else if (c == u']' || c == u'}') {
            text.push_back(u')');
        } else if (c == kMinusSign) {
            text.push_back(u'-');
        } else if (c == kTimesSign) {
            text.push_back(u'*');
        } else if (c == kDivisionSign) {
            text.push_back(u'/');
        } else {
            return false;
        }
    }
    return true;
}

// Reads and computes in one pass, by precedence:
//   range   := ("-" term | ["+"] term) {("+" | "-") term}
//   term    := power {("*" | "/") power}
//   power   := operand {"^" operand}
//   operand := word | name "(" range ")" | "(" range ")"
// A "+" at the start of a range belongs to a number or constant word. Each
// operation is computed as soon as both operands are; any step that is not
// plain ends the pass.
class CPlainPass {
public:
    CPlainPass(const std::u16string& text, const CCalcContext& context)
        : m_p(text.data()),
          m_end(text.data() + text.size()),
          m_units(context.run.trigonometricUnits),
          m_previous(context.previousResult)
    {
    }

    bool Run(CComplex& value)
    {
        return Range(value) && m_p == m_end;
    }

    // The kind of the last operation scope the checked evaluation would
    // have left; false when it would have entered none.
    bool LastScope(EOperationKind& kind) const
    {
        kind = m_lastScope;
        return m_scoped;
    }

private:
    bool At(char16_t c) const { return m_p != m_end && *m_p == c; }

    void Scope(EOperationKind kind)
    {
        m_lastScope = kind;
        m_scoped = true;
    }

    bool Range(CComplex& value)
    {
        if (At(u'-')) {
            ++m_p;
            if (!Term(value, false))
                return false;
            value = CalcNegate(value);
        } else {
            const bool plus = At(u'+');
            if (plus)
                ++m_p;
            if (!Term(value, plus))
                return false;
        }
        while (m_p != m_end && (*m_p == u'+' || *m_p == u'-')) {
            const bool add = *m_p++ == u'+';
            CComplex right;
            if (!Term(right, false))
                return false;
            if (!(add ? PlainAdd(value, right) : PlainSubtract(value, right)))
                return false;
            Scope(add ? Addition : Subtraction);
        }
        return true;
    }

    bool Term(CComplex& value, bool plus)
    {
        if (!Power(value, plus))
            return false;
        while (m_p != m_end && (*m_p == u'*' || *m_p == u'/')) {
            const bool multiply = *m_p++ == u'*';
            CComplex right;
            if (!Power(right, false))
                return false;
            if (!(multiply ? PlainMultiply(value, right) : PlainDivide(value, right)))
                return false;
            Scope(multiply ? Multiplication : Division);
        }
        return true;
    }

    bool Power(CComplex& value, bool plus)
    {
        if (!Operand(value, plus))
            return false;
        while (At(u'^')) {
            ++m_p;
            CComplex exponent;
            if (!Operand(exponent, false) || !PlainPower(value, exponent))
                return false;
            Scope(::Power);
        }
        return true;
    }

    bool Group(CComplex& value)
    {
        if (!At(u'(') || m_depth >= kMaxGroupDepth)
            return false;
        ++m_p;
        ++m_depth;
        if (!Range(value) || !At(u')'))
            return false;
        ++m_p;
        --m_depth;
        return true;
    }

    bool Operand(CComplex& value, bool plus)
    {
        if (m_p == m_end)
            return false;
        if (*m_p == u'(')
            return !plus && Group(value);
        if (!IsWordCharacter(*m_p))
            return false;
        // A word runs over the characters of names and numbers, and over
        // the sign after an exponent letter that follows a digit or ".".
        const char16_t* const start = m_p;
        while (m_p != m_end) {
            const char16_t c = *m_p;
            if (IsWordCharacter(c)) {
                ++m_p;
            } else if ((c == u'+' || c == u'-') && m_p - start >= 2 && m_p[-1] == u'e' &&
                       (IsDigit(m_p[-2]) || m_p[-2] == u'.')) {
                ++m_p;
            } else {
                break;
            }
        }
        const std::u16string_view word(start, static_cast<std::size_t>(m_p - start));
        if (At(u'(')) {
            // A function: its name, then its bracket.
            if (plus)
                return false;
            const CPlainFunction function = FunctionIndex().Find(word);
            if (function.op == EPlain::Other || !Group(value) || !PlainFunction(function.op, m_units, value))
                return false;
            if (function.kind != None)
                Scope(function.kind);
            return true;
        }
        if (const std::optional<EConstantWord> constant = FindConstantWord(word)) {
            switch (*constant) {
            case EConstantWord::Pi:
                value = CComplex(kPi, 0.0);
                return true;
            case EConstantWord::E:
                value = CComplex(kEulerNumber, 0.0);
                return true;
            case EConstantWord::ImaginaryUnit:
                value = CComplex(0.0, 1.0);
                return true;
            case EConstantWord::Result:
                value = m_previous;
                return IsFinite(value);
            case EConstantWord::Random:
                return false;
            }
        }
        if (!Number(word, plus, value))
            return false;
        Scope(::Number);
        return true;
    }

    // A number word, converted as its node converts it; an infinite one is
    // reported there.
    static bool Number(std::u16string_view word, bool plus, CComplex& value)
    {
        if (word.size() > kMaxNumberLength || !CParcer::IsNumberText(word, plus))
            return false;
        // Up to 15 digits make an integer below 2^53, which the correctly
        // rounded conversion gives exactly.
        if (word.size() <= 15) {
            std::int64_t whole = 0;
            bool digits = true;
            for (char16_t c : word) {
                if (!IsDigit(c)) {
                    digits = false;
                    break;
                }
                whole = whole * 10 + (c - u'0');
            }
            if (digits) {
                value = CComplex(static_cast<double>(whole), 0.0);
                return true;
            }
        }
        char ascii[kMaxNumberLength + 1];
        std::size_t n = 0;
        if (plus)
            ascii[n++] = '+';
        for (char16_t c : word)
            ascii[n++] = static_cast<char>(c);
        const double x = ConvertNumberLiteral(std::string_view(ascii, n));
        if (!std::isfinite(x))
            return false;
        value = CComplex(x, 0.0);
        return true;
    }

    const char16_t* m_p;
    const char16_t* m_end;
    int m_units;
    CComplex m_previous;
    int m_depth = 0;
    EOperationKind m_lastScope = None;
    bool m_scoped = false;
};

}  // namespace

bool EvaluatePlainStatement(CCalcContext& context, std::u16string_view expression, CComplex& value)
{
    // The pass's text, kept from one statement to the next.
    thread_local std::u16string text;
    if (!Compact(expression, text) || text.empty())
        return false;
    CPlainPass pass(text, context);
    CComplex result;
    if (!pass.Run(result))
        return false;
    // The checked evaluation leaves the kind of the last scope it left as
    // the previous one, and the current kind as it found it.
    EOperationKind last;
    if (pass.LastScope(last)) {
        context.run.previousKind = last;
        context.run.quietOverflow = false;
    }
    value = result;
    return true;
}

}  // namespace NCalculatorText
