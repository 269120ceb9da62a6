#include "platform/LargeBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t hugePage = std::size_t{2} << 20;
// Blocks from this size on are mapped in whole huge pages. Where a small page fault
// is dear (about 11 µs on a virtual machine, against 0.13 ms for a whole huge page),
// a block of a few hundred kilobytes costs one fault instead of a hundred, and a
// buffer then holds every later file up to a huge page without growing.
constexpr std::size_t largeBlock = std::size_t{64} << 10;

#if defined(__linux__)
// Blocks given back are kept, up to a few and spareLimit bytes, and handed out again:
// their pages are already there. Where the host lends memory lazily (virtual machines)
// a page first touched can cost more than composing what is written into it, and a
// run frees and asks for blocks of the same sizes kind after kind.
constexpr std::size_t spareLimit = std::size_t{32} << 20;
constexpr std::size_t spareCount = 4;

struct SpareBlock
{
    void* data;
    std::size_t size;  // whole huge pages
};

struct SpareBlocks
{
    std::mutex lock;
    std::vector<SpareBlock> blocks;
    std::size_t bytes = 0;
};

// Never destroyed: blocks may be given back while the program ends.
SpareBlocks& Spares()
{
    static auto* spares = new SpareBlocks;
    return *spares;
}

std::size_t WholeHugePages(std::size_t bytes)
{
    return (bytes + hugePage - 1) / hugePage * hugePage;
}

// The smallest spare block of `size` bytes up to `largest`, taken out; null for none.
void* TakeSpare(std::size_t size, std::size_t largest, std::size_t& granted)
{
    SpareBlocks& spares = Spares();
    std::lock_guard guard(spares.lock);
    auto best = spares.blocks.end();
    for (auto block = spares.blocks.begin(); block != spares.blocks.end(); ++block) {
        if (block->size >= size && block->size <= largest &&
            (best == spares.blocks.end() || block->size < best->size)) {
            best = block;
        }
    }
    if (best == spares.blocks.end()) {
        return nullptr;
    }
    void* data = best->data;
    granted = best->size;
    spares.bytes -= best->size;
    spares.blocks.erase(best);
    return data;
}

void* MapHugePages(std::size_t size)
{
    // Map one huge page more, keep the aligned whole pages and give back the rest, so
    // that the block is its own mapping from its first byte.
    void* region =
        mmap(nullptr, size + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(region);
    const std::uintptr_t aligned = (start + hugePage - 1) / hugePage * hugePage;
    if (aligned != start) {
        munmap(region, aligned - start);
    }
    if (const std::size_t tail = start + hugePage - aligned; tail != 0) {
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    void* data = reinterpret_cast<void*>(aligned);
    madvise(data, size, MADV_HUGEPAGE);  // advice only
    return data;
}
#endif

// A block of at least `bytes`: from largeBlock on (on Linux) whole huge pages, a spare
// of up to `spareFactor` times the size if one is kept; `granted` is the size to give
// back.
void* AllocateBlock(std::size_t bytes, [[maybe_unused]] std::size_t spareFactor,
                    std::size_t& granted)
{
#if defined(__linux__)
    if (bytes >= largeBlock) {
        const std::size_t size = WholeHugePages(bytes);
        if (void* spare = TakeSpare(size, spareFactor * size, granted)) {
            return spare;
        }
        granted = size;
        return MapHugePages(size);
    }
#endif
    granted = bytes;
    return ::operator new(bytes);
}

}

LargeBuffer::~LargeBuffer()
{
    Release();
}

void LargeBuffer::Release()
{
    if (large) {
        ReleaseLarge(data, capacity);
    } else {
        delete[] data;
    }
    data = nullptr;
    capacity = 0;
    large = false;
}

bool LargeBuffer::Reserve(std::size_t bytes, std::size_t keep)
{
    if (bytes <= capacity) {
        return true;
    }
    keep = std::min(keep, capacity);
    const std::size_t wanted = std::max(bytes, capacity * 2);
    char* newData = nullptr;
    std::size_t newCapacity = wanted;
    // From largeBlock on, whole huge pages, of which the last one is all usable.
    const bool newLarge = wanted >= largeBlock;
    if (newLarge) {
        try {
            newData = static_cast<char*>(AllocateLarge(wanted, newCapacity));
        } catch (const std::bad_alloc&) {
            return false;
        }
    } else {
        newData = new (std::nothrow) char[newCapacity];
        if (newData == nullptr) {
            return false;
        }
    }
    if (keep != 0) {
        std::memcpy(newData, data, keep);
    }
    Release();
    data = newData;
    capacity = newCapacity;
    large = newLarge;
    return true;
}

void* AllocateLarge(std::size_t bytes)
{
    // Only a spare of the very size: a vector gives back the size it asked for.
    std::size_t granted = 0;
    return AllocateBlock(bytes, 1, granted);
}

void* AllocateLarge(std::size_t bytes, std::size_t& granted)
{
    // A spare of up to twice the size will do: its pages are there already.
    return AllocateBlock(bytes, 2, granted);
}

void ReleaseLarge(void* data, [[maybe_unused]] std::size_t bytes)
{
#if defined(__linux__)
    if (bytes >= largeBlock) {
        const std::size_t size = WholeHugePages(bytes);
        SpareBlocks& spares = Spares();
        {
            std::lock_guard guard(spares.lock);
            if (spares.blocks.size() < spareCount && spares.bytes + size <= spareLimit) {
                spares.blocks.push_back({data, size});
                spares.bytes += size;
                return;
            }
        }
        munmap(data, size);
        return;
    }
#endif
    ::operator delete(data);
}

void ReleaseSpareLargeBlocks()
{
#if defined(__linux__)
    std::vector<SpareBlock> blocks;
    {
        SpareBlocks& spares = Spares();
        std::lock_guard guard(spares.lock);
        blocks.swap(spares.blocks);
        spares.bytes = 0;
    }
    for (const SpareBlock& block : blocks) {
        munmap(block.data, block.size);
    }
#endif
}
