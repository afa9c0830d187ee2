#include "core/platform/largeblocks.h"

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace xtalsp {

namespace {

constexpr std::align_val_t kHugePageAlignment{kLargeBlockBytes};
constexpr std::align_val_t kCacheLineAlignment{kCacheLineBytes};

std::size_t wholeHugePages(std::size_t bytes) {
    return (bytes + kLargeBlockBytes - 1) / kLargeBlockBytes * kLargeBlockBytes;
}

} // namespace

void* allocateBlock(std::size_t bytes) {
    if (bytes < kLargeBlockBytes)
        return ::operator new(bytes, kCacheLineAlignment);
    if (bytes > std::numeric_limits<std::size_t>::max() - kLargeBlockBytes)
        throw std::bad_alloc();
    const std::size_t size = wholeHugePages(bytes);
    void* block = ::operator new(size, kHugePageAlignment);
#if defined(MADV_HUGEPAGE)
    // Only advice: where huge pages are off, the block is made of small pages as usual.
    (void)::madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void freeBlock(void* block, std::size_t bytes) noexcept {
    if (bytes < kLargeBlockBytes)
        ::operator delete(block, kCacheLineAlignment);
    else
        ::operator delete(block, kHugePageAlignment);
}

} // namespace xtalsp
