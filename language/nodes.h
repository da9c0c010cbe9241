#pragma once
// One node class per operation of the expression language.
//
// An operation node with an operation kind evaluates inside a
// COperationScope, so that the messages of its work carry its kind and the
// logarithm and the Gamma operations can detect each other. Nodes without a
// kind (constants, component operations, negation, store, vector) leave the
// run state alone.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "language/calc_context.h"
#include "language/fast_term.h"
#include "language/node.h"
#include "numeric/bessel.h"
#include "numeric/elementary.h"
#include "numeric/status.h"

namespace NCalculatorText {

// ---------------------------------------------------------------- shapes

// f(a) under the operation kind Kind; the function makes its own checks.
template <EOperationKind Kind, CComplex (*Function)(const CComplex&)>
class CNodeFunction : public CNode {
public:
    static constexpr EOperationKind kKind = Kind;
    bool Evaluate(CCalcContext& context, CComplex& value) override
    {
        COperationScope scope(context.run, Kind);
        if (!m_children[0]->Evaluate(context, value))
            return false;
        value = Function(value);
        return context.run.continueFlag;
    }
};

// A transformation of the operand's parts that cannot fail.
template <CComplex (*Function)(const CComplex&)>
class CNodeComponent : public CNode {
public:
    static constexpr EOperationKind kKind = None;
    bool Evaluate(CCalcContext& context, CComplex& value) override
    {
        if (!m_children[0]->Evaluate(context, value))
            return false;
        value = Function(value);
        return true;
    }
};

// a op b under an operation kind: the left operand first, the right one
// only when the left succeeded. A chain that groups to the left, such as
// 1+2+…+n, is evaluated along its left operands without recursion, with
// the same operation scopes entered and left in the same order as the
// nested evaluations would, so its length is bounded by memory alone.
class CNodeBinaryBase : public CNode {
public:
    using COperation = CComplex (*)(const CComplex&, const CComplex&);
    CNodeBinaryBase(EOperationKind kind, COperation operation) : m_kind(kind), m_operation(operation) {}
    bool Evaluate(CCalcContext& context, CComplex& value) final;
    CNodeBinaryBase* AsBinary() final { return this; }

private:
    EOperationKind m_kind;
    COperation m_operation;
};

template <EOperationKind Kind, CComplex (*Operation)(const CComplex&, const CComplex&)>
class CNodeBinary : public CNodeBinaryBase {
public:
    CNodeBinary() : CNodeBinaryBase(Kind, Operation) {}
};

// ---------------------------------------------------------------- arithmetic

class CNodePlus final : public CNodeBinary<Addition, Add> {};
class CNodeMinus final : public CNodeBinary<Subtraction, Subtract> {};
class CNodeMul final : public CNodeBinary<Multiplication, Multiply> {};
class CNodeDiv final : public CNodeBinary<Division, Divide> {};
class CNodePow final : public CNodeBinary<Power, CalcPower> {};
// Negation as 0 − a: a zero part stays +0, so that "-4" is the real number
// −4 and not −4 − 0i, which would put sqrt(-4) on the far side of the branch
// cut (−2i instead of 2i).
class CNodeChangeSign final : public CNodeComponent<CalcNegate> {};

// ---------------------------------------------------------------- functions

class CNodeSin final : public CNodeFunction<Sine, CalcSin> {};
class CNodeCos final : public CNodeFunction<Cosine, CalcCos> {};
class CNodeTg final : public CNodeFunction<Tangent, CalcTg> {};
class CNodeCtg final : public CNodeFunction<Cotangent, CalcCtg> {};
class CNodeSec final : public CNodeFunction<Secant, CalcSec> {};
class CNodeCosec final : public CNodeFunction<Cosecant, CalcCosec> {};
class CNodeArcSin final : public CNodeFunction<Arcsine, CalcArcSin> {};
class CNodeArcCos final : public CNodeFunction<Arccosine, CalcArcCos> {};
class CNodeArcTg final : public CNodeFunction<Arctangent, CalcArcTg> {};
class CNodeArcCtg final : public CNodeFunction<Arccotangent, CalcArcCtg> {};
class CNodeArcSec final : public CNodeFunction<Arcsecant, CalcArcSec> {};
class CNodeArcCosec final : public CNodeFunction<Arccosecant, CalcArcCosec> {};

class CNodeSh final : public CNodeFunction<HyperbolicSine, CalcSh> {};
class CNodeCh final : public CNodeFunction<HyperbolicCosine, CalcCh> {};
class CNodeTh final : public CNodeFunction<HyperbolicTangent, CalcTh> {};
class CNodeCth final : public CNodeFunction<HyperbolicCotangent, CalcCth> {};
class CNodeSech final : public CNodeFunction<HyperbolicSecant, CalcSech> {};
class CNodeCsch final : public CNodeFunction<HyperbolicCosecant, CalcCsch> {};
class CNodeArSh final : public CNodeFunction<ArchyperbolicSine, CalcArSh> {};
class CNodeArCh final : public CNodeFunction<ArchyperbolicCosine, CalcArCh> {};
class CNodeArTh final : public CNodeFunction<ArchyperbolicTangent, CalcArTh> {};
class CNodeArCth final : public CNodeFunction<ArchyperbolicCotangent, CalcArCth> {};
class CNodeArSch final : public CNodeFunction<ArchyperbolicSecant, CalcArSch> {};
class CNodeArCsch final : public CNodeFunction<ArchyperbolicCosecant, CalcArCsch> {};

class CNodeExp final : public CNodeFunction<Exponent, CalcExp> {};
class CNodeLg final : public CNodeFunction<DecimalLogarithm, CalcLg> {};
class CNodeSqrt final : public CNodeFunction<SquareRoot, CalcSqrt> {};
class CNodeAbs final : public CNodeFunction<AbsoluteValue, CalcAbs> {};

class CNodeSign final : public CNodeComponent<CalcSign> {};
class CNodeCeil final : public CNodeComponent<CalcCeil> {};
class CNodeFloor final : public CNodeComponent<CalcFloor> {};
class CNodeRe final : public CNodeComponent<CalcRe> {};
class CNodeIm final : public CNodeComponent<CalcIm> {};
class CNodeArg final : public CNodeComponent<CalcArg> {};
class CNodeConjugate final : public CNodeComponent<CalcConj> {};

// Γ and the factorial. When the node is the operand of a natural logarithm
// it delivers ln Γ instead, which stays finite far beyond the range of Γ;
// the logarithm then takes that value as its result.
class CNodeGammaFamily : public CNode {
public:
    void DeliverLogarithm() { m_logarithm = true; }

protected:
    // Γ(z), or ln Γ(z) for the logarithm, with the overflow check.
    void Compute(const COperationScope& scope, const CComplex& z, CComplex& value) const;

private:
    bool m_logarithm = false;
};

// The natural logarithm. Its operand is a Gamma or factorial node when that
// node is the whole argument: in brackets, or the first element of a list,
// which the list stands for. Anything in between (a sign, floor, sign
// change, store) takes its own value of Γ, so the pass-through stops there.
class CNodeLn final : public CNode {
public:
    static constexpr EOperationKind kKind = NaturalLogarithm;
    bool Build() override;
    bool Evaluate(CCalcContext& context, CComplex& value) override;
    // Once the operand is built: lets a Gamma or factorial operand deliver
    // ln Γ.
    void LinkGammaOperand();

private:
    bool m_gammaOperand = false;
};

// Γ(a), or ln Γ(a) as the operand of a logarithm.
class CNodeGamma final : public CNodeGammaFamily {
public:
    static constexpr EOperationKind kKind = GammaFunction;
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

// a! = Γ(a + 1), or ln Γ(a + 1) as the operand of a logarithm.
class CNodeFactorial final : public CNodeGammaFamily {
public:
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

// J, Y, I, K: the operand is a list of two elements, the real order and the
// argument.
template <EOperationKind Kind, EBesselKind Which>
class CNodeBessel : public CNode {
public:
    static constexpr EOperationKind kKind = Kind;
    static constexpr std::size_t kMinArguments = 2;
    static constexpr std::size_t kMaxArguments = 2;
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};
class CNodeBesselJ final : public CNodeBessel<BesselFirstKind, EBesselKind::J> {};
class CNodeBesselY final : public CNodeBessel<BesselSecondKind, EBesselKind::Y> {};
class CNodeBesselI final : public CNodeBessel<ModifiedBesselFirstKind, EBesselKind::I> {};
class CNodeBesselK final : public CNodeBessel<ModifiedBesselSecondKind, EBesselKind::K> {};

// ---------------------------------------------------------------- leaves

// The value of the constant "e", the double nearest to it.
inline constexpr double kEulerNumber = 2.718281828459045;

// The value of a number's literal, "," already read as "." and the minus
// sign as "-": an optional sign, then the longest valid decimal prefix,
// correctly rounded; 0 when no prefix is valid, infinite when it is too big.
double ConvertNumberLiteral(std::string_view ascii);

class CNodeNumber final : public CNode {
public:
    // Converts the literal: "," read as ".", "−" as "-", the longest valid
    // decimal prefix, correctly rounded; 0 when there is none.
    bool Build() override;
    bool Evaluate(CCalcContext& context, CComplex& value) override;
    double Value() const { return m_value.real(); }

private:
    CComplex m_value;
};

class CNodePi final : public CNode {
public:
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

class CNodeE final : public CNode {
public:
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

class CNodeI final : public CNode {
public:
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

// "∞": a limit of an integral reads it; evaluated anywhere else it is a
// syntax error.
class CNodeInfinity final : public CNode {
public:
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

// The previous result.
class CNodeResult final : public CNode {
public:
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

// A fresh random value on every evaluation. The first evaluation in a
// context seeds the context's generator of the imaginary parts.
class CNodeRandom final : public CNode {
public:
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

// ---------------------------------------------------------------- memory

// A memory cell, named by the text between its brackets.
class CNodeMemory final : public CNode {
public:
    bool Build() override;
    bool Evaluate(CCalcContext& context, CComplex& value) override;
    const std::u16string& Key() const { return m_key; }
    // The key of a cell read by a parser that has resolved it already.
    void SetKey(std::u16string key) { m_key = std::move(key); }

private:
    std::u16string m_key;
};

// expression -> memory cell: stores the expression's value, which is also
// the store's own value.
class CNodeStore final : public CNode {
public:
    bool Build() override;
    bool Evaluate(CCalcContext& context, CComplex& value) override;
};

// ---------------------------------------------------------------- lists

// A comma list. Anywhere but in a series or a Bessel function it stands for
// its first element.
class CNodeVector final : public CNode {
public:
    bool Evaluate(CCalcContext& context, CComplex& value) override;
    ENodeType GetNodeType() const override { return NodeVector; }
};

// The series sum and product over a list (index, start, end, [step,] term).
class CNodeSeries : public CNode {
public:
    static constexpr std::size_t kMinArguments = 4;
    static constexpr std::size_t kMaxArguments = 5;

protected:
    bool EvaluateSeries(CCalcContext& context, CComplex& value, bool product);

private:
    static std::int64_t CountNodes(const CNode& node);

    // The work of one turn for the cancel poll: the nodes of the term, and
    // one for the turn itself. Counted at the first evaluation.
    std::int64_t m_termWeight = 0;
    // The term compiled for the fast path, tried at the first evaluation;
    // null when the term is more than plain arithmetic.
    std::unique_ptr<CFastTerm> m_fastTerm;
    bool m_fastTermTried = false;
};

class CNodeSum final : public CNodeSeries {
public:
    static constexpr EOperationKind kKind = SeriesSum;
    bool Evaluate(CCalcContext& context, CComplex& value) override { return EvaluateSeries(context, value, false); }
};

class CNodeProduct final : public CNodeSeries {
public:
    static constexpr EOperationKind kKind = SeriesProduct;
    bool Evaluate(CCalcContext& context, CComplex& value) override { return EvaluateSeries(context, value, true); }
};

// ---------------------------------------------------------------- definitions

// A defined value, taken when the tree was built.
class CNodeDefinedValue final : public CNode {
public:
    explicit CNodeDefinedValue(const CComplex& value) : m_value(value) {}
    bool Build() override { return true; }
    bool Evaluate(CCalcContext&, CComplex& value) override
    {
        value = m_value;
        return true;
    }
    const CComplex& Value() const { return m_value; }

private:
    CComplex m_value;
};

// The body of a defined function in one tree, shared by every call of the
// function there; its one child is the function's expression. A call sets
// the arguments, then evaluates the body. The functions cannot call each
// other in a circle, so a body is never evaluated inside its own
// evaluation and one set of arguments is enough.
class CNodeDefinitionBody final : public CNode {
public:
    CNodeDefinitionBody(std::u16string name, std::size_t parameters)
        : m_name(std::move(name)), m_arguments(parameters)
    {
    }
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override { return m_children[0]->Evaluate(context, value); }
    const std::u16string& Name() const { return m_name; }
    std::size_t ParameterCount() const { return m_arguments.size(); }
    CComplex* Arguments() { return m_arguments.data(); }
    const CComplex* Arguments() const { return m_arguments.data(); }

private:
    std::u16string m_name;
    std::vector<CComplex> m_arguments;
};

// A parameter in the body of a defined function: the argument of the
// running call.
class CNodeParameter final : public CNode {
public:
    explicit CNodeParameter(const CComplex* slot) : m_slot(slot) {}
    bool Build() override { return true; }
    bool Evaluate(CCalcContext&, CComplex& value) override
    {
        value = *m_slot;
        return true;
    }
    const CComplex* Slot() const { return m_slot; }

private:
    const CComplex* m_slot;
};

// name(arguments) of a defined function; its one child is the argument or
// the list of them. Its body is given once the tree is built
// (LinkDefinedCalls, language/definitions.h).
class CNodeDefinedCall final : public CNode {
public:
    bool Build() override { return true; }
    bool Evaluate(CCalcContext& context, CComplex& value) override;
    std::u16string_view Name() const { return m_texts[0]; }
    // The elements of the argument list, or 1 for a single argument.
    std::size_t ArgumentCount() const;
    // The argument nodes in order.
    CNode& Argument(std::size_t k) const;
    void SetBody(CNodeDefinitionBody* body) { m_body = body; }
    CNodeDefinitionBody* Body() const { return m_body; }

private:
    CNodeDefinitionBody* m_body = nullptr;
};

}  // namespace NCalculatorText
