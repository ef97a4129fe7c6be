#include "listing/ssn_pair_index.h"

#include <limits>

#include "support/trim.h"

namespace vandlor2 {
namespace {

std::uint64_t pair_key(std::int32_t ssn_from, std::int32_t ssn_to) {
    return (std::uint64_t{static_cast<std::uint32_t>(ssn_from)} << 32) |
           static_cast<std::uint32_t>(ssn_to);
}

void prefetch(const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
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

void SsnPairIndex::add(std::int32_t ssn_from, std::int32_t ssn_to) {
    pairs_.push_back(pair_key(ssn_from, ssn_to));
    first_.push_back(false);
    if (pairs_.size() - entered_ >= 64) enter_added();
}

std::optional<std::size_t> SsnPairIndex::find(std::int32_t ssn_from, std::int32_t ssn_to) {
    enter_added();
    const std::uint64_t key = pair_key(ssn_from, ssn_to);
    // Entries usually follow the order of their QQ records: try the next position first.
    std::size_t position = next_guess_;
    if (position >= pairs_.size() || pairs_[position] != key || !first_[position]) {
        if (slots_.empty()) return std::nullopt;
        const std::uint32_t slot = slots_[slot_of(key)];
        if (slot == kEmpty) return std::nullopt;
        position = slot - 1;
    }
    next_guess_ = position + 1;
    return position;
}

void SsnPairIndex::enter_added() {
    while (2 * (used_ + pairs_.size() - entered_) > slots_.size()) grow();
    for (std::size_t position = entered_; position < pairs_.size(); ++position) {
        prefetch(&slots_[home_slot(pairs_[position])]);
    }
    for (; entered_ < pairs_.size(); ++entered_) {
        std::uint32_t& slot = slots_[slot_of(pairs_[entered_])];
        if (slot != kEmpty) continue;
        slot = static_cast<std::uint32_t>(entered_ + 1);
        first_[entered_] = true;
        ++used_;
    }
}

std::size_t SsnPairIndex::home_slot(std::uint64_t key) const {
    // Fibonacci hashing takes the top bits of the product, which depend on both numbers.
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> hash_shift_);
}

std::size_t SsnPairIndex::slot_of(std::uint64_t key) const {
    // Linear probing; the table is never more than half full.
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = home_slot(key);
    while (slots_[at] != kEmpty && pairs_[slots_[at] - 1] != key) at = (at + 1) & mask;
    return at;
}

void SsnPairIndex::grow() {
    std::vector<std::uint32_t, BulkAllocator<std::uint32_t>> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, kEmpty);
    hash_shift_ = 64;
    for (std::size_t size = slots_.size(); size > 1; size /= 2) --hash_shift_;
    for (const std::uint32_t slot : old) {
        if (slot != kEmpty) slots_[slot_of(pairs_[slot - 1])] = slot;
    }
}

}  // namespace vandlor2
