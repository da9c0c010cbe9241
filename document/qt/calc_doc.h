#pragma once
// The calculation document: the editor text seen as a UTF-16 text with CR LF
// line breaks and code-unit caret positions, the calculation commands over
// it, and the calculation files.

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "document/keypad/cmd_receiver.h"
#include "document/text_file.h"
#include "language/calc_context.h"


class QPlainTextEdit;

// What turns one text into another: the characters [start, start + removed)
// give way to inserted. The range lies between the longest common start and
// the longest common end of the two texts and holds whole characters.
struct CTextChange {
    int start = 0;
    int removed = 0;
    QString inserted;
};
CTextChange DifferingRange(const QString& before, const QString& after);

// The fixed text of a file failure, translated for the message box.
QString FileResultMessage(EFileResult result);
// The same for a failed save, with the file's name and the system's reason
// (error, an errno value; none when 0) on the lines below it.
QString FileWriteMessage(EFileResult result, const QString& path, int error);

class CMemoryStore;
class CPreferenceValues;

class CCalcDoc : public QObject, public ICmdReceiver {
    Q_OBJECT
public:
    // The preferences and the memory are the application's, handed in; the
    // calculations themselves reach them through the core's environment.
    CCalcDoc(QPlainTextEdit* editor, const CPreferenceValues& preferences, CMemoryStore& memory,
             QObject* parent = nullptr);

    void ExecuteCommand(ECmdCode code) override;
    void InsertText(std::u16string_view text) override;

    // The editor text with CR LF line breaks, and the caret as an index
    // into it; setting the text is one undoable edit that replaces only the
    // characters that changed.
    std::u16string Text() const;
    std::ptrdiff_t Caret() const;
    std::ptrdiff_t SelectionStart() const;
    void SetText(const std::u16string& text, std::ptrdiff_t caret);

    // Calculation files: UTF-16 little-endian with a byte-order mark. The
    // save replaces the file only when the whole text was written. A file
    // opened as Windows-1252 (it was not UTF-8) is saved the same way,
    // byte for byte outside what changed, as long as every character has a
    // byte there; the log says so.
    bool Open(const QString& path);
    bool Save(const QString& path);
    // Runs every calculation of a file without touching the editor; when a
    // line fails, the log names the file and the line.
    bool Execute(const QString& path);
    bool LoadMemory(const QString& path);
    // Writes a memory-file text taken earlier. Over a memory file that did
    // not load whole it asks first, saying how many lines would be lost.
    bool SaveMemoryText(const QString& path, const std::u16string& text);
    // The lines a memory file loaded in this session did not load (0 when
    // it loaded whole or was not loaded).
    std::size_t LinesNotLoaded(const QString& path) const;
    ETextEncoding Encoding() const { return m_encoding; }
    // An empty text and no file; memory and the previous result stay.
    void New();

    QString Path() const { return m_path; }
    // The context the user's calculations run in: the user's memory,
    // preferences, previous result and random sequence; its log receiver
    // is the window's log.
    NCalculatorText::CCalcContext& Context() { return m_context; }
    const NCalculatorText::CCalcContext& Context() const { return m_context; }
    // True while a calculation, an execution or a memory load runs; the
    // window may process events then (see CCalcProgress), and a second one
    // does not start.
    bool Calculating() const { return m_calculating; }

    // Selects the statement that the log line row of the last calculation
    // came from; false when the line came from no statement of the editor
    // (a file execution, a comment left open).
    bool SelectMessageStatement(int row);

    // Asked before memory is freed (true for Yes) and shown on file errors.
    std::function<bool(const QString&)> askYesNo;
    std::function<void(const QString&)> showError;

signals:
    // After a calculation, a file execution, a memory load or free.
    void calculated();
    // After a calculation: the editor range [start, end) of the statement
    // that failed, or an empty range when none did.
    void statementFailed(int start, int end);

private:
    void Calculate(bool all);
    void NoteEdit(int position, int removed, int added);
    // Puts after in place of the editor's text, which is before.
    void ReplaceText(const std::u16string& before, const std::u16string& after, std::ptrdiff_t caret);

    // A note of the file at path in the log, as a warning.
    void Note(const QString& path, const std::string& note);
    bool ExecuteFile(const QString& path, bool memory);

    QPlainTextEdit* m_editor;
    const CPreferenceValues& m_preferences;
    CMemoryStore& m_memory;
    NCalculatorText::CCalcContext m_context;
    QString m_path;
    ETextEncoding m_encoding = ETextEncoding::Utf16;
    // Memory files that stopped loading, by their canonical path, with the
    // lines they did not load.
    std::map<QString, std::size_t> m_incompleteMemoryFiles;
    bool m_calculating = false;
    // The last calculation's statements that logged, as editor positions of
    // their starts, the statement of each log line (an index into them),
    // and the edits made since, which move those positions.
    std::vector<int> m_statementStarts;
    std::vector<int> m_messageStatements;
    struct CEdit {
        int position, removed, added;
    };
    std::vector<CEdit> m_editsSinceRun;
};
