// Placeholder until the uniform expansions are in: the pre-test lets every
// value through and the large-order routines decline.
#include "numeric/bessel_internal.h"

namespace NBessel {
int UniformOverflowTest(const CComplex&, double, int, int) { return 0; }
int UniformI(const CComplex& z, double nu, CComplex& y)
{
    if (std::abs(z) > Machine().rl)
        return WronskianI(z, nu, y);
    return MillerI(z, nu, y);
}
int UniformK(const CComplex& z, double nu, int mr, CComplex& y)
{
    if (mr == 0)
        return KRightHalf(z, nu, 1, &y);
    return ContinueK(z, nu, mr, y);
}
}  // namespace NBessel
