// The rules of the report file, with the files of a run kept in memory (fake_files.h): the
// report is emptied only once it is known not to be the listing, and whatever ends a run early
// leaves it empty, or leaves alone a file that has taken its name. Each rule holds however the
// report is written: replaced by a file written beside it, in place (a device, a linked
// file), or in place after its replacement failed; no other file is left behind.

#include "app/run_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/unit/case_name.h"
#include "tests/unit/fake_files.h"

namespace vandlor2 {
namespace {

const FileNames kNames{"survey.lst", "survey.rpt"};
const std::string kListing = "the listing\n";
const std::string kOldReport = "an earlier report\n";

enum class Writing { replaced, in_place, in_place_after_a_failed_replacement };

class RunFilesTest : public testing::TestWithParam<Writing> {
  protected:
    void SetUp() override {
        fake_files::reset();
        fake_files::put(kNames.input, kListing);
        fake_files::put(kNames.output, kOldReport);
        if (GetParam() == Writing::in_place) fake_files::refuse_replacements();
        if (GetParam() == Writing::in_place_after_a_failed_replacement) {
            fake_files::fail_replacements();
        }
    }
    void TearDown() override {
        // Whatever happened, no temporary file is left.
        const std::vector<std::string> names = fake_files::names();
        for (const std::string& name : names) {
            EXPECT_TRUE(name == kNames.input || name == kNames.output) << name << " left behind";
        }
        fake_files::reset();
    }

    /// Opens the files, writes `report` and finishes, as a run does.
    std::optional<RunFailure> run(const std::string& report) {
        RunFiles files;
        if (auto failure = files.open(kNames)) return failure;
        files.report() << report;
        return files.finish();
    }
};

TEST_P(RunFilesTest, ReplaceTheReportWhole) {
    EXPECT_EQ(run("the report\n"), std::nullopt);
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "the report\n");
    EXPECT_EQ(fake_files::bytes_of(kNames.input), kListing);
}

TEST_P(RunFilesTest, LeaveAReportThatIsTheListingAsItWas) {
    fake_files::link(kNames.input, kNames.output);
    const std::optional<RunFailure> failure = run("the report\n");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FailureKind::output_is_input);
    EXPECT_EQ(fake_files::bytes_of(kNames.input), kListing);
}

TEST_P(RunFilesTest, LeaveAnEmptyReportWhenTheRunEndsEarly) {
    {
        RunFiles files;
        ASSERT_EQ(files.open(kNames), std::nullopt);
        files.report() << "part of a report\n";
        files.report().flush();
    }
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "");
}

TEST_P(RunFilesTest, LeaveAnEmptyReportAfterAFailedWrite) {
    fake_files::fail_writes(kNames.output, FileCause::no_space);
    const std::optional<RunFailure> failure = run("the report\n");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FailureKind::output_unwritable);
    EXPECT_EQ(failure->cause, FileCause::no_space);
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "");
}

TEST_P(RunFilesTest, EmptyTheReportAgainAfterAFailedClose) {
    fake_files::fail_next_close(kNames.output, FileCause::io_error);
    const std::optional<RunFailure> failure = run("the report\n");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FailureKind::output_unwritable);
    EXPECT_EQ(failure->cause, FileCause::io_error);
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "");
}

TEST_P(RunFilesTest, LeaveAFileThatTookTheReportsNameAtAFailedClose) {
    fake_files::fail_next_close(kNames.output, FileCause::io_error,
                                [] { fake_files::put(kNames.output, "another file\n"); });
    ASSERT_TRUE(run("the report\n"));
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "another file\n");
}

TEST_P(RunFilesTest, ReplaceOnlyTheFileThatWasOpened) {
    // Another file took the report's name while the report was written: it is left alone,
    // and the report opened is written in place.
    {
        RunFiles files;
        ASSERT_EQ(files.open(kNames), std::nullopt);
        files.report() << "the report\n";
        fake_files::link(kNames.output, "opened");
        fake_files::put(kNames.output, "another file\n");
        EXPECT_EQ(files.finish(), std::nullopt);
    }
    EXPECT_EQ(fake_files::bytes_of(kNames.output), "another file\n");
    EXPECT_EQ(fake_files::bytes_of("opened"), "the report\n");
    fake_files::reset();  // the second name is the test's own
}

std::string writing_name(const testing::TestParamInfo<Writing>& info) {
    static const char* const kLabels[] = {"replaced", "in place",
                                          "in place after a failed replacement"};
    return case_name(info.index, kLabels[static_cast<int>(info.param)]);
}

INSTANTIATE_TEST_SUITE_P(Writings, RunFilesTest,
                         testing::Values(Writing::replaced, Writing::in_place,
                                         Writing::in_place_after_a_failed_replacement),
                         writing_name);

}  // namespace
}  // namespace vandlor2
