#pragma once
// Reads the line-based case files under tests/data: one case a line, fields
// separated by '|', '#' starting a comment line, blank lines skipped.

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

struct CDataCase {
    int line;                         // 1-based line number in the file
    std::vector<std::string> fields;  // UTF-8
};

inline std::vector<CDataCase> ReadDataFile(const std::string& name, char separator = '|')
{
    const std::string path = std::string(KAVM_TEST_DATA_DIR) + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    std::vector<CDataCase> cases;
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (text.empty() || text[0] == '#')
            continue;
        CDataCase c{line, {}};
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find(separator, start);
            c.fields.push_back(text.substr(start, end - start));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        cases.push_back(std::move(c));
    }
    return cases;
}
