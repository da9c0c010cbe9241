#include "document/memory_store.h"

#include <algorithm>
#include <charconv>

#include "document/number_format.h"
#include "language/keywords.h"
#include "numeric/complex.h"
#include "numeric/elementary.h"

const CMemoryCell* CMemoryStore::Find(const std::u16string& name)
{
    const auto found = m_cells.find(name);
    if (found == m_cells.end())
        return nullptr;
    m_refreshNeeded = true;
    return &found->second;
}

void CMemoryStore::Store(const std::u16string& name, const CComplex& value)
{
    // A memory file names its cells in the order of the map: a name past the
    // last one goes to the end without a search.
    auto found = m_cells.end();
    if (m_cells.empty() || m_cells.rbegin()->first < name)
        found = m_cells.emplace_hint(m_cells.end(), name, CMemoryCell{});
    else if (found = m_cells.find(name); found == m_cells.end())
        found = m_cells.emplace(name, CMemoryCell{}).first;
    found->second.value = value;
    m_refreshNeeded = true;
}

bool CMemoryStore::SetIncluded(const std::u16string& name, bool included)
{
    const auto found = m_cells.find(name);
    if (found == m_cells.end())
        return false;
    found->second.included = included;
    return true;
}

void CMemoryStore::FreeMemory(EMemorySelection selection)
{
    m_refreshNeeded = true;
    if (selection == EMemorySelection::All) {
        m_cells.clear();
        m_definitions.Clear();
        return;
    }
    std::erase_if(m_cells, [](const auto& entry) { return entry.second.included; });
}

std::u16string CMemoryStore::BuildMemoryFileText(EMemorySelection selection) const
{
    // Fixed format and unit letter, whatever the preferences say, so that the
    // file reads back the same everywhere; seventeen significant digits
    // identify every double.
    std::u16string text(1, u'\uFEFF');
    for (const auto& [name, cell] : m_cells) {
        if (selection == EMemorySelection::IncludedOnly && !cell.included)
            continue;
        text += FormatComplex(cell.value, kFormatLower, u'i');
        text += u"->Mem[";
        text += name;
        text += u"];\r\n";
    }
    if (selection == EMemorySelection::All) {
        for (const auto& [name, definition] : m_definitions.Items()) {
            if (definition.IsFunction()) {
                text += definition.FunctionText();
            } else {
                text += name;
                text += u" := ";
                text += FormatComplex(definition.value, kFormatLower, u'i');
            }
            text += u";\r\n";
        }
    }
    return text;
}

bool CMemoryStore::RemoveDefinition(std::u16string_view name)
{
    if (!m_definitions.Remove(name))
        return false;
    m_refreshNeeded = true;
    return true;
}

bool CMemoryStore::TakeRefreshNeeded()
{
    const bool needed = RefreshNeeded();
    m_refreshNeeded = false;
    m_seenGeneration = m_definitions.Generation();
    return needed;
}

CMemoryStore& MemoryStore()
{
    static CMemoryStore store;
    return store;
}

namespace {

constexpr char16_t kMinusSign = u'\u2212';
constexpr char16_t kTimesSign = u'\u00D7';

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// A number as the formatter writes it: digits, an optional fraction and an
// optional exponent with its sign ("12", "0.5", "1.25e-07"), read as the
// number node reads it. False for anything else, and for a text the
// conversion finds out of range.
bool ReadNumber(std::u16string_view text, std::size_t& at, double& value)
{
    char ascii[64];
    std::size_t length = 0;
    auto digits = [&]() {
        const std::size_t start = at;
        while (at < text.size() && IsDigit(text[at]) && length < sizeof(ascii))
            ascii[length++] = static_cast<char>(text[at++]);
        return at > start;
    };
    if (!digits())
        return false;
    if (at < text.size() && text[at] == u'.') {
        ascii[length++] = '.';
        ++at;
        if (!digits())
            return false;
    }
    if (at + 1 < text.size() && text[at] == u'e' && (text[at + 1] == u'+' || text[at + 1] == u'-')) {
        if (length + 2 > sizeof(ascii))
            return false;
        ascii[length++] = 'e';
        ascii[length++] = static_cast<char>(text[at + 1]);
        at += 2;
        if (!digits())
            return false;
    }
    if (length >= sizeof(ascii))
        return false;
    const auto [end, error] = std::from_chars(ascii, ascii + length, value, std::chars_format::general);
    return error == std::errc() && end == ascii + length;
}

// "i" or "i×y" from at on: the value of the unit times y.
bool ReadImaginary(std::u16string_view text, std::size_t& at, CComplex& value)
{
    if (at >= text.size() || text[at] != u'i')
        return false;
    ++at;
    const CComplex unit(0.0, 1.0);
    if (at < text.size() && text[at] == kTimesSign) {
        ++at;
        double y = 0;
        if (!ReadNumber(text, at, y))
            return false;
        value = Multiply(unit, CComplex(y, 0.0));
    } else {
        value = unit;
    }
    return true;
}

// The value of one line's value text, evaluated as its tree would be: a
// leading minus is a negation of the rest (up to a two-operand sign), and
// the real and imaginary parts are added or subtracted. Either minus sign
// reads the same.
bool ReadValue(std::u16string_view text, std::size_t& at, CComplex& value)
{
    const bool negated = at < text.size() && (text[at] == u'-' || text[at] == kMinusSign);
    if (negated)
        ++at;
    if (at < text.size() && text[at] == u'i') {
        if (!ReadImaginary(text, at, value))
            return false;
        if (negated)
            value = CalcNegate(value);
        return true;
    }
    double x = 0;
    if (!ReadNumber(text, at, x))
        return false;
    CComplex real(x, 0.0);
    if (negated)
        real = CalcNegate(real);
    if (at + 1 < text.size() && (text[at] == u'+' || text[at] == u'-' || text[at] == kMinusSign) &&
        text[at + 1] == u'i') {
        const bool plus = text[at] == u'+';
        ++at;
        CComplex imaginary;
        if (!ReadImaginary(text, at, imaginary))
            return false;
        value = plus ? Add(real, imaginary) : Subtract(real, imaginary);
        return true;
    }
    value = real;
    return true;
}

// A cell name that reaches the store as it stands: the calculation run
// would take nothing in it for brackets, a comment, a statement end, an old
// result or a placeholder, would change no letter and trim nothing.
bool IsPlainName(std::u16string_view name)
{
    if (name.empty() || NCalculatorText::IsWhiteSpace(name.front()) || NCalculatorText::IsWhiteSpace(name.back()))
        return false;
    for (const char16_t c : name) {
        switch (c) {
        case u'(': case u')': case u'[': case u']': case u'{': case u'}':
        case u'$': case u'=': case u';': case u'/': case u'\t': case u'\n': case u'\r':
        case u'\0': case u'\uFEFF':
            return false;
        default:
            if (c >= u'A' && c <= u'Z')
                return false;
        }
    }
    return true;
}

}  // namespace

bool ReadMemoryFileLines(std::u16string_view text, std::vector<CMemoryFileLine>& lines)
{
    static constexpr std::u16string_view kStore = u"->Mem[";
    static constexpr std::u16string_view kEnd = u"];\r\n";
    lines.clear();
    // A line a line break: the vector is as long as it needs, no longer.
    lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n')));
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = at;
        CMemoryFileLine line;
        if (!ReadValue(text, at, line.value))
            return false;
        if (text.substr(at, kStore.size()) != kStore)
            return false;
        at += kStore.size();
        const std::size_t close = text.find(u']', at);
        if (close == std::u16string_view::npos)
            return false;
        line.name = text.substr(at, close - at);
        if (!IsPlainName(line.name) || text.substr(close, kEnd.size()) != kEnd)
            return false;
        at = close + kEnd.size();
        // Up to the "]", with the CR LF of the line before.
        line.statementLength = close + 1 - start + (start == 0 ? 0 : 2);
        lines.push_back(line);
    }
    return true;
}
