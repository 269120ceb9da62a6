#include "platform/LargeBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t hugePage = std::size_t{2} << 20;
// Blocks from this size on are mapped in huge pages.
constexpr std::size_t largeBlock = std::size_t{1} << 20;

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
    // From one huge page on, whole huge pages: the last one is all usable.
    const bool newLarge = wanted >= hugePage;
    if (newLarge) {
        newCapacity = (wanted + hugePage - 1) / hugePage * hugePage;
        try {
            newData = static_cast<char*>(AllocateLarge(newCapacity));
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
#if defined(__linux__)
    if (bytes >= largeBlock) {
        // Map one huge page more, keep the aligned whole pages and give back the rest,
        // so that the block is its own mapping from its first byte.
        const std::size_t size = (bytes + hugePage - 1) / hugePage * hugePage;
        void* region = mmap(nullptr, size + hugePage, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
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
    return ::operator new(bytes);
}

void ReleaseLarge(void* data, std::size_t bytes)
{
#if defined(__linux__)
    if (bytes >= largeBlock) {
        munmap(data, (bytes + hugePage - 1) / hugePage * hugePage);
        return;
    }
#endif
    ::operator delete(data);
}
