#include "windows/calc_live_result.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>

#include "document/qt/calc_doc.h"
#include "document/qt/qt_text.h"
#include "language/calc_context.h"
#include "language/calculate.h"
#include "windows/calc_highlighter.h"

namespace {

const char* const kSettingName = "GUI/Editor/LiveResult";

// Stops an evaluation that outlasts its budget.
class CDeadline final : public ICancelSource {
public:
    explicit CDeadline(int milliseconds) : m_budget(milliseconds) { m_clock.start(); }
    bool CancelRequested() override
    {
        m_expired = m_expired || m_clock.elapsed() >= m_budget;
        return m_expired;
    }
    bool Expired() const { return m_expired; }

private:
    QElapsedTimer m_clock;
    qint64 m_budget;
    bool m_expired = false;
};

// Keeps the first error of a scratch evaluation.
class CFirstError final : public ILogReceiver {
public:
    void AddMessage(const CCalcMessage& message) override
    {
        if (message.severity == 1 && error.isEmpty())
            error = ToQString(message.description);
    }
    void StartCalculation() override { error.clear(); }

    QString error;
};

bool AllBlank(const std::u16string& text)
{
    for (char16_t c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

}  // namespace

CLiveResult::CLiveResult(QPlainTextEdit* editor, CCalcDoc* document, QLabel* label, QObject* parent)
    : QObject(parent)
    , m_editor(editor)
    , m_document(document)
    , m_label(label)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDelay);
    connect(&m_timer, &QTimer::timeout, this, &CLiveResult::Update);
    connect(editor, &QPlainTextEdit::textChanged, this, &CLiveResult::Schedule);
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, &CLiveResult::Schedule);
    connect(document, &CCalcDoc::calculated, this, &CLiveResult::Schedule);
    ApplySetting();
}

bool CLiveResult::Enabled()
{
    return QSettings().value(kSettingName, true).toBool();
}

void CLiveResult::SetEnabled(bool enabled)
{
    QSettings().setValue(kSettingName, enabled);
}

void CLiveResult::ApplySetting()
{
    m_enabled = Enabled();
    m_label->setVisible(m_enabled);
    if (m_enabled)
        Schedule();
    else
        Show(QString(), false);
}

void CLiveResult::Schedule()
{
    if (m_enabled)
        m_timer.start();
}

QString CLiveResult::Text() const
{
    return m_label->text();
}

void CLiveResult::Show(const QString& text, bool error)
{
    m_error = error;
    m_label->setText(text);
    QPalette palette = m_label->palette();
    const QColor normal = m_label->parentWidget() != nullptr
                              ? m_label->parentWidget()->palette().color(QPalette::WindowText)
                              : m_editor->palette().color(QPalette::WindowText);
    palette.setColor(QPalette::WindowText, error ? CEditorColors(m_editor->palette()).error : normal);
    m_label->setPalette(palette);
}

void CLiveResult::Update()
{
    m_timer.stop();
    if (!m_enabled || m_document->Calculating())
        return;
    // The editor's own text serves: its line breaks are single "\n", which
    // the statement rules read like CR LF.
    const QString plain = m_editor->toPlainText();
    const std::u16string text = FromQString(plain);
    NCalculatorText::CStatementSpan span;
    if (!NCalculatorText::FindStatement(text, static_cast<std::size_t>(m_editor->textCursor().position()), span)) {
        Show(QString(), false);
        return;
    }
    std::u16string expression = text.substr(span.start, span.expressionEnd - span.start);
    if (!NCalculatorText::StripComments(expression) || AllBlank(expression)) {
        Show(QString(), false);
        return;
    }

    CFirstError log;
    NCalculatorText::CCalcContext scratch = m_document->Context().MakeScratch(&log);
    CDeadline deadline(kBudget);
    scratch.run.cancelSource = &deadline;
    scratch.run.Reset();
    CComplex value;
    if (NCalculatorText::EvaluateExpression(scratch, expression, value))
        Show(QStringLiteral("= ") + ToQString(scratch.run.ComplexText(value)), false);
    else if (deadline.Expired())
        Show(QStringLiteral("\u2026"), false);
    else
        Show(log.error, true);
}
