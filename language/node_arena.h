#pragma once
// The storage of one expression tree: its nodes, their child lists and the
// texts of its leaves are carved out of a few large blocks instead of being
// allocated one by one, and the whole tree is taken down at once.
//
// The arena belongs to the tree's root node (a CNode that was not itself
// made in an arena) and is created when the root gets its first child. It
// keeps a list of the nodes made in it, so that taking the tree down needs
// neither recursion nor a walk over the children: every node is destroyed
// in the reverse order of its making, then the blocks are given back.
//
// Blocks of the standard size are kept in a small cache of the thread that
// gives them back and reused by the next tree made on that thread, so a run
// of short statements allocates nothing once the cache holds a block. A
// block is plain memory: a tree made on one thread may be evaluated and
// destroyed on another (the plots do that); its blocks then go to the
// cache of the thread that destroys it.

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>

namespace NCalculatorText {

class CNode;
class CNodeArena;

// A list whose elements live in an arena: what a node keeps of its
// children and of its texts. It grows by moving to a larger piece of the
// arena (the old piece stays unused until the tree goes), which happens
// only in the rewriting parser; the tokenizing parser's tree knows every
// count in advance.
template <class T>
class CArenaList {
    static_assert(std::is_trivially_destructible_v<T>, "an arena does not destroy list elements");

public:
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_size; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_size; }
    const T& operator[](std::size_t k) const { return m_data[k]; }
    T& operator[](std::size_t k) { return m_data[k]; }
    const T& at(std::size_t k) const
    {
        if (k >= m_size)
            throw std::out_of_range("CArenaList::at");
        return m_data[k];
    }
    const T& front() const { return m_data[0]; }
    const T& back() const { return m_data[m_size - 1]; }
    T& back() { return m_data[m_size - 1]; }

    // Room for count elements in all without a move.
    inline void reserve(CNodeArena& arena, std::size_t count);
    inline void push_back(CNodeArena& arena, const T& value);

private:
    T* m_data = nullptr;
    std::uint32_t m_size = 0;
    std::uint32_t m_capacity = 0;
};

class CNodeArena {
public:
    // A new arena; its bookkeeping lives in its own first block.
    static CNodeArena* Create();
    // Destroys the nodes made in the arena, last made first, and gives its
    // blocks back.
    static void Destroy(CNodeArena* arena);

    CNodeArena(const CNodeArena&) = delete;
    CNodeArena& operator=(const CNodeArena&) = delete;

    void* Allocate(std::size_t size, std::size_t alignment)
    {
        std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(m_cursor) + alignment - 1) & ~(alignment - 1);
        if (at + size > reinterpret_cast<std::uintptr_t>(m_end)) {
            Grow(size + alignment);
            at = (reinterpret_cast<std::uintptr_t>(m_cursor) + alignment - 1) & ~(alignment - 1);
        }
        m_cursor = reinterpret_cast<char*>(at + size);
        return reinterpret_cast<void*>(at);
    }

    template <class T>
    T* AllocateArray(std::size_t count)
    {
        return static_cast<T*>(Allocate(sizeof(T) * count, alignof(T)));
    }

    // A node of class TNode made in the arena; it is destroyed with the
    // arena and must never be deleted.
    template <class TNode, class... TArguments>
    TNode* Make(TArguments&&... arguments)
    {
        void* place = Allocate(sizeof(TNode), alignof(TNode));
        TNode* node = new (place) TNode(std::forward<TArguments>(arguments)...);
        m_nodes.push_back(*this, node);
        return node;
    }

    // Room in the list of nodes for count more, so that making them moves
    // nothing.
    void ReserveNodes(std::size_t count) { m_nodes.reserve(*this, m_nodes.size() + count); }

    // A copy of text in the arena.
    std::u16string_view Copy(std::u16string_view text)
    {
        if (text.empty())
            return {};
        char16_t* copy = AllocateArray<char16_t>(text.size());
        text.copy(copy, text.size());
        return {copy, text.size()};
    }

    // Bytes taken from the system for this arena.
    std::size_t Reserved() const { return m_reserved; }

private:
    struct CBlock;
    CNodeArena() = default;
    ~CNodeArena() = default;
    void Grow(std::size_t atLeast);

    CBlock* m_blocks = nullptr;
    char* m_cursor = nullptr;
    char* m_end = nullptr;
    std::size_t m_reserved = 0;
    CArenaList<CNode*> m_nodes;
};

template <class T>
void CArenaList<T>::reserve(CNodeArena& arena, std::size_t count)
{
    if (count <= m_capacity)
        return;
    if (count > 0xFFFFFFFFu)
        throw std::length_error("CArenaList::reserve");
    T* data = arena.AllocateArray<T>(count);
    for (std::uint32_t k = 0; k < m_size; ++k)
        new (data + k) T(m_data[k]);
    m_data = data;
    m_capacity = static_cast<std::uint32_t>(count);
}

template <class T>
void CArenaList<T>::push_back(CNodeArena& arena, const T& value)
{
    if (m_size == m_capacity)
        reserve(arena, m_capacity < 4 ? 4 : std::size_t{m_capacity} * 2);
    new (m_data + m_size) T(value);
    ++m_size;
}

}  // namespace NCalculatorText
