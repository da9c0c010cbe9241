#include "document/print_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/data_cases.h"

namespace {

std::u16string U16(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

std::string U8(const std::u16string& text)
{
    return std::string(text.begin(), text.end());
}

int Int(const std::string& field)
{
    return static_cast<int>(std::stoll(field));
}

// Every character is 10 pixels wide.
int Measure(const std::u16string& text)
{
    return 10 * static_cast<int>(text.size());
}

void CheckCase(const CDataCase& c)
{
    const auto& f = c.fields;
    const std::string& kind = f[0];
    if (kind == "margins") {
        ASSERT_EQ(f.size(), 18u);
        CDeviceMetrics device{Int(f[1]), Int(f[2]), Int(f[3]), Int(f[4]), Int(f[5]), Int(f[6]), Int(f[7]), Int(f[8])};
        const CDeviceMargins margins = DeviceMargins(Int(f[9]), Int(f[10]), Int(f[11]), Int(f[12]), device);
        EXPECT_EQ(margins, (CDeviceMargins{Int(f[13]), Int(f[14]), Int(f[15]), Int(f[16])}));
        EXPECT_EQ(MarginsUsable(margins, device), f[17] == "1");
    } else if (kind == "items") {
        ASSERT_EQ(f.size(), 6u);
        const auto items = static_cast<unsigned>(Int(f[1]));
        EXPECT_EQ(HasHeader(items), f[2] == "1");
        EXPECT_EQ(HasFooter(items), f[3] == "1");
        EXPECT_EQ(static_cast<int>(NumberFormatOf(items)), Int(f[4]));
        EXPECT_EQ(static_cast<int>(NumberPositionOf(items)), Int(f[5]));
    } else if (kind == "room") {
        ASSERT_EQ(f.size(), 5u);
        const auto items = static_cast<unsigned>(Int(f[1]));
        EXPECT_EQ(HeaderRoom(items, Int(f[2])), Int(f[3]));
        EXPECT_EQ(FooterRoom(items, Int(f[2])), Int(f[4]));
    } else if (kind == "shown") {
        ASSERT_EQ(f.size(), 5u);
        const bool metric = f[2] == "1";
        EXPECT_EQ(MarginToShown(Int(f[1]), metric), Int(f[3]));
        EXPECT_EQ(MarginFromShown(Int(f[3]), metric), Int(f[4]));
    } else if (kind == "number") {
        ASSERT_EQ(f.size(), 5u);
        EXPECT_EQ(U8(PageNumberText(static_cast<unsigned>(Int(f[1])), static_cast<unsigned>(Int(f[2])),
                                    static_cast<unsigned>(Int(f[3])))),
                  f[4]);
    } else if (kind == "clock") {
        ASSERT_EQ(f.size(), 8u);
        EXPECT_EQ(U8(TimeText(Int(f[1]), Int(f[2]))), f[6]);
        EXPECT_EQ(U8(DateText(Int(f[3]), Int(f[4]), Int(f[5]))), f[7]);
    } else if (kind == "offset") {
        ASSERT_EQ(f.size(), 7u);
        EXPECT_EQ(PageNumberOffset(Int(f[1]), Int(f[2]), Int(f[3]), Int(f[4]), f[5] == "1"), Int(f[6]));
    } else if (kind == "pagenumber") {
        ASSERT_EQ(f.size(), 10u);
        const CPageNumber number =
            ChoosePageNumber(static_cast<unsigned>(Int(f[1])), static_cast<unsigned>(Int(f[2])),
                             static_cast<unsigned>(Int(f[3])), Int(f[4]), Int(f[5]), Int(f[6]), f[7] == "1", Measure);
        EXPECT_EQ(number.drawn, !f[8].empty());
        EXPECT_EQ(U8(number.text), f[8]);
        EXPECT_EQ(number.drawn ? number.offset : -1, Int(f[9]));
    } else if (kind == "fileline") {
        ASSERT_EQ(f.size(), 7u);
        const CFileLine line = ChooseFileLine(U16(f[1]), Int(f[2]), Int(f[3]), Measure);
        EXPECT_EQ(line.drawn, f[4] == "1");
        EXPECT_EQ(line.icon, f[5] == "1");
        EXPECT_EQ(U8(line.text), f[6]);
    } else {
        FAIL() << "unknown kind of case " << kind;
    }
}

class PrintLayoutRows : public testing::TestWithParam<CDataRow> {};

TEST_P(PrintLayoutRows, LaysOut)
{
    SCOPED_TRACE(GetParam().Where());
    CheckCase(GetParam().row);
}

INSTANTIATE_DATA_ROWS(PrintLayoutRows, "print_layout.txt");

TEST(PrintLayout, FileHoldsTheCases)
{
    EXPECT_GT(DataRows("print_layout.txt").size(), 50u);
}

TEST(PrintLayout, ItemsComposeFromChecksFormatAndPosition)
{
    EXPECT_EQ(ComposeItems(ItemFileInfo | ItemTime | ItemDate | ItemNumber, NumberOfTotal, FooterRight), 431u);
    EXPECT_EQ(ComposeItems(ItemNumber, NumberDashed, HeaderCenter), 24u);
    const unsigned items = ComposeItems(ItemDate, NumberPlain, FooterCenter);
    EXPECT_EQ(StoredNumberPosition(items), 2u);
    EXPECT_EQ(items & 15u, static_cast<unsigned>(ItemDate));
}

}  // namespace
