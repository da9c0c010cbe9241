#pragma once
// The colours of a calculation text. The words are read as the language
// reads them: function names from the function table (followed by a
// bracket), the constant words and the memory keyword from the keyword
// tables; every other name is an identifier, which outside a series is an
// uninitialised variable and is marked as such. The old result behind the
// last "=" of a statement is quieter than the expression; comments follow
// the language's comment rules, "/*" comments across lines included.

#include <QColor>
#include <QPalette>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <array>

enum class ECalcToken : int {
    Number,
    Constant,     // pi, e, i, j
    Function,     // a function name before its bracket
    Memory,       // Mem[key] in any of its spellings
    Keyword,      // the previous result and the random number
    Operator,
    Bracket,
    Comment,
    OldResult,    // "=" and what stands behind it
    Unknown,      // a name the language would take for an uninitialised variable
};
inline constexpr int kCalcTokenCount = 10;

// The colours of the editor's marks, taken from a palette so that they read
// on its base colour, light or dark.
struct CEditorColors {
    explicit CEditorColors(const QPalette& palette);
    QColor number, function, memory, keyword, operation, comment, oldResult, error, bracketMatch;
};

class CCalcHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit CCalcHighlighter(QTextDocument* document, const QPalette& palette);

    // New colours for a new palette; the text is coloured again.
    void SetPalette(const QPalette& palette);
    const QTextCharFormat& Format(ECalcToken token) const { return m_formats[static_cast<int>(token)]; }

protected:
    void highlightBlock(const QString& text) override;

private:
    std::array<QTextCharFormat, kCalcTokenCount> m_formats;
};

// The bracket matching the one beside position (the one after it, else the
// one before it), searched within the document outside nothing but the
// bracket kinds; the position of the bracket beside the caret and of its
// match, or -1 for both when there is none within limit characters.
struct CBracketPair {
    int at = -1;
    int match = -1;
};
CBracketPair MatchingBracket(const QTextDocument* document, int position, int limit = 20000);
