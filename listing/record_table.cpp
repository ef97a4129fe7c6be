#include "listing/record_table.h"

#include <type_traits>

#include "support/bulk_memory.h"

namespace vandlor2 {

static_assert(std::is_trivially_copyable_v<LineRecord> &&
                  std::is_trivially_destructible_v<LineRecord>,
              "records are copied as bytes and never destroyed");

RecordTable::RecordTable(std::initializer_list<LineRecord> records) {
    for (const LineRecord& record : records) push_back(record);
}

void RecordTable::FreeChunk::operator()(LineRecord* chunk) const {
    if (first) {
        ::operator delete(chunk);
    } else {
        free_bulk(chunk, kRecordsPerChunk * sizeof(LineRecord));
    }
}

void RecordTable::add_chunk() {
    // Left unwritten until filled, so each page is written once. The first chunk is in small
    // pages, which a small listing fills only a few of.
    const bool first = chunks_.empty();
    constexpr std::size_t kChunkBytes = kRecordsPerChunk * sizeof(LineRecord);
    chunks_.reserve(chunks_.size() + 1);
    void* const memory = first ? ::operator new(kChunkBytes) : allocate_bulk(kChunkBytes);
    chunks_.emplace_back(static_cast<LineRecord*>(memory), FreeChunk{first});
}

}  // namespace vandlor2
