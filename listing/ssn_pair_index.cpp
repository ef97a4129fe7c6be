#include "listing/ssn_pair_index.h"

#include <algorithm>
#include <array>
#include <vector>

#include "support/bit_width.h"
#include "support/bulk_memory.h"
#include "support/chunked_array.h"
#include "support/ordered_work.h"
#include "support/prefetch.h"

namespace vandlor2 {
namespace {

/// A slot holds a position plus one in its low half, so that 0 marks it free, and in its high
/// half the hash of the position's pair. Only a pair whose hash matches is read to be
/// compared, so that entering a new pair reads nothing but its slots; and a table grows by
/// reading its slots in order, without the pairs.
using Slot = std::uint64_t;
constexpr Slot kEmpty = 0;

/// The pairs are spread over some hash tables by the top bits of their hash, twice as many as
/// the cores (a power of two, at most 64), so that many positions added at once are entered
/// on every core, a table at a time, each table small enough to stay near the caches.
unsigned table_bits() {
    const unsigned bits = bit_width(core_count() - 1) + 1;
    return bits < 6 ? bits : 6;
}
/// Positions added since the last search are entered on every core from this many on.
constexpr std::size_t kManyPositions = std::size_t{1} << 16;
/// Positions are entered with the slot of the one this many places on asked for.
constexpr std::size_t kReadAhead = 16;

std::uint64_t pair_key(std::int32_t ssn_from, std::int32_t ssn_to) {
    return (std::uint64_t{static_cast<std::uint32_t>(ssn_from)} << 32) |
           static_cast<std::uint32_t>(ssn_to);
}

/// Fibonacci hashing: the top bits of the product depend on both numbers. They choose a pair's
/// table, and the bits below them its home slot there.
std::uint32_t hash_of(std::uint64_t key) {
    return static_cast<std::uint32_t>((key * 0x9E3779B97F4A7C15ULL) >> 32);
}

std::size_t table_of(std::uint32_t hash, unsigned table_bits) {
    return static_cast<std::size_t>((std::uint64_t{hash} << table_bits) >> 32);
}

/// One open-addressing table with linear probing, never more than half full.
struct HashTable {
    BulkArray<Slot> slots;
    std::size_t used = 0;
    unsigned table_bits = 0;  ///< of a hash that choose the table
    unsigned home_shift = 32;

    std::size_t home(std::uint32_t hash) const {
        return static_cast<std::size_t>(static_cast<std::uint32_t>(hash << table_bits) >>
                                        home_shift);
    }

    /// The slot of `key`'s first position, or the free slot where it would go.
    std::size_t slot_of(std::uint64_t key, std::uint32_t hash,
                        const ChunkedArray<std::uint64_t>& pairs) const {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t at = home(hash);; at = (at + 1) & mask) {
            const Slot slot = slots[at];
            if (slot == kEmpty) return at;
            if (slot >> 32 == hash && pairs[(slot & 0xFFFFFFFF) - 1] == key) return at;
        }
    }

    void make_room_for(std::size_t more) {
        std::size_t size = slots.empty() ? 64 : slots.size();
        while (2 * (used + more) > size) size *= 2;
        if (size > slots.size()) grow(size);
    }

    /// Grows the table to `size` slots, a power of two. A pair's home in it is its old one
    /// times the growth, or a little more, so the old slots, read in order, fill the new ones
    /// about in order; their pairs differ from each other, so each takes the first free slot
    /// from its home on.
    void grow(std::size_t size) {
        BulkArray<Slot> old(size);
        old.swap(slots);
        std::fill(slots.begin(), slots.end(), kEmpty);
        home_shift = 32;
        for (std::size_t size = slots.size(); size > 1; size /= 2) --home_shift;
        const std::size_t mask = slots.size() - 1;
        // A cluster that wraps round the old table's end goes first, so that it meets the
        // slots of the new table's start before the pairs whose home they are.
        std::size_t start = 0;
        while (start < old.size() && old[start] != kEmpty) ++start;
        for (std::size_t n = 0; n < old.size(); ++n) {
            const Slot slot = old[(start + n) & (old.size() - 1)];
            if (slot == kEmpty) continue;
            std::size_t at = home(static_cast<std::uint32_t>(slot >> 32));
            while (slots[at] != kEmpty) at = (at + 1) & mask;
            slots[at] = slot;
        }
    }
};

}  // namespace

struct SsnPairIndex::Tables {
    ChunkedArray<std::uint64_t> pairs;   ///< each position's pair
    ChunkedArray<std::uint32_t> hashes;  ///< and its hash, read by each table's entering
    ChunkedArray<std::uint8_t> first;    ///< whether a position is its pair's first
    std::size_t entered = 0;             ///< positions entered into the hash tables
    std::size_t next_guess = 0;          ///< the position after the last one found
    const unsigned bits = table_bits();
    std::vector<HashTable> tables = std::vector<HashTable>(std::size_t{1} << bits);

    Tables() {
        for (HashTable& table : tables) table.table_bits = bits;
    }

    HashTable& table_of_hash(std::uint32_t hash) { return tables[table_of(hash, bits)]; }

    /// Enters the positions from `begin` to `end` whose table is `only` (or every one, with
    /// room made for them beforehand), in order, each but the first of its pair marked as such.
    /// They are listed first, so that the slot of each is asked for a few positions ahead and
    /// the memory reads overlap.
    void enter(std::size_t begin, std::size_t end, std::size_t only) {
        const bool every_table = only == tables.size();
        std::vector<std::uint32_t> positions;
        for (std::size_t position = begin; position < end; ++position) {
            if (every_table || table_of(hashes[position], bits) == only) {
                positions.push_back(static_cast<std::uint32_t>(position));
            }
        }
        if (!every_table) tables[only].make_room_for(positions.size());
        const auto slot_ahead = [&](std::size_t position) {
            const std::uint32_t hash = hashes[position];
            const HashTable& table = table_of_hash(hash);
            return &table.slots[table.home(hash)];
        };
        for (std::size_t n = 0; n < positions.size(); ++n) {
            if (n + kReadAhead < positions.size()) prefetch(slot_ahead(positions[n + kReadAhead]));
            const std::size_t position = positions[n];
            const std::uint32_t hash = hashes[position];
            HashTable& table = table_of_hash(hash);
            Slot& slot = table.slots[table.slot_of(pairs[position], hash, pairs)];
            if (slot != kEmpty) continue;  // a later position of a pair entered before
            slot = Slot{hash} << 32 | (position + 1);
            first[position] = 1;
            ++table.used;
        }
    }

    /// Enters the positions added since the last call, on every core when they are many.
    void enter_added() {
        const std::size_t begin = entered;
        const std::size_t end = pairs.size();
        if (begin == end) return;
        // Room is made before positions are entered, so that no table grows meanwhile.
        if (end - begin < kManyPositions || tables.size() == 1) {
            std::vector<std::size_t> own(tables.size());
            for (std::size_t position = begin; position < end; ++position) {
                ++own[table_of(hashes[position], bits)];
            }
            for (std::size_t table = 0; table < tables.size(); ++table) {
                tables[table].make_room_for(own[table]);
            }
            enter(begin, end, tables.size());
        } else {
            run_parts(tables.size(), [&](std::size_t table) { enter(begin, end, table); });
        }
        entered = end;
    }
};

SsnPairIndex::SsnPairIndex() : tables_(new Tables) {}

SsnPairIndex::~SsnPairIndex() = default;

std::size_t SsnPairIndex::size() const {
    return tables_->pairs.size();
}

void SsnPairIndex::add(std::int32_t ssn_from, std::int32_t ssn_to) {
    // Entered only when searched, all at once.
    const std::uint64_t key = pair_key(ssn_from, ssn_to);
    tables_->pairs.push_back(key);
    tables_->hashes.push_back(hash_of(key));
    tables_->first.push_back(0);
}

std::optional<std::size_t> SsnPairIndex::find(std::int32_t ssn_from, std::int32_t ssn_to) {
    Tables& tables = *tables_;
    tables.enter_added();
    const std::uint64_t key = pair_key(ssn_from, ssn_to);
    // Entries usually follow the order of their QQ records: try the next position first.
    std::size_t position = tables.next_guess;
    if (position >= tables.pairs.size() || tables.pairs[position] != key ||
        !tables.first[position]) {
        const std::uint32_t hash = hash_of(key);
        const HashTable& table = tables.table_of_hash(hash);
        if (table.slots.empty()) return std::nullopt;
        const Slot slot = table.slots[table.slot_of(key, hash, tables.pairs)];
        if (slot == kEmpty) return std::nullopt;
        position = (slot & 0xFFFFFFFF) - 1;
    }
    tables.next_guess = position + 1;
    return position;
}

}  // namespace vandlor2
