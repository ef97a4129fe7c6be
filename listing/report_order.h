#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "listing/record_table.h"

namespace vandlor2 {

/// The positions of a table's records in report order: by the external-accuracy text, compared
/// byte by byte as unsigned values, a proper prefix first; records with equal texts keep their
/// table order. Never numeric: blanks before digits, "10.5" before "9.75". Made on every core.
class RecordOrder {
  public:
    explicit RecordOrder(const RecordTable& table);
    ~RecordOrder();
    RecordOrder(const RecordOrder&) = delete;
    RecordOrder& operator=(const RecordOrder&) = delete;

    std::size_t size() const { return size_; }
    /// The table position of the record at `rank` in the report order.
    std::size_t operator[](std::size_t rank) const {
        return static_cast<std::size_t>(ranked_[rank] & position_mask_);
    }

  private:
    struct Keys;
    /// The sorted keys, each ending in its record's position, the rest of its bits masked off.
    std::unique_ptr<Keys> keys_;
    /// Where those keys are and how many, so that a rank is read inline, without the memory's
    /// type in this header.
    const std::uint64_t* ranked_ = nullptr;
    std::size_t size_ = 0;
    std::uint64_t position_mask_ = 0;
};

/// Positions of `table` in report order, as a plain vector.
std::vector<std::size_t> report_order(const RecordTable& table);

}  // namespace vandlor2
