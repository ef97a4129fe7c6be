#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "support/bulk_memory.h"

namespace vandlor2 {

/// The value C `atoi` gives for a station serial number text: leading C-locale white space,
/// an optional sign, then decimal digits up to the first other byte; 0 without digits.
/// Saturates instead of overflowing.
std::int32_t ssn_value(std::string_view text);

/// Finds, for a pair of station serial numbers, the first of the positions 0, 1, 2, ... added
/// so far that holds it, so that matching a length entry to its QQ record costs the same for
/// any number of records.
class SsnPairIndex {
  public:
    /// Adds the next position, 0 for the first call, holding the pair.
    void add(std::int32_t ssn_from, std::int32_t ssn_to);

    /// The first position added for the pair, if any.
    std::optional<std::size_t> find(std::int32_t ssn_from, std::int32_t ssn_to);

    std::size_t size() const { return pairs_.size(); }

  private:
    /// A slot holds a position plus one, so that 0 marks it free; the pair is the position's.
    /// Four bytes a slot keep the table of millions of pairs small.
    static constexpr std::uint32_t kEmpty = 0;

    /// Enters the positions added since the last call into the hash table, a batch at a time
    /// so that the memory reads of their slots overlap.
    void enter_added();
    std::size_t home_slot(std::uint64_t key) const;
    std::size_t slot_of(std::uint64_t key) const;
    void grow();

    std::vector<std::uint64_t, BulkAllocator<std::uint64_t>> pairs_;  ///< each position's pair
    std::vector<bool> first_;     ///< whether a position is its pair's first
    std::size_t entered_ = 0;     ///< positions entered into the hash table
    std::size_t next_guess_ = 0;  ///< the position after the last one found
    std::vector<std::uint32_t, BulkAllocator<std::uint32_t>> slots_;
    std::size_t used_ = 0;
    unsigned hash_shift_ = 64;
};

}  // namespace vandlor2
