#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace vandlor2 {

/// The bytes a text block is read in: a block holds about this many, more only for a line
/// longer than this.
inline constexpr std::size_t kTextBlockBytes = std::size_t{128} << 10;

/// A piece of the input that ends at a line end, in a buffer that is kept for the next piece.
struct TextBlock {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::size_t size = 0;

    std::string_view text() const { return {bytes.get(), size}; }
};

/// Reads a stream in large blocks of whole lines: what follows the last line feed read is
/// carried to the front of the next block. Only the last block of the input may end without
/// a line feed.
class TextBlockReader {
  public:
    enum class Status { block, end, error };

    /// `input` must remain live while this reader is in use.
    explicit TextBlockReader(std::istream& input);

    /// Reads the next block into `block`, reusing its buffer: the bytes carried over and about
    /// a block's worth more, up to the last line feed among them (all of them at the end of
    /// the input). A line longer than a block makes the block as long as the line.
    Status next(TextBlock& block);

    /// Takes the bytes of `block` from `from` on out of it, to come again at the front of the
    /// next block.
    void give_back(TextBlock& block, std::size_t from);

    /// Whether the last block read was the last of the input.
    bool at_end() const { return ended_; }

  private:
    /// Appends up to `count` bytes of the input to `block`; false at the end of the input.
    bool read_more(TextBlock& block, std::size_t count);

    std::istream& input_;
    TextBlock carry_;
    bool ended_ = false;
    bool failed_ = false;
};

}  // namespace vandlor2
