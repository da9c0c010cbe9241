#pragma once
// The functions of the expression language, one row each: the names the
// parser accepts, the forms in which the program writes the function (the
// keypad's labels and insertions), its operation kind, whose display name is
// the context of the function's messages, the arguments it takes and the
// node it creates. The parser, the keypad and its help read this table;
// adding a function means adding its row and its node class.

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "numeric/status.h"

namespace NCalculatorText {

class CNode;
class CNodeArena;

struct CFunction {
    // The accepted names, in lower case; the unused places are empty.
    std::array<std::u16string_view, 4> names;
    // The written forms in West and East notation; empty for a function the
    // program never writes by name.
    std::u16string_view west;
    std::u16string_view east;
    // The operation kind while its node works; None for a node that leaves
    // the run state alone.
    EOperationKind kind;
    // Elements of the bracketed list. A function of one argument takes any
    // list and uses its first element; the others need a list of this size.
    std::size_t minArguments;
    std::size_t maxArguments;
    // A new node of the function's class, without argument texts.
    std::unique_ptr<CNode> (*make)();
    // The same node made in the arena of a tree (language/node_arena.h).
    CNode* (*place)(CNodeArena& arena);
    // What the editor's hint shows: the arguments as the bracket takes them
    // and a one-line description.
    std::u16string_view arguments;
    std::u16string_view description;
};

// The longest accepted name, in code units.
inline constexpr std::size_t kMaxFunctionNameLength = 13;

std::span<const CFunction> FunctionTable();

// The function a lower-case name stands for, or none. The whole name must
// match: "arcsech", "log10" and "tgh" are no functions.
const CFunction* FindFunction(std::u16string_view name);

// The context that the function's messages carry.
inline std::u16string_view DisplayName(const CFunction& function)
{
    return GetOperationName(function.kind);
}

}  // namespace NCalculatorText
