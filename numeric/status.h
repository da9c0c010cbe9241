#pragma once
// Calculation status model: the status codes with their messages, the log
// message record, the operation kinds that give every message its context,
// and the run state of one calculation, shared by the expression tree and the
// numeric functions.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "numeric/complex.h"

namespace NCalculatorText {
class CDefinitions;
}

enum ECalcStatus : int {
    eSyntaxError = 0,
    eUninitializedMemory = 1,
    eOverflow = 2,
    eUnderflow = 3,
    eDomain = 4,
    eSingularity = 5,
    ePartialLoss = 6,
    eTotalLoss = 7,
    eNone = 8,
    eUnknown = 9,
    eNoConvergence = 10,
    eInvalidParameter = 11,
    // A long calculation stopped on the user's request.
    eCancelled = 12,
    // A series whose index would stop counting before it reaches the end:
    // the step no longer changes the index (1e17 + 1 == 1e17).
    eTooManyTerms = 13,
    // An integral, derivative or root whose own error estimate stays above
    // about 1e-10 of its value: the value is kept, the estimate logged.
    eInexact = 14,
    // An integral that does not exist (divergent, a singularity it cannot
    // pass) or a derivative without a consistent estimate.
    eDoesNotConverge = 15,
    // No sign change in the interval, or no convergence from the start.
    eNoRoot = 16,
    // A term whose left and right derivatives differ at the point.
    eNotDifferentiable = 17,
    // A definition ("r := 5", "f(x) := x^2") or a call of a defined
    // function that cannot be made; its message names the problem.
    eDefinitionError = 18,
};

// The operation kinds, in the order of their values, each with its display
// name: the context of the messages logged while an operation of the kind
// works. The enum and the names are both made from this one list, X(kind,
// name) a row, so a kind can neither lack its name nor take another's; a
// new kind is a new row at the end, which keeps the values of the others.
#define KAVM_OPERATION_KINDS(X) \
    X(None, u"None") \
    X(Number, u"Number") \
    X(Division, u"Division") \
    X(Multiplication, u"Multiplication") \
    X(Addition, u"Addition") \
    X(Subtraction, u"Subtraction") \
    X(Sine, u"Sine") \
    X(Cosine, u"Cosine") \
    X(Tangent, u"Tangent") \
    X(Cotangent, u"Cotangent") \
    X(Secant, u"Secant") \
    X(Cosecant, u"Cosecant") \
    X(Arcsine, u"Arcsine") \
    X(Arccosine, u"Arccosine") \
    X(Arctangent, u"Arctangent") \
    X(Arccotangent, u"Arccotangent") \
    X(Arcsecant, u"Arcsecant") \
    X(Arccosecant, u"Arccosecant") \
    X(HyperbolicCosine, u"Hyperbolic cosine") \
    X(HyperbolicSine, u"Hyperbolic sine") \
    X(HyperbolicTangent, u"Hyperbolic tangent") \
    X(HyperbolicCotangent, u"Hyperbolic cotangent") \
    X(HyperbolicSecant, u"Hyperbolic secant") \
    X(HyperbolicCosecant, u"Hyperbolic cosecant") \
    X(ArchyperbolicCosine, u"Archyperbolic cosine") \
    X(ArchyperbolicSine, u"Archyperbolic sine") \
    X(ArchyperbolicTangent, u"Archyperbolic tangent") \
    X(ArchyperbolicCotangent, u"Archyperbolic cotangent") \
    X(ArchyperbolicSecant, u"Archyperbolic secant") \
    X(ArchyperbolicCosecant, u"Archyperbolic cosecant") \
    X(NaturalLogarithm, u"Natural logarithm") \
    X(DecimalLogarithm, u"Decimal logarithm") \
    X(Power, u"Power") \
    X(Exponent, u"Exponent") \
    X(Factorial, u"Factorial") \
    X(Memory, u"Memory") \
    X(SquareRoot, u"Square root") \
    X(AbsoluteValue, u"Absolute value") \
    X(GammaFunction, u"Gamma function") \
    X(Index, u"Index") \
    X(BesselFirstKind, u"Bessel of the first kind") \
    X(BesselSecondKind, u"Bessel of the second kind") \
    X(ModifiedBesselFirstKind, u"Modified Bessel of the first kind") \
    X(ModifiedBesselSecondKind, u"Modified Bessel of the second kind") \
    X(SeriesSum, u"Series sum") \
    X(SeriesProduct, u"Series product") \
    X(Integral, u"Integral") \
    X(Derivative, u"Derivative") \
    X(Root, u"Root") \
    /* a new kind: its row above this line */

enum EOperationKind : int {
#define KAVM_OPERATION_KIND(kind, name) kind,
    KAVM_OPERATION_KINDS(KAVM_OPERATION_KIND)
#undef KAVM_OPERATION_KIND
};

// Display name of an operation kind; "Undefined" outside the table.
const char16_t* GetOperationName(int kind);

// One log line as handed to the log receiver. Valid only during the call;
// the receiver copies what it keeps.
struct CCalcMessage {
    int severity;              // 1 error, 0 warning
    const char16_t* context;   // display name of the current operation kind
    std::u16string description;
};

class ILogReceiver {
public:
    virtual void AddMessage(const CCalcMessage& message) = 0;
    virtual void StartCalculation() = 0;

protected:
    ~ILogReceiver() = default;
};

// Severity of a status as it shows in the log: 1 error, 0 warning.
int GetStatusSeverity(ECalcStatus status);

// What the user stops a long calculation with (the window's progress
// dialog). A running calculation asks it now and then whether to stop; it
// may let the window process its events meanwhile, but must not start
// another calculation.
class ICancelSource {
public:
    virtual bool CancelRequested() = 0;

protected:
    ~ICancelSource() = default;
};

class ICalcEnvironment;

// The way result texts are written, fixed for a whole run: what it depends
// on (the notation case, the imaginary unit letter) is looked up once, and
// each result then costs one plain call that appends its text to out.
// writeUtf8, where the writer has it, writes the same text in UTF-8 into
// room it is handed, for a run whose text is bytes.
inline constexpr std::size_t kComplexUtf8TextRoom = 128;

struct CComplexTextWriter {
    void (*append)(const CComplexTextWriter& writer, const CComplex& value, std::u16string& out) = nullptr;
    // Writes to out, which has kComplexUtf8TextRoom bytes of room, and
    // returns the end of the text; null where only append writes.
    char* (*writeUtf8)(const CComplexTextWriter& writer, const CComplex& value, char* out) = nullptr;
    bool upper = false;
    char16_t unit = u'i';
    const ICalcEnvironment* environment = nullptr;

    void operator()(const CComplex& value, std::u16string& out) const { append(*this, value, out); }
};

// What a calculation takes from the user's document: the trigonometric
// units, the text of a number in results and messages (the notation case
// and the imaginary unit letter the user chose) and the memory cells. The
// document installs its own in the run state of its calculation context;
// the numbers and the language know nothing of where these come from.
class ICalcEnvironment {
public:
    // 0 radians, 1 degrees, 2 grads; anything else is taken as radians.
    virtual unsigned TrigonometricUnits() const = 0;
    virtual std::u16string RealText(double value) const = 0;
    virtual std::u16string ComplexText(const CComplex& value) const = 0;
    // ComplexText appended to out; an environment that can write the text
    // in place spares the calculation run a string per result.
    virtual void AppendComplexText(const CComplex& value, std::u16string& out) const { out += ComplexText(value); }
    // A writer of the same texts for a run in which the environment does
    // not change; one without a function writes through AppendComplexText.
    virtual CComplexTextWriter ComplexTextWriter() const { return {}; }
    // The value of a memory cell; false when there is no such cell.
    virtual bool FindMemory(const std::u16string& name, CComplex& value) = 0;
    // Creates the cell when needed.
    virtual void StoreMemory(const std::u16string& name, const CComplex& value) = 0;
    // An environment with the same units and number text and a private copy
    // of the memory cells: stores into it reach no one else.
    virtual std::unique_ptr<ICalcEnvironment> Clone() const = 0;
    // The user's defined values and functions, kept with the memory cells
    // (copied by Clone like them); none where nothing can be defined.
    virtual NCalculatorText::CDefinitions* Definitions() { return nullptr; }

    virtual ~ICalcEnvironment() = default;
};

// Units of work (about one node evaluation each) between two questions to
// the cancel source.
inline constexpr std::int64_t kCancelPollInterval = 4096;

class CCalcRunState {
public:
    bool continueFlag = true;
    EOperationKind currentKind = None;
    EOperationKind previousKind = None;
    ECalcStatus lastStatus = eNone;
    bool quietOverflow = false;
    int trigonometricUnits = 0;
    ILogReceiver* logReceiver = nullptr;
    // Asked during long calculations; none when nobody can stop them.
    ICancelSource* cancelSource = nullptr;
    // Installed by the document. Without one a calculation works in
    // radians, writes numbers in their shortest round-trip form and has no
    // memory cells (reads are uninitialized, stores are dropped).
    ICalcEnvironment* environment = nullptr;

    // The text of a number in results and messages.
    std::u16string RealText(double value) const;
    std::u16string ComplexText(const CComplex& value) const;
    // The same text appended to out.
    void AppendComplexText(const CComplex& value, std::u16string& out) const;
    // A writer of that text, for a run of many results in which the
    // environment does not change.
    CComplexTextWriter ComplexTextWriter() const;

    // Start of a calculation: fresh flags, units taken from the environment,
    // the log receiver told to empty itself, and the next poll due at once.
    void Reset();

    // Long loops count their work here; about every kCancelPollInterval
    // units the cancel request and the cancel source are consulted, and a
    // cancel stops the calculation (see Cancel). Returns the continue flag.
    bool Poll(std::int64_t work)
    {
        m_pollCredit -= work;
        if (m_pollCredit > 0)
            return continueFlag;
        return PollNow();
    }
    // True when Poll(work) would consult the cancel request and the cancel
    // source: a loop that works ahead of what it has checked settles its
    // account first.
    bool PollDue(std::int64_t work) const { return m_pollCredit - work <= 0; }
    // How many calls of Poll(work) in a row would only count: a loop may
    // run that many steps and then count them with one Poll(steps * work).
    std::int64_t QuietPolls(std::int64_t work) const
    {
        return m_pollCredit <= 0 || work <= 0 ? 0 : (m_pollCredit - 1) / work;
    }
    // Consults the cancel request and the cancel source at once.
    bool PollNow();
    // Stops the running calculation: clears the continue flag and logs
    // "Calculation cancelled" once, in the context of the current operation.
    // Nothing happens when the calculation has already stopped.
    void Cancel();

private:
    std::int64_t m_pollCredit = kCancelPollInterval;
};

// A request that the running calculation stop at its next poll, made from
// a signal handler or another thread: it only sets a lock-free atomic flag.
// The request stays until it is cleared.
void RequestCancel() noexcept;
bool CancelPending() noexcept;
void ClearCancelRequest() noexcept;

// The run state of the calculation running on this thread: the numeric
// functions report to it. Whoever evaluates binds the run state of its
// calculation context for the time of the evaluation (CRunStateBinding);
// without a binding the thread has a detached state of its own, which no
// log receiver, cancel source or environment is attached to.
CCalcRunState& CurrentRunState();

// Binds a run state to the calling thread while it lives; the binding that
// was there before comes back when it ends, so evaluations nest. A binding
// starts a piece of numeric work, so it also clears the vector unit's state
// (see ClearUpperVectorState).
// Marks the upper halves of the AVX registers unused. Libraries of the
// window may leave them in use, and then every SSE instruction of the
// numbers pays for a state transition on some processors: a calculation of
// Gamma, sine and logarithms ran five times slower in the window than in
// the command line. Nothing happens on processors without AVX.
void ClearUpperVectorState();

class CRunStateBinding {
public:
    explicit CRunStateBinding(CCalcRunState& state);
    ~CRunStateBinding();
    CRunStateBinding(const CRunStateBinding&) = delete;
    CRunStateBinding& operator=(const CRunStateBinding&) = delete;

private:
    CCalcRunState* m_previous;
};

// Records a status in a run state, decides whether the calculation goes on,
// composes the message and hands it to the state's log receiver. (re, im) is
// the offending argument (domain, singularity), the accepted result
// (underflow, loss of precision) or the returned value (overflow).
void ReportStatus(CCalcRunState& state, ECalcStatus status, double re = 0.0, double im = 0.0);
// The same for the run state bound to this thread: the numeric functions'
// way to report.
void ReportStatus(ECalcStatus status, double re = 0.0, double im = 0.0);
// A status whose message is the given description (eDefinitionError):
// logged in the context of the current operation kind.
void ReportStatusText(CCalcRunState& state, ECalcStatus status, std::u16string description);

// The bracket every operation puts around its work: while it lives the
// current operation kind is the operation's own, so messages carry its name;
// when it ends the previous kind names this operation and the caller's kind
// is restored. The entry kind is what was current when the operation began.
class COperationScope {
public:
    COperationScope(CCalcRunState& state, EOperationKind kind);
    ~COperationScope();
    COperationScope(const COperationScope&) = delete;
    COperationScope& operator=(const COperationScope&) = delete;

    EOperationKind EntryKind() const { return m_entryKind; }

private:
    CCalcRunState& m_state;
    EOperationKind m_entryKind;
};
