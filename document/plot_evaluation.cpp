#include "document/plot_evaluation.h"

#include <map>

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "language/calculate.h"
#include "numeric/random.h"
#include "numeric/status.h"

namespace {

// The user's environment seen through a private copy of the memory cells.
class CScratchEnvironment final : public ICalcEnvironment {
public:
    CScratchEnvironment()
    {
        for (const auto& [name, cell] : MemoryStore().Cells())
            m_cells[name] = cell.value;
    }
    unsigned TrigonometricUnits() const override { return m_document.TrigonometricUnits(); }
    std::u16string RealText(double value) const override { return m_document.RealText(value); }
    std::u16string ComplexText(const CComplex& value) const override { return m_document.ComplexText(value); }
    bool FindMemory(const std::u16string& name, CComplex& value) override
    {
        const auto found = m_cells.find(name);
        if (found == m_cells.end())
            return false;
        value = found->second;
        return true;
    }
    void StoreMemory(const std::u16string& name, const CComplex& value) override { m_cells[name] = value; }

private:
    CDocumentEnvironment m_document;
    std::map<std::u16string, CComplex> m_cells;
};

class CFlagCancelSource final : public ICancelSource {
public:
    bool CancelRequested() override { return flag && flag->load(std::memory_order_relaxed); }
    const std::atomic<bool>* flag = nullptr;
};

}  // namespace

// Until the calculation state is an object of its own, the scratch state
// is swapped with the process-wide one around each batch of evaluations,
// all on the thread of the user's calculations.
struct CPlotStatement::CScratch {
    CScratchEnvironment environment;
    CFlagCancelSource cancel;
    CCalcRunState state;
    CComplex previousResult;
    CRandomGenerator realPart;
    CRandomGenerator imaginaryPart;

    CCalcRunState savedState;
    CComplex savedResult;
    CRandomGenerator savedReal;
    CRandomGenerator savedImaginary;
};

CPlotStatement::CPlotStatement() : m_scratch(std::make_unique<CScratch>())
{
    // The imaginary generator is seeded once, when the first random node
    // is made; seeding it here keeps that first seeding in the user's
    // generator rather than in the copy.
    SeedImaginaryGeneratorOnce();
    CScratch& s = *m_scratch;
    s.state.environment = &s.environment;
    s.state.logReceiver = nullptr;
    s.state.cancelSource = &s.cancel;
    s.state.Reset();
    s.previousResult = NCalculatorText::PreviousResult();
    s.realPart = RealPartGenerator();
    s.imaginaryPart = ImaginaryPartGenerator();
}

CPlotStatement::~CPlotStatement() = default;

void CPlotStatement::Enter()
{
    if (m_entered++ > 0)
        return;
    CScratch& s = *m_scratch;
    s.savedState = RunState();
    s.savedResult = NCalculatorText::PreviousResult();
    s.savedReal = RealPartGenerator();
    s.savedImaginary = ImaginaryPartGenerator();
    RunState() = s.state;
    NCalculatorText::PreviousResult() = s.previousResult;
    RealPartGenerator() = s.realPart;
    ImaginaryPartGenerator() = s.imaginaryPart;
}

void CPlotStatement::Leave()
{
    if (--m_entered > 0)
        return;
    CScratch& s = *m_scratch;
    s.state = RunState();
    s.previousResult = NCalculatorText::PreviousResult();
    s.realPart = RealPartGenerator();
    s.imaginaryPart = ImaginaryPartGenerator();
    RunState() = s.savedState;
    NCalculatorText::PreviousResult() = s.savedResult;
    RealPartGenerator() = s.savedReal;
    ImaginaryPartGenerator() = s.savedImaginary;
}

CPlotStatement::CScope::CScope(CPlotStatement& statement) : m_statement(statement)
{
    m_statement.Enter();
}

CPlotStatement::CScope::~CScope()
{
    m_statement.Leave();
}

void CPlotStatement::SetCancelFlag(const std::atomic<bool>* flag)
{
    m_scratch->cancel.flag = flag;
}

EPlotPrepare CPlotStatement::Prepare(std::u16string_view expression)
{
    std::u16string text;
    for (char16_t c : expression)
        text.push_back(c == u'\r' || c == u'\n' || c == u'\t' ? u' ' : c);
    const std::size_t first = text.find_first_not_of(u' ');
    const std::size_t last = text.find_last_not_of(u' ');
    m_text = first == std::u16string::npos ? std::u16string() : text.substr(first, last - first + 1);

    CScope scope(*this);
    if (!m_expression.Parse(expression))
        return EPlotPrepare::SyntaxError;
    if (m_expression.FreeNames().empty())
        return EPlotPrepare::NoFreeName;
    if (m_expression.FreeNames().size() > 1)
        return EPlotPrepare::SeveralFreeNames;
    return EPlotPrepare::Ready;
}

bool CPlotStatement::Value(const CComplex& at, CComplex& value)
{
    CScope scope(*this);
    return m_expression.Evaluate(at, value);
}
