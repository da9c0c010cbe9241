#include "document/plot/plot_evaluation.h"

CPlotStatement::CPlotStatement(const NCalculatorText::CCalcContext& user) : m_context(user.MakeScratch(nullptr))
{
    m_context.run.cancelSource = &m_cancel;
    m_context.run.Reset();
}

EPlotPrepare CPlotStatement::Prepare(std::u16string_view expression)
{
    std::u16string text;
    for (char16_t c : expression)
        text.push_back(c == u'\r' || c == u'\n' || c == u'\t' ? u' ' : c);
    const std::size_t first = text.find_first_not_of(u' ');
    const std::size_t last = text.find_last_not_of(u' ');
    m_text = first == std::u16string::npos ? std::u16string() : text.substr(first, last - first + 1);

    if (!m_expression.Parse(m_context, expression))
        return EPlotPrepare::SyntaxError;
    if (m_expression.FreeNames().empty())
        return EPlotPrepare::NoFreeName;
    if (m_expression.FreeNames().size() > 1)
        return EPlotPrepare::SeveralFreeNames;
    return EPlotPrepare::Ready;
}

bool CPlotStatement::Value(const CComplex& at, CComplex& value)
{
    return m_expression.Evaluate(m_context, at, value);
}
