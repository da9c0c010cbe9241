#pragma once
// The value of the statement under the caret while the user types, shown
// in the status bar beside the previous result. It is computed in a scratch
// context made from the document's: no memory cell is written, the random
// sequence does not advance, the log and the previous result stay as they
// are. A statement that takes longer than its budget shows "…"; an error
// shows its message in the error colour. The check box "Show the result
// while typing" of the Preferences turns it off (setting
// "GUI/Editor/LiveResult").

#include <QObject>
#include <QString>
#include <QTimer>

class QLabel;
class QPlainTextEdit;
class CCalcDoc;

class CLiveResult : public QObject {
    Q_OBJECT
public:
    // The time after the last key or caret move, and the evaluation's
    // budget, in milliseconds.
    static constexpr int kDelay = 25;
    static constexpr int kBudget = 20;

    CLiveResult(QPlainTextEdit* editor, CCalcDoc* document, QLabel* label, QObject* parent = nullptr);

    // The stored choice, on unless turned off.
    static bool Enabled();
    static void SetEnabled(bool enabled);
    // Follows the stored choice: shows nothing while it is off.
    void ApplySetting();

    // Evaluates the statement at the caret now and shows the outcome.
    void Update();
    // What the label shows, and whether it is an error.
    QString Text() const;
    bool IsError() const { return m_error; }

private:
    void Schedule();
    void Show(const QString& text, bool error);

    QPlainTextEdit* m_editor;
    CCalcDoc* m_document;
    QLabel* m_label;
    QTimer m_timer;
    bool m_enabled = true;
    bool m_error = false;
};
