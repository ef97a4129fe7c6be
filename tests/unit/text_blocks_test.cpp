#include "listing/text_blocks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "listing/listing_lines.h"
#include "support/file_stream.h"
#include "tests/unit/failing_source.h"

namespace vandlor2 {
namespace {

using Lines_ = std::vector<std::string>;

/// Every line of every block, and whether each block but the last ended at a line end.
Lines_ all_lines(std::istream& input, bool* blocks_end_at_line_ends = nullptr,
                 TextBlockReader::Status* last_status = nullptr) {
    TextBlockReader reader(input);
    TextBlock block;
    Lines_ lines;
    TextBlockReader::Status status;
    while ((status = reader.next(block)) == TextBlockReader::Status::block) {
        if (blocks_end_at_line_ends && !reader.at_end() && block.text().back() != '\n') {
            *blocks_end_at_line_ends = false;
        }
        Lines split(block.text());
        std::string_view line;
        while (split.next(line)) lines.emplace_back(line);
    }
    if (last_status) *last_status = status;
    return lines;
}

Lines_ all_lines(const std::string& text) {
    std::istringstream input(text);
    return all_lines(input);
}

TEST(TextBlocks, ReadsAFileAfterAPeekAtItsFirstByte) {
    const std::string name = ::testing::TempDir() + "line_reader_peeked.lst";
    const std::string long_line(2 * kTextBlockBytes + 1, 'z');
    std::ofstream(name, std::ios::binary) << "first\nsecond\n" << long_line << "\nlast";
    NativeFile file;
    ASSERT_FALSE(file.open_for_reading(name));
    FileInputBuffer buffer(file);
    std::istream input(&buffer);
    EXPECT_EQ(input.peek(), 'f');  // the byte held by the file buffer comes first all the same
    EXPECT_EQ(all_lines(input), (Lines_{"first", "second", long_line, "last"}));

    // A peek, a read of no byte, then of one and a byte at a time: each byte comes once, in
    // order, and then the end.
    std::ofstream(name, std::ios::binary | std::ios::trunc) << "abc";
    NativeFile again;
    ASSERT_FALSE(again.open_for_reading(name));
    FileInputBuffer bytes(again);
    char first[2] = {'-', '-'};
    EXPECT_EQ(bytes.sgetc(), 'a');
    EXPECT_EQ(bytes.sgetn(first, 0), 0);
    EXPECT_EQ(bytes.sgetn(first, 1), 1);
    EXPECT_EQ(std::string(first, 2), "a-");
    EXPECT_EQ(bytes.sbumpc(), 'b');
    EXPECT_EQ(bytes.sbumpc(), 'c');
    EXPECT_EQ(bytes.sbumpc(), EOF);
    std::remove(name.c_str());
}

TEST(TextBlocks, SplitsAtLineFeedsLikeGetline) {
    EXPECT_EQ(all_lines(""), Lines_{});
    EXPECT_EQ(all_lines("\n"), Lines_{""});
    EXPECT_EQ(all_lines("a"), Lines_{"a"});  // one byte, held over a growing buffer
    EXPECT_EQ(all_lines("a\nb\n"), (Lines_{"a", "b"}));
    EXPECT_EQ(all_lines("a\nb"), (Lines_{"a", "b"}));
    EXPECT_EQ(all_lines("a\n\n\nb"), (Lines_{"a", "", "", "b"}));
}

TEST(TextBlocks, DropsOnlyTheCarriageReturnBeforeALineFeed) {
    EXPECT_EQ(all_lines("a\r\nb\r\n"), (Lines_{"a", "b"}));
    EXPECT_EQ(all_lines("a\rb\r\r\n\r"), (Lines_{"a\rb\r", "\r"}));
    EXPECT_EQ(all_lines("\r\n"), Lines_{""});
}

TEST(TextBlocks, KeepsEveryOtherByte) {
    const std::string bytes("\0\x1A\xFF\x80 \t", 6);
    EXPECT_EQ(all_lines(bytes + "\n" + bytes), (Lines_{bytes, bytes}));
}

TEST(TextBlocks, KeepsLinesWholeAcrossBlocks) {
    // Longer than a block, with a CR LF split between two blocks, and many
    // short lines.
    const std::string long_line(5 * 1024 * 1024 + 17, 'x');
    EXPECT_EQ(all_lines(long_line + "\nshort\n" + long_line),
              (Lines_{long_line, "short", long_line}));
    for (const std::size_t blocks : {1, 2, 3}) {
        const std::string cr_split(blocks * kTextBlockBytes - 1, 'y');
        EXPECT_EQ(all_lines(cr_split + "\r\nz"), (Lines_{cr_split, "z"})) << blocks;
    }
    std::string many;
    Lines_ expected;
    for (int i = 0; i < 400000; ++i) {
        expected.push_back(std::to_string(i));
        many += expected.back() + "\n";
    }
    std::istringstream input(many);
    bool at_line_ends = true;
    EXPECT_EQ(all_lines(input, &at_line_ends), expected);
    EXPECT_TRUE(at_line_ends);
}

TEST(TextBlocks, GivesBackTheEndOfABlockToTheNext) {
    std::istringstream input("one\ntwo\nthree\n");
    TextBlockReader reader(input);
    TextBlock block;
    ASSERT_EQ(reader.next(block), TextBlockReader::Status::block);
    EXPECT_EQ(block.text(), "one\ntwo\nthree\n");
    reader.give_back(block, 4);
    EXPECT_EQ(block.text(), "one\n");
    ASSERT_EQ(reader.next(block), TextBlockReader::Status::block);
    EXPECT_EQ(block.text(), "two\nthree\n");
    EXPECT_EQ(reader.next(block), TextBlockReader::Status::end);

    // Any end given back, once or again and again, long or short: the blocks still hold each
    // byte once, in order. A long end given back twice is the case where the carried bytes are
    // no longer behind the block in its buffer, and must be moved with the end.
    std::string lines;
    for (int i = 0; lines.size() < kTextBlockBytes * 3 / 2; ++i)
        lines += std::to_string(i * 7919) + "\n";
    std::string long_line;
    for (int i = 0; long_line.size() < kTextBlockBytes * 9 / 4; ++i)
        long_line += static_cast<char>('a' + i % 23);
    // One byte kept of a long block goes to a buffer of its own.
    std::istringstream one_line(long_line + "\n");
    TextBlockReader one(one_line);
    ASSERT_EQ(one.next(block), TextBlockReader::Status::block);
    one.give_back(block, 1);
    EXPECT_EQ(block.text(), "a");
    ASSERT_EQ(one.next(block), TextBlockReader::Status::block);
    EXPECT_TRUE(block.text() == long_line.substr(1) + "\n");
    // The last text leaves one byte carried after a first block of a full block's bytes.
    const std::vector<std::string> texts = {long_line + "\n", lines + long_line + "\n" + lines,
                                            long_line + "\n" + long_line + "\n" + lines,
                                            std::string(kTextBlockBytes - 2, 'p') + "\n" + lines};
    const std::vector<std::vector<double>> give_backs = {{0.5}, {0.7, 0.4}, {0.45, 0.3, 0.2}};
    for (std::size_t t = 0; t < texts.size(); ++t) {
        for (const std::vector<double>& fractions : give_backs) {
            std::istringstream source(texts[t]);
            TextBlockReader blocks(source);
            std::string read;
            while (blocks.next(block) == TextBlockReader::Status::block) {
                for (const double fraction : fractions) {
                    const auto from = static_cast<std::size_t>(fraction * block.size);
                    if (!blocks.at_end() && from > 0) blocks.give_back(block, from);
                }
                read += block.text();
            }
            EXPECT_TRUE(read == texts[t]) << "text " << t << ", " << fractions.size();
        }
    }
}

TEST(TextBlocks, ReportsAReadErrorAfterTheLinesBeforeIt) {
    FailingSource buffer("first\nsecond");
    std::istream input(&buffer);
    TextBlockReader::Status status = TextBlockReader::Status::block;
    EXPECT_EQ(all_lines(input, nullptr, &status), Lines_{"first"});
    EXPECT_EQ(status, TextBlockReader::Status::error);
}

}  // namespace
}  // namespace vandlor2
