// I_ν(z) for Re z >= 0: the choice among the power series, Miller's
// algorithm, the Wronskian normalisation, the large-argument expansion and
// the uniform expansions for large orders, with the over- and underflow
// pre-tests between them.

#include <cmath>

#include "numeric/bessel_internal.h"

namespace NBessel {

namespace {

constexpr double kMillerLimit = 40;

}  // namespace

int ComputeI(const CComplex& z, double nu, CComplex& y)
{
    const CMachine& m = Machine();
    y = 0;
    const double az = std::abs(z);
    auto failure = [](int nw) { return nw == kNoConvergence ? kNoConvergence : -1; };

    if (az <= 2 || az * az * 0.25 <= nu + 1) {
        const int nw = SeriesI(z, nu, y);
        // With one member an underflowed series leaves 0 either way.
        return nw < 0 ? 1 : nw;
    }

    bool uniformTests = true;
    if (az >= m.rl) {
        if (nu <= 1 || az + az >= nu * nu) {
            const int nw = AsymptoticI(z, nu, y);
            return nw < 0 ? failure(nw) : 0;
        }
    } else if (nu <= 1) {
        uniformTests = false;
    }

    if (uniformTests) {
        const int nw = UniformOverflowTest(z, nu, 1, 1);
        if (nw < 0)
            return -1;
        if (nw > 0) {
            y = 0;
            return nw;
        }
        if (nu > m.fnul || az > m.fnul) {
            bool needOther = false;
            const int nu1 = UniformI(z, nu, y, needOther);
            if (nu1 < 0)
                return failure(nu1);
            if (!needOther)
                return nu1;
        }
    }

    if (az > m.rl) {
        // The K functions of the Wronskian must be on scale.
        const int nw = UniformOverflowTest(z, nu, 2, 2);
        if (nw < 0) {
            y = 0;
            return 1;
        }
        if (nw > 0)
            return -1;
        // Up to |z| = 40 Miller's algorithm rather than the Wronskian: the
        // latter takes K_ν and K_{ν+1} from a forward recurrence of about ν
        // steps and the ratio I_{ν+1}/I_ν from a backward one, and their
        // errors add to 5e-14 to 2e-13 for orders 10 to 90 at 20 to 60;
        // Miller's stays within 4e-15 there (the backward recurrence of
        // DLMF 10.29.1 and its normalising Neumann sum share the rounding of
        // the recurrence, which cancels), at a similar cost up to 40, rising
        // beyond with the number of recurrence steps. Where it does not
        // converge the Wronskian still gives the value.
        if (az <= kMillerLimit && MillerI(z, nu, y) == 0)
            return 0;
        const int nr = WronskianI(z, nu, y);
        return nr < 0 ? failure(nr) : 0;
    }
    const int nw = MillerI(z, nu, y);
    return nw < 0 ? failure(nw) : 0;
}

}  // namespace NBessel
