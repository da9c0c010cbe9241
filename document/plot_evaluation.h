#pragma once
// A statement made ready for the pictures: its expression parsed once and
// bound to its free name, evaluated in a scratch state of its own that
// starts where the user's calculations stand (memory cells, previous
// result, random sequence, trigonometric units) and logs nowhere. Plotting
// changes nothing the user sees: no cell is written, the previous result
// and the random sequence stay, the log keeps its lines.

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "document/plot_sampling.h"
#include "language/bound_expression.h"

enum class EPlotPrepare { Ready, SyntaxError, NoFreeName, SeveralFreeNames };

class CPlotStatement final : public IPlotFunction {
public:
    // Takes the scratch copy of the user's state now.
    CPlotStatement();
    ~CPlotStatement();
    CPlotStatement(const CPlotStatement&) = delete;
    CPlotStatement& operator=(const CPlotStatement&) = delete;

    EPlotPrepare Prepare(std::u16string_view expression);
    const NCalculatorText::CBoundExpression& Expression() const { return m_expression; }
    // The expression as written, without surrounding blanks and line breaks.
    const std::u16string& Text() const { return m_text; }

    bool Value(const CComplex& at, CComplex& value) override;

    // A flag that stops a running evaluation (a long series) when it is
    // set; checked with the run state's polls.
    void SetCancelFlag(const std::atomic<bool>* flag);

    // Makes the scratch state the current one while it lives; evaluations
    // inside one scope are cheaper than each on its own. Scopes of one
    // statement nest.
    class CScope {
    public:
        explicit CScope(CPlotStatement& statement);
        ~CScope();
        CScope(const CScope&) = delete;
        CScope& operator=(const CScope&) = delete;

    private:
        CPlotStatement& m_statement;
    };

private:
    void Enter();
    void Leave();

    struct CScratch;
    std::unique_ptr<CScratch> m_scratch;
    NCalculatorText::CBoundExpression m_expression;
    std::u16string m_text;
    int m_entered = 0;
};
