#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "listing/line_record.h"

namespace vandlor2 {

/// The growable table of line records, in order of appending. A large listing holds millions,
/// so each is kept in as few bytes as its texts take, packed one after another in chunks that
/// are never copied as the table grows; a small index finds each record by its position.
class RecordTable {
  public:
    RecordTable() = default;
    RecordTable(std::initializer_list<LineRecord> records);

    void push_back(const LineRecord& record);

    /// Puts `record` in place of the record at `position`. The old one's bytes stay unused:
    /// records are replaced once at most as a rule (a QQ record filled by its entry).
    void replace(std::size_t position, const LineRecord& record);

    LineRecord operator[](std::size_t position) const;

    /// Copies the records at `count` `positions` to `records`, in that order. Faster than one
    /// by one where the positions are scattered over a large table: the reads overlap.
    void gather(const std::size_t* positions, std::size_t count, LineRecord* records) const;

    /// The external-accuracy text of the record at `position`, read in place: it alone orders
    /// the report.
    std::string_view external_accuracy(std::size_t position) const {
        const char* const packed = bytes_at(position);
        std::uint32_t lengths = 0;
        std::memcpy(&lengths, packed, sizeof lengths);
        return {packed + sizeof lengths, lengths & kExternalLengthMask};
    }

    std::size_t size() const { return size_; }

  private:
    /// Where a record starts, counted in units of 8 bytes from the first chunk's start, so
    /// that 32 bits reach all the records 2^28 positions can hold.
    using Reference = std::uint32_t;
    static constexpr std::size_t kUnitBytes = 8;
    static constexpr std::size_t kChunkBytes = std::size_t{2} << 20;  // one large page
    static constexpr std::size_t kReferencesPerChunk = kChunkBytes / sizeof(Reference);

    struct FreeChunk {
        bool first = false;
        std::size_t bytes = 0;
        void operator()(void* chunk) const;
    };
    template <typename T>
    using Chunk = std::unique_ptr<T, FreeChunk>;

    template <typename T>
    static void add_chunk(std::vector<Chunk<T>>& chunks);
    /// A packed record begins with a word of its fields' lengths, the external accuracy's in
    /// the lowest bits, and the external accuracy's bytes come first after it.
    static constexpr std::uint32_t kExternalLengthMask = 0xF;
    static_assert(kExternalAccuracyWidth <= kExternalLengthMask);

    Reference pack(const LineRecord& record);
    Reference& reference_at(std::size_t position) const {
        return references_[position / kReferencesPerChunk].get()[position % kReferencesPerChunk];
    }
    const char* bytes_at(std::size_t position) const {
        const std::size_t byte = std::size_t{reference_at(position)} * kUnitBytes;
        return packed_[byte / kChunkBytes].get() + byte % kChunkBytes;
    }
    static void unpack(const char* packed, LineRecord& record);

    std::vector<Chunk<char>> packed_;
    std::size_t packed_used_ = kChunkBytes;  ///< bytes used of the last chunk of `packed_`
    std::vector<Chunk<Reference>> references_;
    std::size_t size_ = 0;
};

}  // namespace vandlor2
