#include "listing/record_table.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace vandlor2 {
namespace {

using Fields = std::array<std::string, 8>;

// A text of a record read from the table cannot be assigned to, as that would change nothing.
static_assert(!std::is_assignable_v<decltype((std::declval<const RecordTable&>()[0].distance)),
                                    std::string_view>);

Fields fields_of(const LineRecord& record) {
    return {std::string(record.ssn_from),          std::string(record.ssn_to),
            std::string(record.from_station),      std::string(record.to_station),
            std::string(record.distance),          std::string(record.internal_accuracy),
            std::string(record.external_accuracy), std::string(record.survey_order)};
}

LineRecord record_of(const Fields& fields) {
    return {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]};
}

/// Texts of every length from empty to beyond the column's width, of any byte.
Fields fields_numbered(std::size_t n) {
    static constexpr std::array<std::size_t, 8> kWidths = {5, 5, 30, 30, 9, 8, 12, 1};
    Fields fields;
    for (std::size_t field = 0; field < fields.size(); ++field) {
        const std::size_t length = (n * 7 + field * 3) % (kWidths[field] + 3);
        for (std::size_t i = 0; i < length; ++i) {
            fields[field] += static_cast<char>((n * 31 + field * 17 + i * 101) % 256);
        }
    }
    return fields;
}

Fields cut_to_widths(Fields fields) {
    static constexpr std::array<std::size_t, 8> kWidths = {5, 5, 30, 30, 9, 8, 12, 1};
    for (std::size_t field = 0; field < fields.size(); ++field) {
        if (fields[field].size() > kWidths[field]) fields[field].resize(kWidths[field]);
    }
    return fields;
}

TEST(RecordTable, KeepsAnyRecordsCutToTheirColumns) {
    // Enough records to fill several chunks of the table.
    constexpr std::size_t kRecords = 300'000;
    RecordTable table;
    for (std::size_t n = 0; n < kRecords; ++n) table.push_back(record_of(fields_numbered(n)));
    ASSERT_EQ(table.size(), kRecords);
    for (std::size_t n = 0; n < kRecords; ++n) {
        const Fields expected = cut_to_widths(fields_numbered(n));
        ASSERT_EQ(fields_of(table[n]), expected) << "record " << n;
        ASSERT_EQ(fields_of(table.record(table.handle(n))), expected) << "record " << n;
        ASSERT_EQ(table.external_accuracy(n), expected[6]) << "record " << n;
    }
}

TEST(RecordTable, TakesEachRecordsTextsFromItsHeadAndItsFields) {
    RecordTable table;
    RecordStore::Writer writer(table.store());
    const std::string texts = "   12   34 7 0042  77 NORTH  HILL  1000.5       5  9.5" +
                              std::string(kCopySlackBytes, ' ');
    const std::string_view all(texts);
    const RecordRef qq_line =
        writer.add(QqTexts{all.substr(0, 5), all.substr(5, 5), all.substr(11, 1)});
    const RecordRef entry = writer.add(
        EntryTexts{all.substr(13, 4), all.substr(19, 2), all.substr(22, 5), all.substr(29, 4),
                   all.substr(33, 9), all.substr(41, 8), all.substr(50, 4)});
    table.append({entry, false}, {entry, true});  // an entry's own record, distance trimmed
    table.append({qq_line, true});                // a QQ record no entry has filled
    table.append({qq_line, true}, {entry, false});
    table.fill(1, {entry, false});
    table.fill(2, {});
    const Fields own = {"0042", "77", "NORTH", "HILL", "1000.5", "       5", " 9.5", ""};
    EXPECT_EQ(fields_of(table[0]), own);
    EXPECT_EQ(fields_of(table[1]),
              (Fields{"   12", "   34", "NORTH", "HILL", "  1000.5 ", "       5", " 9.5", "7"}));
    EXPECT_EQ(fields_of(table[2]), (Fields{"   12", "   34", "", "", "", "", "", "7"}));
    EXPECT_EQ(table.external_accuracy(2), "");
}

}  // namespace
}  // namespace vandlor2
