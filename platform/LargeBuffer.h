#pragma once

#include <cstddef>
#include <new>

// A block of bytes for a large table that is read at random, such as the point table.
// On Linux it is mapped in 2 MiB pages where the system allows: a table of several
// megabytes then costs a few page faults instead of thousands, and lookups miss the
// address cache far less often. Elsewhere it is ordinary heap memory.
class LargeBuffer
{
public:
    LargeBuffer() = default;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    ~LargeBuffer();

    // Makes room for at least `bytes`, keeping the first `keep` bytes. The contents of
    // new room are unspecified. False when the memory cannot be had; the buffer is
    // then unchanged.
    bool Reserve(std::size_t bytes, std::size_t keep);
    char* Data() { return data; }
    const char* Data() const { return data; }
    std::size_t Capacity() const { return capacity; }
    // Gives the memory back; the buffer is then empty.
    void Release();

private:
    char* data = nullptr;
    std::size_t capacity = 0;
    bool large = false;  // from AllocateLarge, else from new[]
};

// Memory for one large block, such as a picture: on Linux, from 64 KiB on, whole 2 MiB
// pages aligned to their size (where the system allows), so that first touching it
// costs one page fault instead of hundreds; otherwise operator new. Throws bad_alloc
// as operator new does.
//
// On Linux, blocks given back are kept for reuse, up to 32 MiB, until
// ReleaseSpareLargeBlocks.
void* AllocateLarge(std::size_t bytes);
// The same, where the caller takes a larger block than it asked for: `granted` is the
// size to give back.
void* AllocateLarge(std::size_t bytes, std::size_t& granted);
void ReleaseLarge(void* data, std::size_t bytes);
// Gives the blocks kept for reuse back to the system, say at the end of a run.
void ReleaseSpareLargeBlocks();

// The same as an allocator, for a vector of such a block.
template <class T>
struct LargePages
{
    using value_type = T;
    LargePages() = default;
    template <class U>
    LargePages(const LargePages<U>&)
    {
    }
    T* allocate(std::size_t count) { return static_cast<T*>(AllocateLarge(count * sizeof(T))); }
    void deallocate(T* data, std::size_t count) { ReleaseLarge(data, count * sizeof(T)); }
    template <class U>
    bool operator==(const LargePages<U>&) const
    {
        return true;
    }
};
