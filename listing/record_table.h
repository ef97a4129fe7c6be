#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <vector>

#include "listing/line_record.h"

namespace vandlor2 {

/// The growable table of line records, in order of appending. The records are kept in chunks
/// of fixed size, so growing the table never copies them: a large listing holds millions.
class RecordTable {
  public:
    RecordTable() = default;
    RecordTable(std::initializer_list<LineRecord> records);

    void push_back(const LineRecord& record) {
        if (size_ % kRecordsPerChunk == 0) add_chunk();
        new (chunks_.back().get() + size_ % kRecordsPerChunk) LineRecord(record);
        ++size_;
    }

    LineRecord& operator[](std::size_t position) {
        return chunks_[position / kRecordsPerChunk].get()[position % kRecordsPerChunk];
    }
    const LineRecord& operator[](std::size_t position) const {
        return chunks_[position / kRecordsPerChunk].get()[position % kRecordsPerChunk];
    }
    std::size_t size() const { return size_; }

  private:
    /// Records in a chunk of one large page.
    static constexpr std::size_t kRecordsPerChunk = (std::size_t{2} << 20) / sizeof(LineRecord);

    struct FreeChunk {
        bool first = false;
        void operator()(LineRecord* chunk) const;
    };
    using Chunk = std::unique_ptr<LineRecord, FreeChunk>;

    void add_chunk();

    std::vector<Chunk> chunks_;
    std::size_t size_ = 0;
};

}  // namespace vandlor2
