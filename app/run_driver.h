#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/run_failure.h"
#include "listing/listing_reader.h"

namespace vandlor2 {

/// The process exit codes.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,
    kExitProgramLineWithoutOffset = 5,
    kExitContentBeforeProgramLine = 7,
};

void write_banner(std::ostream& console);

/// The file names from the two arguments, or from two answers on `keyboard` when there are no
/// arguments. For any other count, writes the usage text to `errors` and gives nothing.
std::optional<FileNames> obtain_file_names(const std::vector<std::string>& arguments,
                                           std::istream& keyboard, std::ostream& console,
                                           std::ostream& errors);

/// Writes the local run time and the two file names, composed before any of it is written.
std::optional<RunFailure> write_run_stamp(std::ostream& console, const FileNames& names);

/// The exit code the reading of the listing ends the run with, having reported a failed read,
/// with its cause, to `errors`.
int exit_code_after_scan(const ScanEnd& end, const FileNames& names, std::ostream& errors);

/// Writes the message of `failure` to `errors` and gives the exit code. Allocates nothing, so
/// that it can report running out of memory.
int report_failure(const RunFailure& failure, const FileNames& names, std::ostream& errors);

}  // namespace vandlor2
