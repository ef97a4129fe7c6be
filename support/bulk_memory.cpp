#include "support/bulk_memory.h"

#ifdef __linux__
#include <sys/mman.h>
#include <sys/resource.h>

#include <cstdlib>
#endif

namespace vandlor2 {

#ifdef __linux__

namespace {

/// From half a large page on, a block is rounded up to whole large pages.
bool in_large_pages(std::size_t bytes) {
    return bytes >= kLargePageBytes / 2;
}

}  // namespace

void* allocate_bulk(std::size_t bytes) {
    if (!in_large_pages(bytes)) return ::operator new(bytes);
    if (bytes > static_cast<std::size_t>(-1) - kLargePageBytes) throw std::bad_alloc();
    const std::size_t size = (bytes + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
    // An aligned block can take as much address space again: where that is limited, or
    // runs out, the block goes in small pages.
    static const bool address_space_limited = [] {
        rlimit limit{};
        return getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
    }();
    void* block = address_space_limited ? nullptr : std::aligned_alloc(kLargePageBytes, size);
    if (block == nullptr) block = std::malloc(size);
    if (block == nullptr) throw std::bad_alloc();
    madvise(block, size, MADV_HUGEPAGE);  // only advice: without large pages all still works
    return block;
}

void free_bulk(void* block, std::size_t bytes) {
    if (in_large_pages(bytes)) {
        std::free(block);
    } else {
        ::operator delete(block);
    }
}

#else

void* allocate_bulk(std::size_t bytes) {
    return ::operator new(bytes);
}

void free_bulk(void* block, std::size_t) {
    ::operator delete(block);
}

#endif

}  // namespace vandlor2
