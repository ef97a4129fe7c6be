// The end of a run that no whole-program case can bring about on demand: a listing that fails
// to read part way, and a platform that gives no local time.

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "app/run_driver.h"
#include "listing/scanner.h"

namespace vandlor2 {
namespace {

const FileNames kNames{"survey.lst", "survey.rpt"};

/// Gives the start of a listing, then fails as a file buffer does on an I/O error: by throwing.
class FailingListing : public std::streambuf {
  protected:
    std::streamsize xsgetn(char* destination, std::streamsize count) override {
        if (given_) throw std::runtime_error("read error");
        given_ = true;
        const std::string start = "1KORMIN\n PROGRAM KORMIN\n     QQ1        101      ";
        const auto size = std::min<std::streamsize>(count, std::streamsize(start.size()));
        start.copy(destination, static_cast<std::size_t>(size));
        return size;
    }

  private:
    bool given_ = false;
};

TEST(RunFailure, AListingThatFailsPartWayEndsTheRunWithItsName) {
    FailingListing buffer;
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
