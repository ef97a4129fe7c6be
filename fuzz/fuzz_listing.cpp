// Any bytes as a whole listing: scanned, and reported when the scan completes.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "listing/scanner.h"
#include "report/report_writer.h"

namespace {

using vandlor2::fuzz::require;

bool starts_with(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vandlor2;
    std::istringstream listing(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream console;
    std::ostringstream errors;
    ListingContents contents;
    const ScanStatus status = scan(listing, console, errors, contents);

    require(status != ScanStatus::read_failed, "a string stream cannot fail to read");
    require(contents.qq_count >= 0 && contents.length_record_count >= 0, "counts not negative");
    require(static_cast<std::size_t>(contents.qq_count + contents.length_record_count) ==
                contents.records.size(),
            "every record comes from a QQ line or a length entry");
    require(console.str().empty() || starts_with(console.str(), "Kormin file ver:       "),
            "the console gets the version echo only");
    if (status != ScanStatus::completed) {
        require(starts_with(errors.str(), "Error: "), "a stop leaves an error message");
        return 0;
    }
    require(errors.str().empty(), "a completed scan writes no error");
    require(contents.section_title.empty() ||
                starts_with(contents.section_title,
                            std::string(30, ' ') + "LENGTH RELATIVE ACCURACIES "),
            "the section title is the title line after 30 blanks");

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
    require(text.back() == '\n', "the report ends with a line end");
    return 0;
}
