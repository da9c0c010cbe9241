#include "language/nodes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "language/calc_context.h"
#include "language/keywords.h"
#include "numeric/gamma.h"

namespace NCalculatorText {

namespace {

// The magnitude of a decimal text that the conversion found out of range:
// true when it is too big for a double, false when it is too small.
bool IsHugeDecimal(const char* first, const char* last)
{
    long long integerDigits = 0;     // from the first significant digit on
    long long zerosAfterPoint = 0;   // before the first significant digit
    bool significant = false;
    bool afterPoint = false;
    const char* p = first;
    for (; p < last; ++p) {
        if (*p == '.') {
            afterPoint = true;
        } else if (*p >= '0' && *p <= '9') {
            if (!afterPoint) {
                if (significant || *p != '0') {
                    significant = true;
                    ++integerDigits;
                }
            } else if (!significant) {
                if (*p == '0')
                    ++zerosAfterPoint;
                else
                    significant = true;
            }
        } else {
            break;
        }
    }
    if (!significant)
        return false;
    long long exponent = 0;
    if (p < last && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p < last && (*p == '+' || *p == '-'))
            negative = *p++ == '-';
        for (; p < last && *p >= '0' && *p <= '9'; ++p) {
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (*p - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    // Decimal exponent of the first significant digit.
    const long long scale = integerDigits > 0 ? integerDigits - 1 : -(zerosAfterPoint + 1);
    return scale + exponent >= 0;
}

double ConvertDecimal(std::u16string_view text)
{
    std::string ascii;
    ascii.reserve(text.size());
    for (char16_t c : text) {
        if (c == u',')
            c = u'.';
        else if (c == u'\u2212')
            c = u'-';
        ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return ConvertNumberLiteral(ascii);
}

}  // namespace

// The standard decimal conversion: an optional sign, then the longest valid
// decimal prefix, correctly rounded; 0 when no prefix is valid.
double ConvertNumberLiteral(std::string_view ascii)
{
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    bool negative = false;
    if (first < last && (*first == '+' || *first == '-'))
        negative = *first++ == '-';
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::invalid_argument)
        value = 0;
    else if (error == std::errc::result_out_of_range)
        value = IsHugeDecimal(first, end) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

// ---------------------------------------------------------------- base

// A tree may be as deep as its text is long (a chain of a hundred thousand
// additions): the root destroys the nodes its arena made one after the
// other instead of each node destroying its children recursively.
CNode::~CNode()
{
    if (m_ownsArena)
        CNodeArena::Destroy(m_arena);
}

bool CNode::BuildText(std::size_t index)
{
    // The parser works on its own copy; once the child exists the node no
    // longer needs the text.
    const std::u16string_view text = m_texts[index];
    m_texts[index] = {};
    if (!ParseText(std::u16string(text)))
        return false;
    return m_children.back()->Build();
}

bool CNode::Build()
{
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        if (!BuildText(i))
            return false;
    }
    return true;
}

bool CNode::Evaluate(CCalcContext& context, CComplex& value)
{
    if (m_children.empty()) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    return m_children[0]->Evaluate(context, value);
}

bool CNodeVariable::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, Index);
    if (m_uninitialized)
        ReportStatus(context.run, eUninitializedMemory);
    value = m_value;
    return context.run.continueFlag;
}

// ---------------------------------------------------------------- binary

namespace {

// The operations of the chains being evaluated on this thread, outermost
// first; a chain in an operand stacks its own on top and takes them off
// before it returns. The storage is kept, so evaluating allocates nothing
// once it has grown.
std::vector<CNodeBinaryBase*>& ChainStack()
{
    thread_local std::vector<CNodeBinaryBase*> stack;
    return stack;
}

}  // namespace

bool CNodeBinaryBase::Evaluate(CCalcContext& context, CComplex& value)
{
    CCalcRunState& state = context.run;
    if (!m_children[0]->AsBinary()) {
        // No chain: the plain nested evaluation.
        COperationScope scope(state, m_kind);
        CComplex left;
        if (!m_children[0]->Evaluate(context, left))
            return false;
        CComplex right;
        if (!m_children[1]->Evaluate(context, right))
            return false;
        value = m_operation(left, right);
        return state.continueFlag;
    }
    std::vector<CNodeBinaryBase*>& chain = ChainStack();
    const std::size_t base = chain.size();
    const EOperationKind entryKind = state.currentKind;

    // Into every scope along the left operands, as the nested evaluations
    // enter them (see COperationScope).
    CNodeBinaryBase* node = this;
    for (;;) {
        chain.push_back(node);
        state.previousKind = state.currentKind;
        state.currentKind = node->m_kind;
        state.quietOverflow = false;
        CNodeBinaryBase* left = node->m_children[0]->AsBinary();
        if (!left)
            break;
        node = left;
    }

    CComplex accumulated;
    bool going = node->m_children[0]->Evaluate(context, accumulated);
    bool computed = false;
    for (std::size_t level = chain.size(); level > base;) {
        --level;
        CNodeBinaryBase* operation = chain[level];
        if (going) {
            CComplex right;
            going = operation->m_children[1]->Evaluate(context, right);
            if (going) {
                accumulated = operation->m_operation(accumulated, right);
                computed = level == base;
                going = state.continueFlag;
            }
        }
        // Out of this operation's scope; a failure leaves every scope
        // around it on the way out.
        state.previousKind = state.currentKind;
        state.currentKind = level > base ? chain[level - 1]->m_kind : entryKind;
        state.quietOverflow = false;
    }
    chain.resize(base);
    if (computed)
        value = accumulated;
    return going;
}

// ---------------------------------------------------------------- Gamma

namespace {

bool IsWholeNumber(double x)
{
    return std::floor(x) == x;
}

}  // namespace

bool CNodeLn::Build()
{
    if (!CNode::Build())
        return false;
    LinkGammaOperand();
    return true;
}

void CNodeLn::LinkGammaOperand()
{
    // Brackets leave no node; a list stands for its first element.
    CNode* operand = m_children.empty() ? nullptr : m_children[0];
    while (operand && operand->GetNodeType() == NodeVector && !operand->Children().empty())
        operand = operand->Children()[0];
    if (auto* gamma = dynamic_cast<CNodeGammaFamily*>(operand)) {
        gamma->DeliverLogarithm();
        m_gammaOperand = true;
    }
}

bool CNodeLn::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, kKind);
    if (!m_children[0]->Evaluate(context, value))
        return false;
    const EOperationKind operandKind = context.run.previousKind;
    if (m_gammaOperand && (operandKind == GammaFunction || operandKind == Factorial))
        CheckResultOverflow(value);  // already ln Γ
    else
        value = CalcLn(value);
    return context.run.continueFlag;
}

void CNodeGammaFamily::Compute(const COperationScope& scope, const CComplex& z, CComplex& value) const
{
    value = m_logarithm && scope.EntryKind() == NaturalLogarithm ? LogGamma(z) : Gamma(z);
    CheckResultOverflow(value);
}

bool CNodeGamma::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, kKind);
    if (!m_children[0]->Evaluate(context, value))
        return false;
    if (value.imag() == 0 && value.real() < 1 && IsWholeNumber(value.real())) {
        ReportStatus(context.run, eSingularity, value.real(), value.imag());
        return false;
    }
    Compute(scope, value, value);
    return context.run.continueFlag;
}

bool CNodeFactorial::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, Factorial);
    if (!m_children[0]->Evaluate(context, value))
        return false;
    if (value.imag() == 0 && value.real() < 0 && IsWholeNumber(value.real())) {
        ReportStatus(context.run, eSingularity, value.real(), value.imag());
        return false;
    }
    Compute(scope, CComplex(value.real() + 1, value.imag()), value);
    return context.run.continueFlag;
}

// ---------------------------------------------------------------- Bessel

template <EOperationKind Kind, EBesselKind Which>
bool CNodeBessel<Kind, Which>::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, Kind);
    const CNode* list = m_children[0];
    const std::size_t count = list->Children().size();
    if (list->GetNodeType() != NodeVector || count < kMinArguments || count > kMaxArguments) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    CComplex order;
    if (!list->Children()[0]->Evaluate(context, order))
        return false;
    if (order.imag() != 0) {
        // Reported as an error, but the calculation goes on without a value.
        ReportStatus(context.run, eInvalidParameter);
        return context.run.continueFlag;
    }
    if (!list->Children()[1]->Evaluate(context, value))
        return false;
    if ((Which == EBesselKind::Y || Which == EBesselKind::K) && IsZero(value)) {
        ReportStatus(context.run, eSingularity, 0.0, 0.0);
        return false;
    }
    const CBesselResult result = ComputeBessel(Which, order.real(), value);
    value = result.value;
    if (context.run.continueFlag)
        ReportBesselIndicator(result.indicator, result.value);
    return context.run.continueFlag;
}

template class CNodeBessel<BesselFirstKind, EBesselKind::J>;
template class CNodeBessel<BesselSecondKind, EBesselKind::Y>;
template class CNodeBessel<ModifiedBesselFirstKind, EBesselKind::I>;
template class CNodeBessel<ModifiedBesselSecondKind, EBesselKind::K>;

// ---------------------------------------------------------------- leaves

bool CNodeNumber::Build()
{
    m_value = CComplex(m_texts.empty() ? 0.0 : ConvertDecimal(m_texts[0]), 0.0);
    return true;
}

bool CNodeNumber::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, Number);
    value = m_value;
    if (!IsFinite(m_value))
        ReportStatus(context.run, eOverflow, m_value.real());
    return context.run.continueFlag;
}

bool CNodePi::Evaluate(CCalcContext&, CComplex& value)
{
    value = CComplex(kPi, 0.0);
    return true;
}

bool CNodeE::Evaluate(CCalcContext&, CComplex& value)
{
    value = CComplex(kEulerNumber, 0.0);
    return true;
}

bool CNodeI::Evaluate(CCalcContext&, CComplex& value)
{
    value = CComplex(0.0, 1.0);
    return true;
}

bool CNodeInfinity::Evaluate(CCalcContext& context, CComplex&)
{
    ReportStatus(context.run, eSyntaxError);
    return false;
}

bool CNodeResult::Evaluate(CCalcContext& context, CComplex& value)
{
    value = context.previousResult;
    return true;
}

bool CNodeRandom::Evaluate(CCalcContext& context, CComplex& value)
{
    context.random.SeedImaginaryOnce();
    value = context.random.Draw();
    return true;
}

// ---------------------------------------------------------------- memory

bool CNodeMemory::Build()
{
    // The key is the text of the one bracket that follows the keyword, not
    // evaluated, without white space at its ends.
    if (m_texts.size() != 1 || m_texts[0].size() <= 2)
        return false;
    std::u16string key(m_texts[0]);
    if (!ResolvePlaceholder(key))
        return false;
    std::size_t first = 0;
    std::size_t last = key.size();
    while (first < last && IsWhiteSpace(key[first]))
        ++first;
    while (last > first && IsWhiteSpace(key[last - 1]))
        --last;
    m_key = key.substr(first, last - first);
    // A name the memory file could not carry back is refused: an "=" would
    // split its line, and a zero or U+FEFF code unit is dropped or ends the
    // text when the file is read.
    return m_key.find_first_of(std::u16string_view(u"=\0\uFEFF", 3)) == std::u16string::npos;
}

bool CNodeMemory::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, Memory);
    ICalcEnvironment* environment = context.run.environment;
    if (!environment || !environment->FindMemory(m_key, value)) {
        ReportStatus(context.run, eUninitializedMemory);
        value = CComplex();
    }
    return context.run.continueFlag;
}

bool CNodeStore::Build()
{
    if (m_texts.size() != 2)
        return false;
    if (!BuildText(0))
        return false;
    // The target must be a memory reference and nothing more.
    if (!ParseMemoryReference(m_texts[1]))
        return false;
    return m_children.back()->Build();
}

bool CNodeStore::Evaluate(CCalcContext& context, CComplex& value)
{
    if (!m_children[0]->Evaluate(context, value))
        return false;
    const auto* target = static_cast<const CNodeMemory*>(m_children[1]);
    if (ICalcEnvironment* environment = context.run.environment)
        environment->StoreMemory(target->Key(), value);
    return context.run.continueFlag;
}

// ---------------------------------------------------------------- lists

bool CNodeVector::Evaluate(CCalcContext& context, CComplex& value)
{
    if (m_children.empty()) {
        // "," alone: a list with no element to stand for.
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    return m_children[0]->Evaluate(context, value);
}

std::int64_t CNodeSeries::CountNodes(const CNode& node)
{
    std::int64_t count = 0;
    std::vector<const CNode*> pending{&node};
    while (!pending.empty()) {
        const CNode* next = pending.back();
        pending.pop_back();
        ++count;
        for (const CNode* child : next->Children())
            pending.push_back(child);
    }
    return count;
}

bool CNodeSeries::EvaluateSeries(CCalcContext& context, CComplex& value, bool product)
{
    COperationScope scope(context.run, product ? CNodeProduct::kKind : CNodeSum::kKind);
    const CNode* list = m_children[0];
    const std::size_t count = list->Children().size();
    if (list->GetNodeType() != NodeVector || count < kMinArguments || count > kMaxArguments) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    const auto& elements = list->Children();

    CComplex start;
    if (!elements[1]->Evaluate(context, start))
        return false;
    CComplex end;
    if (!elements[2]->Evaluate(context, end))
        return false;
    CComplex step(1.0, 0.0);
    if (count == 5) {
        step = CComplex();
        if (!elements[3]->Evaluate(context, step))
            return false;
    }
    if (start.imag() != 0 || end.imag() != 0 || step.imag() != 0) {
        // Reported as an error, but the calculation goes on without a value.
        ReportStatus(context.run, eInvalidParameter);
        return context.run.continueFlag;
    }

    const double first = start.real();
    const double last = end.real();
    double increment = step.real();
    const bool upwards = last >= first;
    if ((upwards && increment < 0) || (!upwards && increment > 0))
        increment = -increment;

    const CNode* indexElement = elements[0];
    if (indexElement->GetNodeType() != NodeVariable || increment == 0) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    CNodeVariable* index = static_cast<const CNodeVariableReference*>(indexElement)->Variable();
    CNode& term = *elements[count - 1];

    // A series must end, and it ends unless its index stops counting: once
    // the step is too small to change the index (1e17 + 1 == 1e17) the loop
    // would run for ever. The index moves towards the end of larger
    // magnitude, or starts there, so when the step no longer changes that
    // end the index is bound to get stuck before it passes the end; such a
    // series is refused before its first turn. Any other series runs to its
    // end or until it is cancelled, polling the run state every turn.
    CCalcRunState& state = context.run;
    const bool anyTurn = upwards ? first <= last : first >= last;  // false for NaN
    const double farthest = std::fabs(first) > std::fabs(last) ? first : last;
    if (anyTurn && farthest + increment == farthest) {
        ReportStatus(context.run, eTooManyTerms);
        return false;
    }
    if (m_termWeight == 0)
        m_termWeight = 1 + CountNodes(term);

    if (context.fastEvaluation) {
        if (!m_fastTermTried) {
            m_fastTermTried = true;
            auto fast = std::make_unique<CFastTerm>();
            if (fast->Compile(term, index))
                m_fastTerm = std::move(fast);
        }
        if (m_fastTerm) {
            CComplex sum;
            const CFastTerm::EOutcome outcome =
                m_fastTerm->RunSeries(context, first, last, increment, product, m_termWeight, sum);
            if (outcome != CFastTerm::EOutcome::Retry) {
                if (outcome == CFastTerm::EOutcome::Done && state.continueFlag)
                    value = sum;
                index->Reset();
                return state.continueFlag;
            }
            // Something to report on: every turn again, on the checked path.
        }
    }

    CComplex accumulator = product ? CComplex(1.0, 0.0) : CComplex();
    double k = first;
    while (upwards ? k <= last : k >= last) {
        if (!state.Poll(m_termWeight))
            break;
        // Stuck where the ends did not show it: counting by 1 towards
        // 2^53 + 2 sticks at 2^53, since 2^53 + 1 rounds back to 2^53.
        if (k + increment == k) {
            ReportStatus(context.run, eTooManyTerms);
            break;
        }
        index->Set(CComplex(k, 0.0));
        if (!term.Evaluate(context, value))
            break;
        accumulator = product ? Multiply(accumulator, value) : Add(accumulator, value);
        if (!state.continueFlag)
            break;
        k += increment;
    }
    if (context.run.continueFlag)
        value = accumulator;
    index->Reset();
    return context.run.continueFlag;
}

std::size_t CNodeDefinedCall::ArgumentCount() const
{
    const CNode* list = m_children[0];
    return list->GetNodeType() == NodeVector ? list->Children().size() : 1;
}

CNode& CNodeDefinedCall::Argument(std::size_t k) const
{
    CNode* list = m_children[0];
    return list->GetNodeType() == NodeVector ? *list->Children()[k] : *list;
}

bool CNodeDefinedCall::Evaluate(CCalcContext& context, CComplex& value)
{
    // Every argument first: an argument may call the same function, whose
    // body holds one set of arguments.
    const std::size_t count = ArgumentCount();
    constexpr std::size_t kOnStack = 8;
    CComplex onStack[kOnStack];
    std::vector<CComplex> onHeap;
    CComplex* arguments = onStack;
    if (count > kOnStack) {
        onHeap.resize(count);
        arguments = onHeap.data();
    }
    for (std::size_t k = 0; k < count; ++k) {
        if (!Argument(k).Evaluate(context, arguments[k]))
            return false;
    }
    std::copy(arguments, arguments + count, m_body->Arguments());
    return m_body->Evaluate(context, value);
}

}  // namespace NCalculatorText
