#pragma once

// A parallel, stable least-significant-digit radix sort of plain keys, a digit of up to 11
// bits at a time.

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "support/bulk_memory.h"
#include "support/ordered_work.h"

namespace vandlor2 {

/// The widest digit a pass sorts by: its 2048 counts, and the as many places it moves keys
/// to, still stay in the caches, and a key of 26 bits takes three passes instead of four.
inline constexpr unsigned kMostDigitBits = 11;
inline constexpr std::size_t kDigitValues = std::size_t{1} << kMostDigitBits;

/// How many keys take each value of one digit.
using Counts = std::array<std::size_t, kDigitValues>;

/// The range of `part` when `size` keys are cut into `parts` nearly equal parts.
inline std::pair<std::size_t, std::size_t> part_range(std::size_t size, std::size_t parts,
                                                      std::size_t part) {
    return {size * part / parts, size * (part + 1) / parts};
}

/// Sorts `keys`, stably, by the digits `digit_of(key, d)` for d = 0 to `digits` - 1, the
/// first least significant; `counts[part]` holds the counts of digit 0 of the keys of each
/// part as they stand. Each pass moves the keys of each part on its own core: a part's keys of
/// one digit value go after those of the parts before it, which keeps the pass stable. While
/// it moves them, a part counts the next digit of the keys by the part they land in, so that
/// no pass reads the keys twice.
template <typename Key, typename DigitOf>
void radix_sort(BulkArray<Key>& keys, unsigned digits, std::vector<Counts> counts,
                DigitOf digit_of) {
    const std::size_t size = keys.size();
    const std::size_t parts = counts.size();
    BulkArray<Key> sorted(size);
    // next[mover][part]: the next digit's counts of the keys a part moves into another part.
    std::vector<std::vector<Counts>> next(parts, std::vector<Counts>(parts));
    std::vector<Counts> starts(parts);
    std::vector<std::size_t> part_starts(parts + 1);
    for (std::size_t part = 0; part <= parts; ++part) {
        part_starts[part] = part_range(size, parts, part).first;
    }
    for (unsigned digit = 0; digit < digits; ++digit) {
        std::size_t start = 0;
        for (std::size_t value = 0; value < kDigitValues; ++value) {
            for (std::size_t part = 0; part < parts; ++part) {
                starts[part][value] = start;
                start += counts[part][value];
            }
        }
        const bool counting = digit + 1 < digits;
        run_parts(parts, [&](std::size_t mover) {
            const auto [first, end] = part_range(size, parts, mover);
            Counts& to = starts[mover];
            for (Counts& part_counts : next[mover]) part_counts.fill(0);
            for (std::size_t i = first; i < end; ++i) {
                const std::size_t at = to[digit_of(keys[i], digit)]++;
                sorted[at] = keys[i];
                if (counting) {
                    std::size_t part = 0;
                    while (at >= part_starts[part + 1]) ++part;
                    ++next[mover][part][digit_of(keys[i], digit + 1)];
                }
            }
        });
        keys.swap(sorted);
        for (std::size_t part = 0; counting && part < parts; ++part) {
            // Checked: a slip in these bounds must fail loudly, not write past the counts.
            Counts& merged = counts.at(part);
            merged.fill(0);
            for (std::size_t mover = 0; mover < parts; ++mover) {
                for (std::size_t value = 0; value < kDigitValues; ++value) {
                    merged[value] += next[mover][part][value];
                }
            }
        }
    }
}

}  // namespace vandlor2
