#include "numeric/status.h"

#include <atomic>
#include <charconv>
#include <cmath>

namespace {

// The display names by the value of their kind.
constexpr const char16_t* kOperationNames[] = {
#define KAVM_OPERATION_NAME(kind, name) name,
    KAVM_OPERATION_KINDS(KAVM_OPERATION_NAME)
#undef KAVM_OPERATION_NAME
};

// Set by RequestCancel, possibly from a signal handler or another thread.
std::atomic<bool> CancelRequestFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets the cancel request");

constexpr int kOperationCount = sizeof(kOperationNames) / sizeof(kOperationNames[0]);

// A number in its shortest round-trip form, for runs without an environment.
void AppendPlainReal(std::u16string& out, double value)
{
    char text[32];
    const auto converted = std::to_chars(text, text + sizeof(text), value);
    for (const char* c = text; c < converted.ptr; ++c)
        out.push_back(static_cast<char16_t>(*c));
}

// A complex value in that form: the real part, then a signed imaginary part
// with its "i" when there is one.
void AppendPlainComplex(std::u16string& out, const CComplex& value)
{
    AppendPlainReal(out, value.real());
    if (value.imag() != 0) {
        if (!std::signbit(value.imag()))
            out.push_back(u'+');
        AppendPlainReal(out, value.imag());
        out.push_back(u'i');
    }
}

}  // namespace

const char16_t* GetOperationName(int kind)
{
    if (kind < 0 || kind >= kOperationCount)
        return u"Undefined";
    return kOperationNames[kind];
}

int GetStatusSeverity(ECalcStatus status)
{
    switch (status) {
    case eUninitializedMemory:
    case eUnderflow:
    case ePartialLoss:
    case eTotalLoss:
    case eInexact:
        return 0;
    default:
        return 1;
    }
}

std::u16string CCalcRunState::RealText(double value) const
{
    if (environment)
        return environment->RealText(value);
    std::u16string out;
    AppendPlainReal(out, value);
    return out;
}

std::u16string CCalcRunState::ComplexText(const CComplex& value) const
{
    if (environment)
        return environment->ComplexText(value);
    std::u16string out;
    AppendComplexText(value, out);
    return out;
}

void CCalcRunState::AppendComplexText(const CComplex& value, std::u16string& out) const
{
    if (environment) {
        environment->AppendComplexText(value, out);
        return;
    }
    AppendPlainComplex(out, value);
}

CComplexTextWriter CCalcRunState::ComplexTextWriter() const
{
    CComplexTextWriter writer;
    if (environment) {
        writer = environment->ComplexTextWriter();
        if (writer.append)
            return writer;
        writer.environment = environment;
        writer.append = [](const CComplexTextWriter& self, const CComplex& value, std::u16string& out) {
            self.environment->AppendComplexText(value, out);
        };
        return writer;
    }
    writer.append = [](const CComplexTextWriter&, const CComplex& value, std::u16string& out) {
        AppendPlainComplex(out, value);
    };
    return writer;
}

void CCalcRunState::Reset()
{
    continueFlag = true;
    currentKind = None;
    previousKind = None;
    lastStatus = eNone;
    quietOverflow = false;
    // The first poll of a calculation asks at once.
    m_pollCredit = 0;
    const unsigned units = environment ? environment->TrigonometricUnits() : 0;
    trigonometricUnits = (units == 1 || units == 2) ? static_cast<int>(units) : 0;
    if (logReceiver)
        logReceiver->StartCalculation();
}

bool CCalcRunState::PollNow()
{
    m_pollCredit = kCancelPollInterval;
    if (continueFlag && (CancelPending() || (cancelSource && cancelSource->CancelRequested())))
        Cancel();
    return continueFlag;
}

void CCalcRunState::Cancel()
{
    if (continueFlag)
        ReportStatus(*this, eCancelled);
}

void RequestCancel() noexcept
{
    CancelRequestFlag.store(true, std::memory_order_relaxed);
}

bool CancelPending() noexcept
{
    return CancelRequestFlag.load(std::memory_order_relaxed);
}

void ClearCancelRequest() noexcept
{
    CancelRequestFlag.store(false, std::memory_order_relaxed);
}

namespace {

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void ZeroUpperHalves()
{
    __builtin_ia32_vzeroupper();
}
#endif

// Each thread's own state for numeric work outside any calculation, and the
// state a calculation on this thread has bound.
thread_local CCalcRunState DetachedState;
thread_local CCalcRunState* BoundState = nullptr;

}  // namespace

void ClearUpperVectorState()
{
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx"))
        ZeroUpperHalves();
#endif
}

CCalcRunState& CurrentRunState()
{
    return BoundState ? *BoundState : DetachedState;
}

CRunStateBinding::CRunStateBinding(CCalcRunState& state) : m_previous(BoundState)
{
    BoundState = &state;
    ClearUpperVectorState();
}

CRunStateBinding::~CRunStateBinding()
{
    BoundState = m_previous;
}

void ReportStatus(ECalcStatus status, double re, double im)
{
    ReportStatus(CurrentRunState(), status, re, im);
}

void ReportStatus(CCalcRunState& state, ECalcStatus status, double re, double im)
{
    CCalcMessage message{0, GetOperationName(state.currentKind), {}};

    switch (status) {
    case eSyntaxError:
        message.description = u"Syntax error";
        state.continueFlag = false;
        break;
    case eUninitializedMemory:
        message.description = u"Uninitialized memory used, value forced to 0";
        break;
    case eOverflow:
        state.lastStatus = eOverflow;
        if (state.quietOverflow)
            return;
        message.description = u"Operation resulted in overflow, too big ";
        if (re > 0)
            message.description += u"positive ";
        else if (re < 0)
            message.description += u"negative ";
        message.description += u"number returned";
        state.continueFlag = false;
        break;
    case eUnderflow:
        message.description = u"Operation resulted in underflow, result accepted as " + state.RealText(re);
        break;
    case ePartialLoss:
        message.description =
            u"Operation resulted in partial loss of precision, result accepted as " + state.RealText(re);
        break;
    case eTotalLoss:
        message.description =
            u"Operation resulted in total loss of precision, result accepted as " + state.RealText(re);
        break;
    case eDomain:
        message.description = u"Function is not defined for " + state.ComplexText(CComplex(re, im));
        state.continueFlag = false;
        break;
    case eSingularity:
        message.description = state.currentKind == Division ? u"Operation" : u"Function";
        message.description += u" has singularity at " + state.ComplexText(CComplex(re, im));
        state.continueFlag = false;
        break;
    case eNoConvergence:
        message.description = u"Computation algorithm failed to converge";
        break;
    case eInvalidParameter:
        message.description = u"Invalid parameter";
        break;
    case eCancelled:
        message.description = u"Calculation cancelled";
        state.continueFlag = false;
        break;
    case eTooManyTerms:
        message.description = u"Too many terms for a counting index";
        state.continueFlag = false;
        break;
    case eInexact:
        message.description = u"Result inexact, estimated error " + state.RealText(re);
        break;
    case eDoesNotConverge:
        message.description = u"Does not converge";
        state.continueFlag = false;
        break;
    case eNoRoot:
        message.description = u"No root found";
        state.continueFlag = false;
        break;
    case eNotDifferentiable:
        message.description = u"Not differentiable at " + state.ComplexText(CComplex(re, im));
        state.continueFlag = false;
        break;
    case eDefinitionError:
        message.description = u"Definition refused";
        state.continueFlag = false;
        break;
    default:
        status = eUnknown;
        message.description = u"Unknown error";
        state.continueFlag = false;
        break;
    }
    state.lastStatus = status;
    message.severity = GetStatusSeverity(status);
    if (state.logReceiver)
        state.logReceiver->AddMessage(message);
}

void ReportStatusText(CCalcRunState& state, ECalcStatus status, std::u16string description)
{
    const int severity = GetStatusSeverity(status);
    if (severity != 0)
        state.continueFlag = false;
    state.lastStatus = status;
    const CCalcMessage message{severity, GetOperationName(state.currentKind), std::move(description)};
    if (state.logReceiver)
        state.logReceiver->AddMessage(message);
}

COperationScope::COperationScope(CCalcRunState& state, EOperationKind kind)
    : m_state(state), m_entryKind(state.currentKind)
{
    state.previousKind = m_entryKind;
    state.currentKind = kind;
    state.quietOverflow = false;
}

COperationScope::~COperationScope()
{
    m_state.previousKind = m_state.currentKind;
    m_state.currentKind = m_entryKind;
    m_state.quietOverflow = false;
}
