// The rules of the report file, with the files of a run kept in memory (fake_files.h): the
// report is emptied only once it is known not to be the listing, and whatever ends a run early
// leaves it empty, or leaves alone a file that has taken its name.

#include "app/run_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/unit/fake_files.h"

namespace vandlor2 {
namespace {

const FileNames kNames{"survey.lst", "survey.rpt"};
const std::string kListing = "the listing\n";
const std::string kOldReport = "an earlier report\n";

class RunFilesTest : public testing::Test {
  protected:
    void SetUp() override {
        fake_files::reset();
        fake_files::put(kNames.input, kListing);
        fake_files::put(kNames.output, kOldReport);
    }
    void TearDown() override { fake_files::reset(); }

    /// Opens the files, writes `report` and finishes, as a run does.
    std::optional<RunFailure> run(const std::string& report) {
        RunFiles files;
        if (auto failure = files.open(kNames)) return failure;
        files.report() << report;
        return files.finish();
    }
};

TEST_F(RunFilesTest, ReplaceTheReportWhole) {
    EXPECT_EQ(run("the report\n"), std::nullopt);
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "the report\n");
    EXPECT_EQ(fake_files::bytes_of(kNames.input), kListing);
}

TEST_F(RunFilesTest, LeaveAReportThatIsTheListingAsItWas) {
    fake_files::link(kNames.input, kNames.output);
    const std::optional<RunFailure> failure = run("the report\n");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FailureKind::output_is_input);
    EXPECT_EQ(fake_files::bytes_of(kNames.input), kListing);
}

TEST_F(RunFilesTest, LeaveAnEmptyReportWhenTheRunEndsEarly) {
    {
        RunFiles files;
        ASSERT_EQ(files.open(kNames), std::nullopt);
        files.report() << "part of a report\n";
        files.report().flush();
    }
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "");
}

TEST_F(RunFilesTest, LeaveAnEmptyReportAfterAFailedWrite) {
    fake_files::fail_writes(kNames.output, FileCause::no_space);
    const std::optional<RunFailure> failure = run("the report\n");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FailureKind::output_unwritable);
    EXPECT_EQ(failure->cause, FileCause::no_space);
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "");
}

TEST_F(RunFilesTest, EmptyTheReportAgainAfterAFailedClose) {
    fake_files::fail_next_close(kNames.output, FileCause::io_error);
    const std::optional<RunFailure> failure = run("the report\n");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FailureKind::output_unwritable);
    EXPECT_EQ(failure->cause, FileCause::io_error);
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "");
}

TEST_F(RunFilesTest, LeaveAFileThatTookTheReportsNameAtAFailedClose) {
    fake_files::fail_next_close(kNames.output, FileCause::io_error,
                                [] { fake_files::put(kNames.output, "another file\n"); });
    ASSERT_TRUE(run("the report\n"));
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "another file\n");
}

}  // namespace
}  // namespace vandlor2
