#include "language/node_arena.h"

#include <cstdlib>

#include "language/node.h"

namespace NCalculatorText {

struct CNodeArena::CBlock {
    CBlock* next;
    std::size_t size;  // bytes, this header included
};

namespace {

// The standard block: room for the tree of a statement of a few dozen
// operations. Larger trees add blocks that double in size, up to the
// largest step, so a tree of millions of nodes needs few of them.
constexpr std::size_t kStandardBlock = 4096;
constexpr std::size_t kLargestStep = std::size_t{1} << 24;
// Standard blocks a thread keeps for its next trees.
constexpr int kCachedBlocks = 8;

// The free standard blocks of this thread. Plain data, so that it is still
// there while the thread's other objects are destroyed; the closer below
// empties it at the thread's end, after which blocks go straight back to
// the system.
struct CBlockCache {
    void* blocks[kCachedBlocks];
    int count;
    bool closed;
};
thread_local CBlockCache t_cache{};

struct CBlockCacheCloser {
    ~CBlockCacheCloser()
    {
        while (t_cache.count > 0)
            std::free(t_cache.blocks[--t_cache.count]);
        t_cache.closed = true;
    }
};

void* TakeBlock(std::size_t size)
{
    if (size == kStandardBlock && t_cache.count > 0)
        return t_cache.blocks[--t_cache.count];
    void* block = std::malloc(size);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void GiveBlock(void* block, std::size_t size)
{
    if (size == kStandardBlock && !t_cache.closed && t_cache.count < kCachedBlocks) {
        // The closer is made with the first block kept on this thread.
        thread_local CBlockCacheCloser closer;
        (void)closer;
        t_cache.blocks[t_cache.count++] = block;
        return;
    }
    std::free(block);
}

constexpr std::size_t RoundUp(std::size_t size, std::size_t unit)
{
    return (size + unit - 1) / unit * unit;
}

}  // namespace

CNodeArena* CNodeArena::Create()
{
    void* memory = TakeBlock(kStandardBlock);
    auto* block = static_cast<CBlock*>(memory);
    block->next = nullptr;
    block->size = kStandardBlock;
    char* start = static_cast<char*>(memory) + RoundUp(sizeof(CBlock), alignof(std::max_align_t));
    auto* arena = new (start) CNodeArena();
    arena->m_blocks = block;
    arena->m_cursor = start + RoundUp(sizeof(CNodeArena), alignof(std::max_align_t));
    arena->m_end = static_cast<char*>(memory) + kStandardBlock;
    arena->m_reserved = kStandardBlock;
    return arena;
}

void CNodeArena::Destroy(CNodeArena* arena)
{
    if (!arena)
        return;
    for (std::size_t k = arena->m_nodes.size(); k > 0; --k)
        arena->m_nodes[k - 1]->~CNode();
    CBlock* block = arena->m_blocks;
    arena->~CNodeArena();
    while (block) {
        CBlock* next = block->next;
        GiveBlock(block, block->size);
        block = next;
    }
}

void CNodeArena::Grow(std::size_t atLeast)
{
    const std::size_t header = RoundUp(sizeof(CBlock), alignof(std::max_align_t));
    // Each new block as large as all before it together, within bounds.
    std::size_t size = m_reserved < kLargestStep ? m_reserved : kLargestStep;
    if (size < kStandardBlock)
        size = kStandardBlock;
    if (size < atLeast + header)
        size = RoundUp(atLeast + header, kStandardBlock);
    auto* block = static_cast<CBlock*>(TakeBlock(size));
    block->size = size;
    block->next = m_blocks;
    m_blocks = block;
    m_cursor = reinterpret_cast<char*>(block) + header;
    m_end = reinterpret_cast<char*>(block) + size;
    m_reserved += size;
}

}  // namespace NCalculatorText
