#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace vandlor2 {

/// The size of the system's large pages where it has them (2 MiB on x86-64 Linux), and so the
/// size of the pieces that large tables grow by.
inline constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;

/// Memory for large tables, in the system's large pages where it has them: filled page by
/// page, a table of millions of records otherwise takes a page fault every 4 KiB, and on a
/// virtual machine a fault can cost more than filling its page. Throws std::bad_alloc.
void* allocate_bulk(std::size_t bytes);
void free_bulk(void* block, std::size_t bytes);

/// A fixed number of values of a plain type in bulk memory, left unset until written: a table
/// that threads fill is first touched, page by page, by those threads.
template <typename T>
class BulkArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                  "the values are left unset and never destroyed");

  public:
    BulkArray() = default;
    explicit BulkArray(std::size_t size) : size_(size) {
        if (size > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        if (size > 0) values_ = static_cast<T*>(allocate_bulk(size * sizeof(T)));
    }
    ~BulkArray() {
        if (values_ != nullptr) free_bulk(values_, size_ * sizeof(T));
    }
    BulkArray(BulkArray&& other) noexcept
        : values_(std::exchange(other.values_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    BulkArray& operator=(BulkArray&& other) noexcept {
        swap(other);
        return *this;
    }
    BulkArray(const BulkArray&) = delete;
    BulkArray& operator=(const BulkArray&) = delete;

    void swap(BulkArray& other) noexcept {
        std::swap(values_, other.values_);
        std::swap(size_, other.size_);
    }

    T& operator[](std::size_t at) { return values_[at]; }
    const T& operator[](std::size_t at) const { return values_[at]; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* begin() { return values_; }
    T* end() { return values_ + size_; }
    const T* begin() const { return values_; }
    const T* end() const { return values_ + size_; }

  private:
    T* values_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace vandlor2
