#pragma once
// The expression tree. The parser does not tokenize: it rewrites text. It
// hides every bracketed group behind a placeholder "$k$", then decides by an
// ordered list of reduction steps which single node a text is; the node keeps
// the texts of its operands and turns each into a child when it is built.
// The order of the steps gives the precedence of the operators. That parser
// defines the language; calculations read their texts with the tokenizing
// parser (language/token_parser.h), which builds the same trees in linear
// time and without its limits of length, and BuildTree turns its result
// into nodes.
//
// A node computes its value with the numeric core and reports every problem
// through ReportStatus to the run state of the calculation context it is
// handed; Evaluate returns that state's continue flag, and a false result
// makes every ancestor stop at once.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "language/node_arena.h"
#include "numeric/complex.h"

namespace NCalculatorText {

enum ENodeType { NodeOrdinary = 0, NodeVariable = 1, NodeVector = 2 };

class CCalcContext;
class CNode;
class CNodeBinaryBase;
class CNodeVariable;
class CNodeDefinedCall;
class CNodeDefinitionBody;
struct CParseTree;

// The named variables of one tree, keyed by their lower-case names. The node
// that created a table owns it together with its variables.
using CVariableTable = std::map<std::u16string, std::unique_ptr<CNodeVariable>, std::less<>>;

// What one parse works with: the bracket table, whose entry k holds the text
// that stood inside the k-th bracket pair replaced so far (the placeholder
// "$k$" stands for it), and the budget. A parse rewrites and copies texts
// level by level; the work it may do is bounded, so that a pathological
// text (a chain of a million operators, a million brackets) ends quickly as
// a syntax error instead of taking time and memory that grow with the square
// of its length. Lives on the stack of ParseExpression.
struct CParseSession {
    std::vector<std::u16string> brackets;
    std::uint64_t used = 0;
    std::uint64_t limit = 0;
};

// Deepest tree, and deepest bracket nesting, that a parse accepts; a deeper
// text is a syntax error instead of a stack overflow.
inline constexpr int kMaxNestingDepth = 1000;

// The base of every node: the reduction operations of the parser. They work
// on the node that calls them (GetNode), append the nodes they create to its
// children and hand those the node's variable table.
class CParcer {
public:
    virtual CNode* GetNode() = 0;

    // Reduces one text to one node, appended as the next child of this node
    // together with its argument texts; the child is not built. False when
    // the text is no expression.
    bool ParseText(std::u16string text);

    // Normalizes an expression (white space, bracket kinds, letter case) and
    // builds the whole tree below a plain root node, which then has exactly
    // one child. False on a syntax error.
    static bool ParseExpression(CNode& root, std::u16string_view expression);

    // The text both parsers work on: white space trimmed at the ends, TAB,
    // LF and CR dropped, every bracket made round, letters A to Z made
    // lower case. False when the expression holds a "$", which would pass
    // for a placeholder.
    static bool NormalizeExpression(std::u16string_view expression, std::u16string& text);

    // Builds below a plain root node the tree that the tokenizing parser
    // read (language/token_parser.h): the same nodes, added in the same
    // order, with the same variable tables, as ParseExpression builds for
    // the same text. Works without recursion, so that a chain as long as
    // the text is no danger to the stack.
    static void BuildTree(CNode& root, const CParseTree& tree);
    // The same where the tree may call defined functions: each call made
    // is added to calls, and the parameters of a function's body (read
    // with a CParseScope that names them) read the argument slots of
    // parameters, one a parameter in order.
    static void BuildTree(CNode& root, const CParseTree& tree, std::vector<CNodeDefinedCall*>* calls,
                          const CComplex* parameters);
    // A body for a defined function of that many parameters, made in the
    // arena of root's tree and taken down with it; BuildTree puts the
    // function's expression below it.
    static CNodeDefinitionBody* MakeDefinitionBody(CNode& root, std::u16string name, std::size_t parameters);

    // The number test: digits with at most one "." (or ",") and an optional
    // exponent "e" with an optional sign. plusRemoved tells that a leading
    // "+" was already taken off; otherwise one leading minus is allowed.
    static bool IsNumberText(std::u16string_view text, bool plusRemoved);

    // Position of the last "+", "-" or "−" that is a two-operand operator:
    // not the first character, and not the sign of an exponent ("1.5e+3").
    // npos when there is none.
    static std::size_t FindAdditiveOperator(std::u16string_view text);

protected:
    ~CParcer() = default;

    // Reduction step 11 alone: a memory reference "mem..." or "memory...".
    bool ParseMemoryReference(std::u16string_view text);

    // Replaces a text that is exactly one placeholder "$k$" by entry k of the
    // running parse's bracket table. False when the text is not such a
    // placeholder.
    bool ResolvePlaceholder(std::u16string& text);
    static bool IsPlaceholder(std::u16string_view text);

private:
    static void ClearParseSession(CNode& node);
    bool ParseIdentifier(std::u16string_view text);
    // The arena of this node's tree, made when a root gets its first child.
    CNodeArena& Arena();
    // Appends a child made in this tree's arena (see Arena) with its
    // argument texts, copied into the arena; it shares this node's variable
    // table.
    void AddChild(CNode* child, std::initializer_list<std::u16string_view> texts);
    void AddChild(CNode* child, const std::vector<std::u16string>& texts);
    template <class TNode>
    void AddChild(std::initializer_list<std::u16string_view> texts);
    void LinkChild(CNode* child);
};

class CNode : public CParcer {
public:
    CNode() = default;
    // A root takes down its whole tree, without recursion; a node made in
    // an arena leaves its children to the arena.
    virtual ~CNode();
    CNode(const CNode&) = delete;
    CNode& operator=(const CNode&) = delete;

    // The elements a function's node takes between its brackets: one (a
    // list then stands for its first element) unless its class says
    // otherwise. The function table reads them.
    static constexpr std::size_t kMinArguments = 1;
    static constexpr std::size_t kMaxArguments = 1;

    CNode* GetNode() override { return this; }
    // Turns the argument texts into children, in order, each built before
    // the next text is parsed (depth first).
    virtual bool Build();
    // Computes the value into the caller's slot; returns the continue flag.
    // The plain node (the root) and the vector stand for their first child.
    virtual bool Evaluate(CCalcContext& context, CComplex& value);
    virtual ENodeType GetNodeType() const { return NodeOrdinary; }
    // The node as an operation of two operands, or null.
    virtual CNodeBinaryBase* AsBinary() { return nullptr; }

    // The argument texts. A text is handed to the parser when its child is
    // built, so after building only leaves (identifiers, constants,
    // numbers, memory references) still hold theirs. Texts and children
    // live in the arena of the tree (language/node_arena.h).
    const CArenaList<std::u16string_view>& Texts() const { return m_texts; }
    const CArenaList<CNode*>& Children() const { return m_children; }
    CVariableTable* Variables() const { return m_variables; }
    // Bytes the arena of the tree took from the system; 0 before the tree
    // has a node.
    std::size_t StorageBytes() const { return m_arena ? m_arena->Reserved() : 0; }
    bool OwnsVariables() const { return m_ownedVariables != nullptr; }

protected:
    friend class CParcer;

    // Parses and builds one argument text as the next child. The text is
    // handed over: once its child exists the node no longer needs it.
    bool BuildText(std::size_t index);

    // Argument texts, set by the parser.
    CArenaList<std::u16string_view> m_texts;
    // The variables this node's table holds. The tree's nodes, which refer
    // to them, are taken down by the root before its own table goes.
    std::unique_ptr<CVariableTable> m_ownedVariables;
    CArenaList<CNode*> m_children;
    CVariableTable* m_variables = nullptr;
    // The running parse; null once the tree is built.
    CParseSession* m_parse = nullptr;
    // The arena of the tree; the root owns it, every other node of the tree
    // was made in it.
    CNodeArena* m_arena = nullptr;
    int m_depth = 0;
    bool m_ownsArena = false;
};

// An index variable of a series. It lives in a variable table, never among
// the children of a node.
class CNodeVariable final : public CNode {
public:
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override;
    ENodeType GetNodeType() const override { return NodeVariable; }

    void Set(const CComplex& value)
    {
        m_value = value;
        m_uninitialized = false;
    }
    void Reset()
    {
        m_value = CComplex();
        m_uninitialized = true;
    }
    bool Uninitialized() const { return m_uninitialized; }
    const CComplex& Value() const { return m_value; }

private:
    bool m_uninitialized = true;
    CComplex m_value;
};

// An identifier in the text: stands for the variable of its name.
class CNodeVariableReference final : public CNode {
public:
    explicit CNodeVariableReference(CNodeVariable* variable) : m_variable(variable) {}
    bool Build() override { return m_variable != nullptr; }
    bool Evaluate(CCalcContext& context, CComplex& value) override { return m_variable->Evaluate(context, value); }
    ENodeType GetNodeType() const override { return NodeVariable; }
    CNodeVariable* Variable() const { return m_variable; }

private:
    CNodeVariable* m_variable;
};

}  // namespace NCalculatorText
