#include "listing/text_blocks.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "listing/record_store.h"
#include "support/file_stream.h"

namespace vandlor2 {
namespace {

/// The listing's bytes read in blocks of an eighth, and the blocks' bytes then.
constexpr std::size_t kFirstBytes = std::size_t{16} << 20;
constexpr std::size_t kFirstBlockBytes = kTextBlockBytes / 8;

/// The DOS end-of-text mark.
constexpr char kCtrlZ = '\x1A';

/// A buffer made long by a long line is not kept for the blocks after it.
constexpr std::size_t kLongestKeptBlockBytes = std::size_t{16} << 20;

/// Gives `block` room for `capacity` bytes, keeping its first `kept` bytes.
void reserve(TextBlock& block, std::size_t capacity, std::size_t kept) {
    if (capacity <= block.capacity) return;
    // Doubling keeps the reading of a long line linear in its length.
    capacity = std::max(capacity, 2 * block.capacity);
    std::unique_ptr<char[]> larger(new char[capacity + kCopySlackBytes]);
    std::memset(larger.get() + capacity, 0, kCopySlackBytes);
    if (kept > 0) std::memcpy(larger.get(), block.bytes.get(), kept);
    block.bytes = std::move(larger);
    block.capacity = capacity;
}

}  // namespace

std::size_t end_of_whole_lines(std::string_view text) {
    return text.size();
}

TextBlockReader::TextBlockReader(std::istream& input, std::size_t block_bytes)
    : input_(input), block_bytes_(std::max<std::size_t>(block_bytes, 1)) {}

bool TextBlockReader::read_more(TextBlock& block, std::size_t count) {
    std::streambuf* const source = input_.rdbuf();
    if (source == nullptr || ended_) return false;
    reserve(block, block.size + count, block.size);
    try {
        const std::streamsize got =
            source->sgetn(block.bytes.get() + block.size, static_cast<std::streamsize>(count));
        if (got <= 0) {
            ended_ = true;
            return false;
        }
        char* const read = block.bytes.get() + block.size;
        auto kept = static_cast<std::size_t>(got);
        if (kCrLfLineEnds) {
            if (const void* mark = std::memchr(read, kCtrlZ, kept)) {
                kept = static_cast<std::size_t>(static_cast<const char*>(mark) - read);
                ended_ = true;
            }
        }
        block.size += kept;
        bytes_read_ += kept;
        return kept > 0;
    } catch (const FileReadError& error) {
        ended_ = true;
        failure_ = error.cause();
        return false;
    }
}

TextBlockReader::Read TextBlockReader::next(TextBlock& block, const EndOfBlock& end_of_block) {
    const std::size_t block_bytes =
        bytes_read_ < kFirstBytes ? std::min(block_bytes_, kFirstBlockBytes) : block_bytes_;
    const std::size_t held_back = std::exchange(held_back_, 0);
    if (last_ == &block) {
        std::memmove(block.bytes.get(), block.bytes.get() + block.size, held_back);
    } else {
        if (block.capacity > kLongestKeptBlockBytes) block = TextBlock{};
        reserve(block, held_back + block_bytes, 0);
        if (held_back > 0) {
            std::memcpy(block.bytes.get(), last_->bytes.get() + last_->size, held_back);
        }
    }
    block.size = held_back;
    last_ = &block;
    std::size_t unsearched = held_back;  // no line end before it, but maybe one held back
    for (;;) {
        const bool more = read_more(block, std::max(block_bytes, block.size));
        if (failure_) return {Read::Kind::failed, *failure_};
        if (!more) return {block.size > 0 ? Read::Kind::block : Read::Kind::end};
        const std::size_t last_feed = block.text().substr(unsearched).rfind('\n');
        if (last_feed == std::string_view::npos) {
            unsearched = block.size;  // a line longer than a block: read on
            continue;
        }
        const std::size_t whole_lines = unsearched + last_feed + 1;
        const std::size_t end = end_of_block(block.text().substr(0, whole_lines));
        if (end > 0 && block.size - end <= block_bytes) {
            hold_back(block, end);
            return {Read::Kind::block};
        }
        unsearched = block.size;
    }
}

void TextBlockReader::hold_back(TextBlock& block, std::size_t from) {
    // The bytes held back already follow the block's own in its buffer.
    held_back_ += block.size - from;
    block.size = from;
}

}  // namespace vandlor2
