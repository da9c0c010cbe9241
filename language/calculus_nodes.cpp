#include "language/calculus_nodes.h"

#include <cmath>
#include <typeinfo>
#include <vector>

#include "language/calc_context.h"
#include "language/keywords.h"
#include "language/nodes.h"

namespace NCalculatorText {

namespace {

std::int64_t CountNodes(const CNode& root)
{
    std::int64_t count = 0;
    std::vector<const CNode*> pending{&root};
    while (!pending.empty()) {
        const CNode* node = pending.back();
        pending.pop_back();
        ++count;
        for (const CNode* child : node->Children())
            pending.push_back(child);
    }
    return count;
}

// The name of the variable an identifier stands for.
std::u16string_view VariableName(const CNodeVariableReference& reference)
{
    if (const CVariableTable* table = reference.Variables()) {
        for (const auto& [name, variable] : *table) {
            if (variable.get() == reference.Variable())
                return name;
        }
    }
    return {};
}

// An infinite limit: "inf", "infinity" or "∞", with an optional sign
// (−1 or +1), or 0 for a limit that is a value.
int InfiniteLimit(const CNode& element)
{
    const CNode* node = &element;
    int sign = 1;
    while (typeid(*node) == typeid(CNodeChangeSign) && node->Children().size() == 1) {
        sign = -sign;
        node = node->Children()[0];
    }
    if (typeid(*node) == typeid(CNodeInfinity))
        return sign;
    if (typeid(*node) == typeid(CNodeVariableReference)) {
        if (IsInfinityWord(VariableName(static_cast<const CNodeVariableReference&>(*node))))
            return sign;
    }
    return 0;
}

bool Mentions(const CNode& root, const CNodeVariable* variable)
{
    std::vector<const CNode*> pending{&root};
    while (!pending.empty()) {
        const CNode* node = pending.back();
        pending.pop_back();
        if (typeid(*node) == typeid(CNodeVariableReference) &&
            static_cast<const CNodeVariableReference*>(node)->Variable() == variable)
            return true;
        for (const CNode* child : node->Children())
            pending.push_back(child);
    }
    return false;
}

bool IsAnalytic(const CNode& term, const CNodeVariable* index)
{
    std::vector<const CNode*> pending{&term};
    while (!pending.empty()) {
        const CNode* node = pending.back();
        pending.pop_back();
        const std::type_info& type = typeid(*node);
        if (type == typeid(CNodeAbs) || type == typeid(CNodeSign) || type == typeid(CNodeFloor) ||
            type == typeid(CNodeCeil) || type == typeid(CNodeRe) || type == typeid(CNodeIm) ||
            type == typeid(CNodeArg) || type == typeid(CNodeConjugate) || type == typeid(CNodeRandom) ||
            type == typeid(CNodeRoot))
            return false;
        const bool bessel = type == typeid(CNodeBesselJ) || type == typeid(CNodeBesselY) ||
                            type == typeid(CNodeBesselI) || type == typeid(CNodeBesselK);
        if (bessel && !node->Children().empty()) {
            // The order must be real.
            const CNode* list = node->Children()[0];
            if (list->GetNodeType() == NodeVector && !list->Children().empty() &&
                Mentions(*list->Children()[0], index))
                return false;
        }
        for (const CNode* child : node->Children())
            pending.push_back(child);
    }
    return true;
}

// Whole numbers from 0 to kMaxDerivativeOrder.
bool DerivativeOrder(const CComplex& n, int& order)
{
    if (n.imag() != 0 || !(n.real() >= 0) || n.real() > kMaxDerivativeOrder || n.real() != std::floor(n.real()))
        return false;
    order = static_cast<int>(n.real());
    return true;
}

}  // namespace

void CNodeCalculus::CollectOwnVariables(std::set<const CNodeVariable*>& variables) const
{
    if (m_children.empty())
        return;
    const CNode& list = *m_children[0];
    if (list.GetNodeType() != NodeVector || list.Children().empty())
        return;
    const auto& elements = list.Children();
    const CNode& index = *elements[0];
    if (typeid(index) == typeid(CNodeVariableReference))
        variables.insert(static_cast<const CNodeVariableReference*>(elements[0])->Variable());
    if (typeid(*this) != typeid(CNodeIntegral) || elements.size() != 4)
        return;
    for (std::size_t k = 1; k <= 2; ++k) {
        const CNode* node = elements[k];
        while (typeid(*node) == typeid(CNodeChangeSign) && node->Children().size() == 1)
            node = node->Children()[0];
        if (InfiniteLimit(*elements[k]) != 0 && typeid(*node) == typeid(CNodeVariableReference))
            variables.insert(static_cast<const CNodeVariableReference*>(node)->Variable());
    }
}

void CNodeCalculus::CLogFilter::AddMessage(const CCalcMessage& message)
{
    const ECalcStatus status = state->lastStatus;
    if (status != eCancelled) {
        if (probing || status == eUnderflow)
            return;
        if (message.severity == 0 && holding) {
            held.emplace_back(message, status);
            return;
        }
        if (message.severity != 0 && holdingErrors) {
            if (!errorsClosed)
                errors.emplace_back(message, status);
            return;
        }
    }
    // An error ends the calculation: what was held came before it.
    if (message.severity != 0) {
        for (const auto& [earlier, earlierStatus] : held)
            Pass(earlier, earlierStatus);
        held.clear();
    }
    Pass(message, status);
}

void CNodeCalculus::CLogFilter::Pass(const CCalcMessage& message, ECalcStatus status)
{
    if (status != eCancelled && message.severity == 0) {
        const std::uint64_t bit = std::uint64_t{1} << (static_cast<unsigned>(status) & 63u);
        if (warned & bit)
            return;
        warned |= bit;
    }
    if (next)
        next->AddMessage(message);
}

void CNodeCalculus::HoldWarnings(bool hold)
{
    m_filter.holding = hold;
}

void CNodeCalculus::HoldErrors(bool hold)
{
    m_filter.holdingErrors = hold;
}

void CNodeCalculus::EndErrorHold(bool pass)
{
    m_filter.holdingErrors = false;
    m_filter.errorsClosed = false;
    std::vector<std::pair<CCalcMessage, ECalcStatus>> errors;
    errors.swap(m_filter.errors);
    if (!pass || errors.empty())
        return;
    // As they would have come: the calculation ends with them.
    CCalcRunState& state = m_context->run;
    state.continueFlag = false;
    m_filter.probing = false;
    for (const auto& [message, status] : errors) {
        state.lastStatus = status;
        m_filter.AddMessage(message);
    }
}

void CNodeCalculus::EndHold(bool pass)
{
    m_filter.holding = false;
    std::vector<std::pair<CCalcMessage, ECalcStatus>> held;
    held.swap(m_filter.held);
    if (!pass)
        return;
    for (const auto& [message, status] : held)
        m_filter.Pass(message, status);
}

const CNode* CNodeCalculus::Elements(CCalcContext& context, std::size_t minElements, std::size_t maxElements)
{
    const CNode* list = m_children[0];
    const std::size_t count = list->Children().size();
    if (list->GetNodeType() != NodeVector || count < minElements || count > maxElements ||
        list->Children()[0]->GetNodeType() != NodeVariable) {
        ReportStatus(context.run, eSyntaxError);
        return nullptr;
    }
    return list;
}

void CNodeCalculus::Begin(CCalcContext& context, const CNode& list)
{
    const auto& elements = list.Children();
    m_context = &context;
    m_index = static_cast<const CNodeVariableReference*>(elements[0])->Variable();
    m_term = elements[elements.size() - 1];
    m_stopped = false;
    if (m_weight == 0)
        m_weight = 1 + CountNodes(*m_term);
    if (context.fastEvaluation && !m_fastTermTried) {
        m_fastTermTried = true;
        auto fast = std::make_unique<CFastTerm>();
        if (fast->Compile(*m_term, m_index))
            m_fastTerm = std::move(fast);
    }
    m_filter.state = &context.run;
    m_filter.next = context.run.logReceiver;
    m_filter.probing = false;
    m_filter.holding = false;
    m_filter.held.clear();
    m_filter.warned = 0;
    context.run.logReceiver = &m_filter;
}

void CNodeCalculus::End()
{
    m_index->Reset();
    m_context->run.logReceiver = m_filter.next;
}

bool CNodeCalculus::TreeValues(const CComplex* points, std::size_t count, CComplex* values, bool probing)
{
    CCalcRunState& state = m_context->run;
    for (std::size_t k = 0; k < count; ++k) {
        if (!state.Poll(m_weight)) {
            m_stopped = true;
            return false;
        }
        m_index->Set(points[k]);
        CComplex value;
        if (!m_term->Evaluate(*m_context, value)) {
            if ((probing || m_filter.holdingErrors) && state.lastStatus != eCancelled) {
                m_filter.errorsClosed = m_filter.errorsClosed || (!probing && !m_filter.errors.empty());
                // Only this point failed; its message was held back.
                state.continueFlag = true;
                m_stopped = false;
            } else {
                m_stopped = true;
            }
            return false;
        }
        values[k] = value;
    }
    return true;
}

bool CNodeCalculus::Values(const CComplex* points, std::size_t count, CComplex* values, bool probing)
{
    m_filter.probing = probing;
    if (m_fastTerm && m_context->fastEvaluation) {
        CCalcRunState& state = m_context->run;
        std::size_t done = 0;
        const CFastTerm::EOutcome outcome = m_fastTerm->RunPoints(*m_context, points, count, values, done);
        // The polls the clean points would have made.
        if (done > 0 && !state.Poll(static_cast<std::int64_t>(done) * m_weight)) {
            m_stopped = true;
            return false;
        }
        if (outcome == CFastTerm::EOutcome::Done)
            return true;
        // From the first block that needs a report on, through the tree.
        points += done;
        values += done;
        count -= done;
    }
    return TreeValues(points, count, values, probing);
}

bool CNodeCalculus::Deliver(CCalcContext& context, const CCalculusResult& result, const CComplex& where,
                            CComplex& value)
{
    // The routine's own reports carry the node's name, not the term's.
    m_filter.probing = false;
    switch (result.outcome) {
    case ECalculusOutcome::Done:
        value = result.value;
        break;
    case ECalculusOutcome::Inexact:
        ReportStatus(context.run, eInexact, result.error);
        value = result.value;
        break;
    case ECalculusOutcome::DoesNotConverge:
        ReportStatus(context.run, eDoesNotConverge);
        break;
    case ECalculusOutcome::NotDifferentiable:
        ReportStatus(context.run, eNotDifferentiable, where.real(), where.imag());
        break;
    case ECalculusOutcome::NoRoot:
        ReportStatus(context.run, eNoRoot);
        break;
    case ECalculusOutcome::Stopped:
        break;
    }
    return context.run.continueFlag;
}

bool CNodeIntegral::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, kKind);
    const CNode* list = Elements(context, kMinArguments, kMaxArguments);
    if (!list)
        return false;
    CIntegralLimit limits[2];
    for (int k = 0; k < 2; ++k) {
        const CNode& element = *list->Children()[static_cast<std::size_t>(1 + k)];
        limits[k].infinity = InfiniteLimit(element);
        if (limits[k].infinity == 0 && !const_cast<CNode&>(element).Evaluate(context, limits[k].point))
            return false;
    }
    Begin(context, *list);
    const CCalculusResult result = m_calculus.Integrate(*this, limits[0], limits[1]);
    End();
    if (result.outcome == ECalculusOutcome::Stopped)
        return false;
    return Deliver(context, result, CComplex(), value);
}

bool CNodeDerivative::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, kKind);
    const CNode* list = Elements(context, kMinArguments, kMaxArguments);
    if (!list)
        return false;
    const auto& elements = list->Children();
    CComplex at;
    if (!elements[1]->Evaluate(context, at))
        return false;
    int order = 1;
    if (elements.size() == 4) {
        CComplex n;
        if (!elements[2]->Evaluate(context, n))
            return false;
        if (!DerivativeOrder(n, order)) {
            // As a series' complex bound: no value, the calculation goes on.
            ReportStatus(context.run, eInvalidParameter);
            return context.run.continueFlag;
        }
    }
    Begin(context, *list);
    if (!m_analyticKnown) {
        m_analyticKnown = true;
        m_analytic = IsAnalytic(*elements[elements.size() - 1],
                                static_cast<const CNodeVariableReference*>(elements[0])->Variable());
    }
    const CCalculusResult result = m_calculus.Differentiate(*this, at, order, m_analytic);
    End();
    if (result.outcome == ECalculusOutcome::Stopped)
        return false;
    return Deliver(context, result, at, value);
}

bool CNodeRoot::Evaluate(CCalcContext& context, CComplex& value)
{
    COperationScope scope(context.run, kKind);
    const CNode* list = Elements(context, kMinArguments, kMaxArguments);
    if (!list)
        return false;
    const auto& elements = list->Children();
    CComplex start;
    if (!elements[1]->Evaluate(context, start))
        return false;
    CComplex high;
    const bool interval = elements.size() == 4;
    if (interval) {
        if (!elements[2]->Evaluate(context, high))
            return false;
        if (start.imag() != 0 || high.imag() != 0) {
            ReportStatus(context.run, eInvalidParameter);
            return context.run.continueFlag;
        }
    }
    Begin(context, *list);
    const CCalculusResult result = interval ? m_calculus.FindRoot(*this, start.real(), high.real())
                                            : m_calculus.FindRoot(*this, start);
    End();
    if (result.outcome == ECalculusOutcome::Stopped)
        return false;
    return Deliver(context, result, start, value);
}

}  // namespace NCalculatorText
