#pragma once
// The fast evaluation of a series term. A term made of arithmetic and the
// common functions (numbers, constants, variables, + − × ÷, powers of real
// bases, sign change, the component functions, abs, sqrt, exp, ln, sin,
// cos, tan, atan, defined values, and calls of defined functions whose
// bodies are such terms, inlined) is compiled once into a flat program over
// plain complex values. A series then runs its turns with that program
// instead of walking the tree: no operation scopes, no checks after every
// operation, no virtual calls.
//
// The program computes with the very formulas of the checked operations
// (numeric/complex.h, numeric/elementary.h), with the same library calls in
// the same order, so every value it yields is the checked value to the
// bit. What the checks would notice it notices afterwards: the
// floating-point exception flags overflow, underflow, invalid and division
// by zero, and the conditions no flag shows (a zero divisor, a zero base
// under a power that is not positive, a total loss of an angle, a value
// below the normal range that a function reports, and the cases the program
// leaves to the checked functions: a complex base or exponent of a power,
// a base that is not positive under an exponent that is not whole, a
// complex argument of tan or atan). A run with any of
// these is thrown away and the series is evaluated again on the checked
// path, which then writes exactly the log it always writes. A flag the
// checked path would not have reported (a product that underflowed to a
// non-zero value) only costs that second evaluation.

#include <cstdint>
#include <utility>
#include <vector>

#include "numeric/complex.h"

class CCalcRunState;

namespace NCalculatorText {

class CCalcContext;
class CNode;
class CNodeVariable;

class CFastTerm {
public:
    // Compiles the term of a series over index; false (and nothing
    // compiled) when the term holds anything but the operations above, or
    // is too large for the program.
    bool Compile(const CNode& term, const CNodeVariable* index);
    bool Compiled() const { return m_compiled; }

    // How a fast run of the series ended.
    enum class EOutcome {
        // Every turn ran; value holds the sum or product.
        Done,
        // The run state stopped the series (a cancel, too many terms): the
        // turns before were all clean, so the checked path would have
        // stopped there too, with the same log.
        Stopped,
        // Something the checked path would notice: evaluate the series
        // again on the checked path.
        Retry,
    };

    // The loop of a series with the compiled term: the same turns, the same
    // cancel polls (weight per turn) and the same "Too many terms" check
    // as the checked loop.
    EOutcome RunSeries(CCalcContext& context, double first, double last, double increment, bool product,
                       std::int64_t weight, CComplex& value);

    // The term at each of count points (an integral's, a derivative's or a
    // root's): Done with values filled, or Retry when a point needs the
    // checked path (then values are unusable from that block on; done tells
    // how many are good). The caller polls the run state.
    EOutcome RunPoints(CCalcContext& context, const CComplex* points, std::size_t count, CComplex* values,
                       std::size_t& done);

private:
    // Loads the registers that stay the same over a run; false when a
    // variable they read is uninitialized (the checked path warns).
    bool LoadPreloads(CCalcContext& context);
    enum class EOp : std::uint8_t {
        Add,
        Subtract,
        Multiply,
        Divide,
        Square,         // a real base squared
        PowerWhole,     // a real base to another whole constant exponent
        PowerReal,      // a positive base to a constant exponent that is not whole
        PowerVariable,  // a base to an exponent computed in the term
        Negate,
        Conjugate,
        RealPart,
        ImaginaryPart,
        Floor,
        Ceil,
        Sign,
        Abs,
        Sqrt,
        Exp,
        Ln,
        // The circular functions follow the angle setting of the run.
        Sin,
        Cos,
        Tan,
        Atan,
    };
    // Whether the instruction always yields an imaginary part of +0 (a
    // register never written there keeps the +0 it starts with).
    static bool YieldsRealTerms(EOp op);
    // Whether the instruction reads its right register.
    static bool ReadsRight(EOp op);
    struct CInstruction {
        EOp op;
        std::uint32_t target;
        std::uint32_t left;
        std::uint32_t right;
        double exponent;  // PowerWhole, PowerReal
    };
    // A register loaded once before the turns.
    struct CPreload {
        std::uint32_t target;
        // A number; a leaf that reads the context (π, e, i, the previous
        // result); a variable other than the index.
        enum class EKind : std::uint8_t { Constant, Leaf, Variable } kind;
        CComplex constant;
        const CNode* node;
    };

    // Turns run in blocks of this many.
    static constexpr std::uint32_t kBlockTurns = 64;
    void Execute(CComplex* r, std::uint32_t n, bool& fault) const;
    template <class TSink, class TLeft>
    void ExecuteInstruction(const CInstruction& instruction, CComplex* r, std::uint32_t n, bool& fault,
                            TSink&& sink, TLeft&& left) const;
    template <bool Product, bool Upwards>
    EOutcome RunTurns(CCalcRunState& state, double first, double last, double increment, std::int64_t weight,
                      CComplex& value);

    // Register of the node's value, or -1 when the node cannot be compiled.
    std::int64_t CompileNode(const CNode& node, int depth);
    std::uint32_t NewRegister();
    std::uint32_t Preload(CPreload::EKind kind, const CComplex& constant, const CNode* node);

    bool m_compiled = false;
    const CNodeVariable* m_index = nullptr;
    std::vector<CInstruction> m_program;
    std::vector<CPreload> m_preloads;
    // While a defined function's body is compiled: the argument slot of
    // each parameter and the register that holds its argument.
    std::vector<std::pair<const CComplex*, std::uint32_t>> m_bound;
    std::uint32_t m_registers = 0;
    // The angle setting of the run (0 radians, 1 degrees, 2 grads), read
    // with the preloads.
    int m_units = 0;
    std::uint32_t m_result = 0;
    // The registers of a block of turns, kept between runs. They start at 0
    // and each is written by one instruction only, so the imaginary part
    // of a register whose instruction yields real numbers stays 0 and is
    // never written.
    std::vector<CComplex> m_block;
};

}  // namespace NCalculatorText
