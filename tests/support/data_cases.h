#pragma once
// Case files as parameterised tests: every row of a file under tests/data is
// a test of its own, named after its line, so a failing row is reported
// alone and can be run alone (--gtest_filter=*/line123).

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "data_file.h"

// One row with the file it came from, for the failure messages.
struct CDataRow {
    std::string file;
    CDataCase row;

    const std::vector<std::string>& Fields() const { return row.fields; }
    const std::string& Field(std::size_t i) const { return row.fields.at(i); }
    std::string Where() const { return file + ":" + std::to_string(row.line); }
};

inline void PrintTo(const CDataRow& r, std::ostream* os)
{
    *os << r.Where();
}

// The rows of a case file. A file that cannot be read gives one row with no
// fields, which each runner reports as a failure instead of silently running
// nothing.
inline std::vector<CDataRow> DataRows(const std::string& file, char separator = '|')
{
    std::vector<CDataRow> rows;
    try {
        for (CDataCase& c : ReadDataFile(file, separator))
            rows.push_back({file, std::move(c)});
    } catch (const std::exception&) {
        rows.push_back({file, {0, {}}});
    }
    return rows;
}

inline std::string DataRowName(const testing::TestParamInfo<CDataRow>& info)
{
    return "line" + std::to_string(info.param.row.line);
}

// INSTANTIATE_DATA_ROWS(Suite, "file.txt") runs TEST_P(Suite, ...) once per row.
#define INSTANTIATE_DATA_ROWS(suite, file) \
    INSTANTIATE_TEST_SUITE_P(File, suite, testing::ValuesIn(DataRows(file)), DataRowName)
