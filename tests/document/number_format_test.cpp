#include "document/number_format.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/data_cases.h"
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
    Preferences().SetDefaults();
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

}  // namespace
