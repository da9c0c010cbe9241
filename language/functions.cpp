#include "language/functions.h"

#include <vector>

#include "language/calculus_nodes.h"
#include "language/nodes.h"

namespace NCalculatorText {

namespace {

template <class TNode>
std::unique_ptr<CNode> MakeNode()
{
    return std::make_unique<TNode>();
}

template <class TNode>
CNode* PlaceNode(CNodeArena& arena)
{
    return arena.Make<TNode>();
}

// A row: the kind and the arguments are the node class's own.
template <class TNode>
constexpr CFunction Row(std::array<std::u16string_view, 4> names, std::u16string_view west,
                        std::u16string_view east, std::u16string_view arguments, std::u16string_view description)
{
    return {names,           west.empty() ? east : west, east.empty() ? west : east,
            TNode::kKind,    TNode::kMinArguments,       TNode::kMaxArguments,
            &MakeNode<TNode>, &PlaceNode<TNode>,         arguments,
            description};
}

// Each row: the accepted names, the written forms, West and East (empty
// when both notations write the same or the program never writes it), the
// arguments and the description.
constexpr CFunction kFunctions[] = {
    Row<CNodeSin>({u"sin"}, u"sin", {}, u"z",
        u"Sine"),
    Row<CNodeCos>({u"cos"}, u"cos", {}, u"z",
        u"Cosine"),
    Row<CNodeTg>({u"tg", u"tan"}, u"tan", u"tg", u"z",
        u"Tangent"),
    Row<CNodeCtg>({u"ctg", u"cot"}, u"cot", u"ctg", u"z",
        u"Cotangent"),
    Row<CNodeSec>({u"sec"}, u"sec", {}, u"z",
        u"Secant"),
    Row<CNodeCosec>({u"csc", u"cosec"}, u"csc", u"cosec", u"z",
        u"Cosecant"),
    Row<CNodeArcSin>({u"asin", u"arcsin"}, u"arcsin", {}, u"z",
        u"Arcsine, the inverse of the sine"),
    Row<CNodeArcCos>({u"acos", u"arccos"}, u"arccos", {}, u"z",
        u"Arccosine, the inverse of the cosine"),
    Row<CNodeArcTg>({u"atan", u"arctg", u"arctan"}, u"arctan", u"arctg", u"z",
        u"Arctangent, the inverse of the tangent"),
    Row<CNodeArcCtg>({u"acot", u"arcctg", u"arccot"}, u"arccot", u"arcctg", u"z",
        u"Arccotangent, the inverse of the cotangent"),
    Row<CNodeArcSec>({u"asec", u"arcsec"}, u"arcsec", {}, u"z",
        u"Arcsecant, the inverse of the secant"),
    Row<CNodeArcCosec>({u"acsc", u"arccsc", u"arccosec"}, u"arccsc", u"arccosec", u"z",
        u"Arccosecant, the inverse of the cosecant"),
    Row<CNodeSh>({u"sh", u"sinh"}, u"sinh", u"sh", u"z",
        u"Hyperbolic sine"),
    Row<CNodeCh>({u"ch", u"cosh"}, u"cosh", u"ch", u"z",
        u"Hyperbolic cosine"),
    Row<CNodeTh>({u"th", u"tanh"}, u"tanh", u"th", u"z",
        u"Hyperbolic tangent"),
    Row<CNodeCth>({u"cth", u"coth"}, u"coth", u"cth", u"z",
        u"Hyperbolic cotangent"),
    Row<CNodeSech>({u"sech"}, u"sech", {}, u"z",
        u"Hyperbolic secant"),
    Row<CNodeCsch>({u"csch"}, u"csch", {}, u"z",
        u"Hyperbolic cosecant"),
    Row<CNodeArSh>({u"arsh", u"asinh", u"arsinh"}, u"arsinh", u"arsh", u"z",
        u"Archyperbolic sine, the inverse of the hyperbolic sine"),
    Row<CNodeArCh>({u"arch", u"acosh", u"arcosh"}, u"arcosh", u"arch", u"z",
        u"Archyperbolic cosine, the inverse of the hyperbolic cosine"),
    Row<CNodeArTh>({u"arth", u"atanh", u"artanh"}, u"artanh", u"arth", u"z",
        u"Archyperbolic tangent, the inverse of the hyperbolic tangent"),
    Row<CNodeArCth>({u"acoth", u"arcth", u"arcoth"}, u"arcoth", u"arcth", u"z",
        u"Archyperbolic cotangent, the inverse of the hyperbolic cotangent"),
    Row<CNodeArSch>({u"asech", u"arsch", u"arsech"}, u"arsech", u"arsch", u"z",
        u"Archyperbolic secant, the inverse of the hyperbolic secant"),
    Row<CNodeArCsch>({u"acsch", u"arcsch"}, u"arcsch", {}, u"z",
        u"Archyperbolic cosecant, the inverse of the hyperbolic cosecant"),
    Row<CNodeExp>({u"exp"}, u"exp", {}, u"z",
        u"Exponential function, e to the power z"),
    Row<CNodeLn>({u"ln"}, u"ln", {}, u"z",
        u"Natural logarithm"),
    Row<CNodeLg>({u"lg", u"log"}, u"log", u"lg", u"z",
        u"Decimal logarithm"),
    Row<CNodeSqrt>({u"\u221A", u"sqrt"}, {}, {}, u"z",
        u"Square root"),  // √
    Row<CNodeAbs>({u"abs"}, u"abs", {}, u"z",
        u"Absolute value"),
    Row<CNodeSign>({u"sign"}, u"sign", {}, u"z",
        u"Sign of the real and of the imaginary part: -1, 0 or 1"),
    Row<CNodeCeil>({u"ceil", u"ceiling"}, {}, {}, u"z",
        u"Rounding up of the real and the imaginary part"),
    Row<CNodeFloor>({u"floor"}, {}, {}, u"z",
        u"Rounding down of the real and the imaginary part"),
    Row<CNodeRe>({u"re", u"real", u"realpart"}, u"re", {}, u"z",
        u"Real part"),
    Row<CNodeIm>({u"im", u"imag", u"imaginary", u"imaginarypart"}, u"im", {}, u"z",
        u"Imaginary part"),
    Row<CNodeArg>({u"arg", u"argument"}, u"arg", {}, u"z",
        u"Argument, the angle of z"),
    Row<CNodeConjugate>({u"conj", u"conjugate"}, u"conj", {}, u"z",
        u"Complex conjugate"),
    Row<CNodeGamma>({u"\u0393", u"gamma"}, {}, {}, u"z",
        u"Gamma function"),  // Γ
    Row<CNodeBesselJ>({u"j", u"besselj"}, u"J", {}, u"\u03BD, z",
        u"Bessel function of the first kind"),
    Row<CNodeBesselY>({u"y", u"bessely"}, u"Y", {}, u"\u03BD, z",
        u"Bessel function of the second kind"),
    Row<CNodeBesselI>({u"i", u"besseli"}, u"I", {}, u"\u03BD, z",
        u"Modified Bessel function of the first kind"),
    Row<CNodeBesselK>({u"k", u"besselk"}, u"K", {}, u"\u03BD, z",
        u"Modified Bessel function of the second kind"),
    Row<CNodeSum>({u"\u2211", u"sum"}, {}, {}, u"k, start, end, [step,] term",
        u"Sum of the term for k from start to end"),       // ∑
    Row<CNodeProduct>({u"\u220F", u"prod", u"product"}, {}, {}, u"k, start, end, [step,] term",
        u"Product of the term for k from start to end"),  // ∏
    Row<CNodeIntegral>({u"\u222B", u"integral", u"integrate"}, {}, {}, u"x, a, b, f",
        u"Integral of f over x from a to b (a limit may be inf or -inf)"),  // ∫
    Row<CNodeDerivative>({u"deriv", u"derivative"}, {}, {}, u"x, a, [n,] f",
        u"Derivative of f with respect to x at a, the first or the n-th"),
    Row<CNodeRoot>({u"root", u"solve"}, {}, {}, u"x, start, f or x, low, high, f",
        u"Zero of f near start, or where f changes sign between low and high"),
};

// The accepted names grouped by their length: a lookup compares only the
// few names of the right length.
class CNameIndex {
public:
    CNameIndex()
    {
        for (const CFunction& function : kFunctions) {
            for (std::u16string_view name : function.names) {
                if (!name.empty())
                    m_byLength.at(name.size()).push_back({name, &function});
            }
        }
    }

    const CFunction* Find(std::u16string_view name) const
    {
        for (const CEntry& entry : m_byLength[name.size()]) {
            if (entry.name == name)
                return entry.function;
        }
        return nullptr;
    }

private:
    struct CEntry {
        std::u16string_view name;
        const CFunction* function;
    };
    std::array<std::vector<CEntry>, kMaxFunctionNameLength + 1> m_byLength;
};

const CNameIndex& NameIndex()
{
    static const CNameIndex index;
    return index;
}

}  // namespace

std::span<const CFunction> FunctionTable()
{
    return kFunctions;
}

const CFunction* FindFunction(std::u16string_view name)
{
    if (name.empty() || name.size() > kMaxFunctionNameLength)
        return nullptr;
    return NameIndex().Find(name);
}

}  // namespace NCalculatorText
