#include "listing/report_order.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace vandlor2 {
namespace {

RecordTable table_of(const std::vector<std::string>& external_accuracies) {
    RecordTable table;
    for (const std::string& text : external_accuracies) {
        LineRecord record;
        record.external_accuracy = text;
        table.push_back(record);
    }
    return table;
}

using Order = std::vector<std::size_t>;

TEST(ReportOrder, ComparesTheTextsByteByByte) {
    EXPECT_EQ(report_order(table_of({})), Order{});
    EXPECT_EQ(report_order(table_of({"x"})), Order{0});
    // Right-aligned figures come out in numeric order; others by their characters.
    EXPECT_EQ(report_order(table_of({"   12.500000", "    0.012345"})), (Order{1, 0}));
    EXPECT_EQ(report_order(table_of({"9.75", "10.5"})), (Order{1, 0}));
    EXPECT_EQ(report_order(table_of({"12  ", "12", "12 "})), (Order{1, 2, 0}));
    EXPECT_EQ(report_order(table_of({"1", "", " "})), (Order{1, 2, 0}));
    EXPECT_EQ(report_order(table_of({"\xFF", "\x7F", std::string(1, '\0'), "-", "."})),
              (Order{2, 3, 4, 1, 0}));
    EXPECT_EQ(report_order(table_of({std::string("a\0", 2), "a", std::string("a\0\1", 3)})),
              (Order{1, 0, 2}));
    // Every bit of the last four bytes counts too.
    EXPECT_EQ(report_order(table_of(
                  {std::string("12345678\1\0", 10), std::string("12345678\0\xFF\xFF\xFF", 12)})),
              (Order{1, 0}));
    // Ranks of 1, 9 and 12 bits in all: a pass of one bit, one of nine, and two of six.
    EXPECT_EQ(report_order(table_of({"2", "1"})), (Order{1, 0}));
    for (const std::size_t records : {512, 4096}) {
        std::vector<std::string> texts;
        Order backwards;
        for (std::size_t i = records; i-- > 0;) {
            texts.push_back({static_cast<char>('a' + i / 256), static_cast<char>(i % 256)});
            backwards.push_back(i);
        }
        EXPECT_EQ(report_order(table_of(texts)), backwards) << records << " records";
    }
    // 256 records (8 bits of position) whose first seven bytes take 256 values each: keys of
    // 64 bits, the most one word holds, and with an eighth byte of two values, 65 bits. More
    // records are then ordered in two words, by every bit of every byte: pairs that differ
    // only in the lowest or the highest bit of the last byte, and in their length alone.
    for (const std::string_view variant : {"64 bits", "65 bits", "two words"}) {
        std::vector<std::string> texts;
        Order expected;
        for (std::size_t i = 0; i < 256; ++i) {
            std::string text(1, static_cast<char>(255 - i));
            for (std::size_t byte = 1; byte < 7; ++byte) text += static_cast<char>(i * 37 % 256);
            if (variant != "64 bits") text += static_cast<char>('a' + i % 2);
            texts.push_back(text);
            expected.insert(expected.begin(), i);
        }
        if (variant == "two words") {
            const std::string ones(8, '\xFF');
            texts.insert(texts.end(), {ones + "\xFF\xFF\xFE\x01", ones + "\xFF\xFF\xFE" + '\0',
                                       ones + "\xFF\xFF\xFF\x80", ones + "\xFF\xFF\xFF" + '\0',
                                       ones + std::string(4, '\0'), ones});
            expected.insert(expected.end(), {261, 260, 257, 256, 259, 258});
        }
        EXPECT_EQ(report_order(table_of(texts)), expected) << variant;
    }
}

TEST(ReportOrder, KeepsTheTableOrderOfEqualTexts) {
    RecordTable table = table_of({"  7", "  5", "  7", "", "  5", "", "  7"});
    EXPECT_EQ(report_order(table), (Order{3, 5, 1, 4, 0, 2, 6}));
}

}  // namespace
}  // namespace vandlor2
