#pragma once
// The random generator behind the random keyword.

#include <cstdint>

#include "numeric/complex.h"

class CRandomGenerator {
public:
    std::uint64_t Next();
    void Seed(std::uint64_t j);

private:
    std::uint64_t m_u = 0;
    std::uint64_t m_v = 4101842887655102017ULL;
    std::uint64_t m_w = 1;
};

// Exact product of the output with 2^-64, rounded to double: [0, 1].
double ToUnitInterval(std::uint64_t value);

// The random values of one calculation context: two generators of the same
// kind give the real and the imaginary part. A copy continues the same
// sequence independently of the original.
class CRandomSource {
public:
    // Seeds the real-part generator from the millisecond clock; once, at
    // start-up.
    void SeedAtStartup();
    // Seeds the imaginary-part generator the first time it is called, with a
    // clock value that differs from the start seed.
    void SeedImaginaryOnce();
    // One random value: real part from the first generator, then imaginary
    // part from the second.
    CComplex Draw();

    CRandomGenerator realPart;
    CRandomGenerator imaginaryPart;

private:
    std::uint64_t m_startSeed = 0;
    bool m_imaginarySeeded = false;
};
