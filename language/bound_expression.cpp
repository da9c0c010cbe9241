#include "language/bound_expression.h"

#include <algorithm>
#include <set>

#include "language/calculate.h"
#include "language/calculus_nodes.h"
#include "language/definitions.h"
#include "language/functions.h"
#include "language/keywords.h"
#include "language/nodes.h"
#include "language/token_parser.h"
#include "numeric/status.h"

namespace NCalculatorText {

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The index variables of every series of the tree: the variable that the
// first element of the series list refers to.
void CollectIndexVariables(const CNode& node, std::set<const CNodeVariable*>& indices)
{
    if (dynamic_cast<const CNodeSeries*>(&node) && !node.Children().empty()) {
        const CNode& list = *node.Children()[0];
        if (list.GetNodeType() == NodeVector && !list.Children().empty())
            if (const auto* index = dynamic_cast<const CNodeVariableReference*>(list.Children()[0]))
                indices.insert(index->Variable());
    }
    if (const auto* calculus = dynamic_cast<const CNodeCalculus*>(&node))
        calculus->CollectOwnVariables(indices);
    for (const CNode* child : node.Children())
        CollectIndexVariables(*child, indices);
}

void CollectReferences(const CNode& node, std::vector<const CNodeVariableReference*>& references)
{
    if (const auto* reference = dynamic_cast<const CNodeVariableReference*>(&node))
        references.push_back(reference);
    for (const CNode* child : node.Children())
        CollectReferences(*child, references);
}

}  // namespace

bool IsFreeNameCandidate(std::u16string_view name)
{
    if (name.empty() || FindFunction(name) || FindConstantWord(name))
        return false;
    // Every word that starts with the memory keyword is a memory reference.
    return name.substr(0, 3) != u"mem";
}

bool CBoundExpression::Parse(CCalcContext& context, std::u16string_view expression)
{
    m_freeNames.clear();
    m_name.clear();
    m_variables.clear();
    // A function's definition of one parameter stands for its expression
    // over that parameter.
    std::u16string parameter;
    std::size_t signLength = 0;
    const std::size_t sign = FindDefinitionSign(expression, signLength);
    if (sign != std::u16string_view::npos) {
        std::u16string head;
        for (char16_t c : expression.substr(0, sign)) {
            if (!IsWhiteSpace(c))
                head.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c);
        }
        const std::size_t open = head.find_first_of(u"([{");
        if (open != std::u16string::npos && head.size() > open + 2 && head.find(u',') == std::u16string::npos)
            parameter = head.substr(open + 1, head.size() - open - 2);
        if (parameter.empty() || !IsFreeNameCandidate(parameter)) {
            ReportStatus(context.run, eSyntaxError);
            return false;
        }
        expression = expression.substr(sign + signLength);
    }
    const CDefinitions* definitions =
        context.run.environment ? context.run.environment->Definitions() : nullptr;
    if (definitions && !definitions->Empty()) {
        // Defined names are looked up now, by the tokenizing parser, which
        // builds the trees of the rewriting one.
        thread_local CParseTree tree;
        CParseScope scope;
        scope.definitions = definitions;
        scope.freeName = parameter;
        m_parsed = ParseTokens(expression, tree, scope);
        if (m_parsed) {
            std::vector<CNodeDefinedCall*> calls;
            CParcer::BuildTree(m_root, tree, &calls, nullptr);
            if (!calls.empty() && !LinkDefinedCalls(context, m_root, calls, *definitions, tree.evaluationDepth)) {
                m_parsed = false;
                return false;
            }
        }
    } else {
        m_parsed = CParcer::ParseExpression(m_root, expression);
    }
    if (!m_parsed) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    std::set<const CNodeVariable*> indices;
    CollectIndexVariables(m_root, indices);
    std::vector<const CNodeVariableReference*> references;
    CollectReferences(m_root, references);
    for (const CNodeVariableReference* reference : references) {
        // An identifier keeps its text: the variable's name.
        if (indices.count(reference->Variable()) != 0 || reference->Texts().empty())
            continue;
        const std::u16string_view name = reference->Texts()[0];
        if (IsFreeNameCandidate(name))
            m_freeNames.emplace_back(name);
    }
    std::sort(m_freeNames.begin(), m_freeNames.end());
    m_freeNames.erase(std::unique(m_freeNames.begin(), m_freeNames.end()), m_freeNames.end());
    if (!parameter.empty()) {
        // The parameter alone is free; any other name of the body is looked
        // up as at a call (an undefined one is 0).
        const bool held = std::binary_search(m_freeNames.begin(), m_freeNames.end(), parameter);
        m_freeNames.clear();
        if (held)
            m_freeNames.push_back(parameter);
    }
    if (m_freeNames.size() == 1)
        Bind(m_freeNames[0]);
    return true;
}

bool CBoundExpression::Bind(std::u16string_view name)
{
    if (!m_parsed || std::find(m_freeNames.begin(), m_freeNames.end(), name) == m_freeNames.end())
        return false;
    std::set<const CNodeVariable*> indices;
    CollectIndexVariables(m_root, indices);
    std::vector<const CNodeVariableReference*> references;
    CollectReferences(m_root, references);
    m_variables.clear();
    for (const CNodeVariableReference* reference : references) {
        CNodeVariable* variable = reference->Variable();
        if (indices.count(variable) == 0 && !reference->Texts().empty() && reference->Texts()[0] == name &&
            std::find(m_variables.begin(), m_variables.end(), variable) == m_variables.end())
            m_variables.push_back(variable);
    }
    m_name = name;
    return true;
}

bool CBoundExpression::Evaluate(CCalcContext& context, const CComplex& at, CComplex& value)
{
    CCalcRunState& state = context.run;
    const CRunStateBinding binding(state);
    state.continueFlag = true;
    if (!m_parsed) {
        ReportStatus(state, eSyntaxError);
        return false;
    }
    for (CNodeVariable* variable : m_variables)
        variable->Set(at);
    CComplex result;
    if (!m_root.Evaluate(context, result) || !state.continueFlag)
        return false;
    value = result;
    return true;
}

std::vector<std::u16string> StatementExpressions(const std::u16string& text, std::size_t first, std::size_t last)
{
    std::vector<std::u16string> expressions;
    std::u16string work = text;
    if (!StripComments(work))
        return expressions;
    if (last < first)
        std::swap(first, last);
    const std::size_t n = work.size();
    std::size_t s = 0;
    while (s < n) {
        if (work[s] == u';') {
            ++s;
            continue;
        }
        // The statement ends at the next ";" or, once it holds an "=", at
        // the end of that line, as in the calculation run.
        std::size_t e = s;
        bool equals = false;
        for (; e < n; ++e) {
            if (work[e] == u';')
                break;
            if (work[e] == u'=' && !IsDefinitionEquals(work, e))
                equals = true;
            else if (equals && (text[e] == u'\n' || text[e] == u'\r'))
                break;
        }
        if (s <= last && e >= first) {
            std::u16string_view statement(work.data() + s, e - s);
            // The "=" of ":=" starts no old result.
            std::size_t at = statement.rfind(u'=');
            while (at != std::u16string_view::npos && IsDefinitionEquals(statement, at))
                at = at == 0 ? std::u16string_view::npos : statement.rfind(u'=', at - 1);
            if (at != std::u16string_view::npos)
                statement = statement.substr(0, at);
            if (std::any_of(statement.begin(), statement.end(), [](char16_t c) { return !IsBlank(c); }))
                expressions.emplace_back(statement);
        }
        s = e;
    }
    return expressions;
}

}  // namespace NCalculatorText
