#include "support/bulk_memory.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vandlor2 {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

/// From half a large page on, a block is rounded up to whole large pages.
bool in_large_pages(std::size_t bytes) {
#ifdef __linux__
    return bytes >= kLargePage / 2;
#else
    (void)bytes;
    return false;
#endif
}

std::size_t whole_large_pages(std::size_t bytes) {
    return (bytes + kLargePage - 1) / kLargePage * kLargePage;
}

}  // namespace

void* allocate_bulk(std::size_t bytes) {
    if (!in_large_pages(bytes)) return ::operator new(bytes);
    if (bytes > static_cast<std::size_t>(-1) - kLargePage) throw std::bad_alloc();
    const std::size_t size = whole_large_pages(bytes);
    void* block = std::aligned_alloc(kLargePage, size);
    if (block == nullptr) throw std::bad_alloc();
#ifdef __linux__
    madvise(block, size, MADV_HUGEPAGE);  // only advice: without large pages all still works
#endif
    return block;
}

void free_bulk(void* block, std::size_t bytes) {
    if (!in_large_pages(bytes)) {
        ::operator delete(block);
    } else {
        std::free(block);
    }
}

}  // namespace vandlor2
