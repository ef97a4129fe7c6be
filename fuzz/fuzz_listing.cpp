// Any bytes as a whole listing: the scan must give what the plain reference scan gives, and a
// completed scan must give a report that opens with its first page.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "listing/scanner.h"
#include "report/report_writer.h"
#include "tests/reference_scan.h"

namespace {

using vandlor2::fuzz::require;

bool starts_with(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

void require_same_records(const vandlor2::ListingContents& contents,
                          const vandlor2::reference::ReferenceScan& reference) {
    require(contents.records.size() == reference.records.size(), "as many records");
    for (std::size_t i = 0; i < reference.records.size(); ++i) {
        const vandlor2::LineRecord& record = contents.records[i];
        const auto& expected = reference.records[i].fields;
        require(record.ssn_from.view() == expected[0], "SSN from");
        require(record.ssn_to.view() == expected[1], "SSN to");
        require(record.from_station.view() == expected[2], "from-station name");
        require(record.to_station.view() == expected[3], "to-station name");
        require(record.distance.view() == expected[4], "distance");
        require(record.internal_accuracy.view() == expected[5], "internal accuracy");
        require(record.external_accuracy.view() == expected[6], "external accuracy");
        require(record.survey_order.view() == expected[7], "survey order");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vandlor2;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream listing(bytes);
    std::ostringstream console;
    std::ostringstream errors;
    ListingContents contents;
    const ScanStatus status = scan(listing, console, errors, contents);

    const reference::ReferenceScan reference = reference::reference_scan(bytes);
    require(status == reference.status, "the scan ends as the reference's does");
    require(console.str() == reference.console, "the same version echo");
    require(errors.str() == reference.errors, "the same error message");
    if (status != ScanStatus::completed) return 0;
    require(contents.qq_count == reference.qq_count, "the same QQ count");
    require(contents.length_record_count == reference.length_record_count,
            "the same length-record count");
    require(contents.section_title == reference.section_title, "the same section title");
    require_same_records(contents, reference);

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
