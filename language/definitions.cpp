#include "language/definitions.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "language/calc_context.h"
#include "language/calculate.h"
#include "language/functions.h"
#include "language/keywords.h"
#include "language/node.h"
#include "language/nodes.h"
#include "language/token_parser.h"
#include "numeric/status.h"

namespace NCalculatorText {

namespace {

constexpr char16_t kDefinitionSign = u'\u2254';  // ≔

bool IsName(std::u16string_view text)
{
    return !text.empty() && IsIdentifierStart(text[0]) &&
           std::all_of(text.begin(), text.end(), IsIdentifierCharacter);
}

// The text of a definition's left side as the parser reads words: white
// space and blanks dropped, brackets made round, A to Z lower case.
std::u16string NormalizedHead(std::u16string_view text)
{
    std::u16string head;
    head.reserve(text.size());
    for (char16_t c : text) {
        if (IsWhiteSpace(c))
            continue;
        if (c == u'[' || c == u'{')
            c = u'(';
        else if (c == u']' || c == u'}')
            c = u')';
        else if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        head.push_back(c);
    }
    return head;
}

// A function's expression as it is kept: its ends trimmed, line breaks and
// TABs made blanks, so that it stays on one line of a memory file.
std::u16string KeptBody(std::u16string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsWhiteSpace(text[first]))
        ++first;
    while (last > first && IsWhiteSpace(text[last - 1]))
        --last;
    std::u16string body(text.substr(first, last - first));
    for (char16_t& c : body) {
        if (IsWhiteSpace(c))
            c = u' ';
    }
    return body;
}

bool Refuse(CCalcContext& context, std::u16string description)
{
    ReportStatusText(context.run, eDefinitionError, std::move(description));
    return false;
}

std::u16string Quoted(std::u16string_view name)
{
    return u"\"" + std::u16string(name) + u"\"";
}

// Whether a function whose expression calls calls reaches name through the
// definitions; through is the first function on the way (name itself for a
// direct call).
bool Reaches(const CDefinitions& definitions, const std::vector<std::u16string>& calls, std::u16string_view name,
             std::u16string& through)
{
    std::set<std::u16string, std::less<>> seen;
    std::vector<std::pair<std::u16string_view, std::u16string_view>> pending;  // name, first step
    for (const std::u16string& call : calls)
        pending.emplace_back(call, call);
    while (!pending.empty()) {
        const auto [next, first] = pending.back();
        pending.pop_back();
        if (next == name) {
            through = first;
            return true;
        }
        if (!seen.insert(std::u16string(next)).second)
            continue;
        const CDefinition* definition = definitions.Find(next);
        if (!definition || !definition->IsFunction())
            continue;
        for (const std::u16string& call : definition->calls)
            pending.emplace_back(call, first);
    }
    return false;
}

std::u16string CountText(std::size_t count)
{
    std::u16string text;
    for (char c : std::to_string(count))
        text.push_back(static_cast<char16_t>(c));
    return text;
}

}  // namespace

std::u16string CDefinition::Head() const
{
    if (!IsFunction())
        return name;
    std::u16string head = name + u"(";
    for (std::size_t k = 0; k < parameters.size(); ++k) {
        if (k > 0)
            head += u", ";
        head += parameters[k];
    }
    return head + u")";
}

std::u16string CDefinition::FunctionText() const
{
    return Head() + u" := " + body;
}

const CDefinition* CDefinitions::Find(std::u16string_view name) const
{
    const auto found = m_items.find(name);
    return found == m_items.end() ? nullptr : &found->second;
}

void CDefinitions::Define(CDefinition definition)
{
    std::u16string name = definition.name;
    m_items.insert_or_assign(std::move(name), std::move(definition));
    ++m_generation;
}

bool CDefinitions::Remove(std::u16string_view name)
{
    const auto found = m_items.find(name);
    if (found == m_items.end())
        return false;
    m_items.erase(found);
    ++m_generation;
    return true;
}

bool IsLanguageWord(std::u16string_view name)
{
    return FindFunction(name) != nullptr || FindConstantWord(name).has_value() || name.substr(0, 3) == u"mem";
}

std::size_t FindDefinitionSign(std::u16string_view expression, std::size_t& length)
{
    for (std::size_t p = 0; p < expression.size(); ++p) {
        if (expression[p] == kDefinitionSign) {
            length = 1;
            return p;
        }
        if (expression[p] == u':' && p + 1 < expression.size() && expression[p + 1] == u'=') {
            length = 2;
            return p;
        }
    }
    return std::u16string_view::npos;
}

bool EvaluateDefinition(CCalcContext& context, std::u16string_view expression, std::size_t sign,
                        std::size_t signLength, CComplex& value, bool& hasValue)
{
    hasValue = false;
    CDefinitions* definitions = context.run.environment ? context.run.environment->Definitions() : nullptr;
    if (!definitions) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    const std::u16string head = NormalizedHead(expression.substr(0, sign));
    const std::u16string_view rest = expression.substr(sign + signLength);
    std::size_t otherLength = 0;
    if (FindDefinitionSign(rest, otherLength) != std::u16string_view::npos) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }

    CDefinition definition;
    const std::size_t open = head.find(u'(');
    definition.name = head.substr(0, open);
    if (definition.name.empty())
        return Refuse(context, u"Cannot define: no name before \":=\"");
    if (!IsName(definition.name))
        return Refuse(context, u"Cannot define " + Quoted(definition.name) + u": it is not a name");
    if (IsLanguageWord(definition.name))
        return Refuse(context, u"Cannot define " + Quoted(definition.name) + u": the name belongs to the language");
    if (open != std::u16string::npos) {
        if (head.back() != u')' || head.find(u')') != head.size() - 1 || head.find(u'(', open + 1) != std::u16string::npos)
            return Refuse(context, u"Cannot define " + Quoted(definition.name) +
                                       u": the parameters must be names in one bracket");
        const std::u16string_view list = std::u16string_view(head).substr(open + 1, head.size() - open - 2);
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = list.find(u',', start);
            const std::u16string_view parameter =
                list.substr(start, comma == std::u16string_view::npos ? std::u16string_view::npos : comma - start);
            if (parameter.empty())
                return Refuse(context, u"Cannot define " + Quoted(definition.name) + u": a parameter is missing");
            if (!IsName(parameter))
                return Refuse(context, u"Cannot define " + Quoted(definition.name) + u": the parameter " +
                                           Quoted(parameter) + u" is not a name");
            // A function name may be a parameter (y in f(x, y)): before no
            // bracket it is a name. A constant or memory word may not.
            if (FindConstantWord(parameter) || parameter.substr(0, 3) == u"mem")
                return Refuse(context, u"Cannot define " + Quoted(definition.name) + u": the parameter " +
                                           Quoted(parameter) + u" belongs to the language");
            if (std::find(definition.parameters.begin(), definition.parameters.end(), parameter) !=
                definition.parameters.end())
                return Refuse(context, u"Cannot define " + Quoted(definition.name) + u": the parameter " +
                                           Quoted(parameter) + u" appears twice");
            definition.parameters.emplace_back(parameter);
            if (comma == std::u16string_view::npos)
                break;
            start = comma + 1;
        }
    }
    const std::u16string body = KeptBody(rest);
    if (body.empty())
        return Refuse(context, u"Cannot define " + Quoted(definition.name) + u": the expression is empty");

    if (!definition.IsFunction()) {
        // The value now, with every name as it stands before the new
        // definition: r := r + 1 counts on from the old r.
        CComplex result;
        if (!EvaluateExpression(context, body, result))
            return false;
        definition.value = result;
        definitions->Define(std::move(definition));
        value = result;
        hasValue = true;
        return true;
    }

    // A function's expression must be one; the names it calls may be
    // defined later, but never so that it calls itself.
    thread_local CParseTree tree;
    CParseScope scope;
    scope.definitions = definitions;
    scope.parameters = definition.parameters;
    scope.deferCalls = true;
    if (!ParseTokens(body, tree, scope)) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    for (const CParseNode& node : tree.nodes) {
        if (node.kind != EParseKind::DefinedCall)
            continue;
        const std::u16string& called = tree.texts[node.text];
        if (std::find(definition.calls.begin(), definition.calls.end(), called) == definition.calls.end())
            definition.calls.push_back(called);
    }
    std::u16string through;
    if (Reaches(*definitions, definition.calls, definition.name, through)) {
        return Refuse(context, u"Cannot define " + Quoted(definition.name) + u": it refers to itself" +
                                   (through == definition.name ? u"" : u" through " + Quoted(through)));
    }
    definition.body = body;
    definitions->Define(std::move(definition));
    return true;
}

bool LinkDefinedCalls(CCalcContext& context, CNode& root, std::vector<CNodeDefinedCall*>& calls,
                      const CDefinitions& definitions, std::size_t treeDepth)
{
    struct CInstance {
        CNodeDefinitionBody* body;
        std::size_t depth;                 // evaluation depth of its own tree
        std::vector<std::size_t> callees;  // instances its expression calls
    };
    std::vector<CInstance> instances;
    std::map<std::u16string, std::size_t, std::less<>> byName;
    // The instance each call stands in (npos: root's own tree).
    std::vector<std::size_t> owners(calls.size(), static_cast<std::size_t>(-1));
    std::vector<std::size_t> rootCallees;
    thread_local CParseTree tree;
    for (std::size_t k = 0; k < calls.size(); ++k) {
        CNodeDefinedCall& call = *calls[k];
        const std::size_t owner = owners[k];
        const std::u16string_view name = call.Name();
        auto found = byName.find(name);
        if (found == byName.end()) {
            const CDefinition* definition = definitions.Find(name);
            if (!definition || !definition->IsFunction()) {
                const std::u16string caller = owner == static_cast<std::size_t>(-1)
                                                  ? std::u16string(u"The calculation")
                                                  : Quoted(instances[owner].body->Name());
                return Refuse(context, caller + u" calls " + Quoted(name) + u", which is no defined function");
            }
            CParseScope scope;
            scope.definitions = &definitions;
            scope.parameters = definition->parameters;
            scope.deferCalls = true;
            if (!ParseTokens(definition->body, tree, scope)) {
                ReportStatus(context.run, eSyntaxError);
                return false;
            }
            CNodeDefinitionBody* body =
                CParcer::MakeDefinitionBody(root, definition->name, definition->parameters.size());
            const std::size_t index = instances.size();
            instances.push_back({body, tree.evaluationDepth, {}});
            found = byName.emplace(definition->name, index).first;
            CParcer::BuildTree(*body, tree, &calls, body->Arguments());
            owners.resize(calls.size(), index);
        }
        const std::size_t callee = found->second;
        CNodeDefinitionBody* body = instances[callee].body;
        const std::size_t given = call.ArgumentCount();
        if (given != body->ParameterCount()) {
            const std::size_t taken = body->ParameterCount();
            return Refuse(context, Quoted(body->Name()) + u" takes " + CountText(taken) +
                                       (taken == 1 ? u" argument, " : u" arguments, ") + CountText(given) +
                                       u" given");
        }
        call.SetBody(body);
        if (owner == static_cast<std::size_t>(-1))
            rootCallees.push_back(callee);
        else
            instances[owner].callees.push_back(callee);
    }

    // No circle (the definitions refuse one, but they may have been made
    // in another order since), and no nesting deeper than a tree of its own
    // may be: the depth of each instance counted through what it calls, in
    // an order where every callee comes before its callers.
    const std::size_t n = instances.size();
    std::vector<std::size_t> callers(n, 0);
    for (const CInstance& instance : instances)
        for (std::size_t callee : instance.callees)
            ++callers[callee];
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < n; ++k)
        if (callers[k] == 0)
            order.push_back(k);
    for (std::size_t done = 0; done < order.size(); ++done) {
        for (std::size_t callee : instances[order[done]].callees)
            if (--callers[callee] == 0)
                order.push_back(callee);
    }
    if (order.size() != n) {
        for (std::size_t k = 0; k < n; ++k)
            if (callers[k] != 0)
                return Refuse(context, Quoted(instances[k].body->Name()) + u" refers to itself");
    }
    std::vector<std::size_t> depth(n, 0);
    for (std::size_t k = n; k > 0; --k) {
        CInstance& instance = instances[order[k - 1]];
        std::size_t below = 0;
        for (std::size_t callee : instance.callees)
            below = std::max(below, depth[callee]);
        depth[order[k - 1]] = instance.depth + below + 1;
    }
    std::size_t below = 0;
    for (std::size_t callee : rootCallees)
        below = std::max(below, depth[callee]);
    if (treeDepth + below > kMaxEvaluationDepth)
        return Refuse(context, u"Defined functions call each other too deeply");
    return true;
}

}  // namespace NCalculatorText
