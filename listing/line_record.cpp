#include "listing/line_record.h"

#include <algorithm>

namespace vandlor2 {
namespace {

/// The external accuracy packed so that comparing keys compares the texts: the bytes
/// big-endian, zero-padded, then the length to put a proper prefix first.
struct SortKey {
    std::uint64_t high;
    std::uint64_t low;
    std::size_t position;
};

static_assert(kExternalAccuracyWidth <= 15, "text and length must fit in two words");

SortKey make_key(const LineRecord& record, std::size_t position) {
    std::array<unsigned char, 16> bytes{};
    const std::string_view text = record.external_accuracy.view();
    std::copy(text.begin(), text.end(), bytes.begin());
    bytes[15] = static_cast<unsigned char>(text.size());
    SortKey key{0, 0, position};
    for (std::size_t i = 0; i < 8; ++i) {
        key.high = (key.high << 8) | bytes[i];
        key.low = (key.low << 8) | bytes[i + 8];
    }
    return key;
}

}  // namespace

bool comes_before(const LineRecord& a, const LineRecord& b) {
    return a.external_accuracy.view() < b.external_accuracy.view();
}

std::vector<std::size_t> report_order(const RecordTable& table) {
    std::vector<SortKey> keys;
    keys.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        keys.push_back(make_key(table[i], i));
    }
    // The position breaks ties, so the unstable sort gives the stable order.
    std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
        if (a.high != b.high) return a.high < b.high;
        if (a.low != b.low) return a.low < b.low;
        return a.position < b.position;
    });
    std::vector<std::size_t> order;
    order.reserve(keys.size());
    for (const SortKey& key : keys) order.push_back(key.position);
    return order;
}

}  // namespace vandlor2
