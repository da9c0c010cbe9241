#include "windows/editor/calc_highlighter.h"

#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

#include <string>
#include <vector>

#include "language/definitions.h"
#include "language/functions.h"
#include "language/keywords.h"

namespace {

// A line's state: whether it ends inside a "/*" comment, whether its
// colours are still to come, and whether it starts inside a comment. The
// second flag changes when the line gets its colours, which makes
// QSyntaxHighlighter go on to the next line: one call colours a whole run
// of waiting lines. The third says what the line's colours were made
// from: a line whose text did not change and that starts as it did keeps
// the colours it has.
enum EBlockState : int { StateCode = 0, StateInComment = 1, StateUncoloured = 2, StateStartsInComment = 4 };

bool IsColoured(const QTextBlock& block)
{
    return block.userState() < 0 || (block.userState() & StateUncoloured) == 0;
}

QColor Mix(const QColor& a, const QColor& b, double share)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

bool IsWordStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'_';
}

bool IsWordPart(QChar c)
{
    return IsWordStart(c) || (c.unicode() >= u'0' && c.unicode() <= u'9');
}

bool IsDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool IsOpening(QChar c)
{
    return c == u'(' || c == u'[' || c == u'{';
}

bool IsClosing(QChar c)
{
    return c == u')' || c == u']' || c == u'}';
}

QChar Partner(QChar c)
{
    switch (c.unicode()) {
    case u'(':
        return u')';
    case u'[':
        return u']';
    case u'{':
        return u'}';
    case u')':
        return u'(';
    case u']':
        return u'[';
    case u'}':
        return u'{';
    default:
        return QChar();
    }
}

// The function symbols and the constant symbols (π, ∞) that are words of one
// character.
bool IsSymbolWord(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\u0393' || u == u'\u221A' || u == u'\u2211' || u == u'\u220F' || u == u'\u03C0' ||
           u == u'\u222B' || u == u'\u221E';
}

bool IsOperator(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'+' || u == u'-' || u == u'*' || u == u'/' || u == u'^' || u == u'!' || u == u',' ||
           u == u'>' || u == u'<' || u == u';' || u == u'\u00D7' || u == u'\u00F7';
}

// A name folded as the parser folds it: A to Z to lower case, nothing else.
std::u16string Folded(QStringView word)
{
    std::u16string folded(reinterpret_cast<const char16_t*>(word.utf16()), static_cast<std::size_t>(word.size()));
    for (char16_t& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return folded;
}

// The functions whose first element names an index variable.
bool TakesIndex(const NCalculatorText::CFunction& function)
{
    return function.kind == SeriesSum || function.kind == SeriesProduct || function.kind == Integral ||
           function.kind == Derivative || function.kind == Root;
}

struct CToken {
    int start;
    int length;
    ECalcToken kind;
};

// The definition sign of the part of a line that starts at from and ends
// at the next ";": its position and length, or -1.
std::pair<int, int> DefinitionSign(const QString& text, int from)
{
    for (int i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u';')
            break;
        if (c == u'\u2254')
            return {i, 1};
        if (c == u':' && i + 1 < text.size() && text[i + 1] == u'=')
            return {i, 2};
    }
    return {-1, 0};
}


}  // namespace

bool EndsInComment(const QTextBlock& block)
{
    return block.isValid() && block.userState() >= 0 && (block.userState() & StateInComment) != 0;
}

bool HasCommentState(const QTextBlock& block)
{
    return block.isValid() && block.userState() >= 0;
}

bool FindComments(QStringView text, bool startsInComment, std::vector<std::pair<int, int>>& comments)
{
    const int n = static_cast<int>(text.size());
    int i = 0;
    if (startsInComment) {
        const int close = static_cast<int>(text.indexOf(QLatin1String("*/")));
        if (close < 0) {
            comments.push_back({0, n});
            return true;
        }
        comments.push_back({0, close + 2});
        i = close + 2;
    }
    while (i + 1 < n) {
        i = static_cast<int>(text.indexOf(u'/', i));
        if (i < 0 || i + 1 >= n)
            break;
        if (text[i + 1] == u'/') {
            comments.push_back({i, n - i});
            return false;
        }
        if (text[i + 1] == u'*') {
            // The close is searched from the "*" itself: "/*/" is a whole
            // comment.
            const int close = static_cast<int>(text.indexOf(QLatin1String("*/"), i + 1));
            if (close < 0) {
                comments.push_back({i, n - i});
                return true;
            }
            comments.push_back({i, close + 2 - i});
            i = close + 2;
            continue;
        }
        ++i;
    }
    return false;
}

CEditorColors::CEditorColors(const QPalette& palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const bool dark = base.lightness() < 128;
    // One lightness for every hue, far enough from the base colour.
    auto tone = [dark](int hue, int saturation) { return QColor::fromHsl(hue, saturation, dark ? 180 : 85); };
    number = tone(212, 190);
    function = tone(280, 140);
    memory = tone(165, 200);
    keyword = tone(28, 220);
    operation = tone(200, 45);
    comment = Mix(tone(120, 70), base, 0.2);
    oldResult = Mix(text, base, 0.5);
    error = dark ? QColor::fromHsl(0, 230, 170) : QColor::fromHsl(0, 200, 100);
    bracketMatch = Mix(base, QColor::fromHsl(50, 230, dark ? 120 : 150), dark ? 0.5 : 0.6);
}

CCalcHighlighter::CCalcHighlighter(QTextDocument* document, const QPalette& palette)
    : QSyntaxHighlighter(document)
{
    m_backlog.setInterval(0);
    connect(&m_backlog, &QTimer::timeout, this, &CCalcHighlighter::ColourBacklog);
    // The document's changes come here first (see Reformat); the base
    // class's own connection goes.
    disconnect(document, SIGNAL(contentsChange(int,int,int)), this, nullptr);
    connect(document, &QTextDocument::contentsChange, this, &CCalcHighlighter::Reformat);
    SetPalette(palette);
}

CCalcHighlighter::~CCalcHighlighter()
{
    m_backlog.stop();
    if (document() != nullptr)
        disconnect(document(), nullptr, this, nullptr);
}

void CCalcHighlighter::Reformat(int from, int removed, int added)
{
    QTextDocument* text = document();
    QTextBlock block = text->findBlock(from);
    // The lines QSyntaxHighlighter would go through: those the change
    // touched, and after them every line whose start state changes.
    const QTextBlock last = text->findBlock(from + added + (removed > 0 ? 1 : 0));
    const int lastNumber = last.isValid() ? last.blockNumber() : text->blockCount() - 1;
    // A change over more lines than the screen shows ("Calculate all", a
    // paste) takes the route of the many lines: what is not shown is
    // coloured in the slices.
    int passLines = kPassLines;
    if (firstShown && lastShown) {
        const QTextBlock top = firstShown();
        const QTextBlock bottom = lastShown();
        if (top.isValid() && bottom.isValid())
            passLines = std::clamp(bottom.blockNumber() - top.blockNumber() + 1, kMinPassLines, kPassLines);
    }
    if ((removed == 0 && added == 0) || !block.isValid() || lastNumber - block.blockNumber() < passLines) {
        // The lines behind the change keep their colours where they start
        // as they did.
        const QScopedValueRollback<int> keep(m_keepAfter, from + added);
        QMetaObject::invokeMethod(this, "_q_reformatBlocks", Qt::DirectConnection, Q_ARG(int, from),
                                  Q_ARG(int, removed), Q_ARG(int, added));
        return;
    }
    // The comment state of every line at once, as the colouring would set
    // it, each line marked waiting; the colours the changed lines had stand
    // on text that has moved, and go.
    bool inComment = EndsInComment(block.previous());
    std::vector<std::pair<int, int>> comments;
    const int first = block.blockNumber();
    for (int number = first; block.isValid(); block = block.next(), ++number) {
        const bool changed = number <= lastNumber;
        comments.clear();
        const int state = (FindComments(block.text(), inComment, comments) ? StateInComment : StateCode) |
                          (inComment ? StateStartsInComment : 0);
        const int old = block.userState();
        if (!changed && old >= 0 && (old & ~StateUncoloured) == state)
            break;
        block.setUserState(state | StateUncoloured);
        // A line without colours has none to lose (clearing them would
        // still report the line changed).
        if (changed && block.layout() != nullptr && !block.layout()->formats().isEmpty())
            block.layout()->clearFormats();
        inComment = state == StateInComment;
    }
    // The lines on the screen get their colours now, and those the view
    // comes to show before it paints them (it calls ColourShown); the
    // others in the slices.
    if (!m_backlog.isActive())
        m_resumeAt = first;
    m_backlog.start();
    ColourShown();
}

void CCalcHighlighter::ColourShown()
{
    if (!firstShown || document() == nullptr)
        return;
    QTextBlock block = firstShown();
    if (!block.isValid())
        return;
    const QTextBlock last = lastShown ? lastShown() : QTextBlock();
    const int until = last.isValid() ? std::max(last.blockNumber(), block.blockNumber())
                                     : block.blockNumber() + kScreenLines - 1;
    const QScopedValueRollback<int> shown(m_shownUntil, until);
    for (; block.isValid() && block.blockNumber() <= until; block = block.next()) {
        if (!IsColoured(block))
            Recolour(block);
    }
}

bool CCalcHighlighter::Pending() const
{
    return m_backlog.isActive();
}

void CCalcHighlighter::ColourAll()
{
    while (m_backlog.isActive())
        ColourBacklog();
}

bool CCalcHighlighter::WithinPass()
{
    // A pass is the run of lines the text's change colours in one go: the
    // lines follow one another and no event came between them.
    const int number = currentBlock().blockNumber();
    if (!m_passRunning || number != m_passLastBlock + 1) {
        if (!m_passRunning)
            QTimer::singleShot(0, this, [this] { m_passRunning = false; });
        m_passRunning = true;
        m_passClock.start();
        m_passBlocks = 0;
    }
    m_passLastBlock = number;
    ++m_passBlocks;
    return m_passBlocks <= kPassLines || m_passClock.elapsed() < kPassMilliseconds;
}

void CCalcHighlighter::ColourBacklog()
{
    QTextDocument* text = document();
    if (text == nullptr) {
        m_backlog.stop();
        return;
    }
    const QScopedValueRollback<bool> full(m_colouring, true);
    m_slice.start();
    m_sliceLines = 0;
    // The lines on the screen first.
    if (firstShown) {
        QTextBlock shown = firstShown();
        for (int i = 0; i < kScreenLines && shown.isValid(); ++i, shown = shown.next()) {
            if (!IsColoured(shown))
                Recolour(shown);
        }
    }
    QTextBlock block = text->findBlockByNumber(m_resumeAt);
    for (int seen = 0, count = text->blockCount(); seen < count; ++seen, block = block.next()) {
        if (!block.isValid())
            block = text->begin();
        if (IsColoured(block))
            continue;
        // Colours this line and the waiting ones after it, until the slice
        // is over.
        Recolour(block);
        if (m_slice.elapsed() >= kBacklogMilliseconds) {
            m_resumeAt = block.blockNumber();
            return;
        }
    }
    m_backlog.stop();
}

void CCalcHighlighter::Recolour(const QTextBlock& block)
{
    const QScopedValueRollback<int> keep(m_keepAfter, block.position());
    rehighlightBlock(block);
}

void CCalcHighlighter::SetPalette(const QPalette& palette)
{
    const CEditorColors colors(palette);
    auto format = [this](ECalcToken token) -> QTextCharFormat& { return m_formats[static_cast<int>(token)]; };
    for (QTextCharFormat& f : m_formats)
        f = QTextCharFormat();
    format(ECalcToken::Number).setForeground(colors.number);
    format(ECalcToken::Constant).setForeground(colors.number);
    format(ECalcToken::Constant).setFontItalic(true);
    format(ECalcToken::Function).setForeground(colors.function);
    format(ECalcToken::Memory).setForeground(colors.memory);
    format(ECalcToken::Keyword).setForeground(colors.keyword);
    format(ECalcToken::Operator).setForeground(colors.operation);
    format(ECalcToken::Bracket).setFontWeight(QFont::Bold);
    format(ECalcToken::Comment).setForeground(colors.comment);
    format(ECalcToken::Comment).setFontItalic(true);
    format(ECalcToken::OldResult).setForeground(colors.oldResult);
    format(ECalcToken::Unknown).setUnderlineStyle(QTextCharFormat::DotLine);
    format(ECalcToken::Unknown).setUnderlineColor(colors.error);
    rehighlight();
}

void CCalcHighlighter::SetDefinitions(const NCalculatorText::CDefinitions* definitions)
{
    m_definitions = definitions;
    rehighlight();
}

void CCalcHighlighter::highlightBlock(const QString& text)
{
    using NCalculatorText::FindConstantWord;
    using NCalculatorText::FindFunction;
    const int n = static_cast<int>(text.size());
    std::vector<CToken> tokens;
    // Where each ";"-separated part of the line starts, and the last "="
    // in it (outside comments), or -1.
    std::vector<std::pair<int, int>> parts{{0, -1}};
    // The index variables of the series whose brackets this line opened.
    std::vector<std::u16string> indexNames;
    bool expectIndex = false;
    // The definition in the current part: where its sign stands, whether
    // its name was seen, and its parameters.
    std::pair<int, int> sign{-1, 0};
    bool definedNameSeen = false;
    std::vector<std::u16string> parameters;
    auto defined = [this](const std::u16string& word) {
        return m_definitions ? m_definitions->Find(word) : nullptr;
    };

    // The comments first, as the language blanks them before it reads the
    // rest; the line's state tells the next line whether it starts inside
    // a comment, coloured or not.
    std::vector<std::pair<int, int>> comments;
    const int previous = previousBlockState();
    const bool startsInComment = previous >= 0 && (previous & StateInComment) != 0;
    const int state = (FindComments(text, startsInComment, comments) ? StateInComment : StateCode) |
                      (startsInComment ? StateStartsInComment : 0);
    const bool colour = m_shownUntil >= 0 ? currentBlock().blockNumber() <= m_shownUntil
                        : m_colouring ? ++m_sliceLines == 1 || m_slice.elapsed() < kBacklogMilliseconds
                                      : WithinPass();
    if (!colour && currentBlockState() == state && currentBlock().position() > m_keepAfter) {
        // A coloured line that QSyntaxHighlighter reached only because the
        // line before it changed state: its text and its start are as they
        // were, so its colours stand, and the unchanged state ends the run
        // here instead of clearing the coloured lines that follow.
        for (const QTextLayout::FormatRange& range : currentBlock().layout()->formats())
            setFormat(range.start, range.length, range.format);
        return;
    }
    setCurrentBlockState(colour ? state : state | StateUncoloured);
    if (!colour) {
        if (!m_backlog.isActive()) {
            m_resumeAt = currentBlock().blockNumber();
            m_backlog.start();
        }
        return;
    }

    // A sign inside a comment defines nothing.
    auto signFrom = [&comments, &text](int from) {
        const std::pair<int, int> found = DefinitionSign(text, from);
        for (const auto& [start, length] : comments) {
            if (found.first >= start && found.first < start + length)
                return std::pair<int, int>{-1, 0};
        }
        return found;
    };
    sign = signFrom(0);

    std::size_t comment = 0;
    int i = 0;
    while (i < n) {
        const int commentStart = comment < comments.size() ? comments[comment].first : n;
        if (i >= commentStart) {
            tokens.push_back({commentStart, comments[comment].second, ECalcToken::Comment});
            i = commentStart + comments[comment].second;
            ++comment;
            continue;
        }
        const QChar c = text[i];
        if (IsDigit(c) || (c == u'.' && i + 1 < n && IsDigit(text[i + 1]))) {
            int j = i;
            while (j < n && IsDigit(text[j]))
                ++j;
            if (j < n && text[j] == u'.') {
                ++j;
                while (j < n && IsDigit(text[j]))
                    ++j;
            }
            if (j < n && (text[j] == u'e' || text[j] == u'E')) {
                int k = j + 1;
                if (k < n && (text[k] == u'+' || text[k] == u'-'))
                    ++k;
                if (k < n && IsDigit(text[k])) {
                    j = k;
                    while (j < n && IsDigit(text[j]))
                        ++j;
                }
            }
            tokens.push_back({i, j - i, ECalcToken::Number});
            i = j;
            continue;
        }
        if (IsWordStart(c) || IsSymbolWord(c)) {
            int j = i + 1;
            if (IsWordStart(c)) {
                while (j < n && IsWordPart(text[j]))
                    ++j;
            }
            const std::u16string word = Folded(QStringView(text).mid(i, j - i));
            int next = j;
            while (next < n && (text[next] == u' ' || text[next] == u'\t'))
                ++next;
            const bool bracket = next < n && IsOpening(text[next]);
            ECalcToken kind = ECalcToken::Unknown;
            int length = j - i;
            if (sign.first >= 0 && i < sign.first) {
                // The head of a definition: the name, then its parameters.
                if (!definedNameSeen) {
                    definedNameSeen = true;
                    kind = bracket ? ECalcToken::Function : ECalcToken::Memory;
                } else {
                    parameters.push_back(word);
                    kind = ECalcToken::Constant;
                }
                tokens.push_back({i, length, kind});
                i += length;
                continue;
            }
            if (bracket && (word == u"mem" || word == u"memory")) {
                // The keyword, its bracket and the key up to the closing
                // bracket: the key is a name, not an expression.
                kind = ECalcToken::Memory;
                const int end = comment < comments.size() ? comments[comment].first : n;
                const int close = static_cast<int>(text.indexOf(Partner(text[next]), next + 1));
                length = (close < 0 || close >= end ? end : close + 1) - i;
            } else if (bracket) {
                if (const NCalculatorText::CFunction* function = FindFunction(word)) {
                    kind = ECalcToken::Function;
                    expectIndex = TakesIndex(*function);
                } else if (const NCalculatorText::CDefinition* definition = defined(word);
                           definition && definition->IsFunction()) {
                    kind = ECalcToken::Function;
                }
            } else if (const auto constant = FindConstantWord(word)) {
                kind = *constant == NCalculatorText::EConstantWord::Result ||
                               *constant == NCalculatorText::EConstantWord::Random
                           ? ECalcToken::Keyword
                           : ECalcToken::Constant;
            } else if (expectIndex) {
                indexNames.push_back(word);
                kind = ECalcToken::Constant;
            } else {
                // An index or a parameter hides a definition of its name.
                for (const std::u16string& name : indexNames) {
                    if (name == word)
                        kind = ECalcToken::Constant;
                }
                for (const std::u16string& name : parameters) {
                    if (name == word)
                        kind = ECalcToken::Constant;
                }
                if (kind == ECalcToken::Unknown) {
                    if (const NCalculatorText::CDefinition* definition = defined(word);
                        definition && !definition->IsFunction())
                        kind = ECalcToken::Memory;
                }
            }
            if (kind != ECalcToken::Function)
                expectIndex = false;
            tokens.push_back({i, length, kind});
            i += length;
            continue;
        }
        if (IsOpening(c) || IsClosing(c)) {
            tokens.push_back({i, 1, ECalcToken::Bracket});
            ++i;
            continue;
        }
        if (i == sign.first) {
            // ":=" is no old result's "=".
            tokens.push_back({i, sign.second, ECalcToken::Operator});
            i += sign.second;
            continue;
        }
        if (c == u'=') {
            parts.back().second = i;
            tokens.push_back({i, 1, ECalcToken::OldResult});
            ++i;
            continue;
        }
        if (c == u'-' && i + 1 < n && text[i + 1] == u'>') {
            tokens.push_back({i, 2, ECalcToken::Operator});
            i += 2;
            continue;
        }
        if (IsOperator(c)) {
            tokens.push_back({i, 1, ECalcToken::Operator});
            if (c == u';') {
                parts.push_back({i + 1, -1});
                sign = signFrom(i + 1);
                definedNameSeen = false;
                parameters.clear();
            }
            ++i;
            continue;
        }
        ++i;
    }

    // Behind the last "=" of a part everything but a comment is the old
    // result.
    std::size_t part = 0;
    for (const CToken& token : tokens) {
        while (part + 1 < parts.size() && token.start >= parts[part + 1].first)
            ++part;
        const int equals = parts[part].second;
        const bool old = equals >= 0 && token.start >= equals && token.kind != ECalcToken::Comment &&
                         text[token.start] != u';';
        setFormat(token.start, token.length, Format(old ? ECalcToken::OldResult : token.kind));
    }
}

namespace {

// The comments of a line, from its own text and the state the colouring
// left on the line before it.
std::vector<std::pair<int, int>> CommentsOf(const QTextBlock& block, const QString& text)
{
    std::vector<std::pair<int, int>> comments;
    FindComments(text, EndsInComment(block.previous()), comments);
    return comments;
}

bool InComment(const std::vector<std::pair<int, int>>& comments, int column)
{
    for (const auto& [start, length] : comments) {
        if (column >= start && column < start + length)
            return true;
    }
    return false;
}

}  // namespace

CBracketPair MatchingBracket(const QTextDocument* document, int position, int limit)
{
    CBracketPair pair;
    QTextBlock block = document->findBlock(position);
    if (!block.isValid())
        return pair;
    QString text = block.text();
    std::vector<std::pair<int, int>> comments = CommentsOf(block, text);
    auto isBracket = [&](int column) {
        return column >= 0 && column < text.size() && (IsOpening(text[column]) || IsClosing(text[column])) &&
               !InComment(comments, column);
    };
    const int caret = position - block.position();
    const int at = isBracket(caret) ? caret : isBracket(caret - 1) ? caret - 1 : -1;
    if (at < 0)
        return pair;
    const QChar bracket = text[at];
    const QChar partner = Partner(bracket);
    const int step = IsOpening(bracket) ? 1 : -1;
    const int atPosition = block.position() + at;
    int depth = 0;
    int seen = 0;
    for (int column = at;;) {
        for (; column >= 0 && column < text.size(); column += step) {
            if (++seen > limit + 1)
                return pair;
            if (InComment(comments, column))
                continue;
            const QChar c = text[column];
            if (c == bracket) {
                ++depth;
            } else if (c == partner && --depth == 0) {
                pair.at = atPosition;
                pair.match = block.position() + column;
                return pair;
            }
        }
        block = step > 0 ? block.next() : block.previous();
        if (!block.isValid())
            return pair;
        ++seen;  // the line break
        text = block.text();
        comments = CommentsOf(block, text);
        column = step > 0 ? 0 : static_cast<int>(text.size()) - 1;
    }
}
