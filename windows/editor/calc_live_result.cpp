#include "windows/editor/calc_live_result.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTextBlock>
#include <QTextDocument>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "document/qt/calc_doc.h"
#include "document/qt/qt_text.h"
#include "language/calc_context.h"
#include "language/calculate.h"
#include "windows/editor/calc_highlighter.h"

namespace {

const char* const kSettingName = "GUI/Editor/LiveResult";
const char16_t* const kEllipsis = u"\u2026";

// Keeps the first error of a scratch evaluation.
class CFirstError final : public ILogReceiver {
public:
    void AddMessage(const CCalcMessage& message) override
    {
        if (message.severity == 1 && error.empty())
            error = message.description;
    }
    void StartCalculation() override { error.clear(); }

    std::u16string error;
};

// Stops an evaluation as soon as a newer question is asked: each question
// has its number, and the worker's counter holds the one wanted.
class CSupersededCancel final : public ICancelSource {
public:
    CSupersededCancel(const std::atomic<std::uint64_t>& wanted, std::uint64_t question)
        : m_wanted(wanted), m_question(question)
    {
    }
    bool CancelRequested() override { return m_wanted.load(std::memory_order_acquire) != m_question; }

private:
    const std::atomic<std::uint64_t>& m_wanted;
    std::uint64_t m_question;
};

// One question to the worker: the statement and the scratch context it is
// evaluated in, whose log and cancel source are the question's own.
struct CQuestion {
    CQuestion(const std::atomic<std::uint64_t>& wanted, std::uint64_t number) : question(number), cancel(wanted, number)
    {
    }

    std::uint64_t question;
    std::u16string expression;
    CFirstError log;
    CSupersededCancel cancel;
    NCalculatorText::CCalcContext context;
};

bool AllBlank(const std::u16string& text)
{
    for (char16_t c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

// The expression of the statement at position in text, by the statement
// rules of the calculation (empty when there is none).
std::u16string ExpressionAt(const std::u16string& text, std::size_t position)
{
    NCalculatorText::CStatementSpan span;
    std::u16string expression;
    if (NCalculatorText::FindStatement(text, position, span)) {
        expression = text.substr(span.start, span.expressionEnd - span.start);
        if (!NCalculatorText::StripComments(expression) || AllBlank(expression))
            expression.clear();
    }
    return expression;
}

// How far the statement at the caret is looked for on either side before
// the whole text is read instead.
constexpr int kNearbyCharacters = 1 << 16;

bool InComment(const std::vector<std::pair<int, int>>& comments, int column)
{
    for (const auto& [start, length] : comments) {
        if (column >= start && column < start + length)
            return true;
    }
    return false;
}

// The stretch of the document around position that holds the statement
// there whole: from behind the last ";" outside comments before it to the
// first one at or after it (or the text's ends), as text with "\n" line
// breaks, and position within it. A ";" outside comments always ends a
// statement, so the statement rules read the stretch as they read the
// whole text. The lines' comment states come from the colouring; false
// when one is missing or the stretch grows too long.
bool StretchAround(const QTextDocument* document, int position, std::u16string& text, std::size_t& at)
{
    std::vector<std::pair<int, int>> comments;
    auto commentsOf = [&comments](const QTextBlock& block, const QString& line) {
        comments.clear();
        FindComments(line, EndsInComment(block.previous()), comments);
    };
    auto stateKnown = [](const QTextBlock& block) {
        return HasCommentState(block) && (!block.previous().isValid() || HasCommentState(block.previous()));
    };
    const QTextBlock caretBlock = document->findBlock(position);
    if (!caretBlock.isValid() || !stateKnown(caretBlock))
        return false;
    // Backwards to the start.
    QTextBlock first = caretBlock;
    int startColumn = -1;
    int seen = 0;
    for (int column = position - caretBlock.position();;) {
        if (!stateKnown(first))
            return false;
        const QString line = first.text();
        commentsOf(first, line);
        for (int k = std::min(column, static_cast<int>(line.size())) - 1; k >= 0 && startColumn < 0; --k) {
            if (line[k] == u';' && !InComment(comments, k))
                startColumn = k + 1;
        }
        if (startColumn >= 0)
            break;
        seen += static_cast<int>(line.size()) + 1;
        if (!first.previous().isValid()) {
            startColumn = 0;
            break;
        }
        if (seen > kNearbyCharacters)
            return false;
        first = first.previous();
        column = first.length();
    }
    // Forwards to the end.
    QTextBlock last = caretBlock;
    int endColumn = -1;
    seen = 0;
    for (int column = position - caretBlock.position();;) {
        if (!stateKnown(last))
            return false;
        const QString line = last.text();
        commentsOf(last, line);
        for (int k = column; k < line.size() && endColumn < 0; ++k) {
            if (line[k] == u';' && !InComment(comments, k))
                endColumn = k + 1;
        }
        if (endColumn >= 0)
            break;
        if (!last.next().isValid()) {
            // A comment left open at the end: the calculation finds no
            // statement anywhere.
            if (EndsInComment(last)) {
                text.clear();
                at = 0;
                return true;
            }
            endColumn = static_cast<int>(line.size());
            break;
        }
        seen += static_cast<int>(line.size()) + 1;
        if (seen > kNearbyCharacters)
            return false;
        last = last.next();
        column = 0;
    }
    // A comment left open further on hides every statement too.
    const QTextBlock end = document->lastBlock();
    if (!HasCommentState(end))
        return false;
    if (EndsInComment(end)) {
        text.clear();
        at = 0;
        return true;
    }
    text.clear();
    for (QTextBlock block = first;; block = block.next()) {
        const QString line = block.text();
        const int from = block == first ? startColumn : 0;
        const int to = block == last ? endColumn : static_cast<int>(line.size());
        text.append(reinterpret_cast<const char16_t*>(line.utf16()) + from, static_cast<std::size_t>(to - from));
        if (block == last)
            break;
        text.push_back(u'\n');
    }
    at = static_cast<std::size_t>(position - first.position() - startColumn);
    return true;
}

}  // namespace

std::u16string LiveExpressionAt(const QTextDocument* document, int position)
{
    std::u16string text;
    std::size_t at = 0;
    if (StretchAround(document, position, text, at))
        return text.empty() ? std::u16string() : ExpressionAt(text, at);
    return ExpressionAt(FromQString(document->toPlainText()), static_cast<std::size_t>(position));
}

// The thread that evaluates. It holds at most one question waiting: a newer
// one replaces it, since only the newest is wanted.
class CLiveResult::CWorker {
public:
    using CAnswer = std::function<void(std::uint64_t question, const QString& text, bool error)>;

    explicit CWorker(CAnswer answer) : m_answer(std::move(answer)), m_thread([this] { Run(); }) {}
    ~CWorker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
            m_waiting.reset();
        }
        Withdraw();
        m_wake.notify_one();
        m_thread.join();
    }

    std::unique_ptr<CQuestion> NewQuestion()
    {
        const std::uint64_t number = m_wanted.load(std::memory_order_relaxed) + 1;
        m_wanted.store(number, std::memory_order_release);
        return std::make_unique<CQuestion>(m_wanted, number);
    }
    void Ask(std::unique_ptr<CQuestion> question)
    {
        {
            std::lock_guard lock(m_mutex);
            m_waiting = std::move(question);
        }
        m_wake.notify_one();
    }
    // No question is wanted any more: the running evaluation stops at its
    // next poll.
    void Withdraw() { m_wanted.fetch_add(1, std::memory_order_acq_rel); }

private:
    void Run()
    {
        for (;;) {
            std::unique_ptr<CQuestion> question;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || m_waiting != nullptr; });
                if (m_stop)
                    return;
                question = std::move(m_waiting);
            }
            if (question->cancel.CancelRequested())
                continue;
            NCalculatorText::CCalcContext& context = question->context;
            context.run.Reset();
            CComplex value;
            const bool ok = NCalculatorText::EvaluateExpression(context, question->expression, value);
            // The outcome of a question no longer asked is nobody's.
            if (question->cancel.CancelRequested())
                continue;
            if (ok)
                m_answer(question->question, QStringLiteral("= ") + ToQString(context.run.ComplexText(value)), false);
            else if (context.run.lastStatus == eCancelled)  // a process-wide cancel request
                m_answer(question->question, QString::fromUtf16(kEllipsis), false);
            else
                m_answer(question->question, ToQString(question->log.error), true);
        }
    }

    CAnswer m_answer;
    std::atomic<std::uint64_t> m_wanted{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<CQuestion> m_waiting;
    bool m_stop = false;
    // Last: it starts when everything it uses exists.
    std::thread m_thread;
};

CLiveResult::CLiveResult(QPlainTextEdit* editor, CCalcDoc* document, QLabel* label, QObject* parent)
    : QObject(parent)
    , m_editor(editor)
    , m_document(document)
    , m_label(label)
{
    m_worker = std::make_unique<CWorker>([this](std::uint64_t question, const QString& text, bool error) {
        // Runs on the worker: the outcome travels to the window's thread.
        QMetaObject::invokeMethod(
            this, [this, question, text, error] { Deliver(question, text, error); }, Qt::QueuedConnection);
    });
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDelay);
    m_budget.setSingleShot(true);
    m_budget.setInterval(kBudget);
    connect(&m_timer, &QTimer::timeout, this, &CLiveResult::Update);
    connect(&m_budget, &QTimer::timeout, this, [this] {
        if (m_asked && !m_answered)
            Show(QString::fromUtf16(kEllipsis), false);
    });
    // A change of the characters, not of their colours (textChanged reports
    // both, and the colouring of a long text goes on after a change).
    connect(editor->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (removed == 0 && added == 0)
            return;
        Forget();
        Schedule();
    });
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, &CLiveResult::Schedule);
    connect(document, &CCalcDoc::calculated, this, [this] {
        Forget();
        Schedule();
    });
    ApplySetting();
}

CLiveResult::~CLiveResult()
{
    m_worker.reset();
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
    Forget();
    if (m_enabled) {
        Schedule();
    } else {
        m_timer.stop();
        Show(QString(), false);
    }
}

void CLiveResult::Schedule()
{
    if (m_enabled)
        m_timer.start();
}

void CLiveResult::Forget()
{
    if (m_asked)
        m_worker->Withdraw();
    m_asked = false;
    m_answered = false;
    m_budget.stop();
}

bool CLiveResult::Pending() const
{
    return m_timer.isActive() || (m_asked && !m_answered);
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
    emit shown(text, error);
}

void CLiveResult::Deliver(std::uint64_t question, const QString& text, bool error)
{
    if (!m_asked || question != m_question)
        return;
    m_answered = true;
    m_budget.stop();
    Show(text, error);
}

void CLiveResult::Update()
{
    m_timer.stop();
    if (!m_enabled || m_document->Calculating())
        return;
    // The editor's own text serves: its line breaks are single "\n", which
    // the statement rules read like CR LF. Only the stretch around the caret
    // is read, so that a pause costs the same in a long text as in a short
    // one; the whole text where that stretch cannot be found.
    std::u16string expression = LiveExpressionAt(m_editor->document(), m_editor->textCursor().position());
    if (expression.empty()) {
        Forget();
        Show(QString(), false);
        return;
    }
    // The caret moved inside the statement asked about: its value stands.
    if (m_asked && expression == m_askedExpression)
        return;

    Forget();
    std::unique_ptr<CQuestion> question = m_worker->NewQuestion();
    question->expression = expression;
    // The imaginary part of the random numbers takes its seed from the clock
    // at the first draw: fixed now in the user's context, the scratch copy
    // draws what the next calculation will draw. The sequence stays where
    // it is.
    m_document->Context().random.SeedImaginaryOnce();
    question->context = m_document->Context().MakeScratch(&question->log);
    question->context.run.cancelSource = &question->cancel;
    m_question = question->question;
    m_asked = true;
    m_askedExpression = std::move(expression);
    m_worker->Ask(std::move(question));
    m_budget.start();
}
