#include "listing/ssn_pair_index.h"

#include <algorithm>
#include <vector>

#include "support/bulk_memory.h"
#include "support/prefetch.h"

namespace vandlor2 {
namespace {

/// A slot holds a position plus one, so that 0 marks it free; the pair is the position's.
/// Four bytes a slot keep the table of millions of pairs small.
constexpr std::uint32_t kEmpty = 0;
/// Positions added are entered into the hash table in batches of this many or more.
constexpr std::size_t kBatchPositions = 64;

std::uint64_t pair_key(std::int32_t ssn_from, std::int32_t ssn_to) {
    return (std::uint64_t{static_cast<std::uint32_t>(ssn_from)} << 32) |
           static_cast<std::uint32_t>(ssn_to);
}

}  // namespace

struct SsnPairIndex::Tables {
    std::vector<std::uint64_t> pairs;  ///< each position's pair
    std::vector<bool> first;           ///< whether a position is its pair's first
    std::size_t entered = 0;           ///< positions entered into the hash table
    std::size_t next_guess = 0;        ///< the position after the last one found
    BulkArray<std::uint32_t> slots;    ///< a hash table with linear probing
    std::size_t used = 0;
    unsigned hash_shift = 64;

    /// Enters the positions added since the last call into the hash table, a batch at a time
    /// so that the memory reads of their slots overlap.
    void enter_added() {
        while (2 * (used + pairs.size() - entered) > slots.size()) grow();
        for (std::size_t position = entered; position < pairs.size(); ++position) {
            prefetch(&slots[home_slot(pairs[position])]);
        }
        for (; entered < pairs.size(); ++entered) {
            std::uint32_t& slot = slots[slot_of(pairs[entered])];
            if (slot != kEmpty) continue;
            slot = static_cast<std::uint32_t>(entered + 1);
            first[entered] = true;
            ++used;
        }
    }

    std::size_t home_slot(std::uint64_t key) const {
        // Fibonacci hashing takes the top bits of the product, which depend on both numbers.
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> hash_shift);
    }

    std::size_t slot_of(std::uint64_t key) const {
        // The table is never more than half full.
        const std::size_t mask = slots.size() - 1;
        std::size_t at = home_slot(key);
        while (slots[at] != kEmpty && pairs[slots[at] - 1] != key) at = (at + 1) & mask;
        return at;
    }

    /// Doubles the hash table. Its pairs are entered again in position order, a batch at a
    /// time, so that the pairs are read in order and the reads of their slots overlap; they
    /// differ from each other, so each takes the first free slot from its home on.
    void grow() {
        BulkArray<std::uint32_t> larger(slots.empty() ? 64 : slots.size() * 2);
        slots.swap(larger);
        std::fill(slots.begin(), slots.end(), kEmpty);
        hash_shift = 64;
        for (std::size_t size = slots.size(); size > 1; size /= 2) --hash_shift;
        const std::size_t mask = slots.size() - 1;
        for (std::size_t batch = 0; batch < entered; batch += kBatchPositions) {
            const std::size_t end = std::min(entered, batch + kBatchPositions);
            for (std::size_t position = batch; position < end; ++position) {
                if (first[position]) prefetch(&slots[home_slot(pairs[position])]);
            }
            for (std::size_t position = batch; position < end; ++position) {
                if (!first[position]) continue;
                std::size_t at = home_slot(pairs[position]);
                while (slots[at] != kEmpty) at = (at + 1) & mask;
                slots[at] = static_cast<std::uint32_t>(position + 1);
            }
        }
    }
};

SsnPairIndex::SsnPairIndex() : tables_(new Tables) {}

SsnPairIndex::~SsnPairIndex() = default;

std::size_t SsnPairIndex::size() const {
    return tables_->pairs.size();
}

void SsnPairIndex::add(std::int32_t ssn_from, std::int32_t ssn_to) {
    tables_->pairs.push_back(pair_key(ssn_from, ssn_to));
    tables_->first.push_back(false);
    if (tables_->pairs.size() - tables_->entered >= kBatchPositions) tables_->enter_added();
}

std::optional<std::size_t> SsnPairIndex::find(std::int32_t ssn_from, std::int32_t ssn_to) {
    Tables& tables = *tables_;
    tables.enter_added();
    const std::uint64_t key = pair_key(ssn_from, ssn_to);
    // Entries usually follow the order of their QQ records: try the next position first.
    std::size_t position = tables.next_guess;
    if (position >= tables.pairs.size() || tables.pairs[position] != key ||
        !tables.first[position]) {
        if (tables.slots.empty()) return std::nullopt;
        const std::uint32_t slot = tables.slots[tables.slot_of(key)];
        if (slot == kEmpty) return std::nullopt;
        position = slot - 1;
    }
    tables.next_guess = position + 1;
    return position;
}

}  // namespace vandlor2
