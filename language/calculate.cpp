#include "language/calculate.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "language/calc_context.h"
#include "language/definitions.h"
#include "language/fast_statement.h"
#include "language/nodes.h"

#include "language/node.h"
#include "language/token_parser.h"
#include "numeric/status.h"

namespace NCalculatorText {

namespace {

// Blanks of the statement rules.
bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool IsLineBreak(char16_t c)
{
    return c == u'\n' || c == u'\r';
}

// The code units of word (four packed in 64 bits) equal to unit: the top
// bit of each such lane is set, exactly.
std::uint64_t UnitsEqual(std::uint64_t word, char16_t unit)
{
    constexpr std::uint64_t kLow = 0x7FFF7FFF7FFF7FFFull;
    const std::uint64_t x = word ^ (0x0001000100010001ull * unit);
    return ~(((x & kLow) + kLow) | x) & ~kLow;
}

std::uint64_t LoadUnits(const char16_t* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof(word));
    return word;
}

// The end of the statement that starts at s: the next ";", or the end of
// the line that holds an "=". An old result ends with its line, so what
// the user wrote on the lines below it is never taken for part of that
// result; it starts the next statement. Without an "=", line breaks do not
// end a statement. "=" and ";" count in the comment-blanked copy, line
// breaks in the text itself (a "//" comment blanks the one that ends it).
// lastEquals, when given, receives the position of the statement's last
// "=" (npos when it has none).
std::size_t StatementEnd(std::u16string_view text, std::u16string_view work, std::size_t s,
                         std::size_t* lastEquals = nullptr)
{
    // Up to the first ";" or "=" nothing else counts: four code units at a
    // time.
    std::size_t p = s;
    bool located = false;  // p is at the first ";" or "="
#if defined(__SSE2__)
    // Eight at a time where the vector unit has them.
    const __m128i semicolons = _mm_set1_epi16(static_cast<short>(u';'));
    const __m128i equalSigns = _mm_set1_epi16(static_cast<short>(u'='));
    while (work.size() - p >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(work.data() + p));
        const int found =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, semicolons), _mm_cmpeq_epi16(units, equalSigns)));
        if (found != 0) {
            // Straight to the first of them (two mask bits a code unit).
            p += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
            located = true;
            break;
        }
        p += 8;
    }
#endif
    while (!located && work.size() - p >= 4) {
        const std::uint64_t word = LoadUnits(work.data() + p);
        if ((UnitsEqual(word, u';') | UnitsEqual(word, u'=')) != 0)
            break;
        p += 4;
    }
    std::size_t equals = std::u16string_view::npos;
    for (; p < work.size(); ++p) {
        if (work[p] == u';')
            break;
        if (work[p] == u'=') {
            // The "=" of ":=" starts no old result.
            if (!IsDefinitionEquals(work, p))
                equals = p;
        }
        else if (equals != std::u16string_view::npos && IsLineBreak(text[p]))
            break;
    }
    if (lastEquals)
        *lastEquals = equals;
    return p;
}

bool CalculateSelected(CCalcContext& context, std::u16string& text, std::ptrdiff_t& cursor,
                       const std::function<void(std::size_t start)>& onStatement);

bool RewriteSelected(CCalcContext& context, std::u16string_view text, std::u16string_view work,
                     std::ptrdiff_t& cursor, const std::function<void(std::size_t start)>& onStatement,
                     std::u16string& out);

}  // namespace

bool StripComments(std::u16string& text)
{
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i + 1 < n) {
        if (text[i] != u'/') {
            ++i;
            continue;
        }
        if (text[i + 1] == u'/') {
            const std::size_t lineFeed = text.find(u'\n', i + 2);
            const std::size_t end = lineFeed == std::u16string::npos ? n : lineFeed + 1;
            text.replace(i, end - i, end - i, u' ');
            i = end;
        } else if (text[i + 1] == u'*') {
            const std::size_t close = text.find(u"*/", i + 1);
            if (close == std::u16string::npos)
                return false;
            const std::size_t end = close + 2;
            text.replace(i, end - i, end - i, u' ');
            i = end;
        } else {
            ++i;
        }
    }
    return true;
}

std::size_t FindCommentStart(std::u16string_view text)
{
    const std::size_t n = text.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    // Eight places at a time where the vector unit has them.
    const __m128i slashes = _mm_set1_epi16(static_cast<short>(u'/'));
    const __m128i stars = _mm_set1_epi16(static_cast<short>(u'*'));
    while (n - i >= 9) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 1));
        const __m128i opens = _mm_and_si128(_mm_cmpeq_epi16(here, slashes),
                                            _mm_or_si128(_mm_cmpeq_epi16(next, slashes), _mm_cmpeq_epi16(next, stars)));
        if (_mm_movemask_epi8(opens))
            break;
        i += 8;
    }
#endif
    // Four places at a time: a "/" whose next code unit is "/" or "*".
    while (n - i >= 5) {
        const std::uint64_t here = LoadUnits(text.data() + i);
        const std::uint64_t next = LoadUnits(text.data() + i + 1);
        if ((UnitsEqual(here, u'/') & (UnitsEqual(next, u'/') | UnitsEqual(next, u'*'))) != 0)
            break;
        i += 4;
    }
    for (; i + 1 < n; ++i) {
        if (text[i] == u'/' && (text[i + 1] == u'/' || text[i + 1] == u'*'))
            return i;
    }
    return std::u16string_view::npos;
}

bool EvaluateExpression(CCalcContext& context, std::u16string_view expression, CComplex& value)
{
    bool hasValue = true;
    return EvaluateStatement(context, expression, value, hasValue);
}

bool EvaluateStatement(CCalcContext& context, std::u16string_view expression, CComplex& value, bool& hasValue)
{
    hasValue = true;
    CCalcRunState& state = context.run;
    const CRunStateBinding binding(state);
    // Within a calculation run the flag is set here anyway (a failure ends
    // the run); on its own, an evaluation must not inherit an old failure.
    state.continueFlag = true;
    // A long text of short statements is work too: a cancel between two
    // statements stops the run.
    if (!state.Poll(static_cast<std::int64_t>(expression.size()) + 1))
        return false;
    // A plain statement is computed in one pass over its text; anything
    // else, and anything that pass would have to report, takes the tree.
    if (context.fastEvaluation && EvaluatePlainStatement(context, expression, value)) {
        context.previousResult = value;
        return true;
    }
    // The tree of the tokenizing parser, which is that of the rewriting
    // parser without its limits of length. Its arrays are kept from one
    // expression to the next. The user's definitions are looked up as it
    // is read, once.
    thread_local CParseTree tree;
    CParseScope scope;
    if (state.environment) {
        const CDefinitions* definitions = state.environment->Definitions();
        if (definitions && !definitions->Empty())
            scope.definitions = definitions;
    }
    if (!ParseTokens(expression, tree, scope)) {
        // Neither the fast pass nor the parser reads ":" or "≔": only a
        // text that is no expression can be a definition.
        std::size_t signLength = 0;
        const std::size_t sign = FindDefinitionSign(expression, signLength);
        if (sign != std::u16string_view::npos)
            return EvaluateDefinition(context, expression, sign, signLength, value, hasValue);
        ReportStatus(state, eSyntaxError);
        return false;
    }
    CNode root;
    if (tree.definedCalls) {
        thread_local std::vector<CNodeDefinedCall*> calls;
        calls.clear();
        CParcer::BuildTree(root, tree, &calls, nullptr);
        if (!LinkDefinedCalls(context, root, calls, *scope.definitions, tree.evaluationDepth))
            return false;
    } else {
        CParcer::BuildTree(root, tree);
    }
    CComplex result;
    if (!root.Evaluate(context, result) || !state.continueFlag)
        return false;
    value = result;
    context.previousResult = result;
    return true;
}

bool EvaluatePlainBytesStatement(CCalcContext& context, const char* text, std::size_t& length, CComplex& value,
                                 bool& evaluated)
{
    if (!context.fastEvaluation)
        return false;
    // EvaluateStatement's steps, the pass before the poll: a statement the
    // pass does not take goes to EvaluateStatement untouched (the pass
    // changes nothing then), to be counted there. A statement it takes has
    // as many code units as bytes. The caller has bound the run state.
    CCalcRunState& state = context.run;
    state.continueFlag = true;
    if (!EvaluatePlainBytes(context, text, length, value))
        return false;
    evaluated = state.Poll(static_cast<std::int64_t>(length) + 1);
    if (evaluated)
        context.previousResult = value;
    return true;
}

// The rewritten text is built in one pass: the parts of the text between the
// evaluated statements are copied as they are, and each evaluated statement
// is written with its new "=" and result. Positions are those of the text
// and of its comment-blanked copy, which have the same length.
bool CalculateText(CCalcContext& context, std::u16string& text, std::ptrdiff_t& cursor,
                   const std::function<void(std::size_t start)>& onStatement)
{
    context.run.Reset();
    return CalculateSelected(context, text, cursor, onStatement);
}

bool CalculateAllContinued(CCalcContext& context, std::u16string& text)
{
    std::ptrdiff_t cursor = -1;
    return CalculateSelected(context, text, cursor, {});
}

bool CalculateAllContinued(CCalcContext& context, std::u16string_view text, std::u16string& out,
                           bool withoutComments)
{
    // The comment-blanked copy is needed only where a comment may be; its
    // room is kept from one part to the next.
    thread_local std::u16string work;
    std::u16string_view blanked = text;
    if (!withoutComments && FindCommentStart(text) != std::u16string_view::npos) {
        work.assign(text);
        if (!StripComments(work)) {
            ReportStatus(context.run, eSyntaxError);
            out.append(text);
            return false;
        }
        blanked = work;
    }
    std::ptrdiff_t cursor = -1;
    return RewriteSelected(context, text, blanked, cursor, {}, out);
}

namespace {

bool CalculateSelected(CCalcContext& context, std::u16string& text, std::ptrdiff_t& cursor,
                       const std::function<void(std::size_t start)>& onStatement)
{
    // A text without comments is its own blanked copy.
    std::u16string work;
    if (FindCommentStart(text) != std::u16string_view::npos) {
        work = text;
        if (!StripComments(work)) {
            ReportStatus(context.run, eSyntaxError);
            return false;
        }
    }
    std::u16string out;
    out.reserve(text.size() + text.size() / 4 + 32);
    const bool calculated =
        RewriteSelected(context, text, work.empty() ? std::u16string_view(text) : work, cursor, onStatement, out);
    text = std::move(out);
    return calculated;
}

// Appends the rewritten text to out; the cursor it sets counts from where
// out stood.
bool RewriteSelected(CCalcContext& context, std::u16string_view text, std::u16string_view work,
                     std::ptrdiff_t& cursor, const std::function<void(std::size_t start)>& onStatement,
                     std::u16string& out)
{
    const std::size_t n = text.size();
    const std::size_t base = out.size();
    // Nothing a statement does changes how results are written: the way is
    // looked up once for the whole run.
    const CComplexTextWriter writeResult = context.run.ComplexTextWriter();
    std::size_t copied = 0;   // text[0, copied) is in out
    std::ptrdiff_t offset = 0;  // characters added so far
    const bool all = cursor == -1;

    std::size_t s = 0;
    while (s < n) {
        if (work[s] == u';') {
            ++s;
            continue;
        }
        std::size_t lastEquals = 0;
        const std::size_t e = StatementEnd(text, work, s, &lastEquals);
        const bool selected = all || (cursor >= 0 && static_cast<std::size_t>(cursor) >= s &&
                                      static_cast<std::size_t>(cursor) <= e);
        if (!selected) {
            s = e;
            continue;
        }

        // E: the last "=", or one past the last non-blank character when
        // there is none. R: where the result goes.
        const std::u16string_view statement = work.substr(s, e - s);
        std::size_t equals = lastEquals == std::u16string_view::npos ? lastEquals : lastEquals - s;
        std::size_t resultAt = 0;
        if (equals == std::u16string_view::npos) {
            std::size_t last = statement.size();
            while (last > 0 && IsBlank(statement[last - 1]))
                --last;
            if (last == 0) {  // all blank
                s = e;
                continue;
            }
            equals = last;
            resultAt = equals + 1;
        } else {
            resultAt = equals + 1;
            while (resultAt < statement.size() && IsBlank(statement[resultAt]))
                ++resultAt;
            if (resultAt == statement.size())
                resultAt = equals + 1;
        }

        out.append(text.substr(copied, s + equals - copied));
        copied = e;

        if (onStatement)
            onStatement(s + static_cast<std::size_t>(offset));
        CComplex value;
        bool hasValue = true;
        if (!EvaluateStatement(context, statement.substr(0, equals), value, hasValue)) {
            // The old "=" and result are gone; later statements stay as
            // they were, and the cursor does not move.
            for (std::size_t p = s + equals; p < e; ++p) {
                if (IsBlank(work[p]))
                    out.push_back(text[p]);
            }
            out.append(text.substr(e));
            return false;
        }

        // Calculate stops after its statement: the rest of the text as it
        // was, the caret behind what ended the statement: its ";", or the
        // line break after its result (CR LF counted whole).
        const auto finishAtStatement = [&] {
            std::size_t next = e;
            if (e < n) {
                ++next;
                if (work[e] != u';' && text[e] == u'\r' && next < n && text[next] == u'\n')
                    ++next;
            }
            out.append(text.substr(e));
            cursor = e == n ? static_cast<std::ptrdiff_t>(out.size() - base)
                            : static_cast<std::ptrdiff_t>(next) + offset;
        };

        // "=" where E was, then the characters that stay (blanks and
        // comments), with the value after the blanks that stood between the
        // old "=" and the old result. The value's text goes straight into
        // out; its length is what out grew by.
        if (!hasValue) {
            // A function's definition writes no result: an old one goes,
            // the blanks and comments around it stay.
            std::size_t deleted = 0;
            for (std::size_t p = s + equals; p < e; ++p) {
                if (IsBlank(work[p]))
                    out.push_back(text[p]);
                else
                    ++deleted;
            }
            offset -= static_cast<std::ptrdiff_t>(deleted);
            if (!all) {
                finishAtStatement();
                return true;
            }
            s = e;
            continue;
        }

        const std::size_t before = resultAt - equals - 1;
        std::size_t kept = 0;
        std::size_t deleted = 0;
        std::size_t resultSize = 0;
        const auto appendResult = [&] {
            const std::size_t at = out.size();
            writeResult(value, out);
            resultSize = out.size() - at;
        };
        out.push_back(u'=');
        if (before == 0 && e == s + equals) {
            // No old result and nothing behind the expression: the usual
            // case of a fresh statement.
            appendResult();
        } else {
            if (before == 0)
                appendResult();
            for (std::size_t p = s + equals; p < e; ++p) {
                if (!IsBlank(work[p])) {
                    ++deleted;
                    continue;
                }
                out.push_back(text[p]);
                if (++kept == before)
                    appendResult();
            }
            if (kept < before)
                appendResult();
        }
        offset += 1 + static_cast<std::ptrdiff_t>(resultSize) - static_cast<std::ptrdiff_t>(deleted);

        if (!all) {
            finishAtStatement();
            return true;
        }
        s = e;
    }

    out.append(text.substr(copied));
    cursor = static_cast<std::ptrdiff_t>(out.size() - base);
    return true;
}

}  // namespace

namespace {

CStatementSpan SpanOf(std::u16string_view text, std::u16string_view work, std::size_t start)
{
    CStatementSpan span;
    span.start = start;
    span.end = StatementEnd(text, work, start);
    const std::u16string_view statement(work.data() + start, span.end - start);
    std::size_t equals = statement.rfind(u'=');
    while (equals != std::u16string_view::npos && IsDefinitionEquals(statement, equals))
        equals = equals == 0 ? std::u16string_view::npos : statement.rfind(u'=', equals - 1);
    span.expressionEnd = equals == std::u16string_view::npos ? span.end : start + equals;
    return span;
}

}  // namespace

bool FindStatement(const std::u16string& text, std::size_t position, CStatementSpan& span)
{
    std::u16string work = text;
    if (!StripComments(work))
        return false;
    // The same walk as CalculateText's: the first statement whose range
    // holds the position, its end included.
    const std::size_t n = text.size();
    std::size_t s = 0;
    while (s < n) {
        if (work[s] == u';') {
            ++s;
            continue;
        }
        const std::size_t e = StatementEnd(text, work, s);
        if (position >= s && position <= e) {
            span = SpanOf(text, work, s);
            if (span.expressionEnd != span.end)
                return true;
            for (std::size_t p = s; p < span.expressionEnd; ++p) {
                if (!IsBlank(work[p]))
                    return true;
            }
            return false;
        }
        if (s > position)
            return false;
        s = e;
    }
    return false;
}

CStatementSpan StatementFrom(const std::u16string& text, std::size_t start)
{
    std::u16string work = text;
    StripComments(work);
    return SpanOf(text, work, std::min(start, text.size()));
}

}  // namespace NCalculatorText
