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
        if ((size_ & kBlockMask) == 0) {
            // Left unwritten until filled, so each page is written once.
            Block block(std::allocator<LineRecord>().allocate(kBlockSize));
            blocks_.push_back(std::move(block));
        }
        new (blocks_.back().get() + (size_ & kBlockMask)) LineRecord(record);
        ++size_;
    }

    LineRecord& operator[](std::size_t position) {
        return blocks_[position >> kBlockBits].get()[position & kBlockMask];
    }
    const LineRecord& operator[](std::size_t position) const {
        return blocks_[position >> kBlockBits].get()[position & kBlockMask];
    }
    std::size_t size() const { return size_; }

  private:
    static constexpr unsigned kBlockBits = 14;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
    static constexpr std::size_t kBlockMask = kBlockSize - 1;

    static_assert(std::is_trivially_destructible_v<LineRecord>, "records are never destroyed");
    struct FreeBlock {
        void operator()(LineRecord* block) const {
            std::allocator<LineRecord>().deallocate(block, kBlockSize);
        }
    };
    using Block = std::unique_ptr<LineRecord, FreeBlock>;

    std::vector<Block> blocks_;
    std::size_t size_ = 0;
};

/// Positions of `table` in report order: by the external-accuracy text, compared byte by byte
/// as unsigned values, a proper prefix first; records with equal texts keep their table order.
/// Never numeric: blanks before digits, "10.5" before "9.75".
std::vector<std::size_t> report_order(const RecordTable& table);

}  // namespace vandlor2
