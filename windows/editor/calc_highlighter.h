#pragma once
// The colours of a calculation text. The words are read as the language
// reads them: function names from the function table (followed by a
// bracket), the constant words and the memory keyword from the keyword
// tables; every other name is an identifier, which outside a series is an
// uninitialised variable and is marked as such, unless it is defined: a
// defined value has the colour of a memory reference, a defined function
// before its bracket that of a function. In a definition ("f(x) := x^2")
// the defined name has the colour of what it defines and the parameters
// that of a series index, in the head and in the expression alike. The
// old result behind the
// last "=" of a statement is quieter than the expression; comments follow
// the language's comment rules, "/*" comments across lines included.

#include <QColor>
#include <QElapsedTimer>
#include <QPalette>
#include <QTextBlock>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTimer>

#include <array>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace NCalculatorText {
class CDefinitions;
}

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

// The comments of one line by the language's rules: "//" to the end of the
// line, "/*" to the next "*/" (searched from the "*", so "/*/" is a whole
// comment) across lines. startsInComment: the line begins inside a "/*"
// comment. Appends the start and length of each; returns whether the line
// ends inside a comment.
bool FindComments(QStringView text, bool startsInComment, std::vector<std::pair<int, int>>& comments);

// The comment state the colouring keeps on each line: whether it has set
// one (a line it has not seen yet has none), and whether the line ends
// inside a "/*" comment (false without a state).
bool HasCommentState(const QTextBlock& block);
bool EndsInComment(const QTextBlock& block);

// A change of the text colours the lines it touches at once, up to a budget
// of time; the lines beyond it (a long file opened, a "/*" that turns the
// rest of a long text into a comment) get their comment state at once and
// their colours on later turns of the event loop, in short slices that
// begin with the lines on the screen. A change over more lines than one
// pass colours, or than the screen shows (a long file opened, "Calculate
// all" over a long text) colours only the lines on the screen at once: the others get their
// comment state, and their colours come in the slices or as soon as they
// are shown (ColourShown).
class CCalcHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    // At least this many lines, and lines for this long, are coloured in
    // one pass; the slices of the lines left over take about
    // kBacklogMilliseconds each.
    static constexpr int kPassLines = 200;
    // A change over more lines than the view shows, and more than this,
    // colours only the lines shown at once.
    static constexpr int kMinPassLines = 20;
    static constexpr int kPassMilliseconds = 8;
    static constexpr int kBacklogMilliseconds = 4;

    explicit CCalcHighlighter(QTextDocument* document, const QPalette& palette);
    // QSyntaxHighlighter clears the colours as it leaves the document, which
    // the document reports as a change: this class no longer follows it then.
    ~CCalcHighlighter() override;

    // New colours for a new palette; the text is coloured again.
    void SetPalette(const QPalette& palette);
    // The definitions the colours follow (none: every name is unknown);
    // the text is coloured again.
    void SetDefinitions(const NCalculatorText::CDefinitions* definitions);
    const QTextCharFormat& Format(ECalcToken token) const { return m_formats[static_cast<int>(token)]; }

    // Whether lines are waiting for their colours.
    bool Pending() const;
    // Colours every waiting line now.
    void ColourAll();
    // Colours the waiting lines on the screen now: the view calls it before
    // it paints.
    void ColourShown();

    // The first line the view shows: each slice colours the waiting lines
    // of the screen (up to kScreenLines from it) before the others.
    std::function<QTextBlock()> firstShown;
    static constexpr int kScreenLines = 200;
    // The last line the view shows (none: kScreenLines from the first).
    std::function<QTextBlock()> lastShown;

protected:
    void highlightBlock(const QString& text) override;

private:
    bool WithinPass();
    void ColourBacklog();
    // Colours a waiting line, and the waiting lines after it as far as the
    // budget goes.
    void Recolour(const QTextBlock& block);
    // Follows each change of the document: a change of a few lines goes to
    // QSyntaxHighlighter, which colours them; a change of many lines only
    // sets their comment state and marks them waiting.
    void Reformat(int from, int removed, int added);

    std::array<QTextCharFormat, kCalcTokenCount> m_formats;
    const NCalculatorText::CDefinitions* m_definitions = nullptr;
    QTimer m_backlog;
    int m_resumeAt = 0;
    // True while the backlog colours: every line gets its colours.
    bool m_colouring = false;
    // The lines that start after this position are not part of the change
    // being coloured: they keep colours made from the same start (INT_MAX
    // at other times: a new palette or new definitions colour every line).
    int m_keepAfter = std::numeric_limits<int>::max();
    // While the lines on the screen are coloured: the last of them (-1 at
    // other times).
    int m_shownUntil = -1;
    QElapsedTimer m_slice;
    int m_sliceLines = 0;
    bool m_passRunning = false;
    int m_passLastBlock = -1;
    int m_passBlocks = 0;
    QElapsedTimer m_passClock;
};

// The bracket matching the one beside position (the one after it, else the
// one before it), both outside comments; the position of the bracket beside
// the caret and of its match, or -1 for both when there is none within limit
// characters. Lines start inside a comment by the state the colouring left
// on the line before.
struct CBracketPair {
    int at = -1;
    int match = -1;
};
CBracketPair MatchingBracket(const QTextDocument* document, int position, int limit = 20000);
