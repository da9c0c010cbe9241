#pragma once
// The editor view over the main window's client area: a plain-text editor
// whose lines wrap at the window edge, with its own font kept in the
// settings section "GUI/Editor". Text arrives from the clipboard, the
// selection (middle click) and drops only as plain text. The text is
// coloured by the language's rules, the bracket matching the one at the
// caret is marked, and a statement that failed is underlined until it is
// edited. Two letters of a name open a list of the words that complete it
// (the cells inside a memory reference's bracket); Tab or Enter takes one,
// Esc closes the list. Inside a function's bracket a hint names the
// function, its arguments and what it computes.

#include <QFont>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <cstdint>
#include <string>
#include <vector>

class CMemoryStore;
class CPreferenceValues;
class QCompleter;
class QLabel;
class QMimeData;
class QStringListModel;
class CCalcHighlighter;

struct CEditorFontSpec {
    QString face = "Courier New";
    int size = 15;       // points
    int weight = 400;    // 100 to 900, 400 regular
    bool italic = false;

    bool operator==(const CEditorFontSpec&) const = default;
};

class CCalcView : public QPlainTextEdit {
    Q_OBJECT
public:
    // Completion and hints read the memory cells and the preferences
    // handed in.
    CCalcView(const CMemoryStore& memory, const CPreferenceValues& preferences, QWidget* parent = nullptr);
    // Writes the font to the settings.
    ~CCalcView() override;

    CEditorFontSpec FontSpec() const { return m_fontSpec; }
    void SetFontSpec(const CEditorFontSpec& spec);
    // "Courier New", 15 points, regular, upright.
    void SetDefaultFont();
    bool IsDefaultFont() const { return m_fontSpec == CEditorFontSpec(); }
    // The font dialog on the current font; true when a font was chosen.
    bool SelectFont();

    static CEditorFontSpec LoadFontSpec();
    static void SaveFontSpec(const CEditorFontSpec& spec);
    static QFont MakeFont(const CEditorFontSpec& spec);

    // Every way data comes in (paste, the selection's middle click, a drop)
    // ends here. Only data that carries text is taken; a missing source, or
    // the empty one a clipboard without an owner hands out, is refused.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

    CCalcHighlighter* Highlighter() const { return m_highlighter; }
    // The memory's definitions changed (or may have): the colours follow.
    void DefinitionsChanged();

    // Underlines the characters [start, end) in the error colour until an
    // edit touches them or another mark replaces it; an empty range removes
    // the mark.
    void SetErrorMark(int start, int end);
    // The marked range, or an empty one.
    QTextCursor ErrorMark() const { return m_errorMark; }
    // The bracket at the caret and its match, or -1 for both.
    int MarkedBracket() const { return m_bracket; }
    int MatchedBracket() const { return m_bracketMatch; }

    // The completion list as shown (empty when it is closed) and the hint
    // (empty when hidden).
    QStringList Completions() const;
    QString HintText() const;
    QCompleter* Completer() const { return m_completer; }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    const CMemoryStore& m_memory;
    const CPreferenceValues& m_preferences;
    void UpdateCompletion();
    void CloseCompletion();
    void ApplyCompletion(int row);
    void UpdateHint();
    void UpdateBracketMatch();
    void UpdateExtraSelections();
    void ForgetTouchedMark(int position, int removed, int added);

    CEditorFontSpec m_fontSpec;
    CCalcHighlighter* m_highlighter = nullptr;
    QTextCursor m_errorMark;
    int m_bracket = -1;
    int m_bracketMatch = -1;
    QCompleter* m_completer = nullptr;
    QStringListModel* m_completionModel = nullptr;
    // What each row of the list puts in place of [m_completionStart, caret).
    std::vector<std::u16string> m_completionTexts;
    int m_completionStart = 0;
    QLabel* m_hint = nullptr;
    // The generation of the definitions the colours were made with.
    std::uint64_t m_definitionsGeneration = 0;
};
