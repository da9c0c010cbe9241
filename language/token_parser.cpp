#include "language/token_parser.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "language/functions.h"
#include "language/keywords.h"
#include "language/node.h"
#include "language/nodes.h"

namespace NCalculatorText {

namespace {

bool IsSign(char16_t c)
{
    return c == u'+' || IsMinus(c);
}

bool IsBinary(EParseKind kind)
{
    return kind == EParseKind::Plus || kind == EParseKind::Minus || kind == EParseKind::Mul ||
           kind == EParseKind::Div || kind == EParseKind::Pow;
}

class CTokenParser {
public:
    bool Parse(std::u16string_view expression, CParseTree& tree)
    {
        m_tree = &tree;
        if (!Normalize(expression) || !FindLevels())
            return false;
        const std::uint32_t root = ParseRange(m_topLo, m_topHi);
        if (root == kNoIndex)
            return false;
        m_tree->root = root;
        ResolveVariables();
        return m_tree->evaluationDepth <= kMaxEvaluationDepth;
    }

private:
    // ------------------------------------------------------------ text

    // The normalization of the rewriting parser, into the kept buffer.
    bool Normalize(std::u16string_view expression) { return CParcer::NormalizeExpression(expression, m_text); }

    // Lists the elements of every bracket level: the positions of its
    // characters other than blanks, a group standing as the position of its
    // "(". Brackets that do not pair up leave a bracket in some text of the
    // rewriting parser, which no rule accepts: a syntax error.
    bool FindLevels()
    {
        m_elements.clear();
        m_elements.reserve(m_text.size());
        m_groupOf.assign(m_text.size(), kNoIndex);
        m_groups.clear();
        std::vector<std::vector<std::uint32_t>>& open = m_open;
        std::vector<std::uint32_t>& openGroups = m_openGroups;
        if (open.empty())
            open.emplace_back();
        for (std::vector<std::uint32_t>& level : open)
            level.clear();
        openGroups.clear();
        for (std::uint32_t p = 0; p < m_text.size(); ++p) {
            const char16_t c = m_text[p];
            if (c == u' ')
                continue;
            if (c == u')') {
                if (openGroups.empty())
                    return false;
                CGroup& group = m_groups[openGroups.back()];
                group.close = p;
                std::vector<std::uint32_t>& level = open[openGroups.size()];
                group.lo = static_cast<std::uint32_t>(m_elements.size());
                m_elements.insert(m_elements.end(), level.begin(), level.end());
                group.hi = static_cast<std::uint32_t>(m_elements.size());
                level.clear();
                openGroups.pop_back();
                continue;
            }
            open[openGroups.size()].push_back(p);
            if (c == u'(') {
                if (openGroups.size() >= static_cast<std::size_t>(kMaxBracketDepth))
                    return false;
                m_groupOf[p] = static_cast<std::uint32_t>(m_groups.size());
                openGroups.push_back(static_cast<std::uint32_t>(m_groups.size()));
                m_groups.push_back(CGroup{p, 0, 0, 0});
                if (open.size() <= openGroups.size())
                    open.emplace_back();
            }
        }
        if (!openGroups.empty())
            return false;
        m_topLo = static_cast<std::uint32_t>(m_elements.size());
        m_elements.insert(m_elements.end(), open[0].begin(), open[0].end());
        m_topHi = static_cast<std::uint32_t>(m_elements.size());
        m_ops.clear();
        return true;
    }

    // The character of element e; "(" for a group.
    char16_t At(std::uint32_t e) const { return m_text[m_elements[e]]; }
    bool IsGroup(std::uint32_t e) const { return At(e) == u'('; }

    // The characters of a range that holds no group.
    const std::u16string& Word(std::uint32_t lo, std::uint32_t hi)
    {
        m_word.clear();
        for (std::uint32_t e = lo; e < hi; ++e)
            m_word.push_back(At(e));
        return m_word;
    }

    bool HasGroup(std::uint32_t lo, std::uint32_t hi) const
    {
        for (std::uint32_t e = lo; e < hi; ++e) {
            if (IsGroup(e))
                return true;
        }
        return false;
    }

    // A two-operand "+" or minus: not the first element, not the sign of
    // an exponent ("1.5e+3").
    bool IsAdditive(std::uint32_t lo, std::uint32_t e) const
    {
        if (e == lo || !IsSign(At(e)))
            return false;
        return !(e >= lo + 2 && At(e - 1) == u'e' && (IsDigit(At(e - 2)) || At(e - 2) == u'.'));
    }

    // ------------------------------------------------------------ tree

    std::uint32_t AddNode(EParseKind kind, std::initializer_list<std::uint32_t> children = {})
    {
        CParseNode node;
        node.kind = kind;
        node.firstChild = static_cast<std::uint32_t>(m_tree->children.size());
        node.childCount = static_cast<std::uint32_t>(children.size());
        m_tree->children.insert(m_tree->children.end(), children.begin(), children.end());
        m_tree->nodes.push_back(node);
        return static_cast<std::uint32_t>(m_tree->nodes.size() - 1);
    }

    std::uint32_t AddLeaf(EParseKind kind, std::u16string text)
    {
        const std::uint32_t node = AddNode(kind);
        m_tree->nodes[node].text = static_cast<std::uint32_t>(m_tree->texts.size());
        m_tree->texts.push_back(std::move(text));
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
    std::uint32_t ParseRange(std::uint32_t lo, std::uint32_t hi)
    {
        if (lo >= hi)
            return kNoIndex;
        COps ops(m_ops);

        // Vector: the non-empty runs between commas.
        for (std::uint32_t e = lo; e < hi; ++e) {
            if (At(e) == u',')
                ops.push_back(e);
        }
        if (!ops.empty()) {
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
            const std::uint32_t node = AddNode(EParseKind::Vector);
            m_tree->nodes[node].firstChild = static_cast<std::uint32_t>(m_tree->children.size());
            m_tree->nodes[node].childCount = static_cast<std::uint32_t>(elements.size());
            for (std::size_t k = 0; k < elements.size(); ++k)
                m_tree->children.push_back(elements[k]);
            return node;
        }

        // Store at every arrow, each target a memory reference.
        for (std::uint32_t e = lo + 1; e < hi; ++e) {
            if (At(e) == u'>' && IsMinus(At(e - 1)))
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

        // Multiplication and division.
        for (std::uint32_t e = lo; e < hi; ++e) {
            const char16_t c = At(e);
            if (c == u'*' || c == kTimesSign || c == u'/' || c == kDivisionSign)
                ops.push_back(e);
        }
        if (!ops.empty()) {
            return ParseChain(lo, hi, ops, 1, [](char16_t c) {
                return c == u'*' || c == kTimesSign ? EParseKind::Mul : EParseKind::Div;
            });
        }

        // Power.
        for (std::uint32_t e = lo; e < hi; ++e) {
            if (At(e) == u'^')
                ops.push_back(e);
        }
        if (!ops.empty())
            return ParseChain(lo, hi, ops, 1, [](char16_t) { return EParseKind::Pow; });

        return ParseOperand(lo, hi);
    }

    // Steps 9 on: factorial, function, memory, constant, number,
    // identifier, bracket.
    std::uint32_t ParseOperand(std::uint32_t lo, std::uint32_t hi)
    {
        const bool group = HasGroup(lo, hi);

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
                const std::u16string& operand = Word(plusRemoved ? lo + 1 : lo, end);
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
                    const std::uint32_t argument = ParseRange(first, hi);
                    if (argument == kNoIndex)
                        return kNoIndex;
                    const std::uint32_t node = AddNode(EParseKind::Function, {argument});
                    m_tree->nodes[node].function = function;
                    return node;
                }
            }
        }

        // Memory reference: whatever follows "mem" is its key or an error.
        if (hi - lo >= 3 && At(lo) == u'm' && At(lo + 1) == u'e' && At(lo + 2) == u'm')
            return ParseMemory(lo, hi);

        if (!group) {
            const bool plusRemoved = At(lo) == u'+';
            const std::u16string& word = Word(plusRemoved ? lo + 1 : lo, hi);
            if (const std::optional<EConstantWord> constant = FindConstantWord(word)) {
                static constexpr EParseKind kinds[] = {EParseKind::Pi, EParseKind::E, EParseKind::ImaginaryUnit,
                                                       EParseKind::Result, EParseKind::Random};
                return AddLeaf(kinds[static_cast<int>(*constant)], word);
            }
            if (CParcer::IsNumberText(word, plusRemoved))
                return AddLeaf(EParseKind::Number, plusRemoved ? u"+" + word : word);
            if (IsIdentifierStart(At(lo)) && std::all_of(word.begin(), word.end(), IsIdentifierCharacter))
                return AddLeaf(EParseKind::Identifier, word);
            return kNoIndex;
        }

        // A bracket alone: its content, in the same place.
        if (hi - lo == 1) {
            const CGroup& inner = m_groups[m_groupOf[m_elements[lo]]];
            return ParseRange(inner.lo, inner.hi);
        }
        return kNoIndex;
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
        const CGroup& group = m_groups[m_groupOf[m_elements[key]]];
        std::size_t first = group.open + 1;
        std::size_t last = group.close;
        while (first < last && IsWhiteSpace(m_text[first]))
            ++first;
        while (last > first && IsWhiteSpace(m_text[last - 1]))
            --last;
        std::u16string name = m_text.substr(first, last - first);
        if (name.find_first_of(std::u16string_view(u"=\0\uFEFF", 3)) != std::u16string::npos)
            return kNoIndex;
        return AddLeaf(EParseKind::Memory, std::move(name));
    }

    // ------------------------------------------------------------ variables

    // The variable tables of the rewriting parser: an identifier looks its
    // name up in the table of its parent, which creates one when it has
    // none; a child takes the table its parent has when the child is added,
    // so the children before the first identifier child (and everything
    // below them) do not see that table. Also measures the depth.
    void ResolveVariables()
    {
        std::size_t tableCount = 0;
        std::vector<CVisit>& stack = m_visits;
        stack.assign(1, CVisit{m_tree->root, kNoIndex, 1, 1});
        m_tree->depth = 0;
        m_tree->evaluationDepth = 0;
        m_tree->variableCount = 0;
        while (!stack.empty()) {
            const CVisit visit = stack.back();
            stack.pop_back();
            m_tree->depth = std::max(m_tree->depth, visit.depth);
            m_tree->evaluationDepth = std::max(m_tree->evaluationDepth, visit.nesting);
            std::uint32_t table = visit.table;
            CParseNode& node = m_tree->nodes[visit.node];
            for (std::uint32_t k = 0; k < node.childCount; ++k) {
                const std::uint32_t child = m_tree->children[node.firstChild + k];
                CParseNode& leaf = m_tree->nodes[child];
                if (leaf.kind != EParseKind::Identifier) {
                    // The left operand of an operation of two operands that
                    // is one itself continues its chain, which is evaluated
                    // without recursion.
                    const bool chained = k == 0 && IsBinary(node.kind) && IsBinary(leaf.kind);
                    stack.push_back({child, table, visit.depth + 1, visit.nesting + (chained ? 0 : 1)});
                    continue;
                }
                m_tree->depth = std::max(m_tree->depth, visit.depth + 1);
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
        std::size_t depth;
        std::size_t nesting;
    };

    struct CGroup {
        std::uint32_t open;   // position of the "("
        std::uint32_t close;  // position of its ")"
        std::uint32_t lo;     // its elements: m_elements[lo, hi)
        std::uint32_t hi;
    };

    CParseTree* m_tree = nullptr;
    std::u16string m_text;
    std::vector<std::uint32_t> m_elements;
    std::vector<std::uint32_t> m_ops;
    std::vector<CVisit> m_visits;
    std::vector<std::map<std::u16string_view, std::uint32_t>> m_tables;
    std::vector<std::vector<std::uint32_t>> m_open;
    std::vector<std::uint32_t> m_openGroups;
    std::vector<std::uint32_t> m_groupOf;
    std::vector<CGroup> m_groups;
    std::uint32_t m_topLo = 0;
    std::uint32_t m_topHi = 0;
    std::u16string m_word;
};

}  // namespace

void CParseTree::Clear()
{
    nodes.clear();
    children.clear();
    texts.clear();
    root = kNoIndex;
    variableCount = 0;
    depth = 0;
    evaluationDepth = 0;
}

bool ParseTokens(std::u16string_view expression, CParseTree& tree)
{
    tree.Clear();
    // Its buffers are kept from one parse to the next.
    thread_local CTokenParser parser;
    return parser.Parse(expression, tree);
}

void CParcer::BuildTree(CNode& root, const CParseTree& tree)
{
    // Depth first, the children of a node in their order, each node added
    // before anything below it: the order in which the rewriting parser
    // adds them, which decides what each variable table holds.
    struct CPending {
        std::uint32_t node;
        CNode* parent;
    };
    // The work lists are kept from one tree to the next: a run of short
    // statements allocates for the nodes alone.
    thread_local std::vector<CPending> pending;
    thread_local std::vector<CNodeLn*> logarithms;
    pending.assign(1, {tree.root, &root});
    logarithms.clear();
    CNodeArena& arena = root.Arena();
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
            parent.LinkChild(memory);
            continue;
        }
        case EParseKind::Number:
            added = arena.Make<CNodeNumber>();
            parent.AddChild(added, {*text});
            added->Build();
            continue;
        case EParseKind::Pi: parent.AddChild(arena.Make<CNodePi>(), {*text}); continue;
        case EParseKind::E: parent.AddChild(arena.Make<CNodeE>(), {*text}); continue;
        case EParseKind::ImaginaryUnit: parent.AddChild(arena.Make<CNodeI>(), {*text}); continue;
        case EParseKind::Result: parent.AddChild(arena.Make<CNodeResult>(), {*text}); continue;
        case EParseKind::Random: parent.AddChild(arena.Make<CNodeRandom>(), {*text}); continue;
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
        parent.LinkChild(added);
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
