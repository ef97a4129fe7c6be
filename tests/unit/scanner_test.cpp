#include "listing/scanner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_reader.h"
#include "tests/unit/case_name.h"
#include "tests/unit/line_builder.h"

namespace vandlor2 {
namespace {

const std::string& kHeader = kListingHeader;

struct Scanned {
    ScanEnd end;
    ListingContents contents;
    std::string console;
    std::string errors;
};

std::unique_ptr<Scanned> scanned(const std::string& listing) {
    std::istringstream input(listing);
    std::ostringstream console;
    std::ostringstream errors;
    auto result = std::make_unique<Scanned>();
    result->end = read_listing(input, console, errors, result->contents);
    result->console = console.str();
    result->errors = errors.str();
    return result;
}

struct BeforeProgramLineCase {
    std::string line;
    ScanStatus status;  // completed: the scan goes on
    int offset;         // -1: still looking
};

class BeforeProgramLineTest : public testing::TestWithParam<BeforeProgramLineCase> {};

TEST_P(BeforeProgramLineTest, OnlyTheProgramLineGivesTheOffset) {
    std::ostringstream console;
    std::ostringstream errors;
    ListingContents contents;
    ListingScanner scanner(console, errors, contents);
    EXPECT_TRUE(scanner.take_before_program_line(GetParam().line));  // the first line: skipped
    const bool wanting = scanner.take_before_program_line(GetParam().line);
    EXPECT_EQ(wanting, GetParam().offset < 0 && GetParam().status == ScanStatus::completed);
    EXPECT_EQ(scanner.status(), GetParam().status);
    EXPECT_EQ(scanner.offset().has_value(), GetParam().offset >= 0);
    if (scanner.offset()) {
        EXPECT_EQ(*scanner.offset(), static_cast<std::size_t>(GetParam().offset));
    }
}

const std::string kLong(66, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lines, BeforeProgramLineTest,
    testing::Values(
        BeforeProgramLineCase{"PROGRAM KORMIN", ScanStatus::completed, 0},
        BeforeProgramLineCase{" PROGRAM KORMIN", ScanStatus::completed, 1},
        // The name ends at the 20th byte.
        BeforeProgramLineCase{"      PROGRAM KORMIN", ScanStatus::completed, 1},
        BeforeProgramLineCase{"       PROGRAM KORMIN", ScanStatus::completed, -1},
        BeforeProgramLineCase{"\tPROGRAM KORMIN", ScanStatus::program_line_without_offset, -1},
        BeforeProgramLineCase{"\fPROGRAM KORMIN     " + kLong,
                              ScanStatus::program_line_without_offset, -1},
        // The program line may be long; another line that long before it ends the scan.
        BeforeProgramLineCase{"PROGRAM KORMIN      " + kLong, ScanStatus::completed, 0},
        BeforeProgramLineCase{"PROGRAM KORMINX", ScanStatus::completed, -1},
        BeforeProgramLineCase{kLong.substr(1), ScanStatus::completed, -1},
        BeforeProgramLineCase{kLong, ScanStatus::content_before_program_line, -1},
        BeforeProgramLineCase{" FROM: " + kLong, ScanStatus::content_before_program_line, -1},
        BeforeProgramLineCase{"PRO", ScanStatus::completed, -1}),
    [](const testing::TestParamInfo<BeforeProgramLineCase>& info) {
        return case_name(info.index, info.param.line.substr(0, 24));
    });

/// What `examine_lines` gives for `text` with offset 1: each line's kind and text, and each
/// entry's or QQ line's texts joined by '|'.
std::vector<std::string> examined(const std::string& text) {
    const std::string padded = text + std::string(kCopySlackBytes, '\0');
    const std::string_view view(padded.data(), text.size());
    RecordTable table;
    RecordStore::Writer writer(table.store());
    std::vector<ExaminedLine> lines;
    examine_lines(1, view, true, lines, writer);
    static const char* const kKinds[] = {"version", "qq", "title", "entry"};
    std::vector<std::string> seen;
    for (const ExaminedLine& line : lines) {
        std::string shown = std::string(kKinds[static_cast<int>(line.kind)]) + ":" +
                            std::string(view.substr(line.text_at, line.text_size));
        if (line.kind == ExaminedLine::Kind::qq_line) {
            const QqTexts qq = table.store().qq(line.texts);
            shown += "|" + std::string(qq.ssn_from) + "|" + std::string(qq.ssn_to) + "|" +
                     std::string(qq.survey_order);
        } else if (line.kind == ExaminedLine::Kind::entry_line) {
            const EntryTexts entry = table.store().entry(line.texts);
            for (const std::string_view part :
                 {entry.ssn_from, entry.from_station, entry.ssn_to, entry.to_station,
                  entry.distance, entry.internal_accuracy, entry.external_accuracy}) {
                shown += "|" + std::string(part);
            }
        }
        if (line.texts != 0)
            shown += "|" + std::to_string(line.ssn_from) + "/" + std::to_string(line.ssn_to);
        seen.push_back(shown);
    }
    return seen;
}

using Seen = std::vector<std::string>;

/// How `examined` shows an entry: its first line, its texts and the values of its SSNs.
std::string entry_seen(const std::string& first_line, const std::vector<std::string>& texts,
                       const std::string& values) {
    std::string shown = "entry:" + first_line;
    for (const std::string& text : texts) shown += "|" + text;
    return shown + "|" + values;
}

TEST(ExamineLines, TellsEachLineItsKindCountedFromTheOffset) {
    EXPECT_EQ(examined("     QQ1\n    QQ1\n LENGTH RELATIVE ACCURACIES \n"
                       " LENGTH RELATIVE ACCURACIES\n FROM:\n FR\nFROM: \n"),
              (Seen{"qq:     QQ1|||1|0/0", "title: LENGTH RELATIVE ACCURACIES "}));
    // A version line is more than 65 bytes with "VERSION" in its column, and may be a line of
    // another kind too; its text is from the 67th byte on, trimmed.
    const std::string version = line_with(58, {{58, "VERSION"}});
    const std::string qq_version = line_with(66, {{5, "QQ"}, {58, "VERSION"}, {66, "4.2 "}});
    const Seen seen = examined(version + " x\n" + version + "\n" +
                               line_with(57, {{57, "VERSION"}}) + "  \n" + qq_version + "\n");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "version:x");
    EXPECT_EQ(seen[1], "version:4.2");
    EXPECT_EQ(seen[2].substr(0, 3 + qq_version.size()), "qq:" + qq_version);
}

TEST(ExamineLines, CutsTheColumnsOfQqLinesAndEntries) {
    const std::string qq = qq_line("00012", "  7  ", '3');
    EXPECT_EQ(examined(qq), Seen{"qq:" + qq.substr(0, qq.size() - 1) + "|00012|  7  |3|12/7"});
    // SSNs and names trimmed, the distance and accuracies as cut, the 9 after the internal
    // accuracy not taken.
    const std::string first = listing_line(
        {{0, "FROM: "}, {7, "  12 "}, {15, " NORTH BASE "}, {54, "0034"}, {62, "HILL"}});
    EXPECT_EQ(
        examined(first + entry_second_line("     1.5")),
        Seen{entry_seen(first.substr(0, first.size() - 1),
                        {"12", "NORTH BASE", "0034", "HILL", " 1000.000", "   12345", "     1.5"},
                        "12/34")});
    // Columns beyond a short line's end are empty.
    EXPECT_EQ(examined(" FROM:  1\nshort\n"),
              Seen{entry_seen(" FROM:  1", {"1", "", "", "", "", "", ""}, "1/0")});
}

TEST(ExamineLines, PairsEachEntryLineWithTheLineAfterItUntested) {
    const auto alone = [](const std::string& number, const std::string& distance = "") {
        return entry_seen(" FROM:  " + number, {number, "", "", "", distance, "", ""},
                          number + "/0");
    };
    EXPECT_EQ(
        examined(" FROM:  1\n FROM:  2\n FROM:  3\n" + listing_line({{20, "33"}}) + " FROM:  4"),
        (Seen{alone("1"), alone("3", "33"), alone("4")}));
    // The second line is no version line either, nor a short line skipped.
    const Seen after_version =
        examined(" FROM:  5\n" + line_with(58, {{58, "VERSION"}, {66, "x"}}) + "\n");
    ASSERT_EQ(after_version.size(), 1u);
    EXPECT_EQ(after_version[0].substr(0, 15), "entry: FROM:  5");
    EXPECT_EQ(examined(" FROM: 6\nab\n" + qq_line("1", "2")).size(), 2u);
}

struct WholeEntriesCase {
    std::string text;
    std::size_t end;
};

class WholeEntriesTest : public testing::TestWithParam<WholeEntriesCase> {};

TEST_P(WholeEntriesTest, EndsBetweenAnEntrysLines) {
    EXPECT_EQ(end_of_whole_entries(1, GetParam().text), GetParam().end) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, WholeEntriesTest,
                         testing::Values(WholeEntriesCase{"", 0}, WholeEntriesCase{"a\n", 2},
                                         WholeEntriesCase{" FROM: 1\n", 0},
                                         WholeEntriesCase{" FROM: 1\nx\n", 11},
                                         WholeEntriesCase{" FROM: 1\n FROM: 2\n", 18},
                                         WholeEntriesCase{"a\n FROM: 1\n FROM: 2\n FROM: 3\n", 20},
                                         WholeEntriesCase{" FROM: 1\nx\n FROM: 2\n", 11},
                                         WholeEntriesCase{"\n FROM: 1\r\n", 1},
                                         WholeEntriesCase{"FROM: 1\n", 8}),
                         [](const testing::TestParamInfo<WholeEntriesCase>& info) {
                             return case_name(info.index, info.param.text);
                         });

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
    // Against the C library, for digits read a word at a time and every other shape, up to
    // nine bytes: beyond, atoi overflows.
    std::mt19937 random(99);
    const std::string alphabet = "0123456789999 \t+-x";
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        for (std::size_t length = random() % 10; text.size() < length;) {
            text += alphabet[random() % (i % 3 == 0 ? alphabet.size() : 10)];
        }
        ASSERT_EQ(ssn_value(text), std::atoi(text.c_str())) << '"' << text << '"';
    }
}

TEST(Scanner, FillsTheFirstMatchingQqRecord) {
    const auto result =
        scanned(kHeader + qq_line("   12", "   34", '2') + qq_line("00012", "34   ", '3') +
                qq_line("   34", "   12") + entry("12   ", "A", "  034", "B", "      1.5"));
    ASSERT_EQ(result->end.status, ScanStatus::completed);
    const ListingContents& contents = result->contents;
    ASSERT_EQ(contents.records.size(), 3u);
    EXPECT_EQ(contents.qq_count, 3);
    EXPECT_EQ(contents.length_record_count, 0);
    const LineRecord filled = contents.records[0];
    EXPECT_EQ(filled.from_station, "A");
    EXPECT_EQ(filled.to_station, "B");
    EXPECT_EQ(filled.ssn_from, "   12");
    EXPECT_EQ(filled.survey_order, "2");
    EXPECT_EQ(filled.distance, " 1000.000");          // untrimmed in a QQ record
    EXPECT_EQ(filled.internal_accuracy, "   12345");  // the 9 after it is not taken
    EXPECT_EQ(filled.external_accuracy, "      1.5");
    EXPECT_TRUE(contents.records[1].external_accuracy.empty());
    EXPECT_TRUE(contents.records[2].external_accuracy.empty());
}

TEST(Scanner, SearchesTheFirstQqCountPositionsOfTheTable) {
    // Two entries before the first QQ line are records of their own; once two QQ lines are
    // in, positions 0 and 1 (those two records) are the ones searched.
    const auto result =
        scanned(kHeader + entry("    5", "E1", "    6", "F1", "  1") +
                entry("    7", "E2", "    8", "F2", "  2") + qq_line("    7", "    8") +
                qq_line("    5", "    6") + entry("    7", "G", "    8", "H", "  3"));
    ASSERT_EQ(result->end.status, ScanStatus::completed);
    const ListingContents& contents = result->contents;
    ASSERT_EQ(contents.records.size(), 4u);
    EXPECT_EQ(contents.length_record_count, 2);
    EXPECT_EQ(contents.qq_count, 2);
    EXPECT_EQ(contents.records[1].from_station, "G");
    EXPECT_EQ(contents.records[1].ssn_from, "7");          // trimmed when appended
    EXPECT_EQ(contents.records[1].distance, " 1000.000");  // as cut once filled
    EXPECT_EQ(contents.records[0].distance, "1000.000");   // trimmed in its own record
    EXPECT_TRUE(contents.records[2].from_station.empty());
    // With one entry before it, the first QQ line makes that entry's record, not its own,
    // the one searched.
    const auto one_before =
        scanned(kHeader + entry("    5", "E1", "    6", "F1", "  1") + qq_line("    7", "    8") +
                entry("    5", "G", "    6", "H", "  3"));
    ASSERT_EQ(one_before->end.status, ScanStatus::completed);
    EXPECT_EQ(one_before->contents.records[0].from_station, "G");
    EXPECT_TRUE(one_before->contents.records[1].from_station.empty());
}

TEST(Scanner, ReportsALengthEntryWithoutQqRecord) {
    const std::string first = listing_line({{0, "FROM: "}, {7, "   12"}, {15, "A"}, {54, "   34"}});
    const auto result = scanned(kHeader + qq_line("   34", "   12") + first + "second\n");
    EXPECT_EQ(result->end.status, ScanStatus::length_entry_without_qq_record);
    EXPECT_EQ(result->errors,
              "Error: Length Accuracy without QQ record\n"
              "       Fix the KORMIN file\n"
              "       SSN_From =    12\n"
              "       SSN_To   =    34\n" +
                  first);
}

TEST(Scanner, EchoesEachVersionLineUntilOneHasAText) {
    const std::string blank = line_with(66, {{58, "VERSION"}}) + "\n";
    const std::string set = line_with(58, {{58, "VERSION"}, {67, "4.12"}}) + "\n";
    const auto result = scanned(kHeader + blank + set + set);
    EXPECT_EQ(result->console, "Kormin file ver:       \n\nKormin file ver:       4.12\n\n");
}

}  // namespace
}  // namespace vandlor2
