#include "app/run_driver.h"

#include <filesystem>
#include <new>
#include <system_error>

#include "support/date.h"
#include "support/version.h"

namespace vandlor2 {
namespace {

constexpr const char* kProgramVersion = kProjectVersion;
constexpr const char* kProgramDate = "2002/09/12";

constexpr const char* kUsage[] = {
    "  Reads data from an KORMIN format output file, and",
    "  writes a file with distances between stations",
    "  and their internal and external accuracies.",
    "  Works with or without QQ records.",
    "Command line usage: ",
    "   vandlor2 <input filename> <output filename>",
    "Windows DOS box usage: ",
    "   vandlor2 (user is queried for filenames)",
};

std::string ask(const char* prompt, std::istream& keyboard, std::ostream& console) {
    console << prompt << std::flush;
    std::string answer;
    keyboard >> answer;  // one word; stays empty at the end of the input
    return answer;
}

/// Reading one byte tells a readable file from one that opens but cannot be read, such as a
/// directory, while the report is still untouched.
bool readable(std::ifstream& listing) {
    try {
        listing.rdbuf()->sgetc();
        return true;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return false;
    }
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

void write_banner(std::ostream& console) {
    console << "ORV program vandlor2   version: " << kProgramVersion
            << "    date(yy/mm/dd): " << kProgramDate << std::endl
            << std::endl;
}

std::optional<FileNames> obtain_file_names(const std::vector<std::string>& arguments,
                                           std::istream& keyboard, std::ostream& console,
                                           std::ostream& errors) {
    if (arguments.size() == 2) return FileNames{arguments[0], arguments[1]};
    if (arguments.empty()) {
        FileNames names;
        names.input = ask("Enter  input filename: ", keyboard, console);
        names.output = ask("Enter output filename: ", keyboard, console);
        console << std::endl;
        return names;
    }
    for (const char* line : kUsage) errors << line << '\n';
    errors.flush();
    return std::nullopt;
}

std::optional<RunFailure> open_files(const FileNames& names, std::ifstream& listing,
                                     std::ofstream& report) {
    listing.open(names.input, std::ios::in | std::ios::binary);
    if (!listing.is_open() || !readable(listing)) return RunFailure::input_not_found;
    if (same_file(names.input, names.output)) return RunFailure::output_is_input;
    report.open(names.output, std::ios::out | std::ios::trunc);
    if (!report.is_open()) return RunFailure::output_not_created;
    return std::nullopt;
}

std::optional<RunFailure> write_run_stamp(std::ostream& console, const FileNames& names) {
    const std::optional<std::tm> now = local_time_now();
    if (!now) return RunFailure::no_local_time;
    const Date run_time(*now);
    console << "Local system run time: " << run_time << std::endl
            << "Input  filename:       " << names.input << std::endl
            << "Output filename:       " << names.output << std::endl;
    return std::nullopt;
}

int exit_code_after_scan(ScanStatus status, const FileNames& names, std::ostream& errors) {
    switch (status) {
        case ScanStatus::completed:
            return kExitSuccess;
        case ScanStatus::read_failed:
            return report_failure(RunFailure::input_unreadable, names, errors);
        case ScanStatus::program_line_without_offset:
            return kExitProgramLineWithoutOffset;
        case ScanStatus::content_before_program_line:
            return kExitContentBeforeProgramLine;
        case ScanStatus::length_entry_without_qq_record:
            return kExitFailure;
    }
    return kExitFailure;
}

std::optional<RunFailure> close_files(std::ifstream& listing, std::ofstream& report) {
    listing.close();
    report.close();
    if (report.fail()) return RunFailure::output_unwritable;
    return std::nullopt;
}

int report_failure(RunFailure failure, const FileNames& names, std::ostream& errors) {
    switch (failure) {
        case RunFailure::input_not_found:
            errors << "Error: Cannot find input file:  " << names.input << '\n';
            break;
        case RunFailure::input_unreadable:
            errors << "Error: Cannot read input file:  " << names.input << '\n';
            break;
        case RunFailure::output_not_created:
            errors << "Error: Cannot create output file:  " << names.output << '\n'
                   << "       Check available memory.\n";
            break;
        case RunFailure::output_is_input:
            errors << "Error: Cannot create output file:  " << names.output << '\n'
                   << "       It is the input file.\n";
            break;
        case RunFailure::output_unwritable:
            errors << "Error: Cannot write output file:  " << names.output << '\n'
                   << "       Check available disk space.\n";
            break;
        case RunFailure::no_local_time:
            errors << "Error: Cannot read the local system time\n";
            break;
        case RunFailure::out_of_memory:
            errors << "Error: Out of memory\n"
                   << "       Check available memory.\n";
            break;
    }
    errors.flush();
    return kExitFailure;
}

}  // namespace vandlor2
