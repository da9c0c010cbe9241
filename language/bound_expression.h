#pragma once
// A statement evaluated many times over one of its names: the pictures of a
// calculation over a line or over the complex plane. The expression is
// parsed once; the free name is the one identifier that is neither a
// function, a keyword, a memory reference nor the index of a series, and
// every evaluation sets it to a new value before the tree is evaluated.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "language/calc_context.h"
#include "language/node.h"
#include "numeric/complex.h"

namespace NCalculatorText {

class CBoundExpression {
public:
    // Parses the expression, with the context's definitions in view; false,
    // with the problem reported to the context, when it is no expression.
    // A function's definition of one parameter ("f(x) := x^2") stands for
    // its expression, whose only free name is then the parameter.
    bool Parse(CCalcContext& context, std::u16string_view expression);

    // The free names of the parsed expression in lower case, sorted, each
    // once.
    const std::vector<std::u16string>& FreeNames() const { return m_freeNames; }
    // The name that Evaluate sets: the only free name, or none.
    const std::u16string& Name() const { return m_name; }
    bool HasName() const { return !m_variables.empty(); }

    // Makes name (one of FreeNames) the one that Evaluate sets; false when
    // the expression has no such free name.
    bool Bind(std::u16string_view name);

    // Sets the bound name to at and evaluates the tree in the context.
    // False, with the problem reported there, when the evaluation stopped.
    // The previous result stays: a plot's values are no results.
    bool Evaluate(CCalcContext& context, const CComplex& at, CComplex& value);

private:
    CNode m_root;
    std::vector<std::u16string> m_freeNames;
    std::u16string m_name;
    // Every variable that stands for the bound name: one table per subtree
    // can hold a variable of the same name.
    std::vector<CNodeVariable*> m_variables;
    bool m_parsed = false;
};

// Whether a name the parser took for an identifier may be a free name: not
// a function name, a constant word or a memory keyword.
bool IsFreeNameCandidate(std::u16string_view name);

// The expressions of the statements that hold the text positions from
// first to last (a caret: first == last), in text order: comments blanked,
// each without its old "=" and result. Statements are cut as the
// calculation run cuts them; blank statements are left out.
std::vector<std::u16string> StatementExpressions(const std::u16string& text, std::size_t first, std::size_t last);

}  // namespace NCalculatorText
