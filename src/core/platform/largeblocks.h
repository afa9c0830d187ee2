// Memory for the few very large blocks of a computation, such as the spots of a pattern, and
// for small blocks that vector loops read from their start.
#pragma once

#include <cstddef>
#include <limits>
#include <new>
#include <utility>

namespace xtalsp {

// A block of at least this many bytes is placed on whole huge pages where the system offers
// them: a list of millions of spots then costs a few hundred page faults rather than tens of
// thousands, which on some virtual machines cost more than filling the list.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{2} << 20;

// Smaller blocks start on a cache line, so that vector loads of their elements in eights from
// the start never straddle two lines.
inline constexpr std::size_t kCacheLineBytes = 64;

void* allocateBlock(std::size_t bytes);
void freeBlock(void* block, std::size_t bytes) noexcept;

// std::allocator's behaviour, with blocks from allocateBlock, except that growing a list leaves
// numbers unwritten (see construct()).
template <typename T> struct LargeBlockAllocator {
    using value_type = T;

    LargeBlockAllocator() = default;
    template <typename U> LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(allocateBlock(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept { freeBlock(block, count * sizeof(T)); }

    // Growing a list default-initialises the new elements: numbers are left unwritten, so that
    // a block's pages are first touched by whoever fills them rather than by the resize.
    template <typename U> void construct(U* at) noexcept(noexcept(U())) {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args> void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    template <typename U> bool operator==(const LargeBlockAllocator<U>&) const noexcept {
        return true;
    }
};

} // namespace xtalsp
