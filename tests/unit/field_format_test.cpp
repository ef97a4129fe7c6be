#include "report/field_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>

#include "tests/unit/case_name.h"

namespace vandlor2 {
namespace {

/// The text of a line that `build` places, with room for `most_bytes` and two numbers.
template <typename Build>
std::string line_of(std::size_t most_bytes, Build&& build) {
    ReportText text;
    text.append("before:");
    ReportLine line(text, most_bytes + 2 * ReportLine::kLongestAccuracyBytes);
    build(line);
    line.end();
    const std::string_view built = text.text();
    EXPECT_EQ(built.substr(0, 7), "before:");
    return std::string(built.substr(7));
}

struct AccuracyCase {
    std::string text;
    std::string written;      // right-justified in 10
    std::string beyond = "";  // bytes after the text in memory, which must not be read
    std::string before = "";  // and before it
};

class AccuracyTest : public testing::TestWithParam<AccuracyCase> {};

TEST_P(AccuracyTest, WritesTheNearestWholeNumber) {
    const AccuracyCase& given = GetParam();
    const std::string storage = given.before + given.text + given.beyond;
    const std::string_view text =
        std::string_view(storage).substr(given.before.size(), given.text.size());
    EXPECT_EQ(line_of(10, [&](ReportLine& line) { line.accuracy(text, 10); }), given.written)
        << "text: \"" << given.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AccuracyTest,
    testing::Values(
        // No number at all.
        AccuracyCase{"", "         0"}, AccuracyCase{"        ", "         0"},
        AccuracyCase{"*", "         0"}, AccuracyCase{"   ABC", "         0"},
        AccuracyCase{"-", "         0"}, AccuracyCase{"+-5", "         0"},
        AccuracyCase{".", "         0"}, AccuracyCase{"e5", "         0"},
        // Numbers, and what follows them ignored.
        AccuracyCase{"   45678", "     45678"}, AccuracyCase{"123*", "       123"},
        AccuracyCase{"    123456.7", "    123457"}, AccuracyCase{"\t\n\v\f\r 77", "        77"},
        AccuracyCase{"+12", "        12"}, AccuracyCase{"0x1A", "         0"},
        AccuracyCase{"12,5", "        12"}, AccuracyCase{"1e", "         1"},
        AccuracyCase{"1e+", "         1"}, AccuracyCase{".5e1", "         5"},
        AccuracyCase{"5.", "         5"}, AccuracyCase{"00012", "        12"},
        // Halves go to the even whole number.
        AccuracyCase{"456.49", "       456"}, AccuracyCase{"456.5", "       456"},
        AccuracyCase{"457.5", "       458"}, AccuracyCase{"2.5", "         2"},
        AccuracyCase{"3.5", "         4"}, AccuracyCase{"9.5", "        10"},
        AccuracyCase{"0.5", "         0"}, AccuracyCase{"0.5000000001", "         1"},
        AccuracyCase{"1.4999999999", "         1"}, AccuracyCase{"0.6", "         1"},
        AccuracyCase{"-0.6", "        -1"}, AccuracyCase{"19.5", "        20"},
        AccuracyCase{"99.5", "       100"}, AccuracyCase{"999999.51", "   1000000"},
        AccuracyCase{"109.5", "       110"}, AccuracyCase{"0.05", "         0"},
        AccuracyCase{"000.50001", "         1"}, AccuracyCase{"9999999999.5", "10000000000"},
        // Negative values keep their sign, also when they round to zero.
        AccuracyCase{"-12.5", "       -12"}, AccuracyCase{"-13.5", "       -14"},
        AccuracyCase{"-0.4", "        -0"}, AccuracyCase{"-0", "        -0"},
        AccuracyCase{"-.5", "        -0"},
        // Exponents and wide numbers.
        AccuracyCase{"1.5E3", "      1500"}, AccuracyCase{"25e-1", "         2"},
        AccuracyCase{"12345678901", "12345678901"}, AccuracyCase{"1e15", "1000000000000000"},
        AccuracyCase{"123456789012", "123456789012"},
        AccuracyCase{"-1.8e19", "-18000000000000000000"},
        AccuracyCase{"1.9e19", "19000000000000000000"},
        AccuracyCase{"1e22", "10000000000000000000000"}, AccuracyCase{"1e-400", "         0"},
        AccuracyCase{"-1e-400", "        -0"}, AccuracyCase{"4.9e-324", "         0"},
        // Only the first twelve bytes, the widest column, are read.
        AccuracyCase{"   1234567890", " 123456789"}, AccuracyCase{"       2.5001", "         2"},
        AccuracyCase{std::string(12, ' ') + "5", "         0"},
        // A text ends where its view ends, whatever the memory after it holds.
        AccuracyCase{"   ", "         0", "-7"}, AccuracyCase{"  ", "         0", " 7"},
        AccuracyCase{"", "         0", " 7"}, AccuracyCase{"+", "         0", "7"},
        AccuracyCase{"00", "         0", "07"}, AccuracyCase{"12", "        12", ".7"},
        AccuracyCase{"2.", "         2", "51"}, AccuracyCase{"2.5", "         2", "1"},
        AccuracyCase{"1", "         1", "e5"}, AccuracyCase{"9", "         9", "9.5"},
        AccuracyCase{"-5", "        -5", "", "7"}, AccuracyCase{"+5", "         5", "", "7"},
        // Infinities and not-a-number values as the stream writes them.
        AccuracyCase{"INF", "       inf"}, AccuracyCase{"-Infinity", "      -inf"},
        AccuracyCase{"1E999", "       inf"}, AccuracyCase{"-1E999", "      -inf"},
        AccuracyCase{"1e400", "       inf"}, AccuracyCase{"-1e+400", "      -inf"},
        AccuracyCase{"0.0001e99999", "       inf"}, AccuracyCase{"nan", "       nan"},
        AccuracyCase{"-NaN(123)", "      -nan"}, AccuracyCase{"infx", "       inf"},
        AccuracyCase{"in", "         0"}),
    [](const testing::TestParamInfo<AccuracyCase>& info) {
        return case_name(info.index, info.param.text);
    });

TEST(AccuracyValue, ReadsTheFirstTwelveBytesAsStrtodDoes) {
    EXPECT_EQ(accuracy_value("0.1"), 0.1);
    EXPECT_EQ(accuracy_value("0.1234567891"), 0.1234567891);
    EXPECT_EQ(accuracy_value("999999999999"), 999999999999.0);
    EXPECT_EQ(accuracy_value("1234567890123"), 123456789012.0);
    EXPECT_EQ(accuracy_value("2.22507e-308"), 2.22507e-308);
    EXPECT_EQ(accuracy_value("4.9e-324"), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(accuracy_value("1.79769e308"), 1.79769e308);
    EXPECT_EQ(accuracy_value("-1.7977e308"), -std::numeric_limits<double>::infinity());
    // Below half the smallest double: a zero of the text's sign.
    EXPECT_TRUE(accuracy_value("2e-324") == 0.0 && !std::signbit(accuracy_value("2e-324")));
    EXPECT_TRUE(accuracy_value("-2e-324") == 0.0 && std::signbit(accuracy_value("-2e-324")));
    // No number: a zero without sign.
    EXPECT_FALSE(std::signbit(accuracy_value("-")));
    EXPECT_FALSE(std::signbit(accuracy_value("--5")));
}

struct JustifyCase {
    bool left;
    std::string text;
    std::size_t width;
    std::string placed;
};

class JustifyTest : public testing::TestWithParam<JustifyCase> {};

TEST_P(JustifyTest, PadsToTheWidthAndNeverCuts) {
    const JustifyCase& given = GetParam();
    EXPECT_EQ(line_of(1 + given.text.size() + given.width,
                      [&](ReportLine& line) {
                          line.literal("|");
                          if (given.left) {
                              line.left(given.text, given.width);
                          } else {
                              line.right(given.text, given.width);
                          }
                      }),
              "|" + given.placed);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, JustifyTest,
    testing::Values(JustifyCase{true, "AB", 5, "AB   "}, JustifyCase{false, "AB", 5, "   AB"},
                    JustifyCase{true, "", 3, "   "}, JustifyCase{false, "ABCDE", 5, "ABCDE"},
                    JustifyCase{true, "ABCDEF", 5, "ABCDEF"},
                    JustifyCase{false, "ABCDEF", 5, "ABCDEF"},
                    JustifyCase{false, "A", 70, std::string(69, ' ') + "A"},
                    JustifyCase{true, "A", 70, "A" + std::string(69, ' ')}),
    [](const testing::TestParamInfo<JustifyCase>& info) {
        return case_name(info.index, (info.param.left ? "left " : "right ") + info.param.text +
                                         " in " + std::to_string(info.param.width));
    });

TEST(ReportLine, GrowsForAnyItems) {
    const std::string text = line_of(800, [](ReportLine& line) {
        line.left(std::string(300, 'x'), 10);
        line.accuracy("-1.79769e308", 10);
        line.accuracy("1.79769e308", 10);
        line.right("end", 500);
    });
    EXPECT_EQ(text.size(), 300u + 310u + 309u + 500u);
    EXPECT_EQ(text.substr(300, 8), "-1797690");
    EXPECT_EQ(text.substr(610, 8), "17976900");
    EXPECT_EQ(text.substr(919), std::string(497, ' ') + "end");
}

}  // namespace
}  // namespace vandlor2

namespace vandlor2 {
namespace {

/// The number rule as the C library gives it: strtod, then printf's fixed notation with no
/// decimals. Valid for these texts, which hold no hexadecimal or locale-dependent form.
std::string c_library_whole_number(const std::string& text) {
    char printed[400];
    std::snprintf(printed, sizeof printed, "%.0f", std::strtod(text.c_str(), nullptr));
    return printed;
}

TEST(AccuracyNumber, AgreesWithTheCLibraryOnRandomDecimals) {
    // Plain decimals the quick way takes, with signs, leading zeros and nines to carry, and the
    // shapes it leaves to the general one: exponents, other white space, bytes that end them.
    std::mt19937_64 random(20021409);
    const std::string alphabet = "0000123456789999.";
    const std::string endings[] = {"", "", "", "*", " 1", "e", "E2", "\t", ".", "..5"};
    for (int i = 0; i < 400000; ++i) {
        std::string text(random() % 6, random() % 20 == 0 ? '\t' : ' ');
        if (random() % 5 == 0) text += random() % 2 ? "-" : "+";
        const std::size_t length = 1 + random() % 12;
        for (std::size_t j = 0; j < length; ++j) text += alphabet[random() % alphabet.size()];
        if (random() % 10 == 0) text += "5";
        if (random() % 4 == 0) text += (random() % 2 ? "e" : "e-") + std::to_string(random() % 330);
        text += endings[random() % std::size(endings)];
        ASSERT_EQ(line_of(0, [&](ReportLine& line) { line.accuracy(text, 0); }),
                  c_library_whole_number(text.substr(0, kAccuracyTextWidth)))
            << "text: \"" << text << '"';
    }
}

}  // namespace
}  // namespace vandlor2
