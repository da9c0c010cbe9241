#pragma once
// Test helper: a complex value as the bits of its two parts, so that two
// values compare equal only when they are the same to the last bit and in
// the signs of their zeros.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "numeric/complex.h"

inline std::string ValueBits(const CComplex& z)
{
    const double parts[2] = {z.real(), z.imag()};
    std::uint64_t bits[2];
    std::memcpy(bits, parts, sizeof bits);
    char text[64];
    std::snprintf(text, sizeof text, "%016llx:%016llx", static_cast<unsigned long long>(bits[0]),
                  static_cast<unsigned long long>(bits[1]));
    return text;
}
