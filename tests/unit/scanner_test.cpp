#include "listing/scanner.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "listing/text_blocks.h"
#include "tests/reference_scan.h"
#include "tests/unit/line_builder.h"

namespace vandlor2 {
namespace {

/// A listing line and its line end.
std::string listing_line(const PlacedTexts& texts) {
    return line_with(texts) + "\n";
}

// Offset 1: every column below is one to the right of its place on the printed page.
const std::string kHeader = "JOB 42\n PROGRAM KORMIN\n";

std::string qq_line(const std::string& ssn_from, const std::string& ssn_to, char order = '1') {
    return listing_line({{5, " QQ"}, {8, std::string(1, order)}, {15, ssn_from}, {55, ssn_to}});
}

std::string entry_second_line(const std::string& external) {
    return listing_line({{22, " 1000.000"}, {67, "   12345"}, {75, "9"}, {103, external}});
}

std::string entry(const std::string& ssn_from, const std::string& from, const std::string& ssn_to,
                  const std::string& to, const std::string& external) {
    return listing_line({{2, "FROM: "}, {9, ssn_from}, {17, from}, {56, ssn_to}, {64, to}}) +
           entry_second_line(external);
}

struct Scanned {
    ScanStatus status;
    ListingContents contents;
    std::string console;
    std::string errors;
};

Scanned scanned(const std::string& listing) {
    std::istringstream input(listing);
    std::ostringstream console;
    std::ostringstream errors;
    Scanned result{ScanStatus::completed, {}, {}, {}};
    result.status = scan(input, console, errors, result.contents);
    result.console = console.str();
    result.errors = errors.str();
    return result;
}

TEST(Scanner, FillsTheFirstMatchingQqRecord) {
    const Scanned result =
        scanned(kHeader + qq_line("   12", "   34", '2') + qq_line("00012", "34   ", '3') +
                qq_line("   34", "   12") + entry("12   ", "A", "  034", "B", "      1.5"));
    ASSERT_EQ(result.status, ScanStatus::completed);
    ASSERT_EQ(result.contents.records.size(), 3u);
    EXPECT_EQ(result.contents.qq_count, 3);
    EXPECT_EQ(result.contents.length_record_count, 0);
    const LineRecord& filled = result.contents.records[0];
    EXPECT_EQ(filled.from_station.view(), "A");
    EXPECT_EQ(filled.to_station.view(), "B");
    EXPECT_EQ(filled.ssn_from.view(), "   12");
    EXPECT_EQ(filled.survey_order.view(), "2");
    EXPECT_EQ(filled.distance.view(), " 1000.000");          // untrimmed in a QQ record
    EXPECT_EQ(filled.internal_accuracy.view(), "   12345");  // the 9 after it is not taken
    EXPECT_EQ(filled.external_accuracy.view(), "      1.5");
    EXPECT_TRUE(result.contents.records[1].external_accuracy.view().empty());
    EXPECT_TRUE(result.contents.records[2].external_accuracy.view().empty());
}

TEST(Scanner, SearchesTheFirstQqCountPositionsOfTheTable) {
    // Two entries before the first QQ line are records of their own; once two QQ lines are
    // in, positions 0 and 1 (those two records) are the ones searched.
    const Scanned result =
        scanned(kHeader + entry("    5", "E1", "    6", "F1", "  1") +
                entry("    7", "E2", "    8", "F2", "  2") + qq_line("    7", "    8") +
                qq_line("    5", "    6") + entry("    7", "G", "    8", "H", "  3"));
    ASSERT_EQ(result.status, ScanStatus::completed);
    ASSERT_EQ(result.contents.records.size(), 4u);
    EXPECT_EQ(result.contents.length_record_count, 2);
    EXPECT_EQ(result.contents.qq_count, 2);
    EXPECT_EQ(result.contents.records[1].from_station.view(), "G");
    EXPECT_EQ(result.contents.records[1].ssn_from.view(), "7");  // trimmed when appended
    EXPECT_TRUE(result.contents.records[2].from_station.view().empty());
    // With one entry before it, the first QQ line makes that entry's record, not its own,
    // the one searched.
    const Scanned one_before =
        scanned(kHeader + entry("    5", "E1", "    6", "F1", "  1") + qq_line("    7", "    8") +
                entry("    5", "G", "    6", "H", "  3"));
    ASSERT_EQ(one_before.status, ScanStatus::completed);
    EXPECT_EQ(one_before.contents.records[0].from_station.view(), "G");
    EXPECT_TRUE(one_before.contents.records[1].from_station.view().empty());
}

TEST(Scanner, ReportsALengthEntryWithoutQqRecord) {
    const std::string first = listing_line({{2, "FROM: "}, {9, "   12"}, {17, "A"}, {56, "   34"}});
    const Scanned result = scanned(kHeader + qq_line("   34", "   12") + first + "second\n");
    EXPECT_EQ(result.status, ScanStatus::length_entry_without_qq_record);
    EXPECT_EQ(result.errors,
              "Error: Length Accuracy without QQ record\n"
              "       Fix the KORMIN file\n"
              "       SSN_From =    12\n"
              "       SSN_To   =    34\n" +
                  first);
}

TEST(Scanner, ReadsAMillionQqRecords) {
    std::string listing = kHeader;
    const int count = 1000000;
    char ssn[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(ssn, sizeof ssn, "%5d", i % 100000);
        listing += qq_line(ssn, std::to_string(i / 100000));
    }
    for (int i = count - 1; i >= 0; i -= 1000) {
        std::snprintf(ssn, sizeof ssn, "%5d", i % 100000);
        listing += entry(ssn, "S" + std::to_string(i), std::to_string(i / 100000), "T", "  9");
    }
    const Scanned result = scanned(listing);
    ASSERT_EQ(result.status, ScanStatus::completed);
    EXPECT_EQ(result.contents.qq_count, count);
    for (int i = count - 1; i >= 0; i -= 1000) {
        EXPECT_EQ(result.contents.records[static_cast<std::size_t>(i)].from_station.view(),
                  "S" + std::to_string(i));
    }
}

TEST(Scanner, ReadsAnyBytesWithoutFault) {
    std::string listing = kHeader;
    for (int byte = 0; byte < 256; ++byte) {
        listing += std::string(static_cast<std::size_t>(byte % 130), static_cast<char>(byte));
        listing += "FROM: " + std::string(1, static_cast<char>(byte)) + "\n";
    }
    const Scanned result = scanned(listing);
    EXPECT_EQ(result.status, ScanStatus::completed);
}

/// A listing of many read blocks from random lines of every kind: entries matching QQ lines
/// or not, runs of entry first lines (each taking the next as its second), short lines, blank
/// and set version lines, repeated titles, CR LF line ends, now and then an entry whose lines
/// are longer than a read block. With `unmatched`, two entries have no QQ record, one halfway
/// and one at the end, and the scan must stop at the first. Its first `quiet_bytes` hold no long
/// lines, so that blocks end anywhere, and no titles or set versions, so that each blank version
/// line is echoed.
std::string many_block_listing(std::uint32_t seed, bool with_qq, bool unmatched,
                               std::size_t quiet_bytes) {
    std::mt19937 random(seed);
    const auto pick = [&](std::size_t bound) { return static_cast<std::size_t>(random() % bound); };
    char ssn[8];
    const auto ssn_of = [&](std::size_t value) {
        std::snprintf(ssn, sizeof ssn, "%5zu", value);
        return std::string(ssn);
    };
    std::string listing = kHeader;
    const std::size_t qq_lines = with_qq ? 300 : 0;
    for (std::size_t i = 0; i < qq_lines; ++i) listing += qq_line(ssn_of(i), ssn_of(i + 1));
    if (quiet_bytes > 0) {
        // The first block after the program line ends at the last line feed before 256 KiB
        // (two reads of a text block). Let it begin with a line that is no entry and end with a run
        // of three entry first lines, the last as short as one can be: the first two pair up,
        // and the third must go on to the next block to take its second line there.
        const std::string run_of_three = listing_line({{2, "FROM: "}, {9, ssn_of(1)}}) +
                                         listing_line({{2, "FROM: "}, {9, ssn_of(2)}}) +
                                         " FROM: \n";
        while (listing.size() + run_of_three.size() + 2 <= 2 * kTextBlockBytes) {
            listing += "F\n";
        }
        listing += run_of_three + entry_second_line(" 1.0");
    }
    bool unmatched_halfway = unmatched;
    while (listing.size() < 9'000'000) {
        if (unmatched_halfway && listing.size() > 4'500'000) {
            listing += entry(ssn_of(99991), "X", ssn_of(6), "Y", "1");
            unmatched_halfway = false;
        }
        const std::size_t pair = with_qq ? pick(qq_lines) : pick(99999);
        const std::string end = pick(16) == 0 ? "\r\n" : "\n";
        const bool quiet = listing.size() < quiet_bytes;
        std::string text;
        switch (pick(20)) {
            case 0:  // a run of first lines, alone or in pairs
                for (std::size_t run = 1 + pick(9); run > 0; --run) {
                    text +=
                        listing_line({{2, "FROM: "}, {9, ssn_of(pair)}, {56, ssn_of(pair + 1)}});
                }
                break;
            case 1:
                text = std::string(pick(4), 'F') + end;
                break;
            case 2:
                text = listing_line(
                    {{59, "VERSION"}, {67, pick(2) || quiet ? "" : "V" + ssn_of(pair)}});
                break;
            case 3:
                text = quiet
                           ? listing_line({{59, "VERSION"}})
                           : listing_line({{2, "LENGTH RELATIVE ACCURACIES "}, {31, ssn_of(pair)}});
                break;
            default:
                text = entry(ssn_of(pair), "FROM" + ssn_of(pick(99999)), ssn_of(pair + 1), "TO",
                             " " + ssn_of(pick(99999)) + "." + std::to_string(pick(10)));
                if (pick(400) == 0 && !quiet) {
                    // Both lines long: a block may end between them, so that the long first
                    // line goes back to the next block together with part of the second.
                    for (std::size_t at = text.find('\n'); at != std::string::npos;
                         at = text.find('\n', at + 1)) {
                        const std::string tail =
                            std::string(40, ' ') + std::string(100'000 + pick(300'000), 'x');
                        text.insert(at, tail);
                        at += tail.size();
                    }
                }
        }
        if (end == "\r\n") {
            for (std::size_t at = text.find('\n'); at != std::string::npos;
                 at = text.find('\n', at + 2)) {
                text.insert(at, "\r");
            }
        }
        listing += text;
    }
    if (unmatched) listing += entry(ssn_of(99990), "X", ssn_of(5), "Y", "1") + "tail\n";
    return listing;
}

TEST(Scanner, ReadsAListingOfManyBlocksAsThePlainReferenceDoes) {
    for (const auto& [seed, with_qq, unmatched, quiet_bytes] : {std::tuple{1u, false, false, 0u},
                                                                {2u, true, false, 0u},
                                                                {3u, true, true, 0u},
                                                                {4u, false, false, 7'000'000u}}) {
        const std::string listing = many_block_listing(seed, with_qq, unmatched, quiet_bytes);
        const Scanned result = scanned(listing);
        const reference::ReferenceScan reference = reference::reference_scan(listing);
        ASSERT_EQ(result.status, reference.status) << "seed " << seed;
        EXPECT_EQ(result.console, reference.console) << "seed " << seed;
        EXPECT_EQ(result.errors, reference.errors) << "seed " << seed;
        if (reference.status != ScanStatus::completed) continue;
        EXPECT_EQ(result.contents.section_title, reference.section_title);
        EXPECT_EQ(result.contents.qq_count, reference.qq_count);
        EXPECT_EQ(result.contents.length_record_count, reference.length_record_count);
        ASSERT_EQ(result.contents.records.size(), reference.records.size()) << "seed " << seed;
        for (std::size_t i = 0; i < reference.records.size(); ++i) {
            const LineRecord& record = result.contents.records[i];
            const std::array<std::string_view, 8> fields = {
                record.ssn_from.view(),          record.ssn_to.view(),
                record.from_station.view(),      record.to_station.view(),
                record.distance.view(),          record.internal_accuracy.view(),
                record.external_accuracy.view(), record.survey_order.view()};
            for (std::size_t field = 0; field < fields.size(); ++field) {
                ASSERT_EQ(fields[field], reference.records[i].fields[field])
                    << "seed " << seed << ", record " << i << ", field " << field;
            }
        }
    }
}

}  // namespace
}  // namespace vandlor2
