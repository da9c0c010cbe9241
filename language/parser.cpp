// The rewriting parser: normalization, the bracket table and the ordered
// reduction steps that turn one text into one node.

#include <algorithm>
#include <cstdint>
#include <optional>

#include "language/functions.h"
#include "language/keywords.h"
#include "language/node.h"
#include "language/nodes.h"

namespace NCalculatorText {

namespace {

constexpr std::uint64_t kBudgetBase = 1u << 24;
constexpr std::uint64_t kBudgetPerCharacter = 16;

bool StartsWith(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

void AppendNumber(std::u16string& out, std::size_t value)
{
    char16_t digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        out.push_back(digits[--count]);
}

// Reduction step 1, repeated until it makes no replacement: every top-level
// bracket group, from left to right, goes into the bracket table and is
// replaced by its placeholder. A group is replaced only while the first "("
// comes before the first ")" and has a closing partner, so unbalanced
// brackets stay in the text. Done in one pass: after a replacement, nothing
// before the placeholder can be a bracket.
void ReplaceBracketGroups(std::vector<std::u16string>& table, std::u16string& text)
{
    const std::size_t open = text.find(u'(');
    if (open == std::u16string::npos)
        return;
    std::u16string out;
    std::size_t done = 0;  // text[0, done) has gone to out
    std::size_t position = open;
    for (;;) {
        const std::size_t close = text.find(u')', done);
        if (close == std::u16string::npos || close < position)
            break;
        std::size_t depth = 0;
        std::size_t partner = std::u16string::npos;
        for (std::size_t i = position + 1; i < text.size(); ++i) {
            if (text[i] == u'(') {
                ++depth;
            } else if (text[i] == u')') {
                if (depth == 0) {
                    partner = i;
                    break;
                }
                --depth;
            }
        }
        if (partner == std::u16string::npos)
            break;
        out.append(text, done, position - done);
        out.push_back(u'$');
        AppendNumber(out, table.size());
        out.push_back(u'$');
        table.emplace_back(text, position + 1, partner - position - 1);
        done = partner + 1;
        position = text.find(u'(', done);
        if (position == std::u16string::npos)
            break;
    }
    if (done == 0)
        return;
    out.append(text, done, std::u16string::npos);
    text = std::move(out);
}

// The deepest nesting of "(" in a normalized text.
int BracketNesting(std::u16string_view text)
{
    int depth = 0;
    int deepest = 0;
    for (char16_t c : text) {
        if (c == u'(') {
            deepest = std::max(deepest, ++depth);
        } else if (c == u')' && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

bool IsExponentSign(std::u16string_view text, std::size_t i)
{
    return i >= 2 && text[i - 1] == u'e' && (IsDigit(text[i - 2]) || text[i - 2] == u'.');
}

// What the operator steps look for, found in one pass over a text whose
// brackets are hidden: every later step sees only the top level.
struct CTopLevel {
    bool comma = false;
    std::size_t arrow = std::u16string_view::npos;           // the last "->" or "−>"
    std::size_t additive = std::u16string_view::npos;        // the last two-operand sign
    std::size_t multiplicative = std::u16string_view::npos;  // the last "*", "×", "/" or "÷"
    std::size_t power = std::u16string_view::npos;           // the last "^"
};

CTopLevel ScanTopLevel(std::u16string_view text)
{
    CTopLevel found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case u',':
            found.comma = true;
            break;
        case u'>':
            if (i >= 1 && IsMinus(text[i - 1]))
                found.arrow = i - 1;
            break;
        case u'+':
        case u'-':
        case kMinusSign:
            // Not the first character (a sign), not the sign of an exponent.
            if (i >= 1 && !IsExponentSign(text, i))
                found.additive = i;
            break;
        case u'*':
        case kTimesSign:
        case u'/':
        case kDivisionSign:
            found.multiplicative = i;
            break;
        case u'^':
            found.power = i;
            break;
        default:
            break;
        }
    }
    return found;
}

}  // namespace

// ---------------------------------------------------------------- helpers

void CParcer::ClearParseSession(CNode& node)
{
    node.m_parse = nullptr;
    for (CNode* child : node.m_children)
        ClearParseSession(*child);
}

CNodeArena& CParcer::Arena()
{
    CNode* node = GetNode();
    if (!node->m_arena) {
        node->m_arena = CNodeArena::Create();
        node->m_ownsArena = true;
    }
    return *node->m_arena;
}

void CParcer::LinkChild(CNode* child)
{
    CNode* parent = GetNode();
    CNodeArena& arena = Arena();
    child->m_arena = &arena;
    child->m_variables = parent->m_variables;
    child->m_parse = parent->m_parse;
    child->m_depth = parent->m_depth + 1;
    parent->m_children.push_back(arena, child);
}

void CParcer::AddChild(CNode* child, std::initializer_list<std::u16string_view> texts)
{
    CNodeArena& arena = Arena();
    child->m_texts.reserve(arena, texts.size());
    for (const std::u16string_view text : texts)
        child->m_texts.push_back(arena, arena.Copy(text));
    LinkChild(child);
}

void CParcer::AddChild(CNode* child, const std::vector<std::u16string>& texts)
{
    CNodeArena& arena = Arena();
    child->m_texts.reserve(arena, texts.size());
    for (const std::u16string& text : texts)
        child->m_texts.push_back(arena, arena.Copy(text));
    LinkChild(child);
}

template <class TNode>
void CParcer::AddChild(std::initializer_list<std::u16string_view> texts)
{
    AddChild(Arena().Make<TNode>(), texts);
}

bool CParcer::IsPlaceholder(std::u16string_view text)
{
    if (text.size() < 3 || text.front() != u'$' || text.back() != u'$')
        return false;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (!IsDigit(text[i]))
            return false;
    }
    return true;
}

bool CParcer::ResolvePlaceholder(std::u16string& text)
{
    if (!IsPlaceholder(text))
        return false;
    std::vector<std::u16string>& table = GetNode()->m_parse->brackets;
    std::size_t k = 0;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        k = k * 10 + static_cast<std::size_t>(text[i] - u'0');
        if (k >= table.size())
            return false;
    }
    // Every placeholder stands in exactly one text, so its entry is taken
    // out rather than copied.
    text = std::move(table[k]);
    table[k].clear();
    return true;
}

bool CParcer::IsNumberText(std::u16string_view text, bool plusRemoved)
{
    std::size_t begin = 0;
    if (!plusRemoved && !text.empty() && IsMinus(text[0]))
        begin = 1;
    const std::u16string_view body = text.substr(begin);

    // Positions of the exponent letter and of the characters removed with it.
    const std::size_t exponent = body.find(u'e');
    std::size_t exponentEnd = exponent;
    if (exponent != std::u16string_view::npos) {
        if (exponent + 1 == body.size())
            return false;
        exponentEnd = exponent + 1;
        const char16_t next = body[exponentEnd];
        if (next == u'+' || IsMinus(next))
            ++exponentEnd;
    }
    std::size_t separator = std::u16string_view::npos;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == u'.' || body[i] == u',') {
            separator = i;
            break;
        }
    }
    if (separator != std::u16string_view::npos && exponent != std::u16string_view::npos && separator > exponent)
        return false;

    std::size_t digits = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (exponent != std::u16string_view::npos && i >= exponent && i < exponentEnd)
            continue;
        if (i == separator)
            continue;
        if (!IsDigit(body[i]))
            return false;
        ++digits;
    }
    return digits > 0;
}

std::size_t CParcer::FindAdditiveOperator(std::u16string_view text)
{
    return ScanTopLevel(text).additive;
}

// ---------------------------------------------------------------- parse

bool CParcer::NormalizeExpression(std::u16string_view expression, std::u16string& text)
{
    std::size_t first = 0;
    std::size_t last = expression.size();
    while (first < last && IsWhiteSpace(expression[first]))
        ++first;
    while (last > first && IsWhiteSpace(expression[last - 1]))
        --last;

    // Written in place: the text only shrinks.
    text.resize(last - first);
    char16_t* out = text.data();
    for (std::size_t i = first; i < last; ++i) {
        char16_t c = expression[i];
        if (c >= u'a' && c <= u'z') {
            // The common case first.
        } else if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        } else if (c == u'\t' || c == u'\n' || c == u'\r') {
            continue;
        } else if (c == u'[' || c == u'{') {
            c = u'(';
        } else if (c == u']' || c == u'}') {
            c = u')';
        } else if (c == u'$') {
            text.clear();
            return false;
        }
        *out++ = c;
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return true;
}

bool CParcer::ParseExpression(CNode& root, std::u16string_view expression)
{
    std::u16string text;
    if (!NormalizeExpression(expression, text))
        return false;
    if (BracketNesting(text) > kMaxNestingDepth)
        return false;

    CParseSession session;
    session.limit = kBudgetBase + kBudgetPerCharacter * text.size();

    CNodeArena& arena = root.Arena();
    root.m_texts.push_back(arena, arena.Copy(text));
    root.m_parse = &session;
    const bool built = root.Build();
    // The session ends here; no node may reach it afterwards.
    ClearParseSession(root);
    return built;
}

bool CParcer::ParseText(std::u16string text)
{
    if (GetNode()->m_depth >= kMaxNestingDepth)
        return false;

    CParseSession& session = *GetNode()->m_parse;
    for (;;) {
        session.used += text.size() + 1;
        if (session.used > session.limit)
            return false;

        // 1. Brackets.
        ReplaceBracketGroups(session.brackets, text);

        // 2. Blanks.
        if (text.find(u' ') != std::u16string::npos)
            text.erase(std::remove(text.begin(), text.end(), u' '), text.end());

        const CTopLevel top = ScanTopLevel(text);

        // 3. Vector: the non-empty runs between commas.
        if (top.comma) {
            std::vector<std::u16string> elements;
            std::size_t start = 0;
            for (;;) {
                const std::size_t comma = text.find(u',', start);
                const std::size_t end = comma == std::u16string::npos ? text.size() : comma;
                if (end > start)
                    elements.emplace_back(text, start, end - start);
                if (comma == std::u16string::npos)
                    break;
                start = comma + 1;
            }
            AddChild(Arena().Make<CNodeVector>(), elements);
            return true;
        }

        // 4. Store, at the later of the last "->" and the last "−>".
        if (top.arrow != std::u16string::npos) {
            const std::u16string_view view(text);
            AddChild<CNodeStore>({view.substr(0, top.arrow), view.substr(top.arrow + 2)});
            return true;
        }

        // 5. Addition and subtraction, at the later of the last "+" and the
        // last minus that are two-operand operators.
        if (top.additive != std::u16string::npos) {
            const std::u16string_view view(text);
            const std::initializer_list<std::u16string_view> operands{view.substr(0, top.additive),
                                                                      view.substr(top.additive + 1)};
            if (text[top.additive] == u'+')
                AddChild<CNodePlus>(operands);
            else
                AddChild<CNodeMinus>(operands);
            return true;
        }

        // 6. Negation.
        if (!text.empty() && IsMinus(text[0])) {
            AddChild<CNodeChangeSign>({std::u16string_view(text).substr(1)});
            return true;
        }

        // 7. Multiplication and division, at the later of the last operators.
        if (const std::size_t at = top.multiplicative; at != std::u16string::npos) {
            const std::u16string_view view(text);
            const std::initializer_list<std::u16string_view> operands{view.substr(0, at), view.substr(at + 1)};
            if (text[at] == u'*' || text[at] == kTimesSign)
                AddChild<CNodeMul>(operands);
            else
                AddChild<CNodeDiv>(operands);
            return true;
        }

        // 8. Power, at the last "^".
        if (top.power != std::u16string::npos) {
            const std::u16string_view view(text);
            AddChild<CNodePow>({view.substr(0, top.power), view.substr(top.power + 1)});
            return true;
        }

        // 9. Factorial: after a placeholder, a constant or a number.
        if (text.size() >= 2 && text.back() == u'!') {
            bool factorial = text.find(u'$') != std::u16string::npos;
            if (!factorial) {
                std::u16string_view operand(text.data(), text.size() - 1);
                const bool plusRemoved = !operand.empty() && operand[0] == u'+';
                if (plusRemoved)
                    operand.remove_prefix(1);
                const std::optional<EConstantWord> word = FindConstantWord(operand);
                factorial = (word && *word != EConstantWord::Random) || IsNumberText(operand, plusRemoved);
            }
            if (factorial) {
                text.pop_back();
                AddChild<CNodeFactorial>({text});
                return true;
            }
        }

        // 10. Function application: a name directly followed by a bracket.
        if (const std::size_t dollar = text.find(u'$');
            dollar != std::u16string::npos && dollar >= 1 && dollar <= kMaxFunctionNameLength) {
            if (const CFunction* function = FindFunction(std::u16string_view(text).substr(0, dollar))) {
                AddChild(function->place(Arena()), {std::u16string_view(text).substr(dollar)});
                return true;
            }
        }

        // 11. Memory reference.
        if (ParseMemoryReference(text))
            return true;

        // 12. Constant or number.
        {
            std::u16string_view word(text);
            const bool plusRemoved = !word.empty() && word[0] == u'+';
            if (plusRemoved)
                word.remove_prefix(1);
            if (const std::optional<EConstantWord> constant = FindConstantWord(word)) {
                const std::initializer_list<std::u16string_view> argument{word};
                switch (*constant) {
                case EConstantWord::Pi: AddChild<CNodePi>(argument); break;
                case EConstantWord::E: AddChild<CNodeE>(argument); break;
                case EConstantWord::ImaginaryUnit: AddChild<CNodeI>(argument); break;
                case EConstantWord::Result: AddChild<CNodeResult>(argument); break;
                case EConstantWord::Random: AddChild<CNodeRandom>(argument); break;
                case EConstantWord::Infinity: AddChild<CNodeInfinity>(argument); break;
                }
                return true;
            }
            if (IsNumberText(word, plusRemoved)) {
                AddChild<CNodeNumber>({text});
                return true;
            }
            // "+inf" is "∞" (a signed infinite limit); "inf" alone a name.
            if (plusRemoved && IsInfinityWord(word)) {
                AddChild<CNodeInfinity>({word});
                return true;
            }
        }

        // 13. Identifier.
        if (!text.empty() && IsIdentifierStart(text[0]) &&
            std::all_of(text.begin(), text.end(), IsIdentifierCharacter))
            return ParseIdentifier(text);

        // 14. Placeholder: the bracket's content, reduced from step 1 on.
        if (IsPlaceholder(text)) {
            if (!ResolvePlaceholder(text))
                return false;
            continue;
        }

        // 15. Nothing matched.
        return false;
    }
}

bool CParcer::ParseMemoryReference(std::u16string_view text)
{
    if (GetNode()->m_depth >= kMaxNestingDepth)
        return false;
    if (text.size() < 3 || !StartsWith(text, u"mem"))
        return false;
    const std::size_t keyStart = text.size() >= 6 && StartsWith(text, u"memory") ? 6 : 3;
    AddChild<CNodeMemory>({text.substr(keyStart)});
    return true;
}

bool CParcer::ParseIdentifier(std::u16string_view text)
{
    // The table of the parent, created there when it has none: it is then
    // shared by this identifier, the parent's later children and everything
    // below them, but not by the parent's ancestors or earlier children.
    CNode* parent = GetNode();
    if (parent->m_variables == nullptr) {
        parent->m_ownedVariables = std::make_unique<CVariableTable>();
        parent->m_variables = parent->m_ownedVariables.get();
    }
    CVariableTable& table = *parent->m_variables;
    auto found = table.find(text);
    if (found == table.end())
        found = table.emplace(std::u16string(text), std::make_unique<CNodeVariable>()).first;
    AddChild(Arena().Make<CNodeVariableReference>(found->second.get()), {text});
    return true;
}

}  // namespace NCalculatorText
