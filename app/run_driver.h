#pragma once

#include <fstream>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "listing/scanner.h"

namespace vandlor2 {

/// The process exit codes.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,
    kExitProgramLineWithoutOffset = 5,
    kExitContentBeforeProgramLine = 7,
};

struct FileNames {
    std::string input;
    std::string output;
};

/// The failures the driver reports itself; each ends the run with kExitFailure.
enum class RunFailure {
    input_not_found,
    input_unreadable,
    output_not_created,
    output_is_input,
    output_unwritable,
    no_local_time,
    out_of_memory,
};

void write_banner(std::ostream& console);

/// The file names from the two arguments, or from two answers on `keyboard` when there are no
/// arguments. For any other count, writes the usage text to `errors` and gives nothing.
std::optional<FileNames> obtain_file_names(const std::vector<std::string>& arguments,
                                           std::istream& keyboard, std::ostream& console,
                                           std::ostream& errors);

/// Opens the listing, then creates or truncates the report; a report that is the listing
/// itself, under any name, is refused before anything is truncated.
std::optional<RunFailure> open_files(const FileNames& names, std::ifstream& listing,
                                     std::ofstream& report);

/// Writes the local run time and the two file names.
std::optional<RunFailure> write_run_stamp(std::ostream& console, const FileNames& names);

/// The exit code a scan ends the run with, having reported a read failure to `errors`.
int exit_code_after_scan(ScanStatus status, const FileNames& names, std::ostream& errors);

/// Closes both files; a report that could not be written completely is a failure.
std::optional<RunFailure> close_files(std::ifstream& listing, std::ofstream& report);

/// Writes the message of `failure` to `errors` and gives the exit code.
int report_failure(RunFailure failure, const FileNames& names, std::ostream& errors);

}  // namespace vandlor2
