// Any bytes as a whole listing: the scan must give what the plain reference scan gives, and a
// completed scan must give a report that opens with its first page.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "listing/listing_reader.h"
#include "report/report_writer.h"
#include "tests/reference_scan.h"

namespace {

using vandlor2::fuzz::require;

bool starts_with(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vandlor2;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // Blocks of a few bytes end within every line of a small input, and between any two.
    const std::size_t block_bytes = size > 0 ? 1 + data[0] % 16 : 1;
    std::istringstream listing(bytes);
    std::ostringstream console;
    std::ostringstream errors;
    ListingContents contents;
    const ScanStatus status = read_listing(listing, console, errors, contents, block_bytes).status;
    const std::string difference = reference::first_difference(
        status, console.str(), errors.str(), contents, reference::reference_scan(bytes));
    require(difference.empty(), "the scan gives what the reference gives");
    if (status != ScanStatus::completed) return 0;

    std::ostringstream report;
    write_report(report, contents);
    const std::string text = report.str();
    const bool qq = contents.qq_count != 0;
    const std::string first_page = " Page 1\n" + contents.section_title + "\n\n" +
                                   std::string(qq ? kQqHeading1 : kPlainHeading1) + "\n" +
                                   std::string(qq ? kQqHeading2 : kPlainHeading2) + "\n\n";
    require(starts_with(text, first_page), "the report opens with the first page heading");
    const std::size_t lines =
        static_cast<std::size_t>(qq ? contents.qq_count : contents.length_record_count);
    require(text.size() >= first_page.size() + lines * (qq ? 127 : 122),
            "every record has a line of its layout's width at least");
    return 0;
}
