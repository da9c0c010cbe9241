#include "document/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "document/preferences.h"

namespace {

constexpr char16_t kMinusSign = u'\u2212';
constexpr char16_t kTimesSign = u'\u00D7';
constexpr int kPrecision = 20;        // the precision of the format
constexpr int kSignificantDigits = 17;  // digits generated from the binary value

void AppendAscii(std::u16string& out, std::string_view text)
{
    for (char c : text)
        out.push_back(static_cast<char16_t>(c));
}

}  // namespace

std::u16string FormatReal(double value, std::u16string_view format)
{
    const bool upper = format == kFormatUpper;
    std::u16string out;
    if (std::isnan(value))
        return std::signbit(value) ? u"-1.#IND" : u"1.#QNAN";
    if (std::isinf(value))
        return value < 0 ? u"-1.#INF" : u"1.#INF";
    if (std::signbit(value))
        out.push_back(u'-');
    if (value == 0) {
        out.push_back(u'0');
        return out;
    }

    // Seventeen correctly rounded significant digits and the decimal exponent.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), std::fabs(value),
                                      std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t ePos = text.find('e');
    std::string digits;
    for (char c : text.substr(0, ePos))
        if (c != '.')
            digits.push_back(c);
    const int exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str());
    digits.resize(kPrecision, '0');

    if (exponent < -4 || exponent >= kPrecision) {
        std::string fraction = digits.substr(1);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        std::string mantissa(1, digits[0]);
        if (!fraction.empty())
            mantissa += "." + fraction;
        AppendAscii(out, mantissa);
        out.push_back(upper ? u'E' : u'e');
        out.push_back(exponent < 0 ? u'-' : u'+');
        std::string exponentDigits = std::to_string(std::abs(exponent));
        if (exponentDigits.size() < 3)
            exponentDigits.insert(0, 3 - exponentDigits.size(), '0');
        AppendAscii(out, exponentDigits);
        return out;
    }

    std::string integerPart;
    std::string fraction;
    if (exponent >= 0) {
        integerPart = digits.substr(0, static_cast<std::size_t>(exponent) + 1);
        fraction = digits.substr(static_cast<std::size_t>(exponent) + 1);
    } else {
        integerPart = "0";
        fraction = std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    AppendAscii(out, integerPart);
    if (!fraction.empty()) {
        out.push_back(u'.');
        AppendAscii(out, fraction);
    }
    return out;
}

std::u16string FormatComplex(const CComplex& value, std::u16string_view format, char16_t unit)
{
    const double re = value.real();
    const double im = value.imag();
    std::u16string out;
    if (re == 0) {
        if (im == 0 || std::isnan(im))
            return u"0";
        if (im < 0)
            out.push_back(kMinusSign);
        out.push_back(unit);
        if (im != 1 && im != -1) {
            out.push_back(kTimesSign);
            out += FormatReal(std::fabs(im), format);
        }
        return out;
    }
    out = FormatReal(re, format);
    if (im == 0)
        return out;
    out.push_back(im < 0 ? kMinusSign : u'+');
    out.push_back(unit);
    if (im != 1 && im != -1) {
        out.push_back(kTimesSign);
        out += FormatReal(im < 0 ? -im : im, format);
    }
    return out;
}

std::u16string_view GetResultFormat()
{
    return Preferences().Get(EPreference::NotationCase) != 0 ? kFormatUpper : kFormatLower;
}

char16_t GetImaginaryUnit()
{
    return Preferences().Get(EPreference::FormatI) == 1 ? u'j' : u'i';
}
