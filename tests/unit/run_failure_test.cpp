// The end of a run that no whole-program case can bring about on demand: a listing that fails
// to read part way, and the message of every failure the driver reports, with its cause line.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/run_driver.h"
#include "listing/listing_reader.h"
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
    const ScanEnd end = read_listing(listing, console, errors, contents);
    ASSERT_EQ(end.status, ScanStatus::read_failed);
    EXPECT_EQ(errors.str(), "");
    EXPECT_EQ(exit_code_after_scan(end, kNames, errors), kExitFailure);
    EXPECT_EQ(errors.str(),
              "Error: Cannot read input file:  survey.lst\n       Input/output error\n");
}

struct Message {
    RunFailure failure;
    const char* text;
};

TEST(RunFailure, EveryFailureHasItsMessageAndCauseLine) {
    const Message kMessages[] = {
        {{FailureKind::input_not_found, FileCause::no_such_file},
         "Error: Cannot find input file:  survey.lst\n       No such file or directory\n"},
        {{FailureKind::input_not_found, FileCause::is_a_directory},
         "Error: Cannot find input file:  survey.lst\n       Is a directory\n"},
        {{FailureKind::input_unreadable, FileCause::io_error},
         "Error: Cannot read input file:  survey.lst\n       Input/output error\n"},
        {{FailureKind::output_not_created, FileCause::permission_denied},
         "Error: Cannot create output file:  survey.rpt\n       Check available memory.\n"
         "       Permission denied\n"},
        {{FailureKind::output_is_input},
         "Error: Cannot create output file:  survey.rpt\n       It is the input file.\n"},
        {{FailureKind::output_unwritable, FileCause::no_space},
         "Error: Cannot write output file:  survey.rpt\n       Check available disk space.\n"
         "       No space left on device\n"},
        {{FailureKind::no_local_time}, "Error: Cannot read the local system time\n"},
        {{FailureKind::out_of_memory}, "Error: Out of memory\n       Check available memory.\n"},
    };
    for (const Message& message : kMessages) {
        std::ostringstream errors;
        EXPECT_EQ(report_failure(message.failure, kNames, errors), kExitFailure);
        EXPECT_EQ(errors.str(), message.text);
    }
}

TEST(RunFailure, CausesAreFixedEnglishWords) {
    const std::pair<FileCause, const char*> kWords[] = {
        {FileCause::no_such_file, "No such file or directory"},
        {FileCause::permission_denied, "Permission denied"},
        {FileCause::is_a_directory, "Is a directory"},
        {FileCause::not_a_directory, "Not a directory"},
        {FileCause::name_too_long, "File name too long"},
        {FileCause::read_only_file_system, "Read-only file system"},
        {FileCause::no_space, "No space left on device"},
        {FileCause::io_error, "Input/output error"},
        {FileCause::too_many_open_files, "Too many open files"},
        {FileCause::quota_exceeded, "Disk quota exceeded"},
        {FileCause::broken_pipe, "Broken pipe"},
        {FileCause::other, "Unexpected system error"},
    };
    for (const auto& [cause, words] : kWords) EXPECT_EQ(cause_text(cause), words);
}

}  // namespace
}  // namespace vandlor2
