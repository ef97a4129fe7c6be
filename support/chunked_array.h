#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "support/bulk_memory.h"

namespace vandlor2 {

/// A growable array of values of a plain type, in chunks of a large page that never move: it
/// grows without copying, and each page is written once. The first chunk is in small pages,
/// which a small array fills only a few of.
template <typename T>
class ChunkedArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                  "the values are left unset and never destroyed");
    static_assert((sizeof(T) & (sizeof(T) - 1)) == 0, "a chunk holds a power of two of them");

  public:
    static constexpr std::size_t kPerChunk = kLargePageBytes / sizeof(T);

    void push_back(const T& value) {
        if (size_ % kPerChunk == 0) add_chunk();
        (*this)[size_++] = value;
    }

    T& operator[](std::size_t at) { return chunks_[at / kPerChunk].get()[at % kPerChunk]; }
    const T& operator[](std::size_t at) const {
        return chunks_[at / kPerChunk].get()[at % kPerChunk];
    }
    std::size_t size() const { return size_; }

  private:
    struct FreeChunk {
        bool small_pages;
        void operator()(T* chunk) const {
            if (small_pages) {
                ::operator delete(chunk);
            } else {
                free_bulk(chunk, kLargePageBytes);
            }
        }
    };

    void add_chunk() {
        chunks_.reserve(chunks_.size() + 1);
        const bool small_pages = chunks_.empty();
        void* const memory =
            small_pages ? ::operator new(kLargePageBytes) : allocate_bulk(kLargePageBytes);
        chunks_.emplace_back(static_cast<T*>(memory), FreeChunk{small_pages});
    }

    std::vector<std::unique_ptr<T[], FreeChunk>> chunks_;
    std::size_t size_ = 0;
};

}  // namespace vandlor2
