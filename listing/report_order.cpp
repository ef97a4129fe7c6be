#include "listing/report_order.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "support/bit_width.h"
#include "support/bulk_memory.h"
#include "support/byte_words.h"
#include "support/ordered_work.h"
#include "support/radix_sort.h"

namespace vandlor2 {
namespace {

constexpr std::size_t kMostRecords = std::size_t{1} << 28;
constexpr unsigned kTextBytes = 12;
constexpr unsigned kKeyBytes = kTextBytes + 1;  // the text's bytes, then its length
static_assert(kExternalAccuracyWidth <= kTextBytes, "the text must fit in twelve bytes");

/// A record's place in the report order, packed into two words so that comparing keys
/// compares the external-accuracy texts: the text's first eight bytes big-endian, then its
/// last four bytes (zero-padded), its length, and last the record's table position, which
/// keeps records with equal texts in table order.
struct SortKey {
    std::uint64_t high;
    std::uint64_t low;
};

/// Whether each digit of the keys takes each value.
using DigitValues = std::array<std::array<std::uint8_t, 256>, kKeyBytes>;

/// The digits of a record's place in the report order: 0 to 11 are the external-accuracy
/// text's bytes, 0 past its end, and 12 is its length, so that a proper prefix comes first.
std::array<unsigned char, kKeyBytes> sort_digits(const RecordTable& table, std::size_t position) {
    const std::string_view text = table.external_accuracy(position);
    std::array<unsigned char, kKeyBytes> digits{};
    if (text.size() == kTextBytes) {  // the common case, a copy of known length
        std::memcpy(digits.data(), text.data(), kTextBytes);
    } else {
        std::copy(text.begin(), text.end(), digits.begin());
    }
    digits[kTextBytes] = static_cast<unsigned char>(text.size());
    return digits;
}

/// A record's external-accuracy text as two words, zeros past its end: byte k of the text in bits
/// 8k to 8k + 7 of the first word, byte 8 + k in those of the second.
struct TextWords {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
};

TextWords text_words(std::string_view text) {
    TextWords words;
    if (kWordsOfEight && text.size() == kTextBytes) {  // the common case, two loads
        std::uint32_t last_four = 0;
        std::memcpy(&last_four, text.data() + 8, 4);
        words.low = eight_bytes(text.data());
        words.high = last_four;
        return words;
    }
    for (std::size_t k = 0; k < text.size(); ++k) {
        (k < 8 ? words.low : words.high) |= std::uint64_t{static_cast<unsigned char>(text[k])}
                                            << (8 * (k % 8));
    }
    return words;
}

}  // namespace

struct RecordOrder::Keys {
    BulkArray<std::uint64_t> ranked;
};

RecordOrder::~RecordOrder() = default;

/// The report order is made in one of two ways. Most often the texts differ in a few of their
/// bytes, and each of those takes few values: each byte is then replaced by its rank among the
/// values it takes, the ranks joined into one mixed-radix number above the position in one
/// word, and the words sorted in a few passes of up to 11 bits. Otherwise every record has a key of
/// two words: its text's twelve bytes, its length and its position, sorted a byte at a time over
/// the bytes that differ.
RecordOrder::RecordOrder(const RecordTable& table) : keys_(std::make_unique<Keys>()) {
    const std::size_t size = table.size();
    // 2^28 records would need some 30 GB of memory; refuse more as memory is refused.
    if (size > kMostRecords) throw std::length_error("too many records to order");
    const std::size_t parts = size < (std::size_t{1} << 16) ? 1 : core_count();
    // Which values each digit takes. The zeros past a text's end are not counted. Where a
    // shorter text's zero meets the least value another text has there, the two tie on that
    // digit, and the shorter one still comes first: past its end it is zeros, and last its
    // length is less.
    std::vector<DigitValues> seen(parts);
    run_parts(parts, [&](std::size_t part) {
        const auto [first, end] = part_range(size, parts, part);
        DigitValues& part_seen = seen[part];
        for (auto& values : part_seen) values.fill(0);
        for (std::size_t i = first; i < end; ++i) {
            const std::string_view text = table.external_accuracy(i);
            const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
            if (text.size() == kTextBytes) {  // the common case, a loop of known length
                for (unsigned digit = 0; digit < kTextBytes; ++digit)
                    part_seen[digit][bytes[digit]] = 1;
            } else {
                for (unsigned digit = 0; digit < text.size(); ++digit)
                    part_seen[digit][bytes[digit]] = 1;
            }
            part_seen[kTextBytes][text.size()] = 1;
        }
    });
    // The ranks of the values each digit takes, and how many it takes.
    std::array<std::array<std::uint8_t, 256>, kKeyBytes> ranks{};
    std::array<unsigned, kKeyBytes> values_taken{};
    for (unsigned digit = 0; digit < kKeyBytes; ++digit) {
        unsigned values = 0;
        for (std::size_t value = 0; value < 256; ++value) {
            ranks[digit][value] = static_cast<std::uint8_t>(values);
            for (const DigitValues& part_seen : seen) {
                if (part_seen[digit][value] != 0) {
                    ++values;
                    break;
                }
            }
        }
        values_taken[digit] = values;
    }
    // The ranks as the digits of one mixed-radix number, the first byte most significant, the
    // length least: the weight of a digit is the product of the values the digits after it take.
    const unsigned position_bits = bit_width(size > 0 ? size - 1 : 0);
    const std::uint64_t most_numbers =
        position_bits == 0 ? ~std::uint64_t{0} : std::uint64_t{1} << (64 - position_bits);
    std::array<std::uint64_t, kKeyBytes> weights{};
    std::uint64_t numbers = 1;  // of the digits from the one at hand on
    bool one_word = true;
    for (unsigned digit = kKeyBytes; digit-- > 0;) {
        weights[digit] = numbers;
        if (values_taken[digit] <= 1) continue;
        one_word = one_word && numbers <= most_numbers / values_taken[digit];
        numbers *= values_taken[digit];
    }
    size_ = size;
    if (one_word) {
        // The fewest passes of at most kMostDigitBits bits, their digits as even as they go.
        const unsigned number_bits = bit_width(numbers - 1);
        const unsigned passes = (number_bits + kMostDigitBits - 1) / kMostDigitBits;
        const unsigned digit_bits = passes == 0 ? 1 : (number_bits + passes - 1) / passes;
        const auto digit_of = [position_bits, digit_bits](std::uint64_t key, unsigned digit) {
            return static_cast<unsigned>(key >> (position_bits + digit_bits * digit)) &
                   ((1U << digit_bits) - 1);
        };
        // Each digit's ranks times its weight, in their place in the key: the length's, and
        // those of the text's bytes that differ, each with where its byte is in the text's words.
        using PlacedRanks = std::array<std::uint64_t, 256>;
        const auto placed = [&](unsigned digit) {
            PlacedRanks digit_ranks{};
            for (std::size_t value = 0; value < 256; ++value) {
                digit_ranks[value] = ranks[digit][value] * weights[digit] << position_bits;
            }
            return digit_ranks;
        };
        struct PlacedByte {
            bool high;  ///< in the text's second word
            unsigned shift;
            PlacedRanks ranks;
        };
        std::vector<PlacedByte> placed_bytes;
        for (unsigned digit = 0; digit < kTextBytes; ++digit) {
            if (values_taken[digit] > 1) {
                placed_bytes.push_back({digit >= 8, 8 * (digit % 8), placed(digit)});
            }
        }
        const PlacedRanks placed_length = placed(kTextBytes);
        BulkArray<std::uint64_t> keys(size);
        std::vector<Counts> first_counts(parts);
        run_parts(parts, [&](std::size_t part) {
            const auto [first, end] = part_range(size, parts, part);
            first_counts[part].fill(0);
            for (std::size_t i = first; i < end; ++i) {
                const std::string_view text = table.external_accuracy(i);
                const TextWords words = text_words(text);
                std::uint64_t key = i + placed_length[text.size()];
                for (const PlacedByte& byte : placed_bytes) {
                    key += byte.ranks[((byte.high ? words.high : words.low) >> byte.shift) & 0xFF];
                }
                keys[i] = key;
                ++first_counts[part][digit_of(key, 0)];
            }
        });
        radix_sort(keys, passes, std::move(first_counts), digit_of);
        position_mask_ = (std::uint64_t{1} << position_bits) - 1;
        keys_->ranked = std::move(keys);
        ranked_ = keys_->ranked.begin();
        return;
    }
    // Two words: the text's first eight bytes, then its last four, its length and position.
    constexpr unsigned kPositionBits = 28;
    std::vector<unsigned> digits;  // those that differ, least significant first
    for (unsigned digit = kKeyBytes; digit-- > 0;) {
        if (values_taken[digit] > 1) digits.push_back(digit);
    }
    const auto digit_of = [&digits](const SortKey& key, unsigned pass) {
        const unsigned digit = digits[pass];
        if (digit < 8) return static_cast<unsigned>(key.high >> (56 - 8 * digit)) & 0xFF;
        if (digit < kTextBytes) return static_cast<unsigned>(key.low >> (120 - 8 * digit)) & 0xFF;
        return static_cast<unsigned>(key.low >> kPositionBits) & 0xF;
    };
    BulkArray<SortKey> keys(size);
    std::vector<Counts> first_counts(parts);
    run_parts(parts, [&](std::size_t part) {
        const auto [first, end] = part_range(size, parts, part);
        first_counts[part].fill(0);
        for (std::size_t i = first; i < end; ++i) {
            const auto digits = sort_digits(table, i);
            SortKey key{0, 0};
            for (unsigned digit = 0; digit < 8; ++digit) key.high = key.high << 8 | digits[digit];
            for (unsigned digit = 8; digit < kTextBytes; ++digit) {
                key.low = key.low << 8 | digits[digit];
            }
            key.low = key.low << 32 | std::uint64_t{digits[kTextBytes]} << kPositionBits | i;
            keys[i] = key;
            ++first_counts[part][digit_of(key, 0)];
        }
    });
    radix_sort(keys, static_cast<unsigned>(digits.size()), std::move(first_counts), digit_of);
    keys_->ranked = BulkArray<std::uint64_t>(size);
    run_parts(parts, [&](std::size_t part) {
        const auto [first, end] = part_range(size, parts, part);
        for (std::size_t i = first; i < end; ++i) keys_->ranked[i] = keys[i].low;
    });
    position_mask_ = (std::uint64_t{1} << kPositionBits) - 1;
    ranked_ = keys_->ranked.begin();
}

std::vector<std::size_t> report_order(const RecordTable& table) {
    const RecordOrder order(table);
    std::vector<std::size_t> positions(order.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank) positions[rank] = order[rank];
    return positions;
}

}  // namespace vandlor2
