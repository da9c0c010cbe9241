#include "document/keypad/keypad_model.h"

#include "language/functions.h"
#include "language/keywords.h"

namespace {

using P = EKeypadPress;
using L = EKeypadLabel;

constexpr char16_t kGammaSign[] = u"\u0393";

// Short forms of the rows.
constexpr CKeypadButtonInfo Spelled(int id, const char16_t* label, int row, std::u16string_view function)
{
    return {id, label, GroupFunction, L::Spelled, P::Function, function, row};
}
constexpr CKeypadButtonInfo Typing(int id, const char16_t* label, EButtonGroup group, std::u16string_view text,
                                   L labelSource = L::Template)
{
    return {id, label, group, labelSource, P::Text, text};
}
constexpr CKeypadButtonInfo Sending(int id, const char16_t* label, ECmdCode command)
{
    return {id, label, GroupService, L::Template, P::Command, {}, -1, command};
}

constexpr auto F = GroupFunction;
constexpr auto D = GroupDigit;
constexpr auto S = GroupService;

// In the fixed order of the colour groups and of the layout. A function
// button names its function by one of its accepted names; its forms are in
// the function table.
constexpr CKeypadButtonInfo kButtons[kKeypadButtonCount] = {
    Spelled(1028, u"sin", 17, u"sin"),
    Spelled(1053, u"cosec", 2, u"cosec"),
    Spelled(1027, u"cos", 18, u"cos"),
    Spelled(1052, u"sec", 19, u"sec"),
    Spelled(1029, u"tg", 0, u"tg"),
    Spelled(1030, u"ctg", 1, u"ctg"),
    Spelled(1031, u"sh", 6, u"sh"),
    Spelled(1055, u"csch", 20, u"csch"),
    Spelled(1032, u"ch", 7, u"ch"),
    Spelled(1054, u"sech", 21, u"sech"),
    Spelled(1033, u"th", 8, u"th"),
    Spelled(1034, u"cth", 9, u"cth"),
    Spelled(1035, u"exp", 22, u"exp"),
    Spelled(1038, u"ln", 23, u"ln"),
    Spelled(1037, u"lg", 15, u"lg"),
    {1039, u"^", F, L::Template, P::Power},
    Spelled(1060, u"abs", 24, u"abs"),
    {1036, u"n!", F, L::Spelled, P::Factorial, u"n!", 25},
    Spelled(1040, u"arcsin", 26, u"arcsin"),
    Spelled(1056, u"arccosec", 5, u"arccosec"),
    Spelled(1041, u"arccos", 27, u"arccos"),
    Spelled(1057, u"arcsec", 28, u"arcsec"),
    Spelled(1042, u"arctg", 3, u"arctg"),
    Spelled(1043, u"arcctg", 4, u"arcctg"),
    Spelled(1044, u"arsh", 10, u"arsh"),
    Spelled(1058, u"arcsch", 29, u"arcsch"),
    Spelled(1045, u"arch", 11, u"arch"),
    Spelled(1059, u"arsch", 14, u"arsch"),
    Spelled(1046, u"arth", 12, u"arth"),
    Spelled(1047, u"arcth", 13, u"arcth"),
    Spelled(1130, u"J", 30, u"j"),
    Spelled(1131, u"Y", 31, u"y"),
    Spelled(1132, u"I", 32, u"i"),
    Spelled(1133, u"K", 33, u"k"),
    {1134, u"Rand", F, L::Template, P::Random},
    Spelled(1135, u"sign", 34, u"sign"),
    {1136, u"SUM", F, L::Typed, P::Symbol, u"\u2211"},
    {1137, u"PROD", F, L::Typed, P::Symbol, u"\u220F"},
    Spelled(1128, u"conj", 35, u"conj"),
    Spelled(1125, u"re", 36, u"re"),
    Spelled(1126, u"im", 37, u"im"),
    Spelled(1127, u"arg", 38, u"arg"),
    Typing(1048, u"pi", D, u"\u03C0", L::Typed),
    Typing(1049, u"e", D, u"e"),
    {1129, u"i", D, L::ImaginaryUnit, P::ImaginaryUnit},
    Typing(1020, u"(", F, u"("),
    Typing(1021, u")", F, u")"),
    Typing(1022, u"[", F, u"["),
    Typing(1023, u"]", F, u"]"),
    Typing(1024, u"{", F, u"{"),
    Typing(1025, u"}", F, u"}"),
    Typing(1065, u"/*", S, u"/*"),
    Typing(1066, u"*/", S, u"*/"),
    Typing(1018, u"+", F, u"+"),
    Typing(1007, u"1", D, u"1"),
    Typing(1008, u"2", D, u"2"),
    Typing(1009, u"3", D, u"3"),
    Typing(1019, u"-", F, u"-"),
    Typing(1010, u"4", D, u"4"),
    Typing(1011, u"5", D, u"5"),
    Typing(1012, u"6", D, u"6"),
    Typing(1016, u"*", F, u"\u00D7", L::Typed),
    Typing(1013, u"7", D, u"7"),
    Typing(1014, u"8", D, u"8"),
    Typing(1015, u"9", D, u"9"),
    Typing(1017, u"/", F, u"\u00F7", L::Typed),
    Typing(1006, u"0", D, u"0"),
    {1026, u",", D, L::Spelled, P::Separator, {}, 16},
    Typing(1064, u";", S, u";"),
    Sending(1001, u"=", CmdCalculate),
    Sending(1062, u"= all", CmdCalculateAll),
    Typing(1063, u"Enter", S, u"\r\n"),
    Typing(1071, u"; enter", S, u";\r\n"),
    Sending(1051, u"Clear", CmdClear),
    Sending(1050, u"Bkspace", CmdBackspace),
    {1061, u"Rslt", S, L::Template, P::Result},
    Sending(1068, u"Free", CmdFreeMemory),
    {1069, u"->", S, L::Template, P::Store},
    {1070, u"Mem", S, L::Template, P::Memory},
};

// The two spelled buttons that type no function name.
constexpr CKeypadSpelling kSeparatorSpelling = {1026, u".", u","};
constexpr CKeypadSpelling kFactorialSpelling = {1036, u"n!", u"n!"};

std::array<CKeypadSpelling, kKeypadSpellingCount> MakeSpellingTable()
{
    std::array<CKeypadSpelling, kKeypadSpellingCount> table{};
    for (const CKeypadButtonInfo& button : kButtons) {
        if (button.spellingRow < 0)
            continue;
        CKeypadSpelling& row = table[static_cast<std::size_t>(button.spellingRow)];
        if (button.press == P::Separator) {
            row = kSeparatorSpelling;
        } else if (button.press == P::Factorial) {
            row = kFactorialSpelling;
        } else {
            // The forms are literals of the function table, so their data is
            // terminated.
            const NCalculatorText::CFunction* function = NCalculatorText::FindFunction(button.text);
            row = {button.controlId, function->west.data(), function->east.data()};
        }
    }
    return table;
}

}  // namespace

const std::array<CKeypadSpelling, kKeypadSpellingCount> KeypadSpellingTable = MakeSpellingTable();

const CKeypadButtonInfo& KeypadButtonInfo(int index)
{
    return kButtons[index];
}

int KeypadButtonIndex(int controlId)
{
    for (int i = 0; i < kKeypadButtonCount; ++i)
        if (kButtons[i].controlId == controlId)
            return i;
    return -1;
}

EButtonGroup KeypadButtonGroup(int index)
{
    return kButtons[index].group;
}

int KeypadFunctionNumber(int controlId)
{
    const int index = KeypadButtonIndex(controlId);
    return index >= 0 ? kButtons[index].spellingRow : -1;
}

std::u16string KeypadSpelling(int row, bool east, bool upper)
{
    const CKeypadSpelling& spelling = KeypadSpellingTable[static_cast<std::size_t>(row)];
    return NCalculatorText::WrittenForm(spelling.west, spelling.east, east ? 1 : 0, upper ? 1 : 0);
}

std::u16string KeypadLabel(int index, const CKeypadLabelState& state)
{
    const CKeypadButtonInfo& button = kButtons[index];
    if (button.press == P::Factorial && state.gammaLabel)
        return kGammaSign;
    switch (button.labelSource) {
    case L::Typed:
        return std::u16string(button.text);
    case L::Spelled:
        return KeypadSpelling(button.spellingRow, state.east, state.upper);
    case L::ImaginaryUnit:
        return state.unitJ ? u"j" : u"i";
    case L::Template:
        break;
    }
    return button.label;
}

std::u16string_view RandomKeyword(unsigned form)
{
    return NCalculatorText::GetRandomWord(form);
}

std::u16string_view ResultKeyword(unsigned form)
{
    return NCalculatorText::GetResultWord(form);
}

std::u16string_view MemoryKeyword(unsigned form)
{
    return NCalculatorText::GetMemoryWord(form);
}

namespace {

// The opening bracket an append preference asks for: none when the append
// is off, otherwise the kind its "...With" choice names ("(", "[", "{" for
// 0, 1, 2); an unknown choice gives the default kind.
std::u16string_view AppendedBracket(const CPreferenceValues& preferences, EPreference append, EPreference with,
                                    unsigned defaultChoice)
{
    static constexpr std::u16string_view kBrackets[] = {u"(", u"[", u"{"};
    if (preferences.Get(append) == 0)
        return u"";
    const unsigned choice = preferences.Get(with);
    return kBrackets[choice < 3 ? choice : defaultChoice];
}

}  // namespace

std::u16string_view FunctionBracket(const CPreferenceValues& preferences)
{
    return AppendedBracket(preferences, EPreference::AppendFunction, EPreference::AppendFunctionWith, 0);
}

std::u16string_view MemoryBracket(const CPreferenceValues& preferences)
{
    return AppendedBracket(preferences, EPreference::AppendMemory, EPreference::AppendMemoryWith, 1);
}

CKeypadAction KeypadButtonAction(int controlId, const CPreferenceValues& preferences)
{
    CKeypadAction action;
    const int index = KeypadButtonIndex(controlId);
    if (index < 0)
        return action;
    const CKeypadButtonInfo& button = kButtons[index];
    if (button.press == P::Command) {
        action.kind = CKeypadAction::Command;
        action.code = button.command;
        return action;
    }

    const std::u16string_view functionBracket = FunctionBracket(preferences);
    const bool east = preferences.Get(EPreference::Notation) == 1;
    const bool upper = preferences.Get(EPreference::NotationCase) == 1;
    auto memoryKeyword = [&preferences] {
        return std::u16string(MemoryKeyword(preferences.Get(EPreference::FormatMemory))) +
               std::u16string(MemoryBracket(preferences));
    };
    std::u16string& text = action.text;
    action.kind = CKeypadAction::Insert;
    switch (button.press) {
    case P::Text:
        text = button.text;
        break;
    case P::Function:
        text = KeypadSpelling(button.spellingRow, east, upper);
        text += functionBracket;
        break;
    case P::Symbol:
        text = button.text;
        text += functionBracket;
        break;
    case P::Separator:
        text = KeypadSpelling(button.spellingRow, east, false);
        break;
    case P::Factorial:
        if (preferences.Get(EPreference::GammaFunction) != 0)
            text = kGammaSign + std::u16string(functionBracket);
        else
            text = u"!";
        break;
    case P::Power:
        text = u"^";
        if (preferences.Get(EPreference::AppendIncludePower) != 0)
            text += functionBracket;
        break;
    case P::Random:
        text = RandomKeyword(preferences.Get(EPreference::FormatRandom));
        break;
    case P::Result:
        text = ResultKeyword(preferences.Get(EPreference::FormatResult));
        break;
    case P::Memory:
        text = memoryKeyword();
        break;
    case P::Store:
        text = u"->" + memoryKeyword();
        break;
    case P::ImaginaryUnit:
        text = preferences.Get(EPreference::FormatI) == 1 ? u"j" : u"i";
        break;
    case P::Command:
        break;
    }
    return action;
}

std::uint32_t KeypadHelpContext(int controlId)
{
    return static_cast<std::uint32_t>(controlId) - 0x7F9A0000u;
}
