#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

namespace vandlor2 {

/// Finds, for a pair of station serial numbers, the first of the positions 0, 1, 2, ... added
/// so far that holds it, so that matching a length entry to its QQ record costs the same for
/// any number of records.
class SsnPairIndex {
  public:
    SsnPairIndex();
    ~SsnPairIndex();
    SsnPairIndex(const SsnPairIndex&) = delete;
    SsnPairIndex& operator=(const SsnPairIndex&) = delete;

    /// Adds the next position, 0 for the first call, holding the pair.
    void add(std::int32_t ssn_from, std::int32_t ssn_to);

    /// The first position added for the pair, if any.
    std::optional<std::size_t> find(std::int32_t ssn_from, std::int32_t ssn_to);
    std::optional<std::size_t> find(std::pair<std::int32_t, std::int32_t> pair) {
        return find(pair.first, pair.second);
    }

    std::size_t size() const;

  private:
    struct Tables;
    std::unique_ptr<Tables> tables_;
};

}  // namespace vandlor2
