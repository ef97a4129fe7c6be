// vandlor2: the distance accuracy listing of a KORMIN solver output file.

#include <fstream>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/run_driver.h"
#include "listing/scanner.h"
#include "report/report_writer.h"

namespace {

int run(const std::vector<std::string>& arguments) {
    using namespace vandlor2;
    write_banner(std::cout);
    const std::optional<FileNames> names =
        obtain_file_names(arguments, std::cin, std::cout, std::cerr);
    if (!names) return kExitFailure;

    std::ifstream listing;
    std::ofstream report;
    if (const auto failure = open_files(*names, listing, report)) {
        return report_failure(*failure, *names, std::cerr);
    }
    if (const auto failure = write_run_stamp(std::cout, *names)) {
        return report_failure(*failure, *names, std::cerr);
    }

    ListingContents contents;
    const ScanStatus scanned = scan(listing, std::cout, std::cerr, contents);
    if (scanned != ScanStatus::completed) return exit_code_after_scan(scanned, *names, std::cerr);

    write_report(report, contents);
    if (const auto failure = close_files(listing, report)) {
        return report_failure(*failure, *names, std::cerr);
    }
    return kExitSuccess;
}

}  // namespace

int main(int argc, char* argv[]) {
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        return vandlor2::report_failure(vandlor2::RunFailure::out_of_memory, {}, std::cerr);
    } catch (const std::length_error&) {  // a text longer than the library can hold
        return vandlor2::report_failure(vandlor2::RunFailure::out_of_memory, {}, std::cerr);
    }
}
