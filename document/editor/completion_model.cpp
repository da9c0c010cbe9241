#include "document/editor/completion_model.h"

#include <algorithm>

#include "document/keypad/keypad_model.h"
#include "document/memory_store.h"
#include "language/definitions.h"
#include "language/functions.h"
#include "language/keywords.h"

namespace {

std::u16string Folded(std::u16string_view text)
{
    std::u16string folded(text);
    for (char16_t& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return folded;
}

bool IsLetters(std::u16string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char16_t c) { return c >= u'a' && c <= u'z'; });
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::u16string FunctionLabel(const NCalculatorText::CFunction& function, const CPreferenceValues& preferences)
{
    const unsigned notation = preferences.Get(EPreference::Notation);
    const unsigned notationCase = preferences.Get(EPreference::NotationCase);
    if (!function.west.empty())
        return NCalculatorText::WrittenForm(function.west, function.east, notation, notationCase);
    for (std::u16string_view name : function.names) {
        if (IsLetters(name))
            return NCalculatorText::WrittenForm(name, name, notation, notationCase);
    }
    return std::u16string(function.names[0]);
}

std::vector<CCompletion> NameCompletions(std::u16string_view prefix, const CPreferenceValues& preferences,
                                         const NCalculatorText::CDefinitions* definitions)
{
    std::vector<CCompletion> out;
    const std::u16string folded = Folded(prefix);
    if (folded.empty())
        return out;
    auto matches = [&folded](std::initializer_list<std::u16string_view> names) {
        return std::any_of(names.begin(), names.end(),
                           [&folded](std::u16string_view name) { return StartsWith(name, folded); });
    };

    const std::u16string functionBracket(FunctionBracket(preferences));
    for (const NCalculatorText::CFunction& function : NCalculatorText::FunctionTable()) {
        bool any = false;
        for (std::u16string_view name : function.names)
            any = any || (IsLetters(name) && StartsWith(name, folded));
        if (!any)
            continue;
        const std::u16string label = FunctionLabel(function, preferences);
        out.push_back({label, label + functionBracket});
    }
    // The keywords in the forms their preferences choose, as the keypad
    // types them.
    if (matches({u"mem", u"memory"})) {
        const std::u16string keyword(MemoryKeyword(preferences.Get(EPreference::FormatMemory)));
        out.push_back({keyword, keyword + std::u16string(MemoryBracket(preferences))});
    }
    if (matches({u"rslt", u"result"})) {
        const std::u16string keyword(ResultKeyword(preferences.Get(EPreference::FormatResult)));
        out.push_back({keyword, keyword});
    }
    if (matches({u"rand", u"random"})) {
        const std::u16string keyword(RandomKeyword(preferences.Get(EPreference::FormatRandom)));
        out.push_back({keyword, keyword});
    }
    if (matches({u"pi"}))
        out.push_back({u"pi", u"pi"});
    if (definitions) {
        // The names are kept in lower case, as the language reads them.
        for (auto it = definitions->Items().lower_bound(folded);
             it != definitions->Items().end() && StartsWith(it->first, folded); ++it) {
            const NCalculatorText::CDefinition& definition = it->second;
            out.push_back({definition.Head(),
                           definition.IsFunction() ? definition.name + functionBracket : definition.name});
        }
    }
    std::sort(out.begin(), out.end(), [](const CCompletion& a, const CCompletion& b) {
        const std::u16string fa = Folded(a.label);
        const std::u16string fb = Folded(b.label);
        return fa != fb ? fa < fb : a.label < b.label;
    });
    return out;
}

std::vector<CCompletion> MemoryCompletions(std::u16string_view prefix, const CMemoryStore& store,
                                           std::u16string_view closing)
{
    std::vector<CCompletion> out;
    const std::u16string folded = Folded(prefix);
    for (const auto& [name, cell] : store.Cells()) {
        if (StartsWith(Folded(name), folded))
            out.push_back({name, name + std::u16string(closing)});
    }
    return out;
}

std::u16string FunctionHint(std::u16string_view name, const CPreferenceValues& preferences)
{
    const NCalculatorText::CFunction* function = NCalculatorText::FindFunction(Folded(name));
    if (function == nullptr)
        return {};
    return FunctionLabel(*function, preferences) + u"(" + std::u16string(function->arguments) + u"): " +
           std::u16string(function->description);
}

std::u16string DefinitionHint(std::u16string_view name, const NCalculatorText::CDefinitions& definitions)
{
    const NCalculatorText::CDefinition* definition = definitions.Find(Folded(name));
    return definition && definition->IsFunction() ? definition->FunctionText() : std::u16string();
}
