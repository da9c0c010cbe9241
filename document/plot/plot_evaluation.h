#pragma once
// A statement made ready for the pictures: its expression parsed once and
// bound to its free name, evaluated in a scratch context of its own that
// starts where the user's calculations stand (memory cells, previous
// result, random sequence, trigonometric units) and logs nowhere. Plotting
// changes nothing the user sees: no cell is written, the previous result
// and the random sequence stay, the log keeps its lines.

#include <atomic>
#include <string>
#include <string_view>

#include "document/plot/plot_sampling.h"
#include "language/bound_expression.h"
#include "language/calc_context.h"

enum class EPlotPrepare { Ready, SyntaxError, NoFreeName, SeveralFreeNames };

class CPlotStatement final : public IPlotFunction {
public:
    // Takes the scratch copy of the user's context now.
    explicit CPlotStatement(const NCalculatorText::CCalcContext& user);
    CPlotStatement(const CPlotStatement&) = delete;
    CPlotStatement& operator=(const CPlotStatement&) = delete;

    EPlotPrepare Prepare(std::u16string_view expression);
    const NCalculatorText::CBoundExpression& Expression() const { return m_expression; }
    // The expression as written, without surrounding blanks and line breaks.
    const std::u16string& Text() const { return m_text; }

    bool Value(const CComplex& at, CComplex& value) override;

    // A flag that stops a running evaluation (a long series) when it is
    // set; checked with the run state's polls.
    void SetCancelFlag(const std::atomic<bool>* flag) { m_cancel.flag = flag; }

    // Binds the statement's run state to the thread while it lives, so
    // that the numeric functions report there between two evaluations too.
    class CScope {
    public:
        explicit CScope(CPlotStatement& statement) : m_binding(statement.m_context.run) {}

    private:
        CRunStateBinding m_binding;
    };

private:
    class CFlagCancelSource final : public ICancelSource {
    public:
        bool CancelRequested() override { return flag && flag->load(std::memory_order_relaxed); }
        const std::atomic<bool>* flag = nullptr;
    };

    NCalculatorText::CCalcContext m_context;
    CFlagCancelSource m_cancel;
    NCalculatorText::CBoundExpression m_expression;
    std::u16string m_text;
};
