#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vandlor2 {

/// The value C `atoi` gives for a station serial number text: leading C-locale white space,
/// an optional sign, then decimal digits up to the first other byte; 0 without digits.
/// Saturates instead of overflowing.
std::int32_t ssn_value(std::string_view text);

/// Finds, for a pair of station serial numbers, the first table position that holds it, so
/// that matching a length entry to its QQ record costs the same for any number of records.
class SsnPairIndex {
  public:
    /// Records `position` for the pair unless an earlier position already holds it; positions
    /// must be added in increasing order.
    void add(std::int32_t ssn_from, std::int32_t ssn_to, std::size_t position);

    /// The first position added for the pair, if any.
    std::optional<std::size_t> find(std::int32_t ssn_from, std::int32_t ssn_to) const;

  private:
    struct Slot {
        std::uint64_t key;
        std::size_t position;  ///< kEmpty when the slot is free
    };
    static constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);

    std::size_t slot_of(std::uint64_t key) const;
    void grow();

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    unsigned hash_shift_ = 64;
};

}  // namespace vandlor2
