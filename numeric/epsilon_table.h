#pragma once
// Wynn's epsilon algorithm over partial sums that come one at a time: each
// new sum adds one entry to each column of the table, from the entries
// beside it, where building the whole table again for every sum would redo
// all the others (the same numbers, by the same operations in the same
// order, at a cost that grows with the square of the sums' count).
// Defined with the integrals (numeric/calculus.cpp); its errors are sizes
// as numeric/complex_size.h measures them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "numeric/complex.h"

class CEpsilonTable {
public:
    // No sums, the columns' memory kept for the next sequence.
    void Clear();
    // The next partial sum.
    void Add(const CComplex& sum);
    std::size_t Size() const { return m_count; }
    const CComplex& Last() const { return m_last[0][2]; }
    // The last entry of the highest even column the sums reach, and as
    // its error the distance to the entries of that column before it
    // (at least one sum added).
    CComplex Limit(double& error) const;

private:
    // Per column (0: the sums) its last three entries, the newest last;
    // the columns grow but are never given back.
    std::vector<std::array<CComplex, 3>> m_last;
    std::size_t m_count = 0;
    // The first column where two neighbours of the column before were
    // equal: it and all the columns after it are left out.
    std::size_t m_broken = SIZE_MAX;
};
