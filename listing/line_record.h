#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "support/bulk_memory.h"

namespace vandlor2 {

/// A text cut from one fixed column of the listing, so never wider than the column. Kept
/// inline rather than as a heap string: a large listing holds millions of records.
template <std::size_t Width>
class ColumnText {
  public:
    ColumnText() = default;
    /// Keeps at most the first `Width` bytes of `text`.
    explicit ColumnText(std::string_view text) { assign(text); }

    void assign(std::string_view text) {
        size_ = static_cast<std::uint8_t>(text.size() < Width ? text.size() : Width);
        text.copy(bytes_.data(), size_);
    }
    std::string_view view() const { return {bytes_.data(), size_}; }

  private:
    static_assert(Width < 256, "the length must fit in one byte");
    std::array<char, Width> bytes_{};
    std::uint8_t size_ = 0;
};

/// Widths of the listing columns that the record fields are cut from.
inline constexpr std::size_t kSsnWidth = 5;
inline constexpr std::size_t kStationNameWidth = 30;
inline constexpr std::size_t kDistanceWidth = 9;
inline constexpr std::size_t kInternalAccuracyWidth = 8;
inline constexpr std::size_t kExternalAccuracyWidth = 12;
inline constexpr std::size_t kSurveyOrderWidth = 1;

/// What is known about one measured line between two stations, as texts from the listing.
struct LineRecord {
    ColumnText<kSsnWidth> ssn_from;
    ColumnText<kSsnWidth> ssn_to;
    ColumnText<kStationNameWidth> from_station;
    ColumnText<kStationNameWidth> to_station;
    ColumnText<kDistanceWidth> distance;
    ColumnText<kInternalAccuracyWidth> internal_accuracy;
    ColumnText<kExternalAccuracyWidth> external_accuracy;  ///< the sort key
    ColumnText<kSurveyOrderWidth> survey_order;
};

/// The growable table of line records, in order of appending. The records are kept in blocks,
/// so growing the table never copies them: a large listing holds millions.
class RecordTable {
  public:
    RecordTable() = default;
    RecordTable(std::initializer_list<LineRecord> records) {
        for (const LineRecord& record : records) push_back(record);
    }

    void push_back(const LineRecord& record) {
        if (size_ % kBlockSize == 0) add_block();
        new (blocks_.back().get() + size_ % kBlockSize) LineRecord(record);
        ++size_;
    }

  private:
    static_assert(std::is_trivially_destructible_v<LineRecord>, "records are never destroyed");
    struct FreeBlock {
        bool bulk = true;
        void operator()(LineRecord* block) const;
    };

  public:
    /// A block of records in large pages.
    using Block = std::unique_ptr<LineRecord, FreeBlock>;

    /// A block whose memory has been written once. The first writing of fresh memory is what a
    /// growing table costs most: a thread that makes a block ready for the table (add_spare)
    /// spares the thread that fills it that cost.
    static Block ready_block();
    /// Keeps `block` to grow into when the blocks it has are full.
    void add_spare(Block block) { spares_.push_back(std::move(block)); }
    std::size_t spares() const { return spares_.size(); }
    /// Lets go of the blocks kept to grow into.
    void drop_spares() { spares_.clear(); }

    LineRecord& operator[](std::size_t position) {
        return blocks_[position / kBlockSize].get()[position % kBlockSize];
    }
    const LineRecord& operator[](std::size_t position) const {
        return blocks_[position / kBlockSize].get()[position % kBlockSize];
    }
    std::size_t size() const { return size_; }

  private:
    /// Records in a block of one large page.
    static constexpr std::size_t kBlockSize = (std::size_t{2} << 20) / sizeof(LineRecord);

    void add_block();

    std::vector<Block> blocks_;
    std::vector<Block> spares_;
    std::size_t size_ = 0;
};

/// A record's place in the report order, packed into two words so that comparing keys
/// compares the external-accuracy texts: the text's first eight bytes big-endian, then its
/// last four bytes (zero-padded), its length, and last the record's table position, which
/// keeps records with equal texts in table order.
struct SortKey {
    std::uint64_t high;
    std::uint64_t low;
};
using SortKeys = std::vector<SortKey, BulkAllocator<SortKey>>;

/// The positions of a table's records in report order: by the external-accuracy text, compared
/// byte by byte as unsigned values, a proper prefix first; records with equal texts keep their
/// table order. Never numeric: blanks before digits, "10.5" before "9.75". Made on every core.
class RecordOrder {
  public:
    explicit RecordOrder(const RecordTable& table);

    std::size_t size() const { return positions_.size(); }
    /// The table position of the record at `rank` in the report order.
    std::size_t operator[](std::size_t rank) const { return positions_[rank]; }

  private:
    std::vector<std::uint32_t, BulkAllocator<std::uint32_t>> positions_;
};

/// Positions of `table` in report order, as a plain vector.
std::vector<std::size_t> report_order(const RecordTable& table);

}  // namespace vandlor2
