#include "language/token_parser.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "language/definitions.h"
#include "language/functions.h"
#include "language/keywords.h"
#include "language/node.h"
#include "language/nodes.h"

namespace NCalculatorText {

namespace {

bool IsBinary(EParseKind kind)
{
    return kind == EParseKind::Plus || kind == EParseKind::Minus || kind == EParseKind::Mul ||
           kind == EParseKind::Div || kind == EParseKind::Pow;
}

// What an element can be for the operator steps, one bit each.
enum : std::uint8_t {
    kComma = 1,
    kArrowHead = 2,  // ">", an arrow when a minus stands before it
    kSign = 4,       // "+" or a minus
    kTimesOrBy = 8,  // "*", "×", "/", "÷"
    kPower = 16,
    kGroup = 32,     // a bracket group
};

std::uint8_t ClassOf(char16_t c)
{
    switch (c) {
    case u',': return kComma;
    case u'>': return kArrowHead;
    case u'+':
    case u'-':
    case kMinusSign: return kSign;
    case u'*':
    case kTimesSign:
    case u'/':
    case kDivisionSign: return kTimesOrBy;
    case u'^': return kPower;
    case u'(': return kGroup;
    default: return 0;
    }
}

class CTokenParser {
    struct CGroup {
        std::uint32_t open;       // position of the "("
        std::uint32_t close;      // position of its ")"
        std::uint32_t lo;         // its elements: [lo, hi)
        std::uint32_t hi;
        std::uint32_t stackBase;  // where its elements start on the stack
    };

public:
    bool Parse(std::u16string_view expression, CParseTree& tree, const CParseScope& scope)
    {
        m_tree = &tree;
        m_scope = scope;
        m_hidden.clear();
        if (!scope.freeName.empty())
            m_hidden.push_back(scope.freeName);
        tree.definitions = scope.definitions;
        m_depthOf.clear();
        m_nestingOf.clear();
        m_identifiers = false;
        if (!Normalize(expression) || !FindLevels())
            return false;
        const std::uint32_t root = ParseRange(m_topLo, m_topHi);
        if (root == kNoIndex)
            return false;
        m_tree->root = root;
        m_tree->depth = m_depthOf[root];
        m_tree->evaluationDepth = m_nestingOf[root];
        if (m_identifiers)
            ResolveVariables();
        return m_tree->evaluationDepth <= kMaxEvaluationDepth;
    }

private:
    // ------------------------------------------------------------ text

    // The normalization of the rewriting parser, into the kept buffer.
    bool Normalize(std::u16string_view expression) { return CParcer::NormalizeExpression(expression, m_text); }

    // Lists the elements of every bracket level: its characters other than
    // blanks, a group standing as its "(". The elements of one level are
    // contiguous, so a range of elements is a piece of one level's text.
    // Brackets that do not pair up leave a bracket in some text of the
    // rewriting parser, which no rule accepts: a syntax error.
    //
    // The open levels are kept on one stack of elements: a group's
    // elements are the top of that stack when its ")" comes, its inner
    // groups having taken theirs away already.
    bool FindLevels()
    {
        const std::size_t n = m_text.size();
        m_chars.resize(n);
        m_refs.resize(n);
        m_classes.resize(n);
        m_stackChars.resize(n);
        m_stackRefs.resize(n);
        m_groups.clear();
        m_openGroups.clear();
        std::uint32_t count = 0;  // elements listed
        std::uint32_t top = 0;    // elements on the stack
        for (std::uint32_t p = 0; p < n; ++p) {
            const char16_t c = m_text[p];
            if (c == u' ')
                continue;
            if (c == u')') {
                if (m_openGroups.empty())
                    return false;
                CGroup& group = m_groups[m_openGroups.back()];
                group.close = p;
                group.lo = count;
                for (std::uint32_t k = group.stackBase; k < top; ++k) {
                    m_chars[count] = m_stackChars[k];
                    m_refs[count] = m_stackRefs[k];
                    m_classes[count] = ClassOf(m_stackChars[k]);
                    ++count;
                }
                group.hi = count;
                top = group.stackBase;
                m_openGroups.pop_back();
                continue;
            }
            m_stackChars[top] = c;
            m_stackRefs[top] = p;
            ++top;
            if (c == u'(') {
                if (m_openGroups.size() >= static_cast<std::size_t>(kMaxBracketDepth))
                    return false;
                m_stackRefs[top - 1] = static_cast<std::uint32_t>(m_groups.size());
                m_openGroups.push_back(static_cast<std::uint32_t>(m_groups.size()));
                m_groups.push_back(CGroup{p, 0, 0, 0, top});
            }
        }
        if (!m_openGroups.empty())
            return false;
        m_topLo = count;
        for (std::uint32_t k = 0; k < top; ++k) {
            m_chars[count] = m_stackChars[k];
            m_refs[count] = m_stackRefs[k];
            m_classes[count] = ClassOf(m_stackChars[k]);
            ++count;
        }
        m_topHi = count;
        m_ops.clear();
        return true;
    }

    // The character of element e; "(" for a group.
    char16_t At(std::uint32_t e) const { return m_chars[e]; }
    bool IsGroup(std::uint32_t e) const { return m_classes[e] == kGroup; }
    const CGroup& GroupAt(std::uint32_t e) const { return m_groups[m_refs[e]]; }

    // The characters of a range that holds no group.
    std::u16string_view Word(std::uint32_t lo, std::uint32_t hi) const
    {
        return std::u16string_view(m_chars.data() + lo, hi - lo);
    }

    // A two-operand "+" or minus: not the first element, not the sign of
    // an exponent ("1.5e+3").
    bool IsAdditive(std::uint32_t lo, std::uint32_t e) const
    {
        if (e == lo || m_classes[e] != kSign)
            return false;
        return !(e >= lo + 2 && At(e - 1) == u'e' && (IsDigit(At(e - 2)) || At(e - 2) == u'.'));
    }

    // ------------------------------------------------------------ tree

    // Nodes are added bottom up: a node's depth and evaluation nesting
    // follow from its children's.
    std::uint32_t AddNode(EParseKind kind, std::initializer_list<std::uint32_t> children = {})
    {
        CParseNode node;
        node.kind = kind;
        node.firstChild = static_cast<std::uint32_t>(m_tree->children.size());
        node.childCount = static_cast<std::uint32_t>(children.size());
        m_tree->children.insert(m_tree->children.end(), children.begin(), children.end());
        m_tree->nodes.push_back(node);
        Measure(node);
        return static_cast<std::uint32_t>(m_tree->nodes.size() - 1);
    }

    // The depth of the subtree, in nodes, and its nesting of evaluations,
    // a chain along left operands counted once; an identifier counts for
    // the depth alone.
    void Measure(const CParseNode& node)
    {
        std::uint32_t depth = 1;
        std::uint32_t nesting = 1;
        for (std::uint32_t k = 0; k < node.childCount; ++k) {
            const std::uint32_t child = m_tree->children[node.firstChild + k];
            depth = std::max(depth, m_depthOf[child] + 1);
            const EParseKind kind = m_tree->nodes[child].kind;
            if (kind == EParseKind::Identifier)
                continue;
            const bool chained = k == 0 && IsBinary(node.kind) && IsBinary(kind);
            nesting = std::max(nesting, m_nestingOf[child] + (chained ? 0 : 1));
        }
        m_depthOf.push_back(depth);
        m_nestingOf.push_back(nesting);
    }

    std::uint32_t AddLeaf(EParseKind kind, std::u16string_view text)
    {
        const std::uint32_t node = AddNode(kind);
        m_tree->nodes[node].text = static_cast<std::uint32_t>(m_tree->texts.size());
        m_tree->texts.emplace_back(text);
        if (kind == EParseKind::Identifier)
            m_identifiers = true;
        return node;
    }

    // ------------------------------------------------------------ rules

    // Positions found in one range, kept on one stack shared by all the
    // ranges being parsed: a range's own positions stay below those of the
    // ranges it parses in turn, which take theirs off before they return.
    class COps {
    public:
        explicit COps(std::vector<std::uint32_t>& stack) : m_stack(stack), m_base(stack.size()) {}
        ~COps() { m_stack.resize(m_base); }
        COps(const COps&) = delete;
        COps& operator=(const COps&) = delete;
        void push_back(std::uint32_t e) { m_stack.push_back(e); }
        std::size_t size() const { return m_stack.size() - m_base; }
        bool empty() const { return size() == 0; }
        std::uint32_t operator[](std::size_t k) const { return m_stack[m_base + k]; }

    private:
        std::vector<std::uint32_t>& m_stack;
        std::size_t m_base;
    };

    // A chain of operands at the positions ops (ascending) in [lo, hi),
    // grouped to the left: ((o0 op1 o1) op2 o2) ...
    template <class TKind>
    std::uint32_t ParseChain(std::uint32_t lo, std::uint32_t hi, const COps& ops,
                             std::uint32_t width, TKind kindOf)
    {
        std::uint32_t left = ParseRange(lo, ops[0]);
        for (std::size_t k = 0; k < ops.size() && left != kNoIndex; ++k) {
            const std::uint32_t end = k + 1 < ops.size() ? ops[k + 1] + 1 - width : hi;
            const std::uint32_t right = ParseRange(ops[k] + 1, end);
            if (right == kNoIndex)
                return kNoIndex;
            left = AddNode(kindOf(At(ops[k])), {left, right});
        }
        return left;
    }

    // One text reduced to one node, as ParseText does from its step 3 on.
    // One pass finds which operators the range holds; a second collects
    // the positions of the kind that applies.
    std::uint32_t ParseRange(std::uint32_t lo, std::uint32_t hi)
    {
        if (lo >= hi)
            return kNoIndex;
        std::uint8_t held = 0;
        for (std::uint32_t e = lo; e < hi; ++e)
            held |= m_classes[e];
        if ((held & (kComma | kArrowHead | kSign | kTimesOrBy | kPower)) == 0)
            return ParseOperand(lo, hi, (held & kGroup) != 0);
        COps ops(m_ops);

        // Vector: the non-empty runs between commas.
        if (held & kComma) {
            for (std::uint32_t e = lo; e < hi; ++e) {
                if (m_classes[e] == kComma)
                    ops.push_back(e);
            }
            ops.push_back(hi);
            const std::size_t ends = ops.size();
            COps elements(m_ops);
            std::uint32_t start = lo;
            for (std::size_t k = 0; k < ends; ++k) {
                const std::uint32_t end = ops[k];
                if (end > start) {
                    const std::uint32_t element = ParseRange(start, end);
                    if (element == kNoIndex)
                        return kNoIndex;
                    elements.push_back(element);
                }
                start = end + 1;
            }
            CParseNode node;
            node.kind = EParseKind::Vector;
            node.firstChild = static_cast<std::uint32_t>(m_tree->children.size());
            node.childCount = static_cast<std::uint32_t>(elements.size());
            for (std::size_t k = 0; k < elements.size(); ++k)
                m_tree->children.push_back(elements[k]);
            m_tree->nodes.push_back(node);
            Measure(node);
            return static_cast<std::uint32_t>(m_tree->nodes.size() - 1);
        }

        // Store at every arrow, each target a memory reference.
        if (held & kArrowHead) {
            for (std::uint32_t e = lo + 1; e < hi; ++e) {
                if (m_classes[e] == kArrowHead && IsMinus(At(e - 1)))
                    ops.push_back(e);
            }
            if (!ops.empty()) {
                std::uint32_t left = ParseRange(lo, ops[0] - 1);
                for (std::size_t k = 0; k < ops.size() && left != kNoIndex; ++k) {
                    const std::uint32_t end = k + 1 < ops.size() ? ops[k + 1] - 1 : hi;
                    const std::uint32_t target = ParseMemory(ops[k] + 1, end);
                    if (target == kNoIndex)
                        return kNoIndex;
                    left = AddNode(EParseKind::Store, {left, target});
                }
                return left;
            }
        }

        if (held & kSign) {
            // Addition and subtraction.
            for (std::uint32_t e = lo + 1; e < hi; ++e) {
                if (IsAdditive(lo, e))
                    ops.push_back(e);
            }
            if (!ops.empty()) {
                return ParseChain(lo, hi, ops, 1,
                                  [](char16_t c) { return c == u'+' ? EParseKind::Plus : EParseKind::Minus; });
            }

            // Negation.
            if (IsMinus(At(lo))) {
                const std::uint32_t operand = ParseRange(lo + 1, hi);
                return operand == kNoIndex ? kNoIndex : AddNode(EParseKind::ChangeSign, {operand});
            }
        }

        // Multiplication and division.
        if (held & kTimesOrBy) {
            for (std::uint32_t e = lo; e < hi; ++e) {
                if (m_classes[e] == kTimesOrBy)
                    ops.push_back(e);
            }
            return ParseChain(lo, hi, ops, 1, [](char16_t c) {
                return c == u'*' || c == kTimesSign ? EParseKind::Mul : EParseKind::Div;
            });
        }

        // Power.
        if (held & kPower) {
            for (std::uint32_t e = lo; e < hi; ++e) {
                if (m_classes[e] == kPower)
                    ops.push_back(e);
            }
            return ParseChain(lo, hi, ops, 1, [](char16_t) { return EParseKind::Pow; });
        }

        return ParseOperand(lo, hi, (held & kGroup) != 0);
    }

    // Steps 9 on: factorial, function, memory, constant, number,
    // identifier, bracket.
    std::uint32_t ParseOperand(std::uint32_t lo, std::uint32_t hi, bool group)
    {

        // Factorial: after a bracket anywhere in the text (then every
        // trailing "!" is one), or after a constant or a number.
        if (hi - lo >= 2 && At(hi - 1) == u'!') {
            std::uint32_t end = hi - 1;
            bool factorial = group;
            if (group) {
                while (end > lo && At(end - 1) == u'!')
                    --end;
            } else {
                const bool plusRemoved = At(lo) == u'+';
                const std::u16string_view operand = Word(plusRemoved ? lo + 1 : lo, end);
                const std::optional<EConstantWord> word = FindConstantWord(operand);
                factorial = (word && *word != EConstantWord::Random) || CParcer::IsNumberText(operand, plusRemoved);
            }
            if (factorial) {
                std::uint32_t node = ParseRange(lo, end);
                for (std::uint32_t k = end; k < hi && node != kNoIndex; ++k)
                    node = AddNode(EParseKind::Factorial, {node});
                return node;
            }
        }

        // Function application: a name directly before the first bracket.
        if (group) {
            std::uint32_t first = lo;
            while (!IsGroup(first))
                ++first;
            if (first > lo && first - lo <= kMaxFunctionNameLength) {
                if (const CFunction* function = FindFunction(Word(lo, first))) {
                    // The index of a series, an integral, a derivative or a
                    // root hides a defined value of its name inside it.
                    const std::size_t hidden = m_hidden.size();
                    const EOperationKind kind = function->kind;
                    if ((m_scope.definitions || !m_scope.parameters.empty()) &&
                        (kind == CNodeSum::kKind || kind == CNodeProduct::kKind || kind == Integral ||
                         kind == Derivative || kind == Root))
                        HideIndex(first);
                    const std::uint32_t argument = ParseRange(first, hi);
                    m_hidden.resize(hidden);
                    if (argument == kNoIndex)
                        return kNoIndex;
                    const std::uint32_t node = AddNode(EParseKind::Function, {argument});
                    m_tree->nodes[node].function = function;
                    return node;
                }
            }
            if (first > lo && (m_scope.definitions || m_scope.deferCalls) && IsDefinedCall(Word(lo, first))) {
                const std::uint32_t argument = ParseRange(first, hi);
                if (argument == kNoIndex)
                    return kNoIndex;
                const std::uint32_t node = AddNode(EParseKind::DefinedCall, {argument});
                m_tree->nodes[node].text = static_cast<std::uint32_t>(m_tree->texts.size());
                m_tree->texts.emplace_back(Word(lo, first));
                m_tree->definedCalls = true;
                return node;
            }
        }

        // Memory reference: whatever follows "mem" is its key or an error.
        if (hi - lo >= 3 && At(lo) == u'm' && At(lo + 1) == u'e' && At(lo + 2) == u'm')
            return ParseMemory(lo, hi);

        if (!group) {
            const bool plusRemoved = At(lo) == u'+';
            const std::u16string_view word = Word(plusRemoved ? lo + 1 : lo, hi);
            if (const std::optional<EConstantWord> constant = FindConstantWord(word)) {
                static constexpr EParseKind kinds[] = {EParseKind::Pi, EParseKind::E, EParseKind::ImaginaryUnit,
                                                       EParseKind::Result, EParseKind::Random,
                                                       EParseKind::Infinity};
                return AddLeaf(kinds[static_cast<int>(*constant)], word);
            }
            if (CParcer::IsNumberText(word, plusRemoved))
                return AddLeaf(EParseKind::Number, Word(lo, hi));
            // "+inf" is "∞" (a signed infinite limit); "inf" alone a name.
            if (plusRemoved && IsInfinityWord(word))
                return AddLeaf(EParseKind::Infinity, word);
            if (IsIdentifierStart(At(lo)) && std::all_of(word.begin(), word.end(), IsIdentifierCharacter)) {
                if (m_scope.definitions || !m_scope.parameters.empty())
                    return ScopedName(word);
                return AddLeaf(EParseKind::Identifier, word);
            }
            return kNoIndex;
        }

        // A bracket alone: its content, in the same place.
        if (hi - lo == 1) {
            const CGroup& inner = GroupAt(lo);
            return ParseRange(inner.lo, inner.hi);
        }
        return kNoIndex;
    }

    // A name where definitions or parameters are in view: a series index
    // of the name hides them, then a parameter comes before a definition;
    // anything else is the identifier it always was.
    std::uint32_t ScopedName(std::u16string_view word)
    {
        if (std::find(m_hidden.begin(), m_hidden.end(), word) == m_hidden.end()) {
            const auto parameter = std::find(m_scope.parameters.begin(), m_scope.parameters.end(), word);
            if (parameter != m_scope.parameters.end()) {
                const std::uint32_t node = AddLeaf(EParseKind::Parameter, word);
                m_tree->nodes[node].variable = static_cast<std::uint32_t>(parameter - m_scope.parameters.begin());
                return node;
            }
            if (m_scope.definitions) {
                const CDefinition* definition = m_scope.definitions->Find(word);
                if (definition && !definition->IsFunction())
                    return AddLeaf(EParseKind::DefinedValue, word);
            }
        }
        return AddLeaf(EParseKind::Identifier, word);
    }

    // Before the argument of a series is read: the name of its index (the
    // first element of its list, when that is a name) hides a definition.
    void HideIndex(std::uint32_t group)
    {
        const CGroup& inner = GroupAt(group);
        std::uint32_t end = inner.lo;
        while (end < inner.hi && m_classes[end] != kComma)
            ++end;
        if (end == inner.lo || end == inner.hi)
            return;
        const std::u16string_view index = Word(inner.lo, end);
        if (IsIdentifierStart(index[0]) && std::all_of(index.begin(), index.end(), IsIdentifierCharacter))
            m_hidden.emplace_back(index);
    }

    // Whether a name before a bracket, no function of the language, calls
    // a defined function: one that is defined, or any name a definition
    // could have while a body is checked.
    bool IsDefinedCall(std::u16string_view name) const
    {
        if (!IsIdentifierStart(name[0]) || !std::all_of(name.begin(), name.end(), IsIdentifierCharacter))
            return false;
        // A body may call a name that is a value now and a function at the
        // call (a memory file defines in the order of the names).
        if (m_scope.deferCalls)
            return !IsLanguageWord(name);
        const CDefinition* definition = m_scope.definitions->Find(name);
        return definition && definition->IsFunction();
    }

    // "mem" or "memory" and then exactly one bracket, whose text without
    // white space at its ends is the key. A key with "=", a zero or U+FEFF
    // is refused.
    std::uint32_t ParseMemory(std::uint32_t lo, std::uint32_t hi)
    {
        if (hi - lo < 3 || At(lo) != u'm' || At(lo + 1) != u'e' || At(lo + 2) != u'm')
            return kNoIndex;
        const bool memory = hi - lo >= 6 && At(lo + 3) == u'o' && At(lo + 4) == u'r' && At(lo + 5) == u'y';
        const std::uint32_t key = lo + (memory ? 6 : 3);
        if (hi - key != 1 || !IsGroup(key))
            return kNoIndex;
        const CGroup& group = GroupAt(key);
        std::size_t first = group.open + 1;
        std::size_t last = group.close;
        while (first < last && IsWhiteSpace(m_text[first]))
            ++first;
        while (last > first && IsWhiteSpace(m_text[last - 1]))
            --last;
        const std::u16string_view name = std::u16string_view(m_text).substr(first, last - first);
        if (name.find_first_of(std::u16string_view(u"=\0\uFEFF", 3)) != std::u16string_view::npos)
            return kNoIndex;
        return AddLeaf(EParseKind::Memory, name);
    }

    // ------------------------------------------------------------ variables

    // The variable tables of the rewriting parser: an identifier looks its
    // name up in the table of its parent, which creates one when it has
    // none; a child takes the table its parent has when the child is added,
    // so the children before the first identifier child (and everything
    // below them) do not see that table. Needed only when the tree holds
    // an identifier.
    void ResolveVariables()
    {
        std::size_t tableCount = 0;
        std::vector<CVisit>& stack = m_visits;
        stack.assign(1, CVisit{m_tree->root, kNoIndex});
        m_tree->variableCount = 0;
        while (!stack.empty()) {
            const CVisit visit = stack.back();
            stack.pop_back();
            std::uint32_t table = visit.table;
            CParseNode& node = m_tree->nodes[visit.node];
            for (std::uint32_t k = 0; k < node.childCount; ++k) {
                const std::uint32_t child = m_tree->children[node.firstChild + k];
                CParseNode& leaf = m_tree->nodes[child];
                if (leaf.kind != EParseKind::Identifier) {
                    stack.push_back({child, table});
                    continue;
                }
                if (table == kNoIndex) {
                    table = static_cast<std::uint32_t>(tableCount++);
                    if (m_tables.size() < tableCount)
                        m_tables.emplace_back();
                    m_tables[table].clear();
                    m_tree->nodes[visit.node].ownsVariables = true;
                }
                const auto [found, added] = m_tables[table].try_emplace(m_tree->texts[leaf.text], m_tree->variableCount);
                if (added)
                    ++m_tree->variableCount;
                leaf.variable = found->second;
            }
        }
    }

    struct CVisit {
        std::uint32_t node;
        std::uint32_t table;
    };

    CParseTree* m_tree = nullptr;
    CParseScope m_scope;
    // The indices of the series being read, innermost last.
    std::vector<std::u16string_view> m_hidden;
    std::u16string m_text;
    // The elements of all levels, each level's contiguous: the character
    // ("(" for a group), the group's number for a group, the operator
    // class.
    std::vector<char16_t> m_chars;
    std::vector<std::uint32_t> m_refs;
    std::vector<std::uint8_t> m_classes;
    // The elements of the open levels while the levels are found.
    std::vector<char16_t> m_stackChars;
    std::vector<std::uint32_t> m_stackRefs;
    std::vector<std::uint32_t> m_ops;
    std::vector<CVisit> m_visits;
    std::vector<std::map<std::u16string_view, std::uint32_t>> m_tables;
    std::vector<std::uint32_t> m_openGroups;
    std::vector<CGroup> m_groups;
    // Per node of the tree: the depth and the evaluation nesting of its
    // subtree (see Measure).
    std::vector<std::uint32_t> m_depthOf;
    std::vector<std::uint32_t> m_nestingOf;
    bool m_identifiers = false;
    std::uint32_t m_topLo = 0;
    std::uint32_t m_topHi = 0;
};

}  // namespace

void CParseTree::Clear()
{
    nodes.clear();
    children.clear();
    texts.clear();
    root = kNoIndex;
    variableCount = 0;
    definitions = nullptr;
    definedCalls = false;
    depth = 0;
    evaluationDepth = 0;
}

bool ParseTokens(std::u16string_view expression, CParseTree& tree)
{
    return ParseTokens(expression, tree, CParseScope{});
}

bool ParseTokens(std::u16string_view expression, CParseTree& tree, const CParseScope& scope)
{
    tree.Clear();
    // Its buffers are kept from one parse to the next.
    thread_local CTokenParser parser;
    return parser.Parse(expression, tree, scope);
}

void CParcer::BuildTree(CNode& root, const CParseTree& tree)
{
    BuildTree(root, tree, nullptr, nullptr);
}

CNodeDefinitionBody* CParcer::MakeDefinitionBody(CNode& root, std::u16string name, std::size_t parameters)
{
    CNodeArena& arena = root.Arena();
    CNodeDefinitionBody* body = arena.Make<CNodeDefinitionBody>(std::move(name), parameters);
    body->m_arena = &arena;
    return body;
}

void CParcer::BuildTree(CNode& root, const CParseTree& tree, std::vector<CNodeDefinedCall*>* calls,
                        const CComplex* parameters)
{
    // Depth first, the children of a node in their order, each node added
    // before anything below it: the order in which the rewriting parser
    // adds them, which decides what each variable table holds.
    struct CPending {
        std::uint32_t node;
        CNode* parent;
    };
    // The work lists are kept from one tree to the next, and the nodes come
    // from the root's arena: a run of short statements allocates nothing
    // once the arena's block cache holds a block.
    thread_local std::vector<CPending> pending;
    thread_local std::vector<CNodeLn*> logarithms;
    pending.assign(1, {tree.root, &root});
    logarithms.clear();
    CNodeArena& arena = root.Arena();
    arena.ReserveNodes(tree.nodes.size());
    // What LinkChild does, without asking each parent for its node and
    // arena again.
    const auto attach = [&arena](CNode& parent, CNode* child) {
        child->m_arena = &arena;
        child->m_variables = parent.m_variables;
        child->m_parse = parent.m_parse;
        child->m_depth = parent.m_depth + 1;
        parent.m_children.push_back(arena, child);
    };
    const auto attachLeaf = [&](CNode& parent, CNode* child, const std::u16string& text) {
        child->m_texts.reserve(arena, 1);
        child->m_texts.push_back(arena, arena.Copy(text));
        attach(parent, child);
    };
    while (!pending.empty()) {
        const CPending next = pending.back();
        pending.pop_back();
        const CParseNode& node = tree.nodes[next.node];
        CNode& parent = *next.parent;
        const std::u16string* text = node.text == kNoIndex ? nullptr : &tree.texts[node.text];
        CNode* added = nullptr;
        switch (node.kind) {
        case EParseKind::Identifier: parent.ParseIdentifier(*text); continue;
        case EParseKind::Memory: {
            auto* memory = arena.Make<CNodeMemory>();
            memory->SetKey(*text);
            attach(parent, memory);
            continue;
        }
        case EParseKind::Number:
            added = arena.Make<CNodeNumber>();
            attachLeaf(parent, added, *text);
            added->Build();
            continue;
        case EParseKind::DefinedValue: {
            const CDefinition* definition = tree.definitions ? tree.definitions->Find(*text) : nullptr;
            attachLeaf(parent, arena.Make<CNodeDefinedValue>(definition ? definition->value : CComplex()), *text);
            continue;
        }
        case EParseKind::Parameter:
            attachLeaf(parent, arena.Make<CNodeParameter>(parameters + node.variable), *text);
            continue;
        case EParseKind::DefinedCall: {
            auto* call = arena.Make<CNodeDefinedCall>();
            call->m_texts.reserve(arena, 1);
            call->m_texts.push_back(arena, arena.Copy(*text));
            if (calls)
                calls->push_back(call);
            added = call;
            break;
        }
        case EParseKind::Pi: attachLeaf(parent, arena.Make<CNodePi>(), *text); continue;
        case EParseKind::E: attachLeaf(parent, arena.Make<CNodeE>(), *text); continue;
        case EParseKind::ImaginaryUnit: attachLeaf(parent, arena.Make<CNodeI>(), *text); continue;
        case EParseKind::Result: attachLeaf(parent, arena.Make<CNodeResult>(), *text); continue;
        case EParseKind::Random: attachLeaf(parent, arena.Make<CNodeRandom>(), *text); continue;
        case EParseKind::Infinity: attachLeaf(parent, arena.Make<CNodeInfinity>(), *text); continue;
        case EParseKind::Function: added = node.function->place(arena); break;
        case EParseKind::Vector: added = arena.Make<CNodeVector>(); break;
        case EParseKind::Store: added = arena.Make<CNodeStore>(); break;
        case EParseKind::Plus: added = arena.Make<CNodePlus>(); break;
        case EParseKind::Minus: added = arena.Make<CNodeMinus>(); break;
        case EParseKind::ChangeSign: added = arena.Make<CNodeChangeSign>(); break;
        case EParseKind::Mul: added = arena.Make<CNodeMul>(); break;
        case EParseKind::Div: added = arena.Make<CNodeDiv>(); break;
        case EParseKind::Pow: added = arena.Make<CNodePow>(); break;
        case EParseKind::Factorial: added = arena.Make<CNodeFactorial>(); break;
        }
        attach(parent, added);
        if (node.kind == EParseKind::Function && node.function->kind == CNodeLn::kKind)
            logarithms.push_back(static_cast<CNodeLn*>(added));
        const std::span<const std::uint32_t> children = tree.Children(node);
        added->m_children.reserve(arena, children.size());
        for (std::size_t k = children.size(); k > 0; --k)
            pending.push_back({children[k - 1], added});
    }
    // The logarithm looks at its operand once that is built.
    for (CNodeLn* logarithm : logarithms)
        logarithm->LinkGammaOperand();
}

}  // namespace NCalculatorText
