#pragma once
// The value of the statement under the caret while the user types, shown
// in the status bar beside the previous result. It is computed in a scratch
// context made from the document's: no memory cell is written, the random
// sequence does not advance, the log and the previous result stay as they
// are. An error shows its message in the error colour. The check box "Show
// the result while typing" of the Preferences turns it off (setting
// "GUI/Editor/LiveResult").
//
// The evaluation runs on a worker thread of its own, so that no statement,
// however long it takes, holds up the typing. The window's thread reads the
// statement and makes the scratch context when it asks for a value; the
// worker evaluates and sends the outcome back as a queued call. An outcome
// that takes longer than the budget shows "…" until it arrives. Changing the
// text cancels the running evaluation at once (its cancel source answers
// yes at the next poll), and an outcome of a question no longer asked never
// shows.

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

class QLabel;
class QPlainTextEdit;
class QTextDocument;
class CCalcDoc;

// The expression of the statement at an editor position, its comments
// blanked, by the calculation's statement rules over the whole text (empty
// when there is none). It reads the lines around the position, with the
// comment states the colouring keeps on them, and the whole text only where
// the statement's stretch grows too long or a line has no state yet.
std::u16string LiveExpressionAt(const QTextDocument* document, int position);

class CLiveResult : public QObject {
    Q_OBJECT
public:
    // The time after the last key or caret move, and the time after which
    // a value not yet arrived shows as "…", in milliseconds.
    static constexpr int kDelay = 25;
    static constexpr int kBudget = 20;

    CLiveResult(QPlainTextEdit* editor, CCalcDoc* document, QLabel* label, QObject* parent = nullptr);
    // Cancels a running evaluation and waits for the worker to end.
    ~CLiveResult() override;

    // The stored choice, on unless turned off.
    static bool Enabled();
    static void SetEnabled(bool enabled);
    // Follows the stored choice: shows nothing while it is off. The number
    // text or the units may have changed, so a value is asked for anew.
    void ApplySetting();

    // Asks now for the value of the statement at the caret. Its outcome
    // shows when the worker sends it; nothing is asked when the statement
    // is the one whose value shows or is on its way.
    void Update();
    // What the label shows, and whether it is an error.
    QString Text() const;
    bool IsError() const { return m_error; }
    // True while a value is due: the pause after a key is running, or an
    // evaluation asked for has not answered yet.
    bool Pending() const;

signals:
    // The label has changed.
    void shown(const QString& text, bool error);

private:
    class CWorker;

    void Schedule();
    // The text or the context changed: the running evaluation stops at once
    // and its outcome is dropped; a new one follows after the pause.
    void Forget();
    void Deliver(std::uint64_t question, const QString& text, bool error);
    void Show(const QString& text, bool error);

    QPlainTextEdit* m_editor;
    CCalcDoc* m_document;
    QLabel* m_label;
    QTimer m_timer;
    QTimer m_budget;
    bool m_enabled = true;
    bool m_error = false;
    // The question last asked (its number, its statement) and whether its
    // outcome has arrived.
    std::uint64_t m_question = 0;
    bool m_asked = false;
    bool m_answered = false;
    std::u16string m_askedExpression;
    std::unique_ptr<CWorker> m_worker;
};
