#pragma once
// Test helper: one random source for runs that must draw the same values
// (the fast and the checked evaluation compared). Its generators start
// alike and are seeded already, since a later seed would come from the
// clock.

#include "document/calc_environment.h"
#include "numeric/random.h"

inline const CRandomSource& SharedRandom()
{
    static const CRandomSource random = [] {
        CRandomSource source = MakeDocumentContext().random;
        source.SeedImaginaryOnce();
        return source;
    }();
    return random;
}
