#include "listing/listing_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <tuple>

#include "tests/reference_scan.h"
#include "tests/unit/failing_source.h"
#include "tests/unit/line_builder.h"

namespace vandlor2 {
namespace {

/// Where `listing`, read in text blocks of about `block_bytes`, first differs from the plain
/// reference scan; empty when it does not.
std::string difference_from_reference(const std::string& listing, std::size_t block_bytes) {
    std::istringstream input(listing);
    std::ostringstream console;
    std::ostringstream errors;
    ListingContents contents;
    const ScanEnd end = read_listing(input, console, errors, contents, block_bytes);
    return reference::first_difference(end.status, console.str(), errors.str(), contents,
                                       reference::reference_scan(listing));
}

/// A listing of about `size` bytes from random lines of every kind: entries matching QQ lines
/// or not, runs of entry first lines (each taking the next as its second), short lines, blank
/// and set version lines, repeated titles, CR LF line ends, now and then an entry whose lines
/// are longer than a text block. With `unmatched`, two entries have no QQ record, one halfway
/// and one at the end, and the scan must stop at the first. Its first `quiet_bytes` hold no long
/// lines, so that blocks end anywhere, and no titles or set versions, so that each blank version
/// line is echoed.
std::string random_listing(std::uint32_t seed, std::size_t size, bool with_qq, bool unmatched,
                           std::size_t quiet_bytes) {
    std::mt19937 random(seed);
    const auto pick = [&](std::size_t bound) { return static_cast<std::size_t>(random() % bound); };
    char ssn[8];
    const auto ssn_of = [&](std::size_t value) {
        std::snprintf(ssn, sizeof ssn, "%5zu", value);
        return std::string(ssn);
    };
    const bool long_lines = size > 1'000'000;
    std::string listing = kListingHeader;
    const std::size_t qq_lines = with_qq ? 300 : 0;
    for (std::size_t i = 0; i < qq_lines; ++i) listing += qq_line(ssn_of(i), ssn_of(i + 1));
    if (quiet_bytes > 0) {
        // The first block after the program line ends at the last line feed before 1 MiB
        // (two reads of a text block). Let it begin with a line that is no entry and end with a
        // run of three entry first lines, the last as short as one can be: the first two pair
        // up, and the third must go on to the next block to take its second line there.
        const std::string run_of_three = listing_line({{0, "FROM: "}, {7, ssn_of(1)}}) +
                                         listing_line({{0, "FROM: "}, {7, ssn_of(2)}}) +
                                         " FROM: \n";
        while (listing.size() + run_of_three.size() + 2 <= 2 * kTextBlockBytes) {
            listing += "F\n";
        }
        listing += run_of_three + entry_second_line(" 1.0");
    }
    bool unmatched_halfway = unmatched;
    while (listing.size() < size) {
        if (unmatched_halfway && listing.size() > size / 2) {
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
                        listing_line({{0, "FROM: "}, {7, ssn_of(pair)}, {54, ssn_of(pair + 1)}});
                }
                break;
            case 1:
                text = std::string(pick(4), 'F') + end;
                break;
            case 2:
                text = listing_line(
                    {{57, "VERSION"}, {65, pick(2) || quiet ? "" : "V" + ssn_of(pair)}});
                break;
            case 3:
                text = quiet
                           ? listing_line({{57, "VERSION"}})
                           : listing_line({{0, "LENGTH RELATIVE ACCURACIES "}, {29, ssn_of(pair)}});
                break;
            default:
                text = entry(ssn_of(pair), "FROM" + ssn_of(pick(99999)), ssn_of(pair + 1), "TO",
                             " " + ssn_of(pick(99999)) + "." + std::to_string(pick(10)));
                if (long_lines && pick(400) == 0 && !quiet) {
                    // Both lines long: a block may end between them, so that the long first
                    // line goes on to the next block together with part of the second.
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

TEST(ReadListing, ReadsManyBlocksAsThePlainReferenceScans) {
    for (const auto& [seed, with_qq, unmatched, quiet_bytes] : {std::tuple{1u, false, false, 0u},
                                                                {2u, true, false, 0u},
                                                                {3u, true, true, 0u},
                                                                {4u, false, false, 7'000'000u}}) {
        const std::string listing =
            random_listing(seed, 9'000'000, with_qq, unmatched, quiet_bytes);
        EXPECT_EQ(difference_from_reference(listing, kTextBlockBytes), "") << "seed " << seed;
    }
}

TEST(ReadListing, ReadsInBlocksOfAnySizeAsThePlainReferenceScans) {
    // Blocks of a few bytes end within every kind of line and between every two.
    for (std::uint32_t seed = 10; seed < 40; ++seed) {
        const std::string listing =
            random_listing(seed, 3000 + 97 * seed, seed % 2 == 0, seed % 5 == 0, 0);
        for (const std::size_t block_bytes : {1, 2, 3, 7, 64, 1000}) {
            EXPECT_EQ(difference_from_reference(listing, block_bytes), "")
                << "seed " << seed << ", blocks of " << block_bytes;
        }
    }
}

TEST(ReadListing, ReadsAnyBytesWithoutFault) {
    std::string listing = kListingHeader;
    for (int byte = 0; byte < 256; ++byte) {
        listing += std::string(static_cast<std::size_t>(byte % 130), static_cast<char>(byte));
        listing += "FROM: " + std::string(1, static_cast<char>(byte)) + "\n";
    }
    for (const std::size_t block_bytes : {std::size_t{5}, kTextBlockBytes}) {
        EXPECT_EQ(difference_from_reference(listing, block_bytes), "") << block_bytes;
    }
}

TEST(ReadListing, ReadsAMillionQqRecords) {
    std::string listing = kListingHeader;
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
    std::istringstream input(listing);
    std::ostringstream console;
    ListingContents contents;
    ASSERT_EQ(read_listing(input, console, console, contents).status, ScanStatus::completed);
    EXPECT_EQ(contents.qq_count, count);
    for (int i = count - 1; i >= 0; i -= 1000) {
        EXPECT_EQ(contents.records[static_cast<std::size_t>(i)].from_station,
                  "S" + std::to_string(i));
    }
}

TEST(ReadListing, GivesTheCauseOfAFailedReadAfterTheLinesBeforeIt) {
    for (const std::string& start :
         {std::string("first\n"), kListingHeader + entry("1", "A", "2", "B", "3")}) {
        FailingSource source(start);
        std::istream input(&source);
        std::ostringstream console;
        std::ostringstream errors;
        ListingContents contents;
        const ScanEnd end = read_listing(input, console, errors, contents);
        EXPECT_EQ(end.status, ScanStatus::read_failed) << start;
        EXPECT_EQ(end.read_failure, FileCause::io_error) << start;
    }
}

}  // namespace
}  // namespace vandlor2
