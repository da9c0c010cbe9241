#include "numeric/random.h"

#include <chrono>

namespace {

std::uint64_t g_startSeed = 0;
bool g_imaginarySeeded = false;

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

CRandomGenerator& RealPartGenerator()
{
    static CRandomGenerator generator;
    return generator;
}

CRandomGenerator& ImaginaryPartGenerator()
{
    static CRandomGenerator generator;
    return generator;
}

void SeedRandomAtStartup()
{
    g_startSeed = TickCount();
    SeedTwice(RealPartGenerator(), g_startSeed);
}

void SeedImaginaryGeneratorOnce()
{
    if (g_imaginarySeeded)
        return;
    std::uint64_t tick = TickCount();
    while (tick == g_startSeed)
        tick = TickCount();
    SeedTwice(ImaginaryPartGenerator(), tick);
    g_imaginarySeeded = true;
}

CComplex DrawRandom()
{
    const double re = ToUnitInterval(RealPartGenerator().Next());
    const double im = ToUnitInterval(ImaginaryPartGenerator().Next());
    return {re, im};
}
