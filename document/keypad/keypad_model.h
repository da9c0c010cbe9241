#pragma once
// The keypad's buttons apart from their drawing: one row per button with its
// control id, the label of the dialog template, its colour group, where its
// label comes from and what a press does; and what a press types or sends
// under the user's preferences. The widget (windows/keypad/calc_keypad) draws the
// buttons and keeps their font, colours and style.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/keypad/cmd_receiver.h"
#include "document/preferences.h"

inline constexpr int kKeypadButtonCount = 79;

enum EButtonGroup : int { GroupFunction = 0, GroupDigit = 1, GroupService = 2 };
inline constexpr int kButtonGroupCount = 3;

// What a press does.
enum class EKeypadPress {
    Text,           // types the row's text
    Function,       // the written form of the function the text names, then the function bracket
    Symbol,         // the row's text, then the function bracket (∑, ∏)
    Separator,      // the decimal separator of the notation
    Factorial,      // "!", or "Γ" and the function bracket while GammaFunction is on
    Power,          // "^", and the function bracket while AppendIncludePower is on
    Random,         // the random keyword in its FormatRandom form
    Result,         // the previous-result keyword in its FormatResult form
    Memory,         // the memory keyword and the memory bracket
    Store,          // "->", the memory keyword and the memory bracket
    ImaginaryUnit,  // "i", or "j" when FormatI is 1
    Command,        // sends the row's command
};

// Where a button's label comes from.
enum class EKeypadLabel {
    Template,       // the template's label, kept
    Typed,          // the text it types ("×", "÷", "π", "∑", "∏")
    Spelled,        // its written form for the notation and the case
    ImaginaryUnit,  // "i" or "j", as it types
};

struct CKeypadButtonInfo {
    int controlId;
    const char16_t* label;  // the label before any relabelling
    EButtonGroup group;
    EKeypadLabel labelSource;
    EKeypadPress press;
    // The typed text or symbol; for a function, one of its accepted names.
    std::u16string_view text = {};
    // The row of a spelled button in KeypadSpellingTable, else -1.
    int spellingRow = -1;
    ECmdCode command = CmdClear;
};

// Button by index, in the fixed order of colour groups and layout.
const CKeypadButtonInfo& KeypadButtonInfo(int index);
// Index of a control id, or -1.
int KeypadButtonIndex(int controlId);
EButtonGroup KeypadButtonGroup(int index);

// The spelled buttons by their function number: the functions the keypad
// types by name, the decimal separator and the factorial's label, with their
// West and East forms.
struct CKeypadSpelling {
    int controlId;
    const char16_t* west;
    const char16_t* east;
};
inline constexpr int kKeypadSpellingCount = 39;
extern const std::array<CKeypadSpelling, kKeypadSpellingCount> KeypadSpellingTable;

// Row of a control id in KeypadSpellingTable, or -1.
int KeypadFunctionNumber(int controlId);
// The row's spelling for the notation, upper-cased (A to Z only) when asked.
std::u16string KeypadSpelling(int row, bool east, bool upper);

// What a button shows: its spelling for the notation and the case, "Γ" on
// the factorial while gammaLabel, "j" on the imaginary unit while
// FormatI is 1.
struct CKeypadLabelState {
    bool east = true;
    bool upper = false;
    bool gammaLabel = false;
    bool unitJ = false;
};
std::u16string KeypadLabel(int index, const CKeypadLabelState& state);

// The written forms of the random number, the previous result and the
// memory keyword, chosen by FormatRandom, FormatResult and FormatMemory;
// a value outside 0 to 5 writes form 0.
std::u16string_view RandomKeyword(unsigned form);
std::u16string_view ResultKeyword(unsigned form);
std::u16string_view MemoryKeyword(unsigned form);

// The brackets appended after a function name and after the memory keyword.
std::u16string_view FunctionBracket(const CPreferenceValues& preferences);
std::u16string_view MemoryBracket(const CPreferenceValues& preferences);

// What pressing a button does under the given preferences: type a text, or
// send a command.
struct CKeypadAction {
    enum EKind { None, Insert, Command } kind = None;
    std::u16string text;
    ECmdCode code = CmdClear;
};
CKeypadAction KeypadButtonAction(int controlId, const CPreferenceValues& preferences);

// Help context number of a button: the control id minus 0x7F9A0000, modulo 2^32.
std::uint32_t KeypadHelpContext(int controlId);
