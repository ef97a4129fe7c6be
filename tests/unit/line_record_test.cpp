#include "listing/line_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "listing/ssn_pair_index.h"

namespace vandlor2 {
namespace {

RecordTable table_of(const std::vector<std::string>& external_accuracies) {
    RecordTable table;
    for (const std::string& text : external_accuracies) {
        LineRecord record;
        record.external_accuracy.assign(text);
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
    // Ranks of 1 and of 9 bits in all: each needs its last pass of a byte.
    EXPECT_EQ(report_order(table_of({"2", "1"})), (Order{1, 0}));
    std::vector<std::string> nine_bits;
    Order backwards;
    for (std::size_t i = 512; i-- > 0;) {
        nine_bits.push_back({static_cast<char>('a' + i / 256), static_cast<char>(i % 256)});
        backwards.push_back(i);
    }
    EXPECT_EQ(report_order(table_of(nine_bits)), backwards);
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

TEST(ColumnText, KeepsAtMostItsWidth) {
    ColumnText<5> text("123456789");
    EXPECT_EQ(text.view(), "12345");
    text.assign("");
    EXPECT_TRUE(text.view().empty());
}

TEST(SsnValue, ReadsAsAtoiDoes) {
    EXPECT_EQ(ssn_value("00012"), 12);
    EXPECT_EQ(ssn_value("12   "), 12);
    EXPECT_EQ(ssn_value(" \t +7x"), 7);
    EXPECT_EQ(ssn_value("-0042"), -42);
    EXPECT_EQ(ssn_value(""), 0);
    EXPECT_EQ(ssn_value("  ABC"), 0);
    EXPECT_EQ(ssn_value("\xA0"
                        "12"),
              0);
    EXPECT_EQ(ssn_value("99999999999999"), 2147483647);
    EXPECT_EQ(ssn_value("-99999999999999"), -2147483648LL);
    EXPECT_EQ(ssn_value("-2147483647"), -2147483647);
    EXPECT_EQ(ssn_value(std::string_view("123").substr(0, 2)), 12);
    // Blanks up to the end of their buffer: nothing past the text is read.
    const auto blanks = std::make_unique<char[]>(3);
    std::fill_n(blanks.get(), 3, ' ');
    EXPECT_EQ(ssn_value({blanks.get(), 3}), 0);
}

TEST(SsnPairIndex, FindsTheFirstPositionOfAPair) {
    SsnPairIndex index;
    EXPECT_FALSE(index.find(1, 2));
    index.add(1, 2);  // position 0
    index.add(2, 1);
    index.add(1, 2);
    EXPECT_EQ(index.find(1, 2), 0u);
    EXPECT_EQ(index.find(2, 1), 1u);
    EXPECT_EQ(index.find(1, 2), 0u);  // not the next position, which holds a later duplicate
    EXPECT_FALSE(index.find(1, 3));
    // Many pairs that share one number stay apart, found in and out of order.
    for (int i = 0; i < 100000; ++i) index.add(7, i);
    for (int i = 0; i < 100000; i += 999)
        EXPECT_EQ(index.find(7, i), static_cast<std::size_t>(3 + i));
    for (int i = 99999; i >= 0; i -= 997)
        EXPECT_EQ(index.find(7, i), static_cast<std::size_t>(3 + i));
    EXPECT_EQ(index.find(-7, -7), std::nullopt);
    // A position added after a search is found at once.
    index.add(-7, -7);
    EXPECT_EQ(index.find(-7, -7), 100003u);
    // Pairs apart only in the top or the lowest bit of a number stay apart.
    constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
    index.add(0, 5);
    index.add(kLowest, 5);
    index.add(1, 0);
    index.add(0, kLowest);
    EXPECT_EQ(index.find(kLowest, 5), 100005u);
    EXPECT_EQ(index.find(0, kLowest), 100007u);
    // As many pairs as the first table has slots: a missing pair is still told.
    SsnPairIndex sixty_four;
    for (int i = 0; i < 64; ++i) sixty_four.add(i, i);
    EXPECT_FALSE(sixty_four.find(-1, -1));
}

}  // namespace
}  // namespace vandlor2
