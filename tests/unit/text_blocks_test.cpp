#include "listing/text_blocks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "listing/scanner.h"
#include "support/file_stream.h"
#include "tests/unit/failing_source.h"

namespace vandlor2 {
namespace {

using LineList = std::vector<std::string>;

struct ReadBack {
    LineList lines;
    std::string bytes;  ///< every block's text, one after another
    TextBlockReader::Read last{TextBlockReader::Read::Kind::end};
    bool whole_lines = true;  ///< every block but the last ended at a line end
};

/// Every block of `input` in blocks of about `block_bytes`, and the lines in them.
ReadBack read_back(std::istream& input, std::size_t block_bytes = kTextBlockBytes) {
    TextBlockReader reader(input, block_bytes);
    TextBlock blocks[2];  // two in turn, as the blocks of a listing go round their slots
    ReadBack back;
    for (std::size_t n = 0;; ++n) {
        TextBlock& block = blocks[n % 2];
        back.last = reader.next(block, end_of_whole_lines);
        if (back.last.kind != TextBlockReader::Read::Kind::block) return back;
        if (!back.bytes.empty() && back.bytes.back() != '\n') back.whole_lines = false;
        back.bytes += block.text();
        Lines split(block.text());
        std::string_view line;
        while (split.next(line)) back.lines.emplace_back(line);
    }
}

LineList lines_of(const std::string& text, std::size_t block_bytes = kTextBlockBytes) {
    std::istringstream input(text);
    return read_back(input, block_bytes).lines;
}

TEST(TextBlocks, ReadAFileAfterAPeekAtItsFirstByte) {
    const std::string name = ::testing::TempDir() + "text_blocks_peeked.lst";
    const std::string long_line(2 * kTextBlockBytes + 1, 'z');
    std::ofstream(name, std::ios::binary) << "first\nsecond\n" << long_line << "\nlast";
    NativeFile file;
    ASSERT_FALSE(file.open_for_reading(name));
    FileInputBuffer buffer(file);
    std::istream input(&buffer);
    EXPECT_EQ(input.peek(), 'f');  // the byte held by the file buffer comes first all the same
    EXPECT_EQ(read_back(input).lines, (LineList{"first", "second", long_line, "last"}));
    std::remove(name.c_str());
}

TEST(TextBlocks, SplitAtLineFeedsLikeGetline) {
    for (const std::size_t block_bytes : {std::size_t{1}, std::size_t{3}, kTextBlockBytes}) {
        EXPECT_EQ(lines_of("", block_bytes), LineList{});
        EXPECT_EQ(lines_of("\n", block_bytes), LineList{""});
        EXPECT_EQ(lines_of("a", block_bytes), LineList{"a"});
        EXPECT_EQ(lines_of("a\nb\n", block_bytes), (LineList{"a", "b"}));
        EXPECT_EQ(lines_of("a\nb", block_bytes), (LineList{"a", "b"}));
        EXPECT_EQ(lines_of("a\n\n\nb", block_bytes), (LineList{"a", "", "", "b"}));
        // Only the carriage return before a line feed is dropped, also across blocks.
        EXPECT_EQ(lines_of("a\r\nb\r\n", block_bytes), (LineList{"a", "b"}));
        EXPECT_EQ(lines_of("a\rb\r\r\n\r", block_bytes), (LineList{"a\rb\r", "\r"}));
        const std::string bytes("\0\x1A\xFF\x80 \t", 6);
        if (!kCrLfLineEnds) {
            EXPECT_EQ(lines_of(bytes + "\n" + bytes, block_bytes), (LineList{bytes, bytes}));
        }
    }
}

TEST(TextBlocks, KeepLinesWholeAcrossBlocks) {
    // Longer than a block, with a CR LF split between two blocks, and many short lines.
    const std::string long_line(5 * 1024 * 1024 + 17, 'x');
    EXPECT_EQ(lines_of(long_line + "\nshort\n" + long_line),
              (LineList{long_line, "short", long_line}));
    for (const std::size_t blocks : {1, 2, 3}) {
        const std::string cr_split(blocks * kTextBlockBytes - 1, 'y');
        EXPECT_EQ(lines_of(cr_split + "\r\nz"), (LineList{cr_split, "z"})) << blocks;
    }
    std::string many;
    LineList expected;
    for (int i = 0; i < 400000; ++i) {
        expected.push_back(std::to_string(i));
        many += expected.back() + "\n";
    }
    std::istringstream input(many);
    const ReadBack back = read_back(input, 1000);
    EXPECT_EQ(back.lines, expected);
    EXPECT_TRUE(back.whole_lines);
}

TEST(TextBlocks, HoldBackTheEndOfABlockForTheNext) {
    std::istringstream input("one\ntwo\nthree\n");
    TextBlockReader reader(input);
    TextBlock first;
    TextBlock second;
    ASSERT_EQ(reader.next(first, end_of_whole_lines).kind, TextBlockReader::Read::Kind::block);
    EXPECT_EQ(first.text(), "one\ntwo\nthree\n");
    reader.hold_back(first, 4);
    EXPECT_EQ(first.text(), "one\n");
    ASSERT_EQ(reader.next(second, end_of_whole_lines).kind, TextBlockReader::Read::Kind::block);
    EXPECT_EQ(second.text(), "two\nthree\n");
    EXPECT_EQ(reader.next(first, end_of_whole_lines).kind, TextBlockReader::Read::Kind::end);

    // A block ends where the caller says, and is read on while that is nowhere or would hold
    // back more than a block: each byte comes once, in order, into one buffer or two in turn.
    std::string text;
    for (int i = 0; text.size() < 50000; ++i) text += std::string(i % 7, 'a' + i % 23) + "\n";
    const auto after_third_line_feed = [](std::string_view block) -> std::size_t {
        std::size_t at = 0;
        for (int feeds = 0; feeds < 3; ++feeds) {
            at = block.find('\n', at);
            if (at == block.npos) return 0;
            ++at;
        }
        return at;
    };
    for (const std::size_t buffers : {1, 2}) {
        for (const std::size_t block_bytes : {1, 10, 4096}) {
            std::istringstream source(text);
            TextBlockReader blocks(source, block_bytes);
            TextBlock buffer[2];
            std::string read;
            for (std::size_t n = 0;; ++n) {
                TextBlock& block = buffer[n % buffers];
                if (blocks.next(block, after_third_line_feed).kind !=
                    TextBlockReader::Read::Kind::block) {
                    break;
                }
                read += block.text();
            }
            EXPECT_TRUE(read == text) << buffers << " buffers, blocks of " << block_bytes;
        }
    }
}

TEST(TextBlocks, GiveTheCauseOfAFailedReadAfterTheLinesBeforeIt) {
    FailingSource source("first\nsecond");
    std::istream input(&source);
    const ReadBack back = read_back(input);
    EXPECT_EQ(back.lines, LineList{"first"});
    EXPECT_EQ(back.last.kind, TextBlockReader::Read::Kind::failed);
    EXPECT_EQ(back.last.failure, FileCause::io_error);
}

}  // namespace
}  // namespace vandlor2
