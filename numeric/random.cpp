#include "numeric/random.h"

#include <chrono>

namespace {

std::uint64_t TickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SeedTwice(CRandomGenerator& generator, std::uint64_t seed)
{
    generator.Seed(seed);
    const std::uint64_t x = generator.Next();
    generator.Seed(x);
}

}  // namespace

std::uint64_t CRandomGenerator::Next()
{
    m_u = m_u * 2862933555777941757ULL + 7046029254386353087ULL;
    m_v ^= m_v >> 17;
    m_v ^= m_v << 31;
    m_v ^= m_v >> 8;
    m_w = 4294957665ULL * (m_w & 0xFFFFFFFFULL) + (m_w >> 32);
    std::uint64_t x = m_u ^ (m_u << 21);
    x ^= x >> 35;
    x ^= x << 4;
    return (x + m_v) ^ m_w;
}

void CRandomGenerator::Seed(std::uint64_t j)
{
    m_u = j ^ m_v;
    Next();
    m_v = m_u;
    Next();
    m_w = m_v;
    Next();
}

double ToUnitInterval(std::uint64_t value)
{
    // The 64-bit integer is exact in long double; the product with 2^-64 is
    // exact too, and the conversion to double rounds to nearest.
    return static_cast<double>(static_cast<long double>(value) * 0x1p-64L);
}

void CRandomSource::SeedAtStartup()
{
    m_startSeed = TickCount();
    SeedTwice(realPart, m_startSeed);
}

void CRandomSource::SeedImaginaryOnce()
{
    if (m_imaginarySeeded)
        return;
    std::uint64_t tick = TickCount();
    while (tick == m_startSeed)
        tick = TickCount();
    SeedTwice(imaginaryPart, tick);
    m_imaginarySeeded = true;
}

CComplex CRandomSource::Draw()
{
    const double re = ToUnitInterval(realPart.Next());
    const double im = ToUnitInterval(imaginaryPart.Next());
    return {re, im};
}
