// The main window's placement rules, case by case from a data file.
#include "windows/placement.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::vector<std::string> SplitFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '|'))
        fields.push_back(Trim(field));
    return fields;
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

TEST(FramePlacement, CasesFromTheDataFile)
{
    std::ifstream file(KAVM_TEST_DATA_DIR "/frame_placement.txt");
    ASSERT_TRUE(file.is_open());
    std::string line;
    int number = 0;
    int cases = 0;
    while (std::getline(file, line)) {
        ++number;
        if (Trim(line).empty() || line[0] == '#')
            continue;
        const std::vector<std::string> f = SplitFields(line);
        SCOPED_TRACE("frame_placement.txt line " + std::to_string(number) + ": " + line);
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
        ++cases;
    }
    EXPECT_GE(cases, 15);
}

}  // namespace
