#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace vandlor2 {

/// A part of the report as it is made, kept from part to part so that its room is reused.
/// Lines are placed straight into it: a line asks for the most room it can take, is written
/// there, and then keeps what it used. Room is left unset until written.
class ReportText {
  public:
    std::string_view text() const { return {bytes_.get(), size_}; }
    void clear() { size_ = 0; }

    /// Room for `bytes` more at the end; good until the text is changed otherwise.
    char* room(std::size_t bytes) {
        if (bytes > capacity_ - size_) reallocate(size_ + bytes);
        return bytes_.get() + size_;
    }
    /// Keeps the text up to `end`, in the room given last.
    void keep_up_to(const char* end) { size_ = static_cast<std::size_t>(end - bytes_.get()); }

    void append(std::string_view text) {
        std::memcpy(room(text.size()), text.data(), text.size());
        size_ += text.size();
    }
    void append(char byte) {
        *room(1) = byte;
        ++size_;
    }

  private:
    void reallocate(std::size_t capacity) {
        capacity = capacity > 2 * capacity_ ? capacity : 2 * capacity_;
        std::unique_ptr<char[]> larger(new char[capacity]);
        if (size_ > 0) std::memcpy(larger.get(), bytes_.get(), size_);
        bytes_ = std::move(larger);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace vandlor2
