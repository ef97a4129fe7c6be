#include "listing/line_record.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "support/ordered_work.h"

namespace vandlor2 {
namespace {

constexpr unsigned kPositionBits = 28;
constexpr std::uint64_t kPositionMask = (std::uint64_t{1} << kPositionBits) - 1;
static_assert(kExternalAccuracyWidth <= 12, "the text must fit in twelve bytes");

SortKey make_key(const LineRecord& record, std::size_t position) {
    std::array<unsigned char, 12> bytes{};
    const std::string_view text = record.external_accuracy.view();
    std::copy(text.begin(), text.end(), bytes.begin());
    SortKey key{0, 0};
    for (std::size_t i = 0; i < 8; ++i) key.high = (key.high << 8) | bytes[i];
    for (std::size_t i = 8; i < 12; ++i) key.low = (key.low << 8) | bytes[i];
    key.low = (key.low << 32) | (std::uint64_t{text.size()} << kPositionBits) | position;
    return key;
}

/// Byte `digit` of a key's sort value: 0 to 11 are the text's bytes, 12 its length.
unsigned key_byte(const SortKey& key, unsigned digit) {
    if (digit < 8) return static_cast<unsigned>(key.high >> (56 - 8 * digit)) & 0xFF;
    if (digit < 12) return static_cast<unsigned>(key.low >> (120 - 8 * digit)) & 0xFF;
    return static_cast<unsigned>(key.low >> kPositionBits) & 0xF;
}

constexpr unsigned kKeyBytes = 13;
using Counts = std::array<std::size_t, 256>;

/// The range of `part` when `size` keys are cut into `parts` nearly equal parts.
std::pair<std::size_t, std::size_t> part_range(std::size_t size, std::size_t parts,
                                               std::size_t part) {
    return {size * part / parts, size * (part + 1) / parts};
}

/// Sorts by the text and length bytes, least significant first. Each pass is stable, so keys
/// with equal texts stay in position order; passes over a byte that all keys share are skipped,
/// such as the leading blanks of right-aligned figures. Each pass moves the keys of each part
/// on its own core: a part's keys of one byte value go after those of the parts before it,
/// which keeps the pass stable. While it moves them, a part counts the next pass's bytes of
/// the keys by the part they land in, so that no pass reads the keys twice.
void radix_sort(SortKeys& keys) {
    const std::size_t size = keys.size();
    const std::size_t parts = size < (std::size_t{1} << 16) ? 1 : core_count();
    // counts[part][digit]: first of every digit of the keys as they stand, by part.
    std::vector<std::array<Counts, kKeyBytes>> counts(parts);
    run_parts(parts, [&](std::size_t part) {
        const auto [first, end] = part_range(size, parts, part);
        std::array<Counts, kKeyBytes>& count = counts[part];
        for (Counts& digit_counts : count) digit_counts.fill(0);
        for (std::size_t i = first; i < end; ++i) {
            const std::uint64_t high = keys[i].high;
            const std::uint64_t low = keys[i].low;
            for (unsigned byte = 0; byte < 8; ++byte)
                ++count[byte][(high >> (56 - 8 * byte)) & 0xFF];
            for (unsigned byte = 0; byte < 4; ++byte)
                ++count[8 + byte][(low >> (56 - 8 * byte)) & 0xFF];
            ++count[12][(low >> kPositionBits) & 0xF];
        }
    });
    std::vector<unsigned> digits;  // the digits the keys differ in, least significant first
    for (unsigned digit = kKeyBytes; digit-- > 0;) {
        Counts total{};
        for (const auto& part_counts : counts) {
            for (std::size_t byte = 0; byte < 256; ++byte) total[byte] += part_counts[digit][byte];
        }
        if (std::count(total.begin(), total.end(), size) == 0) digits.push_back(digit);
    }
    SortKeys sorted(size);
    // next[mover][part]: the next digit's counts of the keys a part moves into another part.
    std::vector<std::vector<Counts>> next(parts, std::vector<Counts>(parts));
    std::vector<Counts> starts(parts);
    std::vector<std::size_t> part_starts(parts + 1);
    for (std::size_t part = 0; part <= parts; ++part) {
        part_starts[part] = part_range(size, parts, part).first;
    }
    for (std::size_t pass = 0; pass < digits.size(); ++pass) {
        const unsigned digit = digits[pass];
        std::size_t start = 0;
        for (std::size_t byte = 0; byte < 256; ++byte) {
            for (std::size_t part = 0; part < parts; ++part) {
                starts[part][byte] = start;
                start += counts[part][digit][byte];
            }
        }
        const bool counting = pass + 1 < digits.size();
        const unsigned next_digit = counting ? digits[pass + 1] : 0;
        run_parts(parts, [&](std::size_t mover) {
            const auto [first, end] = part_range(size, parts, mover);
            Counts& to = starts[mover];
            for (Counts& part_counts : next[mover]) part_counts.fill(0);
            for (std::size_t i = first; i < end; ++i) {
                const std::size_t at = to[key_byte(keys[i], digit)]++;
                sorted[at] = keys[i];
                if (counting) {
                    std::size_t part = 0;
                    while (at >= part_starts[part + 1]) ++part;
                    ++next[mover][part][key_byte(keys[i], next_digit)];
                }
            }
        });
        keys.swap(sorted);
        if (!counting) break;
        for (std::size_t part = 0; part < parts; ++part) {
            Counts& part_counts = counts[part][next_digit];
            part_counts.fill(0);
            for (std::size_t mover = 0; mover < parts; ++mover) {
                for (std::size_t byte = 0; byte < 256; ++byte) {
                    part_counts[byte] += next[mover][part][byte];
                }
            }
        }
    }
}

}  // namespace

void RecordTable::FreeBlock::operator()(LineRecord* block) const {
    if (bulk) {
        BulkAllocator<LineRecord>().deallocate(block, kBlockSize);
    } else {
        std::allocator<LineRecord>().deallocate(block, kBlockSize);
    }
}

RecordTable::Block RecordTable::ready_block() {
    Block block(BulkAllocator<LineRecord>().allocate(kBlockSize), FreeBlock{true});
    // One write a small page is enough for the system to back the whole block with memory.
    volatile char* const bytes = reinterpret_cast<char*>(block.get());
    for (std::size_t at = 0; at < kBlockSize * sizeof(LineRecord); at += 4096) bytes[at] = 0;
    return block;
}

void RecordTable::add_block() {
    if (!spares_.empty()) {
        blocks_.push_back(std::move(spares_.back()));
        spares_.pop_back();
        return;
    }
    // Left unwritten until filled, so each page is written once. The first block is in small
    // pages, which a small listing fills only a few of.
    const bool bulk = !blocks_.empty();
    blocks_.push_back(Block(bulk ? BulkAllocator<LineRecord>().allocate(kBlockSize)
                                 : std::allocator<LineRecord>().allocate(kBlockSize),
                            FreeBlock{bulk}));
}

RecordOrder::RecordOrder(const RecordTable& table) {
    // 2^28 records would need some 30 GB of memory; refuse more as memory is refused.
    if (table.size() > kPositionMask + 1) throw std::length_error("too many records to order");
    keys_.resize(table.size());
    const std::size_t parts = table.size() < (std::size_t{1} << 16) ? 1 : core_count();
    run_parts(parts, [&](std::size_t part) {
        const auto [first, end] = part_range(table.size(), parts, part);
        for (std::size_t i = first; i < end; ++i) keys_[i] = make_key(table[i], i);
    });
    radix_sort(keys_);
}

std::size_t RecordOrder::operator[](std::size_t rank) const {
    return static_cast<std::size_t>(keys_[rank].low & kPositionMask);
}

std::vector<std::size_t> report_order(const RecordTable& table) {
    const RecordOrder order(table);
    std::vector<std::size_t> positions(order.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank) positions[rank] = order[rank];
    return positions;
}

}  // namespace vandlor2
