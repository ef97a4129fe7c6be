#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace vandlor2 {

/// Memory for large tables, in the system's large pages where it has them: filled page by
/// page, a table of millions of records otherwise takes a page fault every 4 KiB, and on a
/// virtual machine a fault can cost more than filling its page. Throws std::bad_alloc.
void* allocate_bulk(std::size_t bytes);
void free_bulk(void* block, std::size_t bytes);

/// An allocator over allocate_bulk, for the vectors that hold a value for every record.
template <typename T>
struct BulkAllocator {
    using value_type = T;

    BulkAllocator() = default;
    template <typename U>
    BulkAllocator(const BulkAllocator<U>&) {}

    T* allocate(std::size_t count) {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(allocate_bulk(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) { free_bulk(block, count * sizeof(T)); }

    /// Without arguments, leaves a value of a plain type as it comes, so that a table resized
    /// for threads to fill is first written, page by page, by the threads.
    template <typename U>
    void construct(U* place) {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }

    template <typename U>
    bool operator==(const BulkAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const BulkAllocator<U>&) const {
        return false;
    }
};

}  // namespace vandlor2
