// Memory for the few very large blocks of a computation, such as the spots of a pattern.
#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace xtalsp {

// A block of at least this many bytes is placed on whole huge pages where the system offers
// them: a list of millions of spots then costs a few hundred page faults rather than tens of
// thousands, which on some virtual machines cost more than filling the list.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{2} << 20;

void* allocateBlock(std::size_t bytes);
void freeBlock(void* block, std::size_t bytes) noexcept;

// std::allocator's behaviour, with blocks of kLargeBlockBytes or more from allocateBlock.
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

    template <typename U> bool operator==(const LargeBlockAllocator<U>&) const noexcept {
        return true;
    }
};

} // namespace xtalsp
