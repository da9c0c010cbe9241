#include "windows/calc_highlighter.h"

#include <QTextDocument>

#include <string>
#include <vector>

#include "language/functions.h"
#include "language/keywords.h"

namespace {

enum EBlockState : int { StateCode = 0, StateInComment = 1 };

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

// The function symbols and the constant symbol that are words of one
// character.
bool IsSymbolWord(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\u0393' || u == u'\u221A' || u == u'\u2211' || u == u'\u220F' || u == u'\u03C0';
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

bool IsSeries(const NCalculatorText::CFunction& function)
{
    return function.kind == SeriesSum || function.kind == SeriesProduct;
}

struct CToken {
    int start;
    int length;
    ECalcToken kind;
};

}  // namespace

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
    SetPalette(palette);
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

    int i = 0;
    if (previousBlockState() == StateInComment) {
        const int close = static_cast<int>(text.indexOf(QLatin1String("*/")));
        if (close < 0) {
            setFormat(0, n, Format(ECalcToken::Comment));
            setCurrentBlockState(StateInComment);
            return;
        }
        tokens.push_back({0, close + 2, ECalcToken::Comment});
        i = close + 2;
    }
    setCurrentBlockState(StateCode);

    while (i < n) {
        const QChar c = text[i];
        if (c == u'/' && i + 1 < n && text[i + 1] == u'/') {
            tokens.push_back({i, n - i, ECalcToken::Comment});
            break;
        }
        if (c == u'/' && i + 1 < n && text[i + 1] == u'*') {
            // The close is searched from the "*" itself: "/*/" is a whole
            // comment.
            const int close = static_cast<int>(text.indexOf(QLatin1String("*/"), i + 1));
            if (close < 0) {
                tokens.push_back({i, n - i, ECalcToken::Comment});
                setCurrentBlockState(StateInComment);
                break;
            }
            tokens.push_back({i, close + 2 - i, ECalcToken::Comment});
            i = close + 2;
            continue;
        }
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
            if (bracket && (word == u"mem" || word == u"memory")) {
                // The keyword, its bracket and the key up to the closing
                // bracket: the key is a name, not an expression.
                kind = ECalcToken::Memory;
                const int close = static_cast<int>(text.indexOf(Partner(text[next]), next + 1));
                length = (close < 0 ? n : close + 1) - i;
            } else if (bracket) {
                if (const NCalculatorText::CFunction* function = FindFunction(word)) {
                    kind = ECalcToken::Function;
                    expectIndex = IsSeries(*function);
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
                for (const std::u16string& name : indexNames) {
                    if (name == word)
                        kind = ECalcToken::Constant;
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
            if (c == u';')
                parts.push_back({i + 1, -1});
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

CBracketPair MatchingBracket(const QTextDocument* document, int position, int limit)
{
    CBracketPair pair;
    const int size = document->characterCount();
    int at = -1;
    if (position < size && (IsOpening(document->characterAt(position)) || IsClosing(document->characterAt(position))))
        at = position;
    else if (position > 0 &&
             (IsOpening(document->characterAt(position - 1)) || IsClosing(document->characterAt(position - 1))))
        at = position - 1;
    if (at < 0)
        return pair;
    const QChar bracket = document->characterAt(at);
    const QChar partner = Partner(bracket);
    const int step = IsOpening(bracket) ? 1 : -1;
    int depth = 0;
    for (int p = at, seen = 0; p >= 0 && p < size && seen <= limit; p += step, ++seen) {
        const QChar c = document->characterAt(p);
        if (c == bracket) {
            ++depth;
        } else if (c == partner && --depth == 0) {
            pair.at = at;
            pair.match = p;
            return pair;
        }
    }
    return pair;
}
