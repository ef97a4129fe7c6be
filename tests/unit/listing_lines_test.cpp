#include "listing/listing_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

namespace vandlor2 {
namespace {

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
