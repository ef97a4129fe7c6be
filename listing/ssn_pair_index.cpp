#include "listing/ssn_pair_index.h"

#include <limits>

#include "support/trim.h"

namespace vandlor2 {
namespace {

std::uint64_t pair_key(std::int32_t ssn_from, std::int32_t ssn_to) {
    return (std::uint64_t{static_cast<std::uint32_t>(ssn_from)} << 32) |
           static_cast<std::uint32_t>(ssn_to);
}

}  // namespace

std::int32_t ssn_value(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && is_c_space(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > kLimit) magnitude = kLimit + 1;
    }
    if (negative) return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(magnitude > kLimit ? kLimit : magnitude);
}

void SsnPairIndex::add(std::int32_t ssn_from, std::int32_t ssn_to, std::size_t position) {
    if (2 * (used_ + 1) > slots_.size()) grow();
    const std::uint64_t key = pair_key(ssn_from, ssn_to);
    Slot& slot = slots_[slot_of(key)];
    if (slot.position != kEmpty) return;
    slot = Slot{key, position};
    ++used_;
}

std::optional<std::size_t> SsnPairIndex::find(std::int32_t ssn_from, std::int32_t ssn_to) const {
    if (slots_.empty()) return std::nullopt;
    const Slot& slot = slots_[slot_of(pair_key(ssn_from, ssn_to))];
    if (slot.position == kEmpty) return std::nullopt;
    return slot.position;
}

std::size_t SsnPairIndex::slot_of(std::uint64_t key) const {
    // Fibonacci hashing takes the top bits of the product, which depend on both numbers;
    // then linear probing. The table is never more than half full.
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> hash_shift_);
    while (slots_[at].position != kEmpty && slots_[at].key != key) at = (at + 1) & mask;
    return at;
}

void SsnPairIndex::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{0, kEmpty});
    hash_shift_ = 64;
    for (std::size_t size = slots_.size(); size > 1; size /= 2) --hash_shift_;
    for (const Slot& slot : old) {
        if (slot.position != kEmpty) slots_[slot_of(slot.key)] = slot;
    }
}

}  // namespace vandlor2
