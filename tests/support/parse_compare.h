#pragma once
// Test helper: the trees of the rewriting parser and of the tokenizing
// parser written the same way, to compare them. A node is its class name
// (without "CNode"), "*" when it creates a variable table, its text in
// braces for a leaf (a number's literal, a constant's word, an identifier's
// name and its variable's number, a memory key) and its children in
// brackets.

#include <cxxabi.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>

#include "document/utf.h"
#include "language/functions.h"
#include "language/node.h"
#include "language/nodes.h"
#include "language/token_parser.h"

namespace NParseCompare {

using namespace NCalculatorText;

inline std::string ClassName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                     std::free);
    std::string name = demangled ? demangled.get() : type.name();
    const std::string prefix = "NCalculatorText::CNode";
    return name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
}

inline void Describe(const CNode& node, std::map<const CNodeVariable*, int>& variables, std::string& out)
{
    out += ClassName(typeid(node));
    if (node.OwnsVariables())
        out += '*';
    if (const auto* memory = dynamic_cast<const CNodeMemory*>(&node)) {
        out += "{" + Utf16ToUtf8(memory->Key()) + "}";
    } else if (const auto* reference = dynamic_cast<const CNodeVariableReference*>(&node)) {
        const auto [found, added] =
            variables.try_emplace(reference->Variable(), static_cast<int>(variables.size()));
        out += "{" + Utf16ToUtf8(node.Texts().at(0)) + "#" + std::to_string(found->second) + "}";
    } else if (node.Children().empty() && node.GetNodeType() != NodeVector) {
        out += "{" + (node.Texts().empty() ? std::string() : Utf16ToUtf8(node.Texts()[0])) + "}";
    }
    if (node.Children().empty() && node.GetNodeType() != NodeVector)
        return;
    out += '(';
    for (std::size_t i = 0; i < node.Children().size(); ++i) {
        if (i > 0)
            out += ',';
        Describe(*node.Children()[i], variables, out);
    }
    out += ')';
}

// The rewriting parser's tree of a text, or "fail".
inline std::string RewritingTree(std::u16string_view text)
{
    CNode root;
    if (!CParcer::ParseExpression(root, text))
        return "fail";
    if (root.Children().size() != 1)
        return "root with " + std::to_string(root.Children().size()) + " children";
    std::map<const CNodeVariable*, int> variables;
    std::string out;
    Describe(*root.Children()[0], variables, out);
    return out;
}

inline std::string KindName(const CParseNode& node)
{
    switch (node.kind) {
    case EParseKind::Vector: return "Vector";
    case EParseKind::Store: return "Store";
    case EParseKind::Plus: return "Plus";
    case EParseKind::Minus: return "Minus";
    case EParseKind::ChangeSign: return "ChangeSign";
    case EParseKind::Mul: return "Mul";
    case EParseKind::Div: return "Div";
    case EParseKind::Pow: return "Pow";
    case EParseKind::Factorial: return "Factorial";
    case EParseKind::Function: {
        const std::unique_ptr<CNode> made = node.function->make();
        const CNode& built = *made;
        return ClassName(typeid(built));
    }
    case EParseKind::Memory: return "Memory";
    case EParseKind::Pi: return "Pi";
    case EParseKind::E: return "E";
    case EParseKind::ImaginaryUnit: return "I";
    case EParseKind::Result: return "Result";
    case EParseKind::Random: return "Random";
    case EParseKind::Number: return "Number";
    case EParseKind::Identifier: return "VariableReference";
    case EParseKind::Infinity: return "Infinity";
    case EParseKind::DefinedValue: return "DefinedValue";
    case EParseKind::DefinedCall: return "DefinedCall";
    case EParseKind::Parameter: return "Parameter";
    }
    return "?";
}

inline void Describe(const CParseTree& tree, std::uint32_t index, std::map<std::uint32_t, int>& variables,
                     std::string& out)
{
    const CParseNode& node = tree.nodes[index];
    out += KindName(node);
    if (node.ownsVariables)
        out += '*';
    if (node.kind == EParseKind::Identifier) {
        const auto [found, added] = variables.try_emplace(node.variable, static_cast<int>(variables.size()));
        out += "{" + Utf16ToUtf8(tree.texts[node.text]) + "#" + std::to_string(found->second) + "}";
    } else if (node.text != kNoIndex) {
        out += "{" + Utf16ToUtf8(tree.texts[node.text]) + "}";
    }
    if (node.kind != EParseKind::Vector && node.childCount == 0)
        return;
    out += '(';
    bool first = true;
    for (const std::uint32_t child : tree.Children(node)) {
        if (!first)
            out += ',';
        first = false;
        Describe(tree, child, variables, out);
    }
    out += ')';
}

// The tokenizing parser's tree of a text, or "fail"; also its depth.
inline std::string TokenTree(std::u16string_view text, std::size_t* depth = nullptr)
{
    CParseTree tree;
    if (!ParseTokens(text, tree))
        return "fail";
    if (depth)
        *depth = tree.depth;
    std::map<std::uint32_t, int> variables;
    std::string out;
    Describe(tree, tree.root, variables, out);
    return out;
}

// Both trees of a text; empty when they agree. A text the rewriting parser
// refuses only for its limits of depth and work (a tree deeper than
// kMaxNestingDepth) counts as agreeing.
inline std::string CompareParsers(std::u16string_view text)
{
    std::size_t depth = 0;
    const std::string rewriting = RewritingTree(text);
    const std::string token = TokenTree(text, &depth);
    if (rewriting == token)
        return {};
    if (rewriting == "fail" && token != "fail" && depth > static_cast<std::size_t>(kMaxNestingDepth))
        return {};
    return "rewriting " + rewriting + "\ntokenizing " + token;
}

}  // namespace NParseCompare
