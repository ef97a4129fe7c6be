// Report order and pages of tables larger than the writer's blocks and batches and the record
// table's blocks, with keys of every kind of byte, against a plain reference: a stable sort by
// the unsigned bytes of the external-accuracy texts, and the pages composed line by line.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_contents.h"
#include "listing/report_order.h"
#include "report/prt.h"
#include "report/prtqq.h"
#include "report/report_writer.h"

namespace vandlor2 {
namespace {

/// Records whose external accuracies are 0 to 12 bytes from a small alphabet, so that many
/// are equal or prefixes of one another; the from-station name tells the records apart.
RecordTable random_table(std::size_t size, std::uint32_t seed,
                         std::string_view bytes = std::string_view("  00159.-\0\x80\xFF", 12)) {
    std::mt19937 random(seed);
    RecordTable table;
    for (std::size_t i = 0; i < size; ++i) {
        std::string key;
        for (std::size_t length = random() % 13; key.size() < length;) {
            key += bytes[random() % bytes.size()];
        }
        LineRecord record;
        const std::string internal = std::to_string(random() % 100000);
        const std::string station = "STATION " + std::to_string(i);
        const std::string ssn = std::to_string(i % 100000);
        const std::string order(1, static_cast<char>('1' + i % 3));
        record.external_accuracy = key;
        record.internal_accuracy = internal;
        record.from_station = station;
        record.ssn_from = ssn;
        record.survey_order = order;
        table.push_back(record);
    }
    return table;
}

std::vector<std::size_t> reference_order(const RecordTable& table) {
    std::vector<std::size_t> order(table.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const std::string_view x = table.external_accuracy(a);
        const std::string_view y = table.external_accuracy(b);
        return std::lexicographical_compare(
            x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
                return static_cast<unsigned char>(p) < static_cast<unsigned char>(q);
            });
    });
    return order;
}

/// Records whose external accuracies are right-aligned figures, as listings print them, many
/// of them equal: their texts differ in few bytes, each of few values.
RecordTable figure_table(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    RecordTable table;
    char text[16];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(text, sizeof text, "%12.1f", (random() % 200000) / 10.0);
        LineRecord record;
        record.external_accuracy = text;
        table.push_back(record);
    }
    return table;
}

TEST(LargeTable, IsOrderedAsAStableSortOfTheUnsignedBytes) {
    // Up to 2^16 records are ordered on one core, more on every core.
    for (const std::size_t size : {0, 1, 2, 255, 256, 257, 16383, 16384, 16385, 40000, 140000}) {
        const RecordTable table = random_table(size, static_cast<std::uint32_t>(size));
        EXPECT_EQ(report_order(table), reference_order(table)) << size << " records";
    }
    for (const std::size_t size : {1, 3000, 140000}) {
        const RecordTable table = figure_table(size, static_cast<std::uint32_t>(size));
        EXPECT_EQ(report_order(table), reference_order(table)) << size << " figures";
    }
    // Two byte values, the least of them zero: keys of one word, where a text's end meets
    // another's zero or its least byte.
    for (const std::size_t size : {300, 70000}) {
        const RecordTable table = random_table(size, 7, std::string_view("\0a", 2));
        EXPECT_EQ(report_order(table), reference_order(table)) << size << " of two bytes";
    }
}

TEST(LargeReport, HoldsEveryRecordOnItsPageInReportOrder) {
    for (const bool qq : {false, true}) {
        ListingContents contents;
        contents.records = random_table(20000, qq ? 2 : 1);  // a report of over 2 MB
        contents.section_title = std::string(30, ' ') + "LENGTH RELATIVE ACCURACIES";
        (qq ? contents.qq_count : contents.length_record_count) = 20000 - 3;

        std::string expected;
        int page = 0;
        const auto heading = [&] {
            expected += ++page > 1 ? "\f Page " : " Page ";
            expected += std::to_string(page) + "\n" + contents.section_title + "\n\n" +
                        std::string(qq ? kQqHeading1 : kPlainHeading1) + "\n" +
                        std::string(qq ? kQqHeading2 : kPlainHeading2) + "\n\n";
        };
        heading();
        const std::vector<std::size_t> order = reference_order(contents.records);
        for (std::size_t line = 0; line < 20000 - 3; ++line) {
            const LineRecord record = contents.records[order[line]];
            expected += qq ? prtqq(record) : prt(record);
            if ((line + 1) % 27 == 0) heading();
        }

        std::ostringstream report;
        write_report(report, contents);
        ASSERT_EQ(report.str().size(), expected.size()) << (qq ? "QQ layout" : "plain layout");
        EXPECT_TRUE(report.str() == expected) << (qq ? "QQ layout" : "plain layout");
    }
}

}  // namespace
}  // namespace vandlor2
