#include "document/number_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/data_cases.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

class NumberFormatRows : public testing::TestWithParam<CDataRow> {};

TEST_P(NumberFormatRows, FormatsTheValue)
{
    const CDataRow& c = GetParam();
    ASSERT_EQ(c.Fields().size(), 5u) << c.Where();
    const std::u16string_view format = c.Field(0) == "G" ? kFormatUpper : kFormatLower;
    const char16_t unit = static_cast<char16_t>(c.Field(1)[0]);
    const CComplex value(std::strtod(c.Field(2).c_str(), nullptr), std::strtod(c.Field(3).c_str(), nullptr));
    EXPECT_EQ(Utf16ToUtf8(FormatComplex(value, format, unit)), c.Field(4)) << c.Where();
}

INSTANTIATE_DATA_ROWS(NumberFormatRows, "number_format.txt");

TEST(NumberFormat, FileHoldsTheCases)
{
    EXPECT_GT(DataRows("number_format.txt").size(), 30u);
}

TEST(NumberFormat, PreferencesChooseCaseAndUnit)
{
    const CFreshState fresh;
    CLogRecorder log;
    EXPECT_EQ(GetResultFormat(), u"%.20g");
    EXPECT_EQ(GetImaginaryUnit(), u'i');
    Preferences().Set(EPreference::NotationCase, 1);
    Preferences().Set(EPreference::FormatI, 1);
    EXPECT_EQ(GetResultFormat(), u"%.20G");
    EXPECT_EQ(GetImaginaryUnit(), u'j');
    EXPECT_EQ(FormatComplex(CComplex(1e20, -1), GetResultFormat(), GetImaginaryUnit()), u"1E+020\u2212j");
    Preferences().Set(EPreference::FormatI, 7);  // anything but 1 is "i"
    EXPECT_EQ(GetImaginaryUnit(), u'i');
}

TEST(NumberFormat, EveryFiniteTextReadsBackToTheSameDouble)
{
    // Seventeen significant digits identify every double.
    const double values[] = {0.1, 1.0 / 3, 2.0 / 3, 1e-310, 123456789.123456789, 6.02214076e23, -7.5e-8, 1e21};
    for (double v : values) {
        const std::string text = Utf16ToUtf8(FormatReal(v, kFormatLower));
        std::string plain = text;
        EXPECT_EQ(std::strtod(plain.c_str(), nullptr), v) << text;
    }
}

// The significant digits of a text FormatReal wrote, without trailing
// zeros, and its decimal exponent (that of the first digit).
void ReadDigits(const std::string& text, std::string& digits, int& exponent)
{
    std::string mantissa = text.substr(text[0] == '-' ? 1 : 0);
    exponent = 0;
    if (const std::size_t e = mantissa.find('e'); e != std::string::npos) {
        exponent = std::stoi(mantissa.substr(e + 1));
        mantissa.resize(e);
    }
    const std::size_t point = mantissa.find('.');
    exponent += static_cast<int>(point == std::string::npos ? mantissa.size() : point) - 1;
    std::erase(mantissa, '.');
    const std::size_t first = mantissa.find_first_not_of('0');
    exponent -= static_cast<int>(first);
    digits = mantissa.substr(first);
    digits.erase(digits.find_last_not_of('0') + 1);
}

TEST(NumberFormat, SeventeenDigitsAreTheCorrectlyRoundedOnes)
{
    // Compared with the C library's "%.16e": random bit patterns over the
    // whole range, and the places where a fast conversion may slip (powers
    // of ten and their neighbours, the ends of exact ranges, whole numbers
    // near 2^53 and 10^17, results that round up to the next decade).
    std::vector<double> values;
    std::mt19937_64 random(17);
    for (int i = 0; i < 200000; ++i) {
        const double v = std::bit_cast<double>(random());
        if (std::isfinite(v) && v != 0)
            values.push_back(v);
    }
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 100000; ++i)
        values.push_back(std::ldexp(unit(random), static_cast<int>(random() % 120) - 60));
    for (int p = -30; p <= 30; ++p) {
        const double power = std::pow(10.0, p);
        for (double v = power, k = 0; k < 8; ++k, v = std::nextafter(v, 0.0))
            values.push_back(v);
        for (double v = power, k = 0; k < 8; ++k, v = std::nextafter(v, INFINITY))
            values.push_back(v);
        values.push_back(power * 0.99999999999999999);
        values.push_back(power * 9.9999999999999995);
    }
    for (double v : {9007199254740992.0, 9007199254740993.0, 1e17 - 16, 1e17, 1e17 + 16, 99999999999999984.0,
                     0.1, 0.5, 2.5, 1.0 / 3, 123456.5, 5e-324, 2.2250738585072014e-308})
        values.push_back(v);
    for (const double v : values) {
        for (const double signed_value : {v, -v}) {
            char reference[40];
            std::snprintf(reference, sizeof(reference), "%.16e", std::fabs(signed_value));
            std::string expected = std::string(1, reference[0]) + std::string(reference + 2, 16);
            expected.erase(expected.find_last_not_of('0') + 1);
            const int expectedExponent = std::atoi(std::strchr(reference, 'e') + 1);
            const std::string text = Utf16ToUtf8(FormatReal(signed_value, kFormatLower));
            std::string digits;
            int exponent = 0;
            ReadDigits(text, digits, exponent);
            ASSERT_EQ(digits, expected) << text << " for " << reference;
            ASSERT_EQ(exponent, expectedExponent) << text << " for " << reference;
            ASSERT_EQ(text[0] == '-', signed_value < 0) << text;
        }
    }
}

}  // namespace
