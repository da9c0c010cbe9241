#include "language/functions.h"

#include <vector>

#include "language/nodes.h"

namespace NCalculatorText {

namespace {

template <class TNode>
std::unique_ptr<CNode> MakeNode()
{
    return std::make_unique<TNode>();
}

// A row: the kind and the arguments are the node class's own.
template <class TNode>
constexpr CFunction Row(std::array<std::u16string_view, 4> names, std::u16string_view west = {},
                        std::u16string_view east = {})
{
    return {names, west, east.empty() ? west : east, TNode::kKind, TNode::kMinArguments, TNode::kMaxArguments,
            &MakeNode<TNode>};
}

// Each row: the accepted names, then the written forms, West and East (one
// form when both notations write the same).
constexpr CFunction kFunctions[] = {
    Row<CNodeSin>({u"sin"}, u"sin"),
    Row<CNodeCos>({u"cos"}, u"cos"),
    Row<CNodeTg>({u"tg", u"tan"}, u"tan", u"tg"),
    Row<CNodeCtg>({u"ctg", u"cot"}, u"cot", u"ctg"),
    Row<CNodeSec>({u"sec"}, u"sec"),
    Row<CNodeCosec>({u"csc", u"cosec"}, u"csc", u"cosec"),
    Row<CNodeArcSin>({u"asin", u"arcsin"}, u"arcsin"),
    Row<CNodeArcCos>({u"acos", u"arccos"}, u"arccos"),
    Row<CNodeArcTg>({u"atan", u"arctg", u"arctan"}, u"arctan", u"arctg"),
    Row<CNodeArcCtg>({u"acot", u"arcctg", u"arccot"}, u"arccot", u"arcctg"),
    Row<CNodeArcSec>({u"asec", u"arcsec"}, u"arcsec"),
    Row<CNodeArcCosec>({u"acsc", u"arccsc", u"arccosec"}, u"arccsc", u"arccosec"),
    Row<CNodeSh>({u"sh", u"sinh"}, u"sinh", u"sh"),
    Row<CNodeCh>({u"ch", u"cosh"}, u"cosh", u"ch"),
    Row<CNodeTh>({u"th", u"tanh"}, u"tanh", u"th"),
    Row<CNodeCth>({u"cth", u"coth"}, u"coth", u"cth"),
    Row<CNodeSech>({u"sech"}, u"sech"),
    Row<CNodeCsch>({u"csch"}, u"csch"),
    Row<CNodeArSh>({u"arsh", u"asinh", u"arsinh"}, u"arsinh", u"arsh"),
    Row<CNodeArCh>({u"arch", u"acosh", u"arcosh"}, u"arcosh", u"arch"),
    Row<CNodeArTh>({u"arth", u"atanh", u"artanh"}, u"artanh", u"arth"),
    Row<CNodeArCth>({u"acoth", u"arcth", u"arcoth"}, u"arcoth", u"arcth"),
    Row<CNodeArSch>({u"asech", u"arsch", u"arsech"}, u"arsech", u"arsch"),
    Row<CNodeArCsch>({u"acsch", u"arcsch"}, u"arcsch"),
    Row<CNodeExp>({u"exp"}, u"exp"),
    Row<CNodeLn>({u"ln"}, u"ln"),
    Row<CNodeLg>({u"lg", u"log"}, u"log", u"lg"),
    Row<CNodeSqrt>({u"\u221A", u"sqrt"}),  // √
    Row<CNodeAbs>({u"abs"}, u"abs"),
    Row<CNodeSign>({u"sign"}, u"sign"),
    Row<CNodeCeil>({u"ceil", u"ceiling"}),
    Row<CNodeFloor>({u"floor"}),
    Row<CNodeRe>({u"re", u"real", u"realpart"}, u"re"),
    Row<CNodeIm>({u"im", u"imag", u"imaginary", u"imaginarypart"}, u"im"),
    Row<CNodeArg>({u"arg", u"argument"}, u"arg"),
    Row<CNodeConjugate>({u"conj", u"conjugate"}, u"conj"),
    Row<CNodeGamma>({u"\u0393", u"gamma"}),  // Γ
    Row<CNodeBesselJ>({u"j", u"besselj"}, u"J"),
    Row<CNodeBesselY>({u"y", u"bessely"}, u"Y"),
    Row<CNodeBesselI>({u"i", u"besseli"}, u"I"),
    Row<CNodeBesselK>({u"k", u"besselk"}, u"K"),
    Row<CNodeSum>({u"\u2211", u"sum"}),       // ∑
    Row<CNodeProduct>({u"\u220F", u"prod", u"product"}),  // ∏
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
