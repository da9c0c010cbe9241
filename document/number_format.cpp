#include "document/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "document/preferences.h"

namespace {

constexpr char16_t kMinusSign = u'\u2212';
constexpr char16_t kTimesSign = u'\u00D7';
constexpr int kPrecision = 20;        // the precision of the format
constexpr int kSignificantDigits = 17;  // digits generated from the binary value

void AppendReal(std::u16string& out, double value, bool upper)
{
    if (std::isnan(value)) {
        out += std::signbit(value) ? u"-1.#IND" : u"1.#QNAN";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? u"-1.#INF" : u"1.#INF";
        return;
    }
    if (std::signbit(value))
        out.push_back(u'-');
    if (value == 0) {
        out.push_back(u'0');
        return;
    }

    // Seventeen correctly rounded significant digits and the decimal
    // exponent; the precision asks for twenty, the rest are zeros.
    char text[32];
    const auto converted = std::to_chars(text, text + sizeof(text), std::fabs(value),
                                         std::chars_format::scientific, kSignificantDigits - 1);
    char digits[kPrecision];
    std::fill(digits, digits + kPrecision, '0');
    digits[0] = text[0];
    std::copy(text + 2, text + 1 + kSignificantDigits, digits + 1);
    int exponent = 0;
    std::from_chars(text + kSignificantDigits + 3, converted.ptr, exponent);  // skips "e" and the sign
    if (text[kSignificantDigits + 2] == '-')
        exponent = -exponent;

    int used = kPrecision;  // digits left after removing trailing zeros
    auto appendDigits = [&out](const char* from, const char* to) {
        for (; from < to; ++from)
            out.push_back(static_cast<char16_t>(*from));
    };
    if (exponent < -4 || exponent >= kPrecision) {
        while (used > 1 && digits[used - 1] == '0')
            --used;
        out.push_back(static_cast<char16_t>(digits[0]));
        if (used > 1) {
            out.push_back(u'.');
            appendDigits(digits + 1, digits + used);
        }
        out.push_back(upper ? u'E' : u'e');
        out.push_back(exponent < 0 ? u'-' : u'+');
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 1000)
            out.push_back(static_cast<char16_t>(u'0' + magnitude / 1000));
        out.push_back(static_cast<char16_t>(u'0' + magnitude / 100 % 10));
        out.push_back(static_cast<char16_t>(u'0' + magnitude / 10 % 10));
        out.push_back(static_cast<char16_t>(u'0' + magnitude % 10));
        return;
    }

    // Fixed style: the integer part, then the fraction without trailing zeros.
    const int integerDigits = exponent >= 0 ? exponent + 1 : 0;
    while (used > integerDigits && digits[used - 1] == '0')
        --used;
    if (exponent >= 0) {
        appendDigits(digits, digits + integerDigits);
        if (used > integerDigits) {
            out.push_back(u'.');
            appendDigits(digits + integerDigits, digits + used);
        }
    } else {
        out += u"0.";
        out.append(static_cast<std::size_t>(-exponent - 1), u'0');
        appendDigits(digits, digits + used);
    }
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
    const double re = value.real();
    const double im = value.imag();
    const bool upper = format == kFormatUpper;
    std::u16string out;
    if (re == 0) {
        if (im == 0 || std::isnan(im))
            return u"0";
        if (im < 0)
            out.push_back(kMinusSign);
        out.push_back(unit);
        if (im != 1 && im != -1) {
            out.push_back(kTimesSign);
            AppendReal(out, std::fabs(im), upper);
        }
        return out;
    }
    out.reserve(64);
    AppendReal(out, re, upper);
    if (im == 0)
        return out;
    out.push_back(im < 0 ? kMinusSign : u'+');
    out.push_back(unit);
    if (im != 1 && im != -1) {
        out.push_back(kTimesSign);
        AppendReal(out, im < 0 ? -im : im, upper);
    }
    return out;
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
