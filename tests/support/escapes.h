#pragma once
// Escapes of the case files: \n, \r, \t, \\ and \uXXXX stand for the
// characters that cannot be written on one line of a '|'-separated file.

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "document/utf.h"

inline std::u16string Unescape(const std::string& field)
{
    std::u16string out;
    std::string plain;
    auto flush = [&] {
        out += Utf8ToUtf16(plain);
        plain.clear();
    };
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            plain.push_back(field[i]);
            continue;
        }
        const char next = field[++i];
        switch (next) {
        case 'n': plain.push_back('\n'); break;
        case 'r': plain.push_back('\r'); break;
        case 't': plain.push_back('\t'); break;
        case '\\': plain.push_back('\\'); break;
        case 'u': {
            if (i + 4 >= field.size())
                throw std::runtime_error("short \\u escape in " + field);
            flush();
            out.push_back(static_cast<char16_t>(std::stoul(field.substr(i + 1, 4), nullptr, 16)));
            i += 4;
            break;
        }
        default:
            throw std::runtime_error(std::string("unknown escape \\") + next + " in " + field);
        }
    }
    flush();
    return out;
}
