#include "document/number_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "document/preferences.h"

namespace {

constexpr char16_t kMinusSign = u'\u2212';
constexpr char16_t kTimesSign = u'\u00D7';
constexpr int kPrecision = 20;        // the precision of the format
constexpr int kSignificantDigits = 17;  // digits generated from the binary value

// 5^0 to 5^27, the powers below 2^63.
constexpr auto kPowersOfFive = [] {
    std::array<std::uint64_t, 28> powers{};
    powers[0] = 1;
    for (std::size_t k = 1; k < powers.size(); ++k)
        powers[k] = 5 * powers[k - 1];
    return powers;
}();

// The powers of ten from 10^-12 to 10^18 as doubles (those below 1 the
// nearest ones).
constexpr int kFirstDecade = -12;
constexpr std::array<double, 31> kDecades = {
    1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3,
    1e4,   1e5,   1e6,   1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

// Eight digits of value (below 10^8) as the bytes of one word, the first
// digit in the lowest byte, computed in the register: four digits a half,
// then two a quarter, then one a byte, each split by a multiplication that
// divides exactly in its range.
std::uint64_t EightDigitBytes(std::uint32_t value)
{
    std::uint64_t x = (value / 10000) | (static_cast<std::uint64_t>(value % 10000) << 32);
    const std::uint64_t hundreds = ((x * 10486) >> 20) & 0x0000007F0000007Full;  // halves below 10^4, ÷ 100
    x = ((x - hundreds * 100) << 16) | hundreds;
    const std::uint64_t tens = ((x * 103) >> 10) & 0x000F000F000F000Full;  // quarters below 100, ÷ 10
    x = ((x - tens * 10) << 8) | tens;
    return x | 0x3030303030303030ull;
}

// The seventeen significant digits of a number as characters, a byte each,
// in three words: the first eight in low (the first digit in its lowest
// byte), the next eight in high, the last alone in last.
struct CDigits {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::uint64_t last = 0;
};

// The seventeen correctly rounded significant digits of a positive finite
// value and its decimal exponent, as "%.16e" gives them.
[[gnu::always_inline]] inline CDigits ScientificDigits(double value, int& exponent)
{
    // Most values lie between 1e-11 and 1e17. There value * 10^k, k = 16 - E
    // from 0 to 27, is m * 5^k * 2^(e + k) for the value's integer
    // significand m and binary exponent e: m * 5^k fits in 128 bits and the
    // rounding is exact. A tie, or any other value, takes the library's
    // conversion.
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>(bits >> 52);
    if (biased > 0 && biased < 0x7FF) {
        const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
        const int e = biased - 1075;
        // floor(log10(value)), or one less: 2^(e + 52) <= value < 2^(e + 53).
        int decimal = ((e + 52) * 78913) >> 18;  // exact for binary exponents of doubles
        // One comparison with the next power of ten makes the guess right
        // but for values within a rounding of a power below 1, which the
        // loop puts right: it rarely turns twice.
        if (decimal >= kFirstDecade && decimal < kFirstDecade + static_cast<int>(kDecades.size()) - 1)
            decimal += value >= kDecades[static_cast<std::size_t>(decimal + 1 - kFirstDecade)] ? 1 : 0;
        constexpr std::uint64_t kLow = 10'000'000'000'000'000ull;  // 10^16
        constexpr unsigned __int128 kHigh = 10 * static_cast<unsigned __int128>(kLow);  // 10^17
        for (int attempt = 0; attempt < 3; ++attempt) {
            const int k = kSignificantDigits - 1 - decimal;
            if (k < 0 || k > 27)
                break;
            const unsigned __int128 product = static_cast<unsigned __int128>(m) * kPowersOfFive[k];
            const int shift = -(e + k);
            if (shift >= 127)
                break;
            // value * 10^k, truncated: the guess is right when it has
            // seventeen digits.
            const unsigned __int128 truncated = shift <= 0 ? product << -shift : product >> shift;
            if (truncated < kLow || truncated >= kHigh) {
                decimal += truncated < kLow ? -1 : 1;
                continue;
            }
            unsigned __int128 whole = truncated;
            if (shift > 0) {
                const unsigned __int128 rest = product - (truncated << shift);
                const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
                if (rest == half)
                    break;  // a tie
                whole += rest > half ? 1 : 0;
            }
            if (whole == kHigh) {
                // The rounding carried into an eighteenth digit: 10^16 one
                // decade up.
                whole = kLow;
                ++decimal;
            }
            // The first digit, then two runs of eight, each made in a
            // register: read back from memory, narrow stores would hold up
            // the wide loads that follow.
            const auto n = static_cast<std::uint64_t>(whole);
            const auto upper = static_cast<std::uint32_t>(n / 100'000'000);
            const std::uint64_t first = '0' + upper / 100'000'000;
            const std::uint64_t middle = EightDigitBytes(upper % 100'000'000);
            const std::uint64_t end = EightDigitBytes(static_cast<std::uint32_t>(n % 100'000'000));
            exponent = decimal;
            return {first | (middle << 8), (middle >> 56) | (end << 8), end >> 56};
        }
    }
    char text[32];
    const auto converted =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::scientific, kSignificantDigits - 1);
    char digits[kSignificantDigits];
    digits[0] = text[0];
    std::copy(text + 2, text + 1 + kSignificantDigits, digits + 1);
    exponent = 0;
    std::from_chars(text + kSignificantDigits + 3, converted.ptr, exponent);  // skips "e" and the sign
    if (text[kSignificantDigits + 2] == '-')
        exponent = -exponent;
    CDigits result;
    std::memcpy(&result.low, digits, 8);
    std::memcpy(&result.high, digits + 8, 8);
    result.last = static_cast<unsigned char>(digits[16]);
    return result;
}

// Writes sixteen digit bytes (low, then high) to out as bytes or as code
// units.
void WriteSixteenDigits(char* out, std::uint64_t low, std::uint64_t high)
{
    std::memcpy(out, &low, sizeof(low));
    std::memcpy(out + 8, &high, sizeof(high));
}

void WriteSixteenDigits(char16_t* out, std::uint64_t low, std::uint64_t high)
{
#if defined(__SSE2__)
    const __m128i bytes = _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
#else
    for (int k = 0; k < 8; ++k) {
        out[k] = static_cast<char16_t>((low >> (8 * k)) & 0xFF);
        out[8 + k] = static_cast<char16_t>((high >> (8 * k)) & 0xFF);
    }
#endif
}

// Writes the seventeen digits to out, then zeros up to the twentieth digit
// and a few beyond (out has the room: 24 characters).
template <class TChar>
void WriteDigits(TChar* out, const CDigits& digits)
{
    constexpr std::uint64_t kZeros = 0x3030303030303030ull;
    WriteSixteenDigits(out, digits.low, digits.high);
    WriteSixteenDigits(out + 16, digits.last | (kZeros << 8), kZeros);
}

// Writes the text of a real number to out, which has room for the longest
// (25 characters), and returns its end. The text is ASCII: it is written as
// code units for the core's texts or as bytes for a UTF-8 file, the same
// characters either way.
template <class TChar>
TChar* WriteReal(TChar* out, double value, bool upper)
{
    const auto put = [&out](std::string_view text) {
        out = std::copy(text.begin(), text.end(), out);
    };
    if (std::isnan(value)) {
        put(std::signbit(value) ? "-1.#IND" : "1.#QNAN");
        return out;
    }
    if (std::isinf(value)) {
        put(value < 0 ? "-1.#INF" : "1.#INF");
        return out;
    }
    // The sign without a branch: results of either sign come in any order.
    *out = '-';
    out += std::signbit(value) ? 1 : 0;
    if (value == 0) {
        *out++ = '0';
        return out;
    }

    // A whole number below 10^17 is its own seventeen significant digits
    // without trailing zeros, written in full by the fixed style.
    const double absolute = std::fabs(value);
    if (absolute < 1e17 && static_cast<double>(static_cast<std::uint64_t>(absolute)) == absolute) {
        const auto whole = static_cast<std::uint64_t>(absolute);
        // Bytes go straight to out: a copy of a few bytes from a buffer
        // costs a library call of its own, as much as the conversion. Up
        // to eight digits, the usual, are made in a register and written
        // as one word, the leading zeros shifted out; the length is
        // counted without a branch.
        if constexpr (std::is_same_v<TChar, char>) {
            if (whole < 100'000'000) {
                const auto small = static_cast<std::uint32_t>(whole);
                const int length = 1 + (small >= 10) + (small >= 100) + (small >= 1000) + (small >= 10'000) +
                                   (small >= 100'000) + (small >= 1'000'000) + (small >= 10'000'000);
                const std::uint64_t digits = EightDigitBytes(small) >> (8 * (8 - length));
                std::memcpy(out, &digits, sizeof(digits));
                return out + length;
            }
            return std::to_chars(out, out + 24, whole).ptr;
        }
        char text[24];
        const auto converted = std::to_chars(text, text + sizeof(text), whole);
        return std::copy(text, converted.ptr, out);
    }

    // Seventeen correctly rounded significant digits and the decimal
    // exponent; the precision asks for twenty, the rest are zeros.
    int exponent = 0;
    const CDigits digits = ScientificDigits(absolute, exponent);
    // The digits left after removing trailing zeros: the last non-zero
    // byte of the words (the first digit is never zero).
    constexpr std::uint64_t kZeros = 0x3030303030303030ull;
    int significant = kSignificantDigits;
    if (digits.last == '0') {
        const std::uint64_t high = digits.high ^ kZeros;
        const std::uint64_t low = digits.low ^ kZeros;
        significant = high != 0 ? 9 + (63 - std::countl_zero(high)) / 8 : 1 + (63 - std::countl_zero(low)) / 8;
    }

    if (exponent < -4 || exponent >= kPrecision) {
        // d.ddd: the digits behind the first are the words shifted by one
        // byte.
        out[0] = static_cast<TChar>(digits.low & 0xFF);
        out[1] = '.';
        WriteSixteenDigits(out + 2, (digits.low >> 8) | (digits.high << 56), (digits.high >> 8) | (digits.last << 56));
        out += significant > 1 ? significant + 1 : 1;
        *out++ = upper ? 'E' : 'e';
        *out++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 1000)
            *out++ = static_cast<TChar>('0' + magnitude / 1000);
        *out++ = static_cast<TChar>('0' + magnitude / 100 % 10);
        *out++ = static_cast<TChar>('0' + magnitude / 10 % 10);
        *out++ = static_cast<TChar>('0' + magnitude % 10);
        return out;
    }

    // Fixed style: the integer part, then the fraction without trailing zeros.
    if (exponent >= 0) {
        const int integerDigits = exponent + 1;
        WriteDigits(out, digits);
        if (significant <= integerDigits)
            return out + integerDigits;
        // The fraction, from digit integerDigits (1 to 16) on: the digits
        // shifted down by as many bytes, written over the rest behind the
        // point.
        const unsigned __int128 sixteen = (static_cast<unsigned __int128>(digits.high) << 64) | digits.low;
        const int drop = 8 * integerDigits;
        const unsigned __int128 fraction =
            integerDigits == 16 ? digits.last
                                : (sixteen >> drop) | (static_cast<unsigned __int128>(digits.last) << (128 - drop));
        out[integerDigits] = '.';
        WriteSixteenDigits(out + integerDigits + 1, static_cast<std::uint64_t>(fraction),
                           static_cast<std::uint64_t>(fraction >> 64));
        return out + significant + 1;
    }
    // 0.000ddd: up to three zeros behind the point.
    const int zeros = -exponent - 1;
    std::copy_n("0.000", 5, out);
    WriteDigits(out + 2 + zeros, digits);
    return out + 2 + zeros + significant;
}

// The room WriteReal needs: the longest text is "-", twenty digits and ".",
// or "-0.0000" and seventeen digits, or "-d.ddddddddddddddddde-1234"; the
// blocks of digits it writes reach at most 38 code units.
constexpr std::size_t kRealTextRoom = 48;

void AppendReal(std::u16string& out, double value, bool upper)
{
    char16_t text[kRealTextRoom];
    out.append(text, static_cast<std::size_t>(WriteReal(text, value, upper) - text));
}

// U+2212 and U+00D7, the signs between the parts of a complex value, as a
// code unit each or in UTF-8.
char16_t* PutMinusSign(char16_t* out)
{
    *out = kMinusSign;
    return out + 1;
}

char* PutMinusSign(char* out)
{
    return std::copy_n("\xE2\x88\x92", 3, out);
}

char16_t* PutTimesSign(char16_t* out)
{
    *out = kTimesSign;
    return out + 1;
}

char* PutTimesSign(char* out)
{
    return std::copy_n("\xC3\x97", 2, out);
}

// Room for the text of a complex value: two real parts, the signs and the
// unit.
constexpr std::size_t kComplexTextRoom = 2 * kRealTextRoom + 8;
static_assert(kComplexTextRoom <= kComplexUtf8TextRoom);

// Writes the text of a complex value to out, which has kComplexTextRoom
// characters of room, and returns its end.
template <class TChar>
TChar* WriteComplex(TChar* out, const CComplex& value, bool upper, TChar unit)
{
    const double re = value.real();
    const double im = value.imag();
    if (re == 0) {
        if (im == 0 || std::isnan(im)) {
            *out++ = '0';
            return out;
        }
    } else {
        out = WriteReal(out, re, upper);
        if (im == 0)
            return out;
    }
    if (im < 0)
        out = PutMinusSign(out);
    else if (re != 0)
        *out++ = '+';
    *out++ = unit;
    if (im != 1 && im != -1) {
        out = PutTimesSign(out);
        out = WriteReal(out, im < 0 ? -im : im, upper);
    }
    return out;
}

}  // namespace

std::u16string FormatReal(double value, std::u16string_view format)
{
    std::u16string out;
    AppendReal(out, value, format == kFormatUpper);
    return out;
}

std::u16string FormatComplex(const CComplex& value, std::u16string_view format, char16_t unit)
{
    std::u16string out;
    AppendComplex(out, value, format, unit);
    return out;
}

void AppendComplex(std::u16string& out, const CComplex& value, std::u16string_view format, char16_t unit)
{
    AppendComplex(out, value, format == kFormatUpper, unit);
}

void AppendComplex(std::u16string& out, const CComplex& value, bool upper, char16_t unit)
{
    // Both parts with their signs and the unit fit in one buffer, appended
    // at once.
    char16_t text[kComplexTextRoom];
    out.append(text, static_cast<std::size_t>(WriteComplex(text, value, upper, unit) - text));
}

char* WriteComplexUtf8(char* out, const CComplex& value, bool upper, char unit)
{
    return WriteComplex(out, value, upper, unit);
}

std::u16string_view GetResultFormat(const CPreferenceValues& preferences)
{
    return preferences.Get(EPreference::NotationCase) != 0 ? kFormatUpper : kFormatLower;
}

std::u16string_view GetResultFormat()
{
    return GetResultFormat(Preferences());
}

char16_t GetImaginaryUnit(const CPreferenceValues& preferences)
{
    return preferences.Get(EPreference::FormatI) == 1 ? u'j' : u'i';
}

char16_t GetImaginaryUnit()
{
    return GetImaginaryUnit(Preferences());
}
