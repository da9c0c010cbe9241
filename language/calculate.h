#pragma once
// The calculation run over an editor text and the evaluation of one
// expression.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "numeric/complex.h"

namespace NCalculatorText {

class CCalcContext;

// Both work in the context they are handed: its run state takes the
// messages, its environment gives units, number text and memory cells.

// Rewrites text with "=" and the fresh result behind the selected
// statements. A statement ends at ";" or, once it holds an "=", at the end
// of that line: an old result never reaches into the lines below it, and
// the result is never written across lines. cursor -1 evaluates every
// statement and returns the end of the text; any other value evaluates the
// statement holding that code-unit index and returns the position behind
// the ";" or line break that ended it. False when a statement failed or a
// comment is unterminated. onStatement, when given, hears where each
// statement about to be evaluated starts in the rewritten text; after a
// failure the last one it heard is the statement that failed.
bool CalculateText(CCalcContext& context, std::u16string& text, std::ptrdiff_t& cursor,
                   const std::function<void(std::size_t start)>& onStatement = {});

// Where a statement lies, by the statement rules of CalculateText: its
// characters [start, end) (end is its ";", the line break after its old
// result, or the end of the text) and the end of its expression (its last
// "=" outside comments, else end).
struct CStatementSpan {
    std::size_t start = 0;
    std::size_t end = 0;
    std::size_t expressionEnd = 0;
};

// The statement that CalculateText would evaluate for a caret at position;
// false when the caret stands in none (behind the last ";", in a text of
// blanks and comments) or a comment is unterminated.
bool FindStatement(const std::u16string& text, std::size_t position, CStatementSpan& span);

// The statement that starts at start, a position onStatement reported.
CStatementSpan StatementFrom(const std::u16string& text, std::size_t start);

// CalculateText over every statement of a text that continues a run: the
// run state is not reset, so the log numbering and the cancel polls go on.
// A text cut right behind a ";" outside comments into parts, each handed
// over in turn, is rewritten part by part as the whole would be.
bool CalculateAllContinued(CCalcContext& context, std::u16string& text);
// The same over a part that stays as it is: its rewritten text is appended
// to out (after a failure, with the rest of the part as it was).
// withoutComments: the caller found already that the part holds no "//"
// or "/*" (false when it did not look).
bool CalculateAllContinued(CCalcContext& context, std::u16string_view text, std::u16string& out,
                           bool withoutComments = false);

// Blanks the comments of a text in place, keeping its length: "//" up to
// and including the next line feed, "/*" through the next "*/" (searched
// from the "/*" itself, so "/*/" is a whole comment). False, with the text
// partly blanked, when a "/*" is not closed.
bool StripComments(std::u16string& text);

// Where the first comment of a text starts (its "//" or "/*"), or npos: a
// text without one is its own comment-blanked copy.
std::size_t FindCommentStart(std::u16string_view text);

// Parses and evaluates one expression in a context; on success the value
// becomes the context's previous result.
bool EvaluateExpression(CCalcContext& context, std::u16string_view expression, CComplex& value);
// The same for a statement that may define a name (language/definitions.h):
// hasValue is false, and value untouched, for a function's definition,
// which has no value and leaves the previous result alone.
bool EvaluateStatement(CCalcContext& context, std::u16string_view expression, CComplex& value, bool& hasValue);
// EvaluateStatement for the statement that starts at text, given as
// bytes up to the next ";", which must lie within them, when the one-pass
// evaluation takes it as it is (see EvaluatePlainBytes in
// language/fast_statement.h): true then, with its length, evaluated
// telling whether it went through (false after a cancel) and value its
// value. False, and nothing changed, for any other statement, which
// EvaluateStatement then evaluates on its code units. The caller binds
// the run state of context to the thread (CRunStateBinding) for a run of
// such statements, once.
bool EvaluatePlainBytesStatement(CCalcContext& context, const char* text, std::size_t& length, CComplex& value,
                                 bool& evaluated);

}  // namespace NCalculatorText
