#include "support/trim.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/case_name.h"

namespace vandlor2 {
namespace {

struct TrimCase {
    std::string text;
    char mode;
    std::string expected;
};

class TrimTest : public testing::TestWithParam<TrimCase> {};

std::string trim_case_name(const testing::TestParamInfo<TrimCase>& info) {
    return case_name(info.index, "mode " + std::string(1, info.param.mode) + " " + info.param.text);
}

TEST_P(TrimTest, ChangesTheArgumentAndReturnsTheSameText) {
    std::string text = GetParam().text;
    const std::string result = trim(text, GetParam().mode);
    EXPECT_EQ(text, GetParam().expected);
    EXPECT_EQ(result, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TrimTest,
    testing::Values(TrimCase{"  12.345 ", 'B', "12.345"}, TrimCase{"  12.345 ", 'b', "12.345"},
                    TrimCase{"  12.345 ", 'L', "12.345 "}, TrimCase{"  12.345 ", 'l', "12.345 "},
                    TrimCase{"  12.345 ", 'R', "  12.345"}, TrimCase{"  12.345 ", 'r', "  12.345"},
                    TrimCase{"  12.345 ", 'X', "  12.345 "},
                    TrimCase{"  12.345 ", '\0', "  12.345 "}, TrimCase{"", 'B', ""},
                    TrimCase{"", 'L', ""}, TrimCase{"", 'R', ""}, TrimCase{" \t \t", 'L', ""},
                    TrimCase{" \t \t", 'R', ""}, TrimCase{" \t \t", 'B', ""},
                    TrimCase{"a  b", 'B', "a  b"}, TrimCase{" a  b\t", 'B', "a  b"}),
    trim_case_name);

INSTANTIATE_TEST_SUITE_P(
    WhiteSpaceBytes, TrimTest,
    testing::Values(TrimCase{"\tx\t", 'B', "x"}, TrimCase{"\nx\n", 'B', "x"},
                    TrimCase{"\vx\v", 'B', "x"}, TrimCase{"\fx\f", 'B', "x"},
                    TrimCase{"\rx\r", 'B', "x"},
                    // Bytes outside the C locale's white space stay, whatever the locale.
                    TrimCase{"\xA0x\xA0", 'B', "\xA0x\xA0"},
                    TrimCase{"\x85x\xFF", 'B', "\x85x\xFF"},
                    TrimCase{std::string("\0x\0", 3), 'B', std::string("\0x\0", 3)},
                    TrimCase{"\x1Cx\x1F", 'B', "\x1Cx\x1F"}),
    trim_case_name);

}  // namespace
}  // namespace vandlor2
