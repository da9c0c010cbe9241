#pragma once
// The tokenizing parser: the trees of the rewriting parser (language/node.h)
// in one pass over the text, in time linear in its length.
//
// The rewriting parser hides bracket groups behind placeholders and splits a
// text at the last operator of the lowest precedence it holds; operators of
// one precedence therefore group to the left. This parser finds the bracket
// groups once, keeps each level of brackets as a list of elements (a
// character or a group, blanks left out) and splits a range of elements at
// all of its operators of one precedence at once, building the chain to the
// left that the rewriting parser builds one split at a time. Every rule of
// the rewriting parser is kept, also its quirks: a sign after an exponent
// letter ("2e-1") is no operator, "2*-3" is no expression, a bracket group
// leaves no node, a memory key is the bracket's text unparsed.
//
// The tree is a plain array of nodes; children are listed in the order in
// which the rewriting parser builds them. The variables of series indices
// are resolved as its variable tables resolve them.
//
// There is no length limit. Brackets nested deeper than kMaxBracketDepth are
// a syntax error, and so is a tree whose evaluation would nest deeper than
// kMaxEvaluationDepth (a hundred thousand factorials in a row); chains of
// operators of two operands may be as long as the text, since they are
// evaluated without recursion.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace NCalculatorText {

struct CFunction;
class CDefinitions;

// What a parse may know besides the language: the user's definitions, and
// while the body of a defined function is read its parameters. Without
// definitions every name is read as the language alone reads it.
struct CParseScope {
    const CDefinitions* definitions = nullptr;
    std::span<const std::u16string> parameters;
    // A body checked when its function is defined: a call of a name that
    // is not defined (yet) is read as a call, resolved when it is made.
    bool deferCalls = false;
    // A name read as an identifier whatever is defined (the parameter of a
    // function's expression drawn over it).
    std::u16string_view freeName;
};

// Deepest bracket nesting a parse accepts; deeper is a syntax error.
inline constexpr int kMaxBracketDepth = 1000;
// Deepest nesting of evaluations a tree may need, a chain of operations of
// two operands along its left operands counted as one; deeper is a syntax
// error.
inline constexpr std::size_t kMaxEvaluationDepth = 5000;

enum class EParseKind : std::uint8_t {
    Vector,
    Store,
    Plus,
    Minus,
    ChangeSign,
    Mul,
    Div,
    Pow,
    Factorial,
    Function,
    Memory,
    Pi,
    E,
    ImaginaryUnit,
    Result,
    Random,
    Number,
    Identifier,
    Infinity,
    // A name defined as a value (text: the name).
    DefinedValue,
    // A call of a defined function (text: its name; one child, the
    // argument or the list of them).
    DefinedCall,
    // A parameter inside the body of a defined function (variable: its
    // position in the parameter list).
    Parameter
};

inline constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;

struct CParseNode {
    EParseKind kind = EParseKind::Number;
    // The node creates the variable table that its identifier children, and
    // the children after the first of them, use.
    bool ownsVariables = false;
    // Function: its row in the function table.
    const CFunction* function = nullptr;
    // The children: CParseTree::children[firstChild, firstChild + childCount).
    std::uint32_t firstChild = 0;
    std::uint32_t childCount = 0;
    // Index into CParseTree::texts: a number's literal (a leading "+"
    // kept), a constant's word, an identifier's name, a memory cell's key.
    std::uint32_t text = kNoIndex;
    // Identifier: the variable it stands for, numbered over the tree.
    std::uint32_t variable = kNoIndex;
};

struct CParseTree {
    std::vector<CParseNode> nodes;
    std::vector<std::uint32_t> children;
    std::vector<std::u16string> texts;
    std::uint32_t root = kNoIndex;
    std::uint32_t variableCount = 0;
    // The definitions the parse looked names up in; none without them.
    const CDefinitions* definitions = nullptr;
    // Whether the tree holds a call of a defined function.
    bool definedCalls = false;
    // Nodes on the longest path from the root down, the root counted.
    std::size_t depth = 0;
    // The same with each chain along left operands counted as one node.
    std::size_t evaluationDepth = 0;

    std::span<const std::uint32_t> Children(const CParseNode& node) const
    {
        return std::span<const std::uint32_t>(children).subspan(node.firstChild, node.childCount);
    }
    void Clear();
};

// Parses an expression as CParcer::ParseExpression does (normalization of
// white space, bracket kinds and letter case included) into tree, whose
// root is the node the rewriting parser makes the only child of its root.
// False on a syntax error.
bool ParseTokens(std::u16string_view expression, CParseTree& tree);
// The same with the user's definitions (and a body's parameters) in view:
// a defined value's name, unless a series index of that name hides it,
// stands for the value, and a defined function's name before a bracket is a
// call of it.
bool ParseTokens(std::u16string_view expression, CParseTree& tree, const CParseScope& scope);

}  // namespace NCalculatorText
