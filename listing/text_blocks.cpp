#include "listing/text_blocks.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vandlor2 {
namespace {

void reserve(TextBlock& block, std::size_t capacity) {
    if (capacity <= block.capacity) return;
    // Doubling keeps a long line's reading linear in its length.
    capacity = std::max(capacity, 2 * block.capacity);
    // Small pages: a block is read into again and again, and a small listing fills little of
    // its first one.
    std::unique_ptr<char[]> larger(new char[capacity]);
    if (block.size > 0) std::memcpy(larger.get(), block.bytes.get(), block.size);
    block.bytes = std::move(larger);
    block.capacity = capacity;
}

}  // namespace

TextBlockReader::TextBlockReader(std::istream& input) : input_(input) {}

bool TextBlockReader::read_more(TextBlock& block, std::size_t count) {
    std::streambuf* source = input_.rdbuf();
    if (source == nullptr || ended_) return false;
    reserve(block, block.size + count);
    try {
        const std::streamsize got =
            source->sgetn(block.bytes.get() + block.size, static_cast<std::streamsize>(count));
        if (got <= 0) {
            ended_ = true;
            return false;
        }
        block.size += static_cast<std::size_t>(got);
        return true;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        // A file buffer reports a failed read by throwing.
        ended_ = failed_ = true;
        return false;
    }
}

TextBlockReader::Status TextBlockReader::next(TextBlock& block) {
    if (carry_.size >= kTextBlockBytes) {
        std::swap(block, carry_);  // a long line carried over: its buffer, not a copy of it
    } else {
        reserve(block, carry_.size + kTextBlockBytes);
        if (carry_.size > 0) std::memcpy(block.bytes.get(), carry_.bytes.get(), carry_.size);
        block.size = carry_.size;
    }
    carry_.size = 0;
    // A block ends at a line feed read now: the carried bytes end with part of a line, and any
    // whole lines before it were given back to come with more.
    std::size_t unsearched = block.size;
    for (;;) {
        const bool more = read_more(block, std::max(kTextBlockBytes, block.size));
        if (failed_) return Status::error;
        if (!more) return block.size > 0 ? Status::block : Status::end;
        const std::size_t last_feed = block.text().substr(unsearched).rfind('\n');
        if (last_feed != std::string_view::npos) {
            give_back(block, unsearched + last_feed + 1);
            return Status::block;
        }
        unsearched = block.size;  // a line longer than a block: read on
    }
}

void TextBlockReader::give_back(TextBlock& block, std::size_t from) {
    const std::size_t tail = block.size - from;
    if (tail == 0) return;
    if (tail >= kTextBlockBytes && from < tail) {
        // A long tail keeps its buffer; the block's head moves to the carry's old buffer.
        TextBlock head = std::move(carry_);
        const std::size_t carried = head.size;
        reserve(head, std::max(from, carried));
        std::swap(block, head);  // now `head` holds the block's bytes, `block` the carry's
        if (carried > 0) {
            reserve(head, head.size + carried);
            std::memcpy(head.bytes.get() + head.size, block.bytes.get(), carried);
        }
        if (from > 0) std::memcpy(block.bytes.get(), head.bytes.get(), from);
        block.size = from;
        std::memmove(head.bytes.get(), head.bytes.get() + from, tail + carried);
        head.size = tail + carried;
        carry_ = std::move(head);
        return;
    }
    reserve(carry_, carry_.size + tail);
    if (carry_.size > 0) std::memmove(carry_.bytes.get() + tail, carry_.bytes.get(), carry_.size);
    std::memcpy(carry_.bytes.get(), block.bytes.get() + from, tail);
    carry_.size += tail;
    block.size = from;
}

}  // namespace vandlor2
