#pragma once
// Test helper: a piece of text repeated, for long chains and deep nesting.

#include <cstddef>
#include <string>
#include <string_view>

inline std::u16string Repeat(std::u16string_view piece, std::size_t count)
{
    std::u16string text;
    text.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}
