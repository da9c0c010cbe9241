#pragma once
// The words of the expression language: the function names and the node
// each one creates, the constant words, and the forms in which the program
// itself writes a function, the random number, the previous result and a
// memory cell (the keypad and the status bar use those).
//
// Every accepted word is accepted whatever the preferences say; the
// preferences only choose how a word is written.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace NCalculatorText {

// One entry per function node class.
enum class EFunction {
    Sin,
    Cos,
    Tg,
    Ctg,
    Sec,
    Cosec,
    ArcSin,
    ArcCos,
    ArcTg,
    ArcCtg,
    ArcSec,
    ArcCosec,
    Sh,
    Ch,
    Th,
    Cth,
    Sech,
    Csch,
    ArSh,
    ArCh,
    ArTh,
    ArCth,
    ArSch,
    ArCsch,
    Exp,
    Ln,
    Lg,
    Sqrt,
    Abs,
    Sign,
    Ceil,
    Floor,
    Re,
    Im,
    Arg,
    Conjugate,
    Gamma,
    BesselJ,
    BesselY,
    BesselI,
    BesselK,
    Sum,
    Product,
};

// The longest function name, in code units.
inline constexpr std::size_t kMaxFunctionNameLength = 13;

// The function a lower-case name stands for, or none. The whole name must
// match: "arcsech", "log10" and "tgh" are no functions.
std::optional<EFunction> FindFunctionName(std::u16string_view name);

// The constant words, given in lower case.
enum class EConstantWord { Pi, E, ImaginaryUnit, Result, Random };
std::optional<EConstantWord> FindConstantWord(std::u16string_view word);

// The operations whose written form depends on the notation and the letter
// case: the 39 keypad buttons that show a name (the decimal separator
// included).
enum class EWrittenOperation {
    // West and East differ
    Tangent,
    Cotangent,
    Cosecant,
    Arctangent,
    Arccotangent,
    Arccosecant,
    HyperbolicSine,
    HyperbolicCosine,
    HyperbolicTangent,
    HyperbolicCotangent,
    ArchyperbolicSine,
    ArchyperbolicCosine,
    ArchyperbolicTangent,
    ArchyperbolicCotangent,
    ArchyperbolicSecant,
    DecimalLogarithm,
    DecimalSeparator,
    // the same in both notations
    Sine,
    Cosine,
    Secant,
    HyperbolicCosecant,
    HyperbolicSecant,
    Exponent,
    NaturalLogarithm,
    AbsoluteValue,
    Factorial,
    Arcsine,
    Arccosine,
    Arcsecant,
    ArchyperbolicCosecant,
    BesselJ,
    BesselY,
    BesselI,
    BesselK,
    Sign,
    Conjugate,
    RealPart,
    ImaginaryPart,
    Argument,
};
inline constexpr int kWrittenOperationCount = static_cast<int>(EWrittenOperation::Argument) + 1;

// notation: 0 West, 1 East (anything else West); notationCase: 0 as
// listed, 1 every letter upper case (anything else as listed).
std::u16string GetWrittenForm(EWrittenOperation operation, unsigned notation, unsigned notationCase);

// The spellings chosen by "FormatRandom", "FormatResult" and
// "FormatMemory"; a value outside 0 to 5 gives the form of 0.
std::u16string_view GetRandomWord(unsigned form);
std::u16string_view GetResultWord(unsigned form);
std::u16string_view GetMemoryWord(unsigned form);

}  // namespace NCalculatorText
