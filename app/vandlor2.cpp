// vandlor2: the distance accuracy listing of a KORMIN solver output file.

#include <exception>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/run_driver.h"
#include "app/run_files.h"
#include "listing/listing_reader.h"
#include "report/report_writer.h"
#include "support/interrupt_guard.h"

namespace {

int run(const std::vector<std::string>& arguments) {
    using namespace vandlor2;
    write_banner(std::cout);
    const std::optional<FileNames> names =
        obtain_file_names(arguments, keyboard(), std::cout, std::cerr);
    if (!names) return kExitFailure;

    RunFiles files;  // from here on, any early end leaves the report empty
    if (const auto failure = files.open(*names)) return report_failure(*failure, *names, std::cerr);
    // Before any byte of the report: a clock out of range ends the process in the stamp
    // (DataOutOfRangeException), past the report's owner, which has only emptied it so far.
    if (const auto failure = write_run_stamp(std::cout, *names)) {
        return report_failure(*failure, *names, std::cerr);
    }

    ListingContents contents;
    const ScanEnd scanned = read_listing(files.listing(), std::cout, std::cerr, contents);
    if (scanned.status != ScanStatus::completed) {
        return exit_code_after_scan(scanned, *names, std::cerr);
    }

    write_report(files.report(), contents);
    if (const auto failure = files.finish()) return report_failure(*failure, *names, std::cerr);
    return kExitSuccess;
}

/// Runs the tool; running out of memory anywhere ends the run with its message, and any other
/// exception by std::terminate, with the report emptied.
template <typename Char>
int run_whole(int argc, Char* argv[]) {
    using vandlor2::FailureKind;
    vandlor2::interrupt_guard::ignore_write_signals();
    try {
        return run(vandlor2::program_arguments(argc, argv));
    } catch (const std::bad_alloc&) {
        return vandlor2::report_failure({FailureKind::out_of_memory}, {}, std::cerr);
    } catch (const std::length_error&) {  // a text longer than the library can hold
        return vandlor2::report_failure({FailureKind::out_of_memory}, {}, std::cerr);
    } catch (...) {
        // Caught so that the stack is unwound and the report emptied by its owner; the run then
        // ends as an exception no one catches ends it.
        std::terminate();
    }
}

}  // namespace

#ifdef _WIN32
// Wide arguments, so that any file name Windows can hold reaches the files whole.
int wmain(int argc, wchar_t* argv[]) {
    return run_whole(argc, argv);
}
#else
int main(int argc, char* argv[]) {
    return run_whole(argc, argv);
}
#endif
