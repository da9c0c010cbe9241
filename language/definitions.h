#pragma once
// The user's own names: a defined value ("r := 5", evaluated once when its
// statement is calculated) and a defined function ("f(x, y) := x*y+1",
// whose expression is kept and evaluated at each call with the arguments
// bound to its parameters). They live with the memory cells of the
// document (ICalcEnvironment::Definitions) and are looked up when a
// statement's tree is built: a defined value becomes a constant of the
// tree, and every function the tree calls gets one body in it, shared by
// all its calls.
//
// ":=" may also be written "≔" (U+2254). The "=" of ":=" is never the "="
// before an old result.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "numeric/complex.h"

namespace NCalculatorText {

class CCalcContext;
class CNode;
class CNodeDefinedCall;

struct CDefinition {
    // Lower case, like every word of a calculation.
    std::u16string name;
    // A function's parameters in order, lower case; none for a value.
    std::vector<std::u16string> parameters;
    // A function's expression as it was written, white space at its ends
    // removed and every TAB, CR and LF made a blank.
    std::u16string body;
    // A value's value.
    CComplex value;
    // The names a function's expression calls as functions, each once.
    std::vector<std::u16string> calls;

    bool IsFunction() const { return !parameters.empty(); }
    // "f(x, y)" for a function, the name for a value.
    std::u16string Head() const;
    // The statement that defines a function again: "f(x, y) := x*y+1".
    std::u16string FunctionText() const;
};

class CDefinitions {
public:
    using CItems = std::map<std::u16string, CDefinition, std::less<>>;

    const CDefinition* Find(std::u16string_view name) const;
    // Defines a name, replacing what it stood for.
    void Define(CDefinition definition);
    bool Remove(std::u16string_view name);
    void Clear()
    {
        m_items.clear();
        ++m_generation;
    }
    bool Empty() const { return m_items.empty(); }
    std::size_t Count() const { return m_items.size(); }
    // Ordered by the UTF-16 code units of the names, like the memory cells.
    const CItems& Items() const { return m_items; }

    // Counts every change: the memory pane refreshes when it moved.
    std::uint64_t Generation() const { return m_generation; }

    bool operator==(const CDefinitions& other) const { return m_items == other.m_items; }

private:
    CItems m_items;
    std::uint64_t m_generation = 0;
};

inline bool operator==(const CDefinition& a, const CDefinition& b)
{
    return a.name == b.name && a.parameters == b.parameters && a.body == b.body && a.value == b.value;
}

// A word the language reads by itself (a function name, a constant word,
// the result and random keywords, any word that starts with "mem"): it
// cannot be defined.
bool IsLanguageWord(std::u16string_view name);

// Where the first ":=" or "≔" of an expression stands, with its length in
// code units; npos when it has none.
std::size_t FindDefinitionSign(std::u16string_view expression, std::size_t& length);

// Whether the "=" at position p of a text is that of a ":=".
inline bool IsDefinitionEquals(std::u16string_view text, std::size_t p)
{
    return p > 0 && text[p - 1] == u':';
}

// Calculates a statement that holds a definition sign at sign. A value's
// definition gives the value (which becomes the previous result) with
// hasValue true; a function's gives none and leaves the previous result.
// False, with the reason logged, when the definition is refused or its
// value cannot be calculated; nothing is defined then.
bool EvaluateDefinition(CCalcContext& context, std::u16string_view expression, std::size_t sign,
                        std::size_t signLength, CComplex& value, bool& hasValue);

// Gives every call in calls (all made by BuildTree below root) the body of
// its function, built once per function in the tree of root; the bodies'
// own calls are added to calls and linked in turn. False, with the reason
// logged, when a call has the wrong number of arguments, calls a name that
// is no defined function, or the functions call each other in a circle.
// treeDepth is the evaluation depth of root's own tree.
bool LinkDefinedCalls(CCalcContext& context, CNode& root, std::vector<CNodeDefinedCall*>& calls,
                      const class CDefinitions& definitions, std::size_t treeDepth);

}  // namespace NCalculatorText
