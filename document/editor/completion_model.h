#pragma once
// What the editor offers while a name is typed: the function names in the
// spelling the keypad writes (Notation and NotationCase), the memory
// keyword, the previous result, the random number and pi, each followed by
// the bracket the keypad would append, and the user's defined names (a
// function with its parameters); inside the bracket of a memory
// reference, the names of the stored cells. And the hint for the function
// whose bracket holds the caret.

#include <string>
#include <string_view>
#include <vector>

#include "document/preferences.h"

class CMemoryStore;

namespace NCalculatorText {
struct CFunction;
class CDefinitions;
}

struct CCompletion {
    std::u16string label;  // what the list shows
    std::u16string text;   // what replaces the typed part
};

// The words that begin with prefix in any letter case, whichever of their
// accepted spellings it starts, sorted by their labels. The defined names
// among them: a value as its name, a function labelled "f(x, y)" and
// completed with its name and the function bracket.
std::vector<CCompletion> NameCompletions(std::u16string_view prefix, const CPreferenceValues& preferences,
                                         const NCalculatorText::CDefinitions* definitions = nullptr);

// The memory cells whose names begin with prefix (in any letter case),
// each completed with closing, the bracket that ends the key; empty closing
// when the bracket is there already.
std::vector<CCompletion> MemoryCompletions(std::u16string_view prefix, const CMemoryStore& store,
                                           std::u16string_view closing);

// How the program writes a function's name: its written form for the
// notation and the case, or for a function never written by name its first
// accepted name in letters (sqrt, ceil, gamma, sum, ...) in that case.
std::u16string FunctionLabel(const NCalculatorText::CFunction& function, const CPreferenceValues& preferences);

// "J(ν, z): Bessel function of the first kind" for a name as typed before
// a bracket ("j", "BesselJ"); empty when the name is no function.
std::u16string FunctionHint(std::u16string_view name, const CPreferenceValues& preferences);

// "f(x, y) := x*y+1" for the name of a defined function as typed before a
// bracket (any letter case); empty when it is none.
std::u16string DefinitionHint(std::u16string_view name, const NCalculatorText::CDefinitions& definitions);
