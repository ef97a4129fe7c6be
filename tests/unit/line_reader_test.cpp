#include "listing/line_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/unit/failing_source.h"

namespace vandlor2 {
namespace {

std::vector<std::string> all_lines(const std::string& text) {
    std::istringstream input(text);
    LineReader reader(input);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line) == LineReader::Status::line) lines.emplace_back(line);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, SplitsAtLineFeedsLikeGetline) {
    EXPECT_EQ(all_lines(""), Lines{});
    EXPECT_EQ(all_lines("\n"), Lines{""});
    EXPECT_EQ(all_lines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(all_lines("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(all_lines("a\n\n\nb"), (Lines{"a", "", "", "b"}));
}

TEST(LineReader, DropsOnlyTheCarriageReturnBeforeALineFeed) {
    EXPECT_EQ(all_lines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(all_lines("a\rb\r\r\n\r"), (Lines{"a\rb\r", "\r"}));
    EXPECT_EQ(all_lines("\r\n"), Lines{""});
}

TEST(LineReader, KeepsEveryOtherByte) {
    const std::string bytes("\0\x1A\xFF\x80 \t", 6);
    EXPECT_EQ(all_lines(bytes + "\n" + bytes), (Lines{bytes, bytes}));
}

TEST(LineReader, JoinsLinesAcrossBlocks) {
    // Longer than the reader's block, with a CR LF split between two blocks.
    const std::string long_line(3 * 1024 * 1024 + 17, 'x');
    const std::string cr_split = std::string((1 << 20) - 1, 'y');
    EXPECT_EQ(all_lines(long_line + "\nshort\n" + long_line),
              (Lines{long_line, "short", long_line}));
    EXPECT_EQ(all_lines(cr_split + "\r\nz"), (Lines{cr_split, "z"}));
}

TEST(LineReader, ReportsAReadErrorAfterTheLinesBeforeIt) {
    FailingSource buffer("first\nsecond");
    std::istream input(&buffer);
    LineReader reader(input);
    std::string_view line;
    ASSERT_EQ(reader.next(line), LineReader::Status::line);
    EXPECT_EQ(line, "first");
    EXPECT_EQ(reader.next(line), LineReader::Status::error);
    EXPECT_EQ(reader.next(line), LineReader::Status::error);
}

}  // namespace
}  // namespace vandlor2
