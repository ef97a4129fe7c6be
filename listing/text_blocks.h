#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <string_view>

#include "support/native_file.h"

namespace vandlor2 {

/// The bytes a text block is read in: a block holds about this many, more only where a line or
/// an entry is longer. The blocks of a listing's first 16 MiB hold an eighth of this, so that a
/// small listing fills little fresh memory, which costs more to read into than to read.
inline constexpr std::size_t kTextBlockBytes = std::size_t{1} << 20;

/// A part of the listing that ends where a line may begin, in a buffer that is kept for the
/// next part read into it. Its bytes are followed by kCopySlackBytes readable bytes.
struct TextBlock {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;  ///< not counting the readable bytes after it
    std::size_t size = 0;

    std::string_view text() const { return {bytes.get(), size}; }
};

/// Reads a stream in text blocks of whole lines, one after another. What follows a block's end
/// is held back for the front of the next. Only the last block may end without a line end.
/// Where text files end lines with CR LF (Windows), the input ends at its first Ctrl-Z byte
/// (0x1A), as the C library's text mode reads it there.
class TextBlockReader {
  public:
    /// What reading a block gave: a block, the end of the input, or a failed read and its cause.
    struct Read {
        enum class Kind { block, end, failed };
        Kind kind;
        FileCause failure = FileCause::other;
    };
    /// Where a block may end in `text`, which ends at a line end; 0 if nowhere yet.
    using EndOfBlock = std::function<std::size_t(std::string_view text)>;

    /// `input` must remain live while this reader is in use.
    explicit TextBlockReader(std::istream& input, std::size_t block_bytes = kTextBlockBytes);

    /// Reads the next block into `block`, reusing its buffer: the bytes held back, then some
    /// `block_bytes` more, up to where `end_of_block` says it may end in what is read up to its
    /// last line end. The block is read on while that is nowhere, or would hold back more than
    /// `block_bytes`. At the end of the input, it holds all bytes left. The block read last
    /// keeps the bytes held back until the next call, so it must be left alone until then.
    Read next(TextBlock& block, const EndOfBlock& end_of_block);

    /// Holds back the bytes of the block read last from `from` on, for the next block.
    void hold_back(TextBlock& block, std::size_t from);

  private:
    /// Reads up to `count` more bytes of the input into `block`; false at the end of the input
    /// or on a failure.
    bool read_more(TextBlock& block, std::size_t count);

    std::istream& input_;
    const std::size_t block_bytes_;
    std::size_t bytes_read_ = 0;
    TextBlock* last_ = nullptr;  ///< holds the bytes held back, after its own
    std::size_t held_back_ = 0;
    bool ended_ = false;
    std::optional<FileCause> failure_;
};

/// Where a block of whole lines ends: at the end of its last line.
std::size_t end_of_whole_lines(std::string_view text);

}  // namespace vandlor2
