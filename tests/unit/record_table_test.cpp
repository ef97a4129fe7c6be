#include "listing/record_table.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace vandlor2 {
namespace {

using Fields = std::array<std::string, 8>;

LineRecord record_of(const Fields& fields) {
    LineRecord record;
    record.ssn_from.assign(fields[0]);
    record.ssn_to.assign(fields[1]);
    record.from_station.assign(fields[2]);
    record.to_station.assign(fields[3]);
    record.distance.assign(fields[4]);
    record.internal_accuracy.assign(fields[5]);
    record.external_accuracy.assign(fields[6]);
    record.survey_order.assign(fields[7]);
    return record;
}

Fields fields_of(const LineRecord& record) {
    return {
        std::string(record.ssn_from.view()),          std::string(record.ssn_to.view()),
        std::string(record.from_station.view()),      std::string(record.to_station.view()),
        std::string(record.distance.view()),          std::string(record.internal_accuracy.view()),
        std::string(record.external_accuracy.view()), std::string(record.survey_order.view())};
}

/// Records of every length from empty to full width, of any byte, NUL and 0xFF included.
Fields fields_numbered(std::size_t n) {
    static constexpr std::array<std::size_t, 8> kWidths = {5, 5, 30, 30, 9, 8, 12, 1};
    Fields fields;
    for (std::size_t field = 0; field < fields.size(); ++field) {
        const std::size_t length = (n * 7 + field * 3) % (kWidths[field] + 1);
        for (std::size_t i = 0; i < length; ++i) {
            fields[field] += static_cast<char>((n * 31 + field * 17 + i * 101) % 256);
        }
    }
    return fields;
}

TEST(RecordTable, KeepsEveryRecordAsAppendedAndReplaced) {
    // Enough records to fill several chunks of packed records and of their index.
    constexpr std::size_t kRecords = 600'000;
    RecordTable table;
    for (std::size_t n = 0; n < kRecords; ++n) table.push_back(record_of(fields_numbered(n)));
    // A record replaced by a longer one, and one replaced twice.
    table.replace(3, record_of(fields_numbered(kRecords)));
    table.replace(kRecords - 1, record_of(fields_numbered(kRecords + 1)));
    table.replace(kRecords - 1, record_of(fields_numbered(kRecords + 2)));
    ASSERT_EQ(table.size(), kRecords);

    const auto expected = [&](std::size_t position) {
        if (position == 3) return fields_numbered(kRecords);
        if (position == kRecords - 1) return fields_numbered(kRecords + 2);
        return fields_numbered(position);
    };
    std::vector<std::size_t> scattered;
    for (std::size_t n = 0; n < kRecords; ++n) {
        const Fields fields = expected(n);
        ASSERT_EQ(fields_of(table[n]), fields) << "record " << n;
        ASSERT_EQ(table.external_accuracy(n), fields[6]) << "record " << n;
        scattered.push_back(n * 7919 % kRecords);
    }
    std::vector<LineRecord> gathered(scattered.size());
    table.gather(scattered.data(), scattered.size(), gathered.data());
    for (std::size_t i = 0; i < scattered.size(); ++i) {
        ASSERT_EQ(fields_of(gathered[i]), expected(scattered[i])) << "gathered " << i;
    }
}

}  // namespace
}  // namespace vandlor2
