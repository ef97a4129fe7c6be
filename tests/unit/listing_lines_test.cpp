#include "listing/listing_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vandlor2 {
namespace {

using Finding = OffsetFinding::Kind;

TEST(ListingLines, FindTheOffsetOnTheProgramLineAlone) {
    const std::string long_line(66, 'x');
    const struct {
        std::string line;
        Finding kind;
        std::size_t offset;
    } kLines[] = {
        {"PROGRAM KORMIN", Finding::found, 0},
        {" PROGRAM KORMIN", Finding::found, 1},
        {"      PROGRAM KORMIN", Finding::found, 1},  // the name ends at the 20th byte
        {"       PROGRAM KORMIN", Finding::keep_looking, 0},
        {"\tPROGRAM KORMIN", Finding::program_line_without_offset, 0},
        {"PROGRAM KORMIN      " + long_line, Finding::found, 0},  // a program line may be long
        {"PROGRAM KORMINX", Finding::keep_looking, 0},
        {long_line.substr(1), Finding::keep_looking, 0},
        {long_line, Finding::content_before_program_line, 0},
        {"PRO", Finding::keep_looking, 0},
    };
    for (const auto& [line, kind, offset] : kLines) {
        const OffsetFinding finding = examine_before_program_line(line);
        EXPECT_EQ(finding.kind, kind) << line;
        EXPECT_EQ(finding.offset, offset) << line;
    }
}

TEST(ListingLines, AreOfOneKindEachCountedFromTheOffset) {
    using Kind = ListingColumns::Kind;
    const ListingColumns columns(1);
    const struct {
        std::string line;
        Kind kind;
    } kLines[] = {
        {"     QQ1", Kind::qq_line},
        {"    QQ1", Kind::other},
        {" LENGTH RELATIVE ACCURACIES ", Kind::title_line},
        {" LENGTH RELATIVE ACCURACIES", Kind::other},
        {" FROM: ", Kind::entry_line},
        {"FROM: ", Kind::other},
        {" FROM:", Kind::other},
        {" FR", Kind::other},
    };
    for (const auto& [line, kind] : kLines) EXPECT_EQ(columns.kind_of(line), kind) << line;
    EXPECT_TRUE(columns.is_version_line(std::string(58, ' ') + "VERSION" + std::string(1, ' ')));
    EXPECT_FALSE(columns.is_version_line(std::string(58, ' ') + "VERSION"));  // 65 bytes
    EXPECT_FALSE(columns.is_version_line(std::string(57, ' ') + "VERSION  "));
}

TEST(ListingLines, PairEachEntryLineWithTheLineAfterIt) {
    const ListingColumns columns(0);
    ExaminedLines lines(columns, "FROM: 1\nFROM: 2\nFROM: 3\nQQQQQ\nFROM: 4");
    std::vector<std::string> seen;
    ExaminedLines::Line line;
    while (lines.next(line)) {
        seen.push_back(std::string(line.text) + (line.has_second_line ? " + " : " alone") +
                       std::string(line.second_line));
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"FROM: 1 + FROM: 2", "FROM: 3 + QQQQQ", "FROM: 4 alone"}));
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

}  // namespace
}  // namespace vandlor2
