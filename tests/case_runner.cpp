// Runs the built tool once for each folder under cases/ and compares what it leaves behind.
//
// A case folder holds (all optional):
//   args       the arguments, one a line; without it the tool runs with none
//   listing    copied to "listing" in a fresh working folder before the run
//   example    the name of a file of examples/ to copy to "listing" instead
//   stdin      standard input (default: empty)
//   setup      shell commands run in the working folder before the run
//   faketime   a date and time for Debian's faketime; the run stamp is then compared as is,
//              otherwise its date-time text is masked as "<run time>"
//   stdout, stderr   the expected console output (default: empty)
//   closed_console   standard output is a pipe that nobody reads, so that every write to it
//              fails with a broken pipe (nothing of it is then compared)
//   exit_code  the expected exit code (default 0)
//   report     the expected bytes of "report" in the working folder; without it no file of
//              that name may exist after the run
//   not_on_windows   why the Windows build is not checked on this case (cmake/check-windows.cmake)
//   windows_stdout, windows_stderr, windows_report, windows_exit_code   what the Windows build
//              gives where it differs from the rest (LF line ends, as above); checked by
//              cmake/check-windows.cmake, ignored here
// The listing is always checked to be unchanged by the run.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "run_stamp.h"

namespace fs = std::filesystem;

namespace {

using harness::lines_of;
using harness::read_file;
using harness::read_or_empty;
using harness::shell_quoted;

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(VANDLOR2_CASES_DIR)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Case : public testing::TestWithParam<std::string> {};

TEST_P(Case, LeavesTheExpectedFilesAndConsole) {
    const fs::path source = fs::path(VANDLOR2_CASES_DIR) / GetParam();
    const harness::TempFolder folder;
    const fs::path& work = folder.path();

    std::optional<std::string> listing = read_file(source / "listing");
    if (const auto example = read_file(source / "example")) {
        listing = read_file(fs::path(VANDLOR2_EXAMPLES_DIR) / lines_of(*example).at(0));
        ASSERT_TRUE(listing) << "no such example: " << *example;
    }
    if (listing) harness::write_file(work / "listing", *listing);
    if (fs::exists(source / "setup")) {
        const std::string setup = folder.cd() + "sh " + shell_quoted((source / "setup").string());
        ASSERT_EQ(harness::run_shell(setup).exit_code, 0) << "setup failed";
    }
    const std::optional<std::string> faketime = read_file(source / "faketime");
    if (faketime && VANDLOR2_SANITIZED) GTEST_SKIP() << "faketime does not preload under ASan";

    const bool closed_console = fs::exists(source / "closed_console");
    std::string command = folder.cd();
    if (closed_console) command += "mkfifo console.fifo && ";
    if (faketime) command += "faketime -f " + shell_quoted(lines_of(*faketime).at(0)) + " ";
    command += shell_quoted(VANDLOR2_BINARY);
    for (const std::string& argument : lines_of(read_or_empty(source / "args"))) {
        command += " " + shell_quoted(argument);
    }
    const fs::path input = fs::exists(source / "stdin") ? source / "stdin" : fs::path("/dev/null");
    command += " < " + shell_quoted(input.string());
    // A FIFO opened for reading and writing, then for writing, then its reading end closed.
    command +=
        closed_console ? " 3<> console.fifo 4> console.fifo 3<&- >&4 4>&-" : " > console.out";
    command += " 2> console.err";
    const harness::Ending ending = harness::run_shell(command);
    ASSERT_NE(ending.exit_code, -1) << "the tool did not exit normally";

    const std::string console = read_or_empty(work / "console.out");
    EXPECT_EQ(faketime ? console : without_run_time(console), read_or_empty(source / "stdout"));
    EXPECT_EQ(read_or_empty(work / "console.err"), read_or_empty(source / "stderr"));
    EXPECT_EQ(ending.exit_code, std::stoi(read_file(source / "exit_code").value_or("0")));
    const std::optional<std::string> report = read_file(work / "report");
    const std::optional<std::string> expected_report = read_file(source / "report");
    EXPECT_EQ(report.has_value(), expected_report.has_value()) << "report file presence";
    if (report && expected_report) {
        EXPECT_EQ(*report, *expected_report);
    }
    if (listing) {
        EXPECT_EQ(read_file(work / "listing"), listing) << "the listing was changed";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Case, testing::ValuesIn(case_names()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) {
                                     return !std::isalnum(static_cast<unsigned char>(c));
                                 },
                                 '_');
                             return name;
                         });

}  // namespace
