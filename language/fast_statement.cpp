#include "language/fast_statement.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <type_traits>
#include <typeinfo>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// A name of at most 16 ASCII letters packed into two words, one byte a
// letter, the unused bytes zero.
struct CNameKey {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    bool operator==(const CNameKey&) const = default;
};

template <class TChar>
bool PackName(std::basic_string_view<TChar> name, CNameKey& key)
{
    if (name.empty() || name.size() > 16)
        return false;
    key = {};
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (c == 0 || c >= 0x80)
            return false;
        std::uint64_t& word = i < 8 ? key.low : key.high;
        word |= static_cast<std::uint64_t>(c) << (8 * (i % 8));
    }
    return true;
}

// The slot of a packed name in the index.
std::size_t Slot(const CNameKey& key)
{
    return static_cast<std::size_t>(((key.low ^ (key.high * 31)) * 0x9E3779B97F4A7C15u) >> 57);
}

// What the pass computes for the node a function row makes; Other for the
// functions it leaves to the tree.
EPlain PlainOp(const CNode& node)
{
    const std::type_info& type = typeid(node);
    if (type == typeid(CNodeSin))
        return EPlain::Sin;
    if (type == typeid(CNodeCos))
        return EPlain::Cos;
    if (type == typeid(CNodeTg))
        return EPlain::Tg;
    if (type == typeid(CNodeExp))
        return EPlain::Exp;
    if (type == typeid(CNodeLn))
        return EPlain::Ln;
    if (type == typeid(CNodeLg))
        return EPlain::Lg;
    if (type == typeid(CNodeSqrt))
        return EPlain::Sqrt;
    if (type == typeid(CNodeAbs))
        return EPlain::Abs;
    if (type == typeid(CNodeSign))
        return EPlain::Sign;
    if (type == typeid(CNodeCeil))
        return EPlain::Ceil;
    if (type == typeid(CNodeFloor))
        return EPlain::Floor;
    if (type == typeid(CNodeRe))
        return EPlain::Re;
    if (type == typeid(CNodeIm))
        return EPlain::Im;
    if (type == typeid(CNodeArg))
        return EPlain::Arg;
    if (type == typeid(CNodeConjugate))
        return EPlain::Conj;
    return EPlain::Other;
}

// The accepted names of the functions the pass computes, taken from the
// function table by the node class each row makes, so that every name of
// such a function is read and no other. A small open hash table.
class CFunctionIndex {
public:
    CFunctionIndex()
    {
        for (const CFunction& function : FunctionTable()) {
            const std::unique_ptr<CNode> node = function.make();
            const EPlain op = PlainOp(*node);
            if (op == EPlain::Other)
                continue;
            for (std::u16string_view name : function.names) {
                CNameKey key;
                if (!PackName<char16_t>(name, key))
                    continue;
                std::size_t slot = Slot(key);
                while (m_slots[slot].function.op != EPlain::Other)
                    slot = (slot + 1) % kSlots;
                m_slots[slot] = {key, {op, function.kind}};
            }
        }
    }

    // The function of a name; EPlain::Other when it is none of them.
    template <class TChar>
    CPlainFunction Find(std::basic_string_view<TChar> name) const
    {
        CNameKey key;
        if (!PackName(name, key))
            return {};
        for (std::size_t slot = Slot(key);; slot = (slot + 1) % kSlots) {
            const CEntry& entry = m_slots[slot];
            if (entry.function.op == EPlain::Other || entry.key == key)
                return entry.function;
        }
    }

private:
    static constexpr std::size_t kSlots = 128;  // more than twice the names

    struct CEntry {
        CNameKey key;
        CPlainFunction function;
    };
    std::array<CEntry, kSlots> m_slots{};
};

[[gnu::always_inline]] inline const CFunctionIndex& FunctionIndex()
{
    static const CFunctionIndex index;
    return index;
}

// Sets z to (re, im) with one 16-byte store. The pass hands each value on
// through memory and loads it whole at once; written as two 8-byte halves
// (as the compiler writes a value with a constant part), the load would
// wait for both stores to drain.
inline void Set(CComplex& z, double re, double im)
{
#if defined(__SSE2__)
    _mm_storeu_pd(reinterpret_cast<double*>(&z), _mm_set_pd(im, re));
#else
    z = CComplex(re, im);
#endif
}

inline void Set(CComplex& z, const CComplex& value)
{
    Set(z, value.real(), value.imag());
}

// IsFinite and IsZero, where the compiler sees them.
inline bool Finite(const CComplex& z)
{
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

inline bool Zero(const CComplex& z)
{
    return z.real() == 0 && z.imag() == 0;
}

// ---------------------------------------------------------------- operations
//
// Each computes what its checked operation computes, with the same
// formulas, and returns false where that operation would report.

bool PlainAdd(CComplex& a, const CComplex& b)
{
    Set(a, PlainSum(a, b));
    return Finite(a);
}

bool PlainSubtract(CComplex& a, const CComplex& b)
{
    Set(a, PlainDifference(a, b));
    return Finite(a);
}

bool PlainMultiply(CComplex& a, const CComplex& b)
{
    const CComplex r = PlainProduct(a, b);
    if (!Finite(r) || (Zero(r) && !Zero(a) && !Zero(b)))
        return false;
    Set(a, r);
    return true;
}

// Smith's division (SmithDivide). By a real divisor its ratio b.im ÷ b.re
// is a zero with the sign of the quotient of the signs, and its
// denominator b.re + ratio · b.im is b.re exactly, so they are had without
// dividing.
[[gnu::always_inline]] inline bool PlainDivide(CComplex& a, const CComplex& b)
{
    if (Zero(b))
        return false;
    CComplex r;
    if (b.imag() == 0) {
        const double ratio = std::signbit(b.imag()) != std::signbit(b.real()) ? -0.0 : 0.0;
        const double d = b.real();
        r = CComplex((a.real() + a.imag() * ratio) / d, (a.imag() - a.real() * ratio) / d);
    } else {
        r = SmithDivide(a, b);
    }
    if (!Finite(r) || (Zero(r) && !Zero(a)))
        return false;
    Set(a, r);
    return true;
}

// CalcPower for a real base: a whole exponent, or a positive base under a
// real one. A complex base or exponent, and a base that is not positive
// under an exponent that is not whole, are left to the checked path.
bool PlainPower(CComplex& a, const CComplex& b)
{
    if (Zero(a) && (b.imag() != 0 || b.real() <= 0))
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
            // NRealMath::Pow's value; it reports an overflow and a value
            // below the normal range.
            r = std::pow(x, k);
            if (std::fabs(r) < DBL_MIN)
                return false;
        }
    } else {
        return false;
    }
    if (!std::isfinite(r))
        return false;
    Set(a, r, 0.0);
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
// cos x · y, a zero whose sign is that of y when cos x is positive.
bool PlainSin(CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    if (!CircularArgument(x))
        return false;
    if (y == 0) {
        bool positive;
        const double imaginary = ClearCircularSign(x, true, positive) ? (positive ? y : -y) : NRealMath::Cos(x) * y;
        Set(z, NRealMath::Sin(x), imaginary);
        return true;
    }
    if (std::fabs(y) > kHyperbolicLimit)
        return false;
    z = Sin(z);
    return Finite(z);
}

// Cos(z) = (cos x · cosh y, −(sin x · sinh y)); for a real argument
// (cos x, −(sin x · y)).
bool PlainCos(CComplex& z)
{
    const double x = z.real();
    const double y = z.imag();
    if (!CircularArgument(x))
        return false;
    if (y == 0) {
        bool positive;
        const double imaginary = ClearCircularSign(x, false, positive) ? (positive ? -y : y) : -(NRealMath::Sin(x) * y);
        Set(z, NRealMath::Cos(x), imaginary);
        return true;
    }
    if (std::fabs(y) > kHyperbolicLimit)
        return false;
    z = Cos(z);
    return Finite(z);
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
    Set(z, t, 0.0);
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
        Set(z, e, y);
        return true;
    }
    if (!CircularArgument(y))
        return false;
    z = CComplex(e * NRealMath::Cos(y), e * NRealMath::Sin(y));
    return Finite(z);
}

[[gnu::always_inline]] inline bool PlainFunction(EPlain op, int units, CComplex& z)
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
        if (Zero(z))
            return false;
        z = Ln(z);
        return Finite(z);
    case EPlain::Lg:
        if (Zero(z))
            return false;
        z = Lg(z);
        return Finite(z);
    case EPlain::Sqrt:
        z = Sqrt(z);
        return Finite(z);
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

// What a character of an expression becomes in the pass's text: blanks are
// dropped (kBlank), letters made lower case, every bracket round; kRefused
// for a character the pass does not read. The tokenizing parser sees the
// same sequence of elements once it has normalized the expression.
constexpr char16_t kBlank = 0;
constexpr char16_t kRefused = 1;

constexpr std::array<char16_t, 128> MakeCompactMap()
{
    std::array<char16_t, 128> map{};
    for (char16_t& c : map)
        c = kRefused;
    map[u' '] = map[u'\t'] = map[u'\n'] = map[u'\r'] = kBlank;
    for (char16_t c = u'a'; c <= u'z'; ++c)
        map[c] = c;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        map[c] = static_cast<char16_t>(c - u'A' + u'a');
    for (char16_t c = u'0'; c <= u'9'; ++c)
        map[c] = c;
    for (char16_t c : std::u16string_view(u"._()+-*/^"))
        map[c] = c;
    map[u'['] = map[u'{'] = u'(';
    map[u']'] = map[u'}'] = u')';
    return map;
}
constexpr std::array<char16_t, 128> kCompactMap = MakeCompactMap();

// The characters of words (names and numbers) in the pass's text, which
// holds only the characters above.
constexpr std::array<bool, 128> MakeWordCharacters()
{
    std::array<bool, 128> word{};
    for (char16_t c = u'a'; c <= u'z'; ++c)
        word[c] = true;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        word[c] = true;
    word[u'_'] = word[u'.'] = true;
    return word;
}
constexpr std::array<bool, 128> kWordCharacters = MakeWordCharacters();

// Whether c is such a character. Bytes read as they are may be any, from
// 0x80 on too.
template <class TChar>
inline bool WordCharacter(TChar c)
{
    return c < 128 && kWordCharacters[c];
}

// One character into the pass's text at out; false when the pass does not
// read it. The operator signs "−", "×" and "÷" are written as "-", "*" and
// "/", which every rule takes them for.
inline bool CompactCharacter(char16_t c, char16_t*& out)
{
    char16_t mapped;
    if (c < 128)
        mapped = kCompactMap[c];
    else if (c == kMinusSign)
        mapped = u'-';
    else if (c == kTimesSign)
        mapped = u'*';
    else if (c == kDivisionSign)
        mapped = u'/';
    else
        return false;
    if (mapped == kRefused)
        return false;
    *out = mapped;
    out += mapped != kBlank;
    return true;
}

#if defined(__SSE2__)
// Whether eight characters all stand in the pass's text as they are: lower
// case letters, digits and "._()+-*/^".
inline bool AllKept(__m128i c)
{
    const auto within = [c](int low, int high) {
        return _mm_and_si128(_mm_cmpgt_epi16(c, _mm_set1_epi16(static_cast<short>(low - 1))),
                             _mm_cmplt_epi16(c, _mm_set1_epi16(static_cast<short>(high + 1))));
    };
    const __m128i comma = _mm_cmpeq_epi16(c, _mm_set1_epi16(static_cast<short>(u',')));
    const __m128i operators = _mm_andnot_si128(comma, within(u'(', u'9'));
    const __m128i kept = _mm_or_si128(_mm_or_si128(operators, within(u'^', u'_')), within(u'a', u'z'));
    return _mm_movemask_epi8(kept) == 0xFFFF;
}
#endif

// The pass's text of an expression, ended by a zero; false for a character
// the pass does not read. Blocks of eight characters that need no change
// are copied at once; so is a short text, and the end of a text that
// needed no change before it, as one block.
bool Compact(std::u16string_view expression, std::vector<char16_t>& text)
{
    const std::size_t n = expression.size();
    if (n == 0)
        return false;
    if (text.size() < n + 8)
        text.resize(n + 8);
    char16_t* const base = text.data();
    char16_t* out = base;
    const char16_t* in = expression.data();
    const char16_t* const end = in + n;
#if defined(__SSE2__)
    if (n < 8) {
        // Filled up with letters, which need no change either. The block is
        // put together in registers from loads of the text itself: read
        // back from a copy in memory, it would wait for the copy's narrower
        // stores to complete, longer than the rest of a short statement's
        // pass takes.
        constexpr std::uint64_t kLetters = 0x0061006100610061ull;  // "aaaa"
        const auto load = [](const char16_t* at) {
            std::uint64_t word;
            std::memcpy(&word, at, sizeof(word));
            return word;
        };
        std::uint64_t low = kLetters;
        std::uint64_t high = kLetters;
        if (n >= 4) {
            low = load(in);
            if (n > 4) {
                // Code units n - 4 to n - 1; the first 8 - n of them are
                // already in low.
                const unsigned kept = static_cast<unsigned>(n - 4);
                high = (load(end - 4) >> (16 * (4 - kept))) | (kLetters << (16 * kept));
            }
        } else {
            // The letters shifted up stay in the lanes behind the text.
            for (std::size_t k = n; k > 0; --k)
                low = (low << 16) | in[k - 1];
        }
        const __m128i block = _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
        if (AllKept(block)) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(base), block);
            base[n] = 0;
            return true;
        }
    } else {
        while (end - in >= 8) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            if (AllKept(block)) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
                out += 8;
            } else {
                for (int k = 0; k < 8; ++k) {
                    if (!CompactCharacter(in[k], out))
                        return false;
                }
            }
            in += 8;
        }
        if (in != end && out - base == in - expression.data()) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 8));
            if (AllKept(block)) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(base + n - 8), block);
                base[n] = 0;
                return true;
            }
        }
    }
#endif
    for (; in != end; ++in) {
        if (!CompactCharacter(*in, out))
            return false;
    }
    if (out == base)
        return false;  // nothing but blanks: a syntax error
    *out = 0;
    return true;
}

// 10^k for k up to 22: every one exactly a double.
constexpr std::array<double, 23> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A number word of the common form, digits with an optional "." and an
// optional exponent ("12", "0.5", "2.5e-3"), of at most 15 digits and with
// a decimal scale within ±22: its digits make an integer m below 2^53 and
// 10^scale is a double, so the one rounding of m × 10^scale or m ÷ 10^-scale
// gives the correctly rounded value that the number's conversion gives
// (such a word is always a number text). False for any other word.
template <class TChar>
bool ShortDecimal(std::basic_string_view<TChar> word, double& value)
{
    std::uint64_t m = 0;
    int digits = 0;
    int scale = 0;
    std::size_t i = 0;
    const std::size_t n = word.size();
    for (; i < n && IsDigit(word[i]); ++i, ++digits)
        m = m * 10 + static_cast<std::uint64_t>(word[i] - u'0');
    if (i < n && word[i] == u'.') {
        for (++i; i < n && IsDigit(word[i]); ++i, ++digits, --scale)
            m = m * 10 + static_cast<std::uint64_t>(word[i] - u'0');
    }
    if (digits == 0 || digits > 15)
        return false;
    if (i < n) {
        if (word[i] != u'e' || ++i == n)
            return false;
        bool negative = false;
        if (word[i] == u'+' || word[i] == u'-') {
            negative = word[i] == u'-';
            if (++i == n)
                return false;
        }
        int exponent = 0;
        for (; i < n && IsDigit(word[i]); ++i) {
            exponent = exponent * 10 + (word[i] - u'0');
            if (exponent > 100)
                return false;
        }
        if (i < n)
            return false;
        scale += negative ? -exponent : exponent;
    }
    if (scale < -22 || scale > 22)
        return false;
    const double mantissa = static_cast<double>(m);
    value = scale >= 0 ? mantissa * kPowersOfTen[static_cast<std::size_t>(scale)]
                       : mantissa / kPowersOfTen[static_cast<std::size_t>(-scale)];
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
// The text is the pass's text in code units, ended by a zero, or bytes
// read as they are (each byte is the code unit it stands for) up to the
// first ";", which the pass never reads past.
template <class TChar>
class CPlainPass {
public:
    using TText = const TChar*;
    using TWord = std::basic_string_view<TChar>;
    static constexpr TChar kEnd = std::is_same_v<TChar, char16_t> ? 0 : ';';

    CPlainPass(TText text, const CCalcContext& context)
        : m_text(text), m_units(context.run.trigonometricUnits), m_previous(context.previousResult)
    {
    }

    // end receives where the pass stopped.
    bool Run(CComplex& value, TText& end)
    {
        end = Range(m_text, value);
        return end && *end == kEnd;
    }

    // The kind of the last operation scope the checked evaluation would
    // have left; false when it would have entered none.
    bool LastScope(EOperationKind& kind) const
    {
        kind = m_lastScope;
        return m_scoped;
    }

private:
    void Scope(EOperationKind kind)
    {
        m_lastScope = kind;
        m_scoped = true;
    }

    // Each step takes the read position and returns where it stopped, or
    // null when the pass does not compute what it read. The position is
    // passed along in a register: kept in the pass, each read of the text
    // would wait for the store of the position before it.
    TText Range(TText p, CComplex& value)
    {
        if (*p == u'-') {
            p = Term(p + 1, value, false);
            if (!p)
                return nullptr;
            Set(value, CalcNegate(value));
        } else {
            const bool plus = *p == u'+';
            p = Term(p + plus, value, plus);
            if (!p)
                return nullptr;
        }
        while (*p == u'+' || *p == u'-') {
            const bool add = *p++ == u'+';
            CComplex right;
            p = Term(p, right, false);
            if (!p || !(add ? PlainAdd(value, right) : PlainSubtract(value, right)))
                return nullptr;
            Scope(add ? Addition : Subtraction);
        }
        return p;
    }

    TText Term(TText p, CComplex& value, bool plus)
    {
        p = Power(p, value, plus);
        if (!p)
            return nullptr;
        while (*p == u'*' || *p == u'/') {
            const bool multiply = *p++ == u'*';
            CComplex right;
            p = Power(p, right, false);
            if (!p || !(multiply ? PlainMultiply(value, right) : PlainDivide(value, right)))
                return nullptr;
            Scope(multiply ? Multiplication : Division);
        }
        return p;
    }

    TText Power(TText p, CComplex& value, bool plus)
    {
        p = Operand(p, value, plus);
        if (!p)
            return nullptr;
        while (*p == u'^') {
            CComplex exponent;
            p = Operand(p + 1, exponent, false);
            if (!p || !PlainPower(value, exponent))
                return nullptr;
            Scope(::Power);
        }
        return p;
    }

    TText Group(TText p, CComplex& value)
    {
        if (*p != u'(' || m_depth >= kMaxGroupDepth)
            return nullptr;
        ++m_depth;
        p = Range(p + 1, value);
        if (!p || *p != u')')
            return nullptr;
        --m_depth;
        return p + 1;
    }

    TText Operand(TText p, CComplex& value, bool plus)
    {
        if (*p == u'(')
            return plus ? nullptr : Group(p, value);
        if (!WordCharacter(*p))
            return nullptr;
        // The usual operand, a whole number of at most 15 digits, read in
        // one go: its word ends at the first character of no word (no
        // exponent sign can follow a digit), and ShortDecimal would give m
        // times 10^0, m itself.
        if (IsDigit(*p)) {
            TText q = p;
            std::uint64_t m = 0;
            for (int digits = 0; digits < 15 && IsDigit(*q); ++digits, ++q)
                m = m * 10 + static_cast<std::uint64_t>(*q - u'0');
            if (!WordCharacter(*q) && *q != u'(') {
                Set(value, static_cast<double>(m), 0.0);
                Scope(::Number);
                return q;
            }
        }
        return Word(p, value, plus);
    }

    // Any other operand that starts with a word: a function's name and its
    // bracket, a constant word or a number. Kept out of Operand, so that
    // the usual operand, a whole number, takes a short call.
    [[gnu::noinline]] TText Word(const TText start, CComplex& value, bool plus)
    {
        // A word runs over the characters of names and numbers, and over
        // the sign after an exponent letter that follows a digit or ".".
        TText p = start;
        for (;;) {
            const char16_t c = *p;
            if (WordCharacter(c)) {
                ++p;
            } else if ((c == u'+' || c == u'-') && p - start >= 2 && p[-1] == u'e' &&
                       (IsDigit(p[-2]) || p[-2] == u'.')) {
                ++p;
            } else {
                break;
            }
        }
        const TWord word(start, static_cast<std::size_t>(p - start));
        if (*p == u'(') {
            // A function: its name, then its bracket.
            if (plus)
                return nullptr;
            const CPlainFunction function = FunctionIndex().Find(word);
            if (function.op == EPlain::Other)
                return nullptr;
            p = Group(p, value);
            if (!p || !PlainFunction(function.op, m_units, value))
                return nullptr;
            if (function.kind != None)
                Scope(function.kind);
            return p;
        }
        // Digits and "." start numbers, never constant words.
        if (IsDigit(word[0]) || word[0] == u'.')
            return Number(word, plus, value) ? p : nullptr;
        if (const std::optional<EConstantWord> constant = ConstantWord(word)) {
            switch (*constant) {
            case EConstantWord::Pi:
                value = CComplex(kPi, 0.0);
                return p;
            case EConstantWord::E:
                value = CComplex(kEulerNumber, 0.0);
                return p;
            case EConstantWord::ImaginaryUnit:
                value = CComplex(0.0, 1.0);
                return p;
            case EConstantWord::Result:
                value = m_previous;
                return Finite(value) ? p : nullptr;
            case EConstantWord::Random:
            case EConstantWord::Infinity:
                return nullptr;
            }
        }
        return Number(word, plus, value) ? p : nullptr;
    }

    // A number word, converted as its node converts it; an infinite one is
    // reported there.
    bool Number(TWord word, bool plus, CComplex& value)
    {
        double x;
        if (!ShortDecimal(word, x)) {
            char16_t units[kMaxNumberLength];
            if (word.size() > kMaxNumberLength || !CParcer::IsNumberText(Units(word, units), plus))
                return false;
            char ascii[kMaxNumberLength + 1];
            std::size_t n = 0;
            if (plus)
                ascii[n++] = '+';
            for (char16_t c : word)
                ascii[n++] = static_cast<char>(c);
            x = ConvertNumberLiteral(std::string_view(ascii, n));
            if (!std::isfinite(x))
                return false;
        }
        Set(value, x, 0.0);
        Scope(::Number);
        return true;
    }

    // A word as code units: itself, or its bytes widened into room, which
    // holds its characters.
    static std::u16string_view Units(std::u16string_view word, char16_t*) { return word; }
    static std::u16string_view Units(std::basic_string_view<unsigned char> word, char16_t* room)
    {
        std::copy(word.begin(), word.end(), room);
        return {room, word.size()};
    }

    // The constant word a word is; none for a word longer than any.
    std::optional<EConstantWord> ConstantWord(TWord word) const
    {
        constexpr std::size_t kLongest = 16;
        char16_t room[kLongest];
        if (word.size() > kLongest)
            return std::nullopt;
        return FindConstantWord(Units(word, room));
    }

    TText m_text;
    int m_units;
    CComplex m_previous;
    int m_depth = 0;
    EOperationKind m_lastScope = None;
    bool m_scoped = false;
};

template <class TChar>
bool RunPlainPass(CCalcContext& context, const TChar* text, const TChar*& end, CComplex& value)
{
    CPlainPass<TChar> pass(text, context);
    CComplex result;
    if (!pass.Run(result, end))
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

}  // namespace

bool EvaluatePlainStatement(CCalcContext& context, std::u16string_view expression, CComplex& value)
{
    // The pass's text, kept from one statement to the next.
    thread_local std::vector<char16_t> text;
    if (!Compact(expression, text))
        return false;
    const char16_t* end = nullptr;
    return RunPlainPass<char16_t>(context, text.data(), end, value);
}

bool EvaluatePlainBytes(CCalcContext& context, const char* text, std::size_t& length, CComplex& value)
{
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = nullptr;
    if (!RunPlainPass<unsigned char>(context, bytes, end, value))
        return false;
    length = static_cast<std::size_t>(end - bytes);
    return true;
}

}  // namespace NCalculatorText
