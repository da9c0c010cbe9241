// The main window's placement rules, case by case from a data file.
#include "windows/base/placement.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/data_cases.h"

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

CEdgeRect ParseRect(const std::string& text)
{
    CEdgeRect rect;
    std::istringstream stream(text);
    stream >> rect.left >> rect.top >> rect.right >> rect.bottom;
    return rect;
}

std::string Show(const CEdgeRect& r)
{
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

class FramePlacement : public testing::TestWithParam<CDataRow> {};

TEST_P(FramePlacement, DefaultOrPulledRectangle)
{
    std::vector<std::string> f;
    for (const std::string& field : GetParam().Fields())
        f.push_back(Trim(field));
    SCOPED_TRACE(GetParam().Where());
    ASSERT_FALSE(f.empty());
    if (f[0] == "default") {
        ASSERT_EQ(f.size(), 3u);
        const CEdgeRect area = ParseRect(f[1]);
        const CEdgeRect got = DefaultFrameRect(f[1] == "none" ? nullptr : &area);
        EXPECT_EQ(Show(got), f[2]);
    } else {
        ASSERT_EQ(f[0], "pull");
        ASSERT_EQ(f.size(), 5u);
        const CEdgeRect got = PullOntoWorkArea(ParseRect(f[2]), ParseRect(f[1]), std::stoi(f[3]));
        EXPECT_EQ(Show(got), f[4]);
    }
}

INSTANTIATE_DATA_ROWS(FramePlacement, "frame_placement.txt");

TEST(FramePlacementFile, HoldsTheCases)
{
    EXPECT_GE(DataRows("frame_placement.txt").size(), 15u);
}

}  // namespace
