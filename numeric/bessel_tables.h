#pragma once
// Coefficients of the uniform asymptotic expansions (generated).

namespace NBessel {

// Debye polynomials u_0 .. u_14: u_k(t)/t^k as polynomials in t², highest
// power first, one after another (1 + 2 + ... + 15 values).
extern const double kDebye[120];
// (3/2)^j λ_j and (3/2)^j μ_j, j = 0..13.
extern const double kLambda[14];
extern const double kMu[14];
// Near the turning point, in powers of w2 = 1 − z²: ζ/w2, then A_1..A_6
// and B_0..B_6, 30 coefficients each.
extern const double kZetaSeries[30];
extern const double kASeries[180];
extern const double kBSeries[210];

}  // namespace NBessel
