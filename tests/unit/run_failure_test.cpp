// The end of a run that no whole-program case can bring about on demand: a listing that fails
// to read part way, and a platform that gives no local time.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/run_driver.h"
#include "listing/scanner.h"
#include "tests/unit/failing_source.h"

namespace vandlor2 {
namespace {

const FileNames kNames{"survey.lst", "survey.rpt"};

TEST(RunFailure, AListingThatFailsPartWayEndsTheRunWithItsName) {
    FailingSource buffer("1KORMIN\n PROGRAM KORMIN\n     QQ1        101      ");
    std::istream listing(&buffer);
    std::ostringstream console;
    std::ostringstream errors;
    ListingContents contents;
    ASSERT_EQ(scan(listing, console, errors, contents), ScanStatus::read_failed);
    EXPECT_EQ(errors.str(), "");
    EXPECT_EQ(exit_code_after_scan(ScanStatus::read_failed, kNames, errors), kExitFailure);
    EXPECT_EQ(errors.str(), "Error: Cannot read input file:  survey.lst\n");
}

TEST(RunFailure, EachEndOfTheScanHasItsExitCode) {
    std::ostringstream errors;
    EXPECT_EQ(exit_code_after_scan(ScanStatus::completed, kNames, errors), 0);
    EXPECT_EQ(exit_code_after_scan(ScanStatus::program_line_without_offset, kNames, errors), 5);
    EXPECT_EQ(exit_code_after_scan(ScanStatus::content_before_program_line, kNames, errors), 7);
    EXPECT_EQ(exit_code_after_scan(ScanStatus::length_entry_without_qq_record, kNames, errors), 1);
    EXPECT_EQ(errors.str(), "") << "the scanner wrote the messages of its own stops";
}

TEST(RunFailure, NoLocalTimeIsAnErrorOfItsOwn) {
    std::ostringstream errors;
    EXPECT_EQ(report_failure(RunFailure::no_local_time, kNames, errors), kExitFailure);
    EXPECT_EQ(errors.str(), "Error: Cannot read the local system time\n");
}

}  // namespace
}  // namespace vandlor2
