// The one-pass rewriting of CalculateText against a plain transcription of
// the statement rules (delete, evaluate, insert, shift by the offset), over
// many generated texts with old results, comments, blanks and failures.
#include <gtest/gtest.h>

#include <random>

#include "document/number_format.h"
#include "document/utf.h"
#include "language/calculate.h"
#include "support/log_recorder.h"

namespace {

using namespace NCalculatorText;

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The statement rules applied literally to the text, one edit at a time.
bool RewriteStepByStep(CCalcContext& context, std::u16string& text, std::ptrdiff_t& cursor)
{
    context.run.Reset();
    std::u16string work = text;
    if (!StripComments(work)) {
        ReportStatus(context.run, eSyntaxError);
        return false;
    }
    std::ptrdiff_t offset = 0;
    std::size_t s = 0;
    while (s < work.size()) {
        if (work[s] == u';') {
            ++s;
            continue;
        }
        // A statement ends at ";", or at the first line break (in the text)
        // once an "=" was seen.
        std::size_t e = s;
        bool seenEquals = false;
        while (e < work.size() && work[e] != u';' &&
               !(seenEquals && (text[static_cast<std::size_t>(static_cast<std::ptrdiff_t>(e) + offset)] == u'\n' ||
                                text[static_cast<std::size_t>(static_cast<std::ptrdiff_t>(e) + offset)] == u'\r'))) {
            seenEquals = seenEquals || work[e] == u'=';
            ++e;
        }
        const std::size_t n = e - s;
        const std::u16string statement = work.substr(s, n);
        const std::size_t start = s;
        s = e;
        if (!(cursor == -1 || (cursor >= 0 && static_cast<std::size_t>(cursor) >= start &&
                               static_cast<std::size_t>(cursor) <= e)))
            continue;
        std::size_t equals = statement.rfind(u'=');
        std::size_t result = 0;
        if (equals == std::u16string::npos) {
            std::size_t last = n;
            while (last > 0 && IsBlank(statement[last - 1]))
                --last;
            if (last == 0)
                continue;
            equals = last;
            result = equals + 1;
        } else {
            result = equals + 1;
            while (result < n && IsBlank(statement[result]))
                ++result;
            if (result == n)
                result = equals + 1;
        }
        std::ptrdiff_t deleted = 0;
        for (std::size_t p = n; p-- > equals;) {
            if (!IsBlank(statement[p])) {
                text.erase(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(start + p) + offset), 1);
                ++deleted;
            }
        }
        CComplex value;
        if (!EvaluateExpression(context, statement.substr(0, equals), value))
            return false;
        const std::u16string formatted = FormatComplex(value, GetResultFormat(), GetImaginaryUnit());
        text.insert(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(start + equals) + offset), u"=");
        text.insert(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(start + result) + offset), formatted);
        offset += 1 + static_cast<std::ptrdiff_t>(formatted.size()) - deleted;
        if (cursor != -1) {
            if (e == work.size()) {
                cursor = static_cast<std::ptrdiff_t>(text.size());
            } else if (work[e] == u';') {
                cursor = static_cast<std::ptrdiff_t>(e) + 1 + offset;
            } else {
                // Behind the line break, CR LF taken whole.
                const std::size_t at = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(e) + offset);
                cursor = static_cast<std::ptrdiff_t>(at + (text[at] == u'\r' && at + 1 < text.size() &&
                                                                   text[at + 1] == u'\n'
                                                               ? 2
                                                               : 1));
            }
            return true;
        }
    }
    cursor = static_cast<std::ptrdiff_t>(text.size());
    return true;
}

std::u16string GeneratedText(std::mt19937& random)
{
    static const char16_t* const pieces[] = {
        u"1",   u"23",  u"+",     u"*",      u" ",   u"  ",     u"\r\n",  u"=",       u"= 7", u"=99 ",
        u";",   u";;",  u"// c",  u"/* x */", u"x",  u"(2)",    u"\t",    u"-4",      u"/0",  u"= ",
        u"1/3", u"2^",  u"//=;\r\n", u"/*;=*/", u"0.5", u"\u2212", u"2*i", u"=-i\u00D72", u"e", u"sin(0)",
        u"\n",  u"\r",  u"=5\r\n", u"/* \r\n */"};
    std::uniform_int_distribution<std::size_t> count(0, 14);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(pieces) / sizeof(pieces[0]) - 1);
    std::u16string text;
    for (std::size_t i = count(random); i > 0; --i)
        text += pieces[pick(random)];
    return text;
}

TEST(Rewriting, OnePassGivesTheSameTextAsEditingStepByStep)
{
    std::mt19937 random(12345);
    int successes = 0;
    int failures = 0;
    for (int round = 0; round < 20'000; ++round) {
        const std::u16string original = GeneratedText(random);
        std::ptrdiff_t cursor = -1;
        if (round % 2 == 1)
            cursor = static_cast<std::ptrdiff_t>(random() % (original.size() + 1));

        std::u16string expected = original;
        std::ptrdiff_t expectedCursor = cursor;
        bool expectedResult = false;
        std::string expectedLog;
        {
            CLogRecorder reference;
            expectedResult = RewriteStepByStep(reference.context, expected, expectedCursor);
            expectedLog = reference.Lines();
        }

        CLogRecorder log;
        std::u16string actual = original;
        std::ptrdiff_t actualCursor = cursor;
        const bool actualResult = CalculateText(log.context, actual, actualCursor);

        ASSERT_EQ(Utf16ToUtf8(actual), Utf16ToUtf8(expected)) << "text: " << Utf16ToUtf8(original);
        ASSERT_EQ(actualCursor, expectedCursor) << "text: " << Utf16ToUtf8(original) << " cursor " << cursor;
        ASSERT_EQ(actualResult, expectedResult) << "text: " << Utf16ToUtf8(original);
        ASSERT_EQ(log.Lines(), expectedLog) << "text: " << Utf16ToUtf8(original);
        (actualResult ? successes : failures) += 1;
    }
    // Both outcomes are well represented.
    EXPECT_GT(successes, 2000);
    EXPECT_GT(failures, 2000);
}

}  // namespace
