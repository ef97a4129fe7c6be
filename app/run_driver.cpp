#include "app/run_driver.h"

#include <string_view>

#include "support/date.h"
#include "support/trim.h"
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

/// One word, as `>>` reads it with the C locale: leading white space is skipped and the word
/// ends before the next white space. Read here rather than by `>>`, which would take running out
/// of memory for the end of the input.
std::string read_word(std::istream& keyboard) {
    std::streambuf* const source = keyboard.rdbuf();
    std::string word;
    if (source == nullptr) return word;
    using traits = std::char_traits<char>;
    traits::int_type byte = source->sgetc();
    while (!traits::eq_int_type(byte, traits::eof()) && is_c_space(traits::to_char_type(byte))) {
        byte = source->snextc();
    }
    while (!traits::eq_int_type(byte, traits::eof()) && !is_c_space(traits::to_char_type(byte))) {
        word.push_back(traits::to_char_type(byte));
        byte = source->snextc();
    }
    return word;
}

std::string ask(const char* prompt, std::istream& keyboard, std::ostream& console) {
    console << prompt << std::flush;
    return read_word(keyboard);  // stays empty at the end of the input
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

std::optional<RunFailure> write_run_stamp(std::ostream& console, const FileNames& names) {
    const std::optional<std::tm> now = local_time_now();
    if (!now) return RunFailure{FailureKind::no_local_time};
    const Date run_time(*now);
    const std::string stamp = "Local system run time: " + run_time.toString();
    console << stamp << std::endl
            << "Input  filename:       " << names.input << std::endl
            << "Output filename:       " << names.output << std::endl;
    return std::nullopt;
}

int exit_code_after_scan(const ScanEnd& end, const FileNames& names, std::ostream& errors) {
    switch (end.status) {
        case ScanStatus::completed:
            return kExitSuccess;
        case ScanStatus::read_failed:
            return report_failure(RunFailure{FailureKind::input_unreadable, end.read_failure},
                                  names, errors);
        case ScanStatus::program_line_without_offset:
            return kExitProgramLineWithoutOffset;
        case ScanStatus::content_before_program_line:
            return kExitContentBeforeProgramLine;
        case ScanStatus::length_entry_without_qq_record:
            return kExitFailure;
    }
    return kExitFailure;
}

int report_failure(const RunFailure& failure, const FileNames& names, std::ostream& errors) {
    switch (failure.kind) {
        case FailureKind::input_not_found:
            errors << "Error: Cannot find input file:  " << names.input << '\n';
            break;
        case FailureKind::input_unreadable:
            errors << "Error: Cannot read input file:  " << names.input << '\n';
            break;
        case FailureKind::output_not_created:
            errors << "Error: Cannot create output file:  " << names.output << '\n'
                   << "       Check available memory.\n";
            break;
        case FailureKind::output_is_input:
            errors << "Error: Cannot create output file:  " << names.output << '\n'
                   << "       It is the input file.\n";
            break;
        case FailureKind::output_unwritable:
            errors << "Error: Cannot write output file:  " << names.output << '\n'
                   << "       Check available disk space.\n";
            break;
        case FailureKind::no_local_time:
            errors << "Error: Cannot read the local system time\n";
            break;
        case FailureKind::out_of_memory:
            errors << "Error: Out of memory\n"
                   << "       Check available memory.\n";
            break;
    }
    if (failure.cause) errors << "       " << cause_text(*failure.cause) << '\n';
    errors.flush();
    return kExitFailure;
}

}  // namespace vandlor2
