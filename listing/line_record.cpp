#include "listing/line_record.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace vandlor2 {
namespace {

/// A record's place in the report order, packed into two words so that comparing keys
/// compares the external-accuracy texts: the text's first eight bytes big-endian, then its
/// last four bytes (zero-padded), its length, and last the record's table position, which
/// keeps records with equal texts in table order.
struct SortKey {
    std::uint64_t high;
    std::uint64_t low;
};

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

/// Sorts by the text and length bytes, least significant first. Each pass is stable, so keys
/// with equal texts stay in position order; passes over a byte that all keys share are skipped,
/// such as the leading blanks of right-aligned figures.
void radix_sort(std::vector<SortKey>& keys) {
    std::vector<std::array<std::size_t, 256>> counts(kKeyBytes);
    for (const SortKey& key : keys) {
        for (unsigned digit = 0; digit < kKeyBytes; ++digit) ++counts[digit][key_byte(key, digit)];
    }
    std::vector<SortKey> sorted(keys.size());
    for (unsigned digit = kKeyBytes; digit-- > 0;) {
        std::array<std::size_t, 256>& starts = counts[digit];
        if (std::count(starts.begin(), starts.end(), keys.size()) == 1) continue;
        std::size_t start = 0;
        for (std::size_t& count : starts) start += std::exchange(count, start);
        for (const SortKey& key : keys) sorted[starts[key_byte(key, digit)]++] = key;
        keys.swap(sorted);
    }
}

}  // namespace

std::vector<std::size_t> report_order(const RecordTable& table) {
    // 2^28 records would need some 30 GB of memory; refuse more as memory is refused.
    if (table.size() > kPositionMask + 1) throw std::length_error("too many records to order");
    std::vector<SortKey> keys;
    keys.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        keys.push_back(make_key(table[i], i));
    }
    radix_sort(keys);
    std::vector<std::size_t> order;
    order.reserve(keys.size());
    for (const SortKey& key : keys)
        order.push_back(static_cast<std::size_t>(key.low & kPositionMask));
    return order;
}

}  // namespace vandlor2
