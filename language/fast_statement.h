#pragma once
// The fast evaluation of a plain statement. Most statements a user writes
// are a few numbers joined by + − × ÷ and ^, in round brackets, under a few
// functions of one argument. Such a text is read and computed in one pass
// over its characters: no tree, no nodes, no operation scopes, nothing
// allocated once the thread's buffer has grown.
//
// The pass reads the text by the rules of the tokenizing parser
// (language/token_parser.h) and groups exactly as it does: operators of one
// precedence to the left (2^3^2 is (2^3)^2), a minus at the start of a
// statement or bracket as a negation looser than × ÷ ^ (-2^2 is -(2^2)),
// the sign after an exponent letter as part of its number ("2e-1"). It
// computes with the very operations of the checked nodes, in the same
// order, so a value it yields is the checked value to the bit. Where a
// checked operation would report (an overflow, an underflow, a zero
// divisor, a domain or a loss of precision), and for everything it does not
// read (comments, commas, memory, the store arrow, series, factorials,
// random numbers, names, other characters, any syntax error), it gives up
// without a trace, and the statement goes the checked way, which then
// writes its own log.

#include <cstddef>
#include <string_view>

#include "numeric/complex.h"

namespace NCalculatorText {

class CCalcContext;

// Evaluates a plain statement in a context: true with its value, and the
// run state's operation kinds left as the checked evaluation leaves them;
// false, with nothing changed, when the statement is not plain or its
// checked evaluation would report anything. Sets no previous result.
bool EvaluatePlainStatement(CCalcContext& context, std::u16string_view expression, CComplex& value);

// The same for the statement that starts at text, given as bytes, each the
// code unit of its character, up to the next ";", which must lie within
// the bytes (the pass reads up to it and never beyond): true, with its
// length (where the ";" is) and value, when it is made of bytes the pass
// reads as they are (lower-case ASCII letters, digits and "._()+-*/^";
// no blank, line break or capital) and plain. Such a statement is one by
// the rules of the whole run: it holds no "=" and no comment.
bool EvaluatePlainBytes(CCalcContext& context, const char* text, std::size_t& length, CComplex& value);

}  // namespace NCalculatorText
