// Times the phases of one run in-process: scanning the listing, ordering the records, and
// formatting the report into a discarding stream. Then times the listing's and the report's
// rules alone, on one thread: examining every line and cutting its entry or QQ record, and
// formatting every record's report line from records already at hand. Those are the least
// any run must spend, whatever carries the lines and records to and from them.
// Usage: phases <listing>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "listing/listing_lines.h"
#include "listing/report_order.h"
#include "listing/scanner.h"
#include "listing/text_blocks.h"
#include "report/report_pages.h"
#include "report/report_writer.h"

namespace {

class Discard : public std::streambuf {
  protected:
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    int_type overflow(int_type byte) override { return traits_type::not_eof(byte); }
};

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/// Seconds the listing's rules take over its lines after the program line, and a checksum
/// that keeps their work from being optimised away.
double time_listing_rules(const char* path, std::size_t& checksum) {
    std::ifstream listing(path, std::ios::binary);
    vandlor2::TextBlockReader reader(listing);
    vandlor2::TextBlock block;
    std::size_t offset = 0;
    bool found = false;
    double seconds = 0;
    while (reader.next(block) == vandlor2::TextBlockReader::Status::block) {
        std::string_view text = block.text();
        while (!found && !text.empty()) {
            const std::size_t feed = text.find('\n');
            const std::string_view line = text.substr(0, feed);
            text.remove_prefix(feed == text.npos ? text.size() : feed + 1);
            const vandlor2::OffsetFinding finding = vandlor2::examine_before_program_line(line);
            found = finding.kind == vandlor2::OffsetFinding::Kind::found;
            offset = finding.offset;
        }
        const vandlor2::ListingColumns columns(offset);
        const auto start = std::chrono::steady_clock::now();
        vandlor2::ExaminedLines lines(columns, text);
        vandlor2::ExaminedLines::Line line;
        while (lines.next(line)) {
            checksum += columns.is_version_line(line.text);
            if (line.kind == vandlor2::ListingColumns::Kind::entry_line) {
                const vandlor2::LengthEntry entry =
                    columns.length_entry(line.text, line.second_line);
                checksum +=
                    static_cast<std::size_t>(entry.ssn_from) + entry.record.distance.view().size();
            } else if (line.kind == vandlor2::ListingColumns::Kind::qq_line) {
                checksum += columns.qq_record(line.text).ssn_to.view().size();
            }
        }
        seconds += seconds_since(start);
    }
    return seconds;
}

/// Seconds the report's rules take to format the lines of `records`, in table order.
double time_report_rules(const vandlor2::ListingContents& contents, std::size_t& checksum) {
    const auto layout =
        contents.qq_count != 0 ? vandlor2::ReportLayout::qq : vandlor2::ReportLayout::plain;
    std::vector<vandlor2::LineRecord> batch(4096);
    std::string text;
    double seconds = 0;
    for (std::size_t first = 0; first < contents.records.size(); first += batch.size()) {
        const std::size_t count = std::min(batch.size(), contents.records.size() - first);
        for (std::size_t i = 0; i < count; ++i) batch[i] = contents.records[first + i];
        text.clear();
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < count; ++i) {
            vandlor2::append_record_line(text, batch[i], first + i + 1, contents.section_title,
                                         layout);
        }
        seconds += seconds_since(start);
        checksum += text.size();
    }
    return seconds;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: phases <listing>\n";
        return 2;
    }
    std::ifstream listing(argv[1], std::ios::binary);
    vandlor2::ListingContents contents;
    std::ostringstream console;
    auto start = std::chrono::steady_clock::now();
    vandlor2::scan(listing, console, std::cerr, contents);
    std::cout << "scan   " << seconds_since(start) << " s, " << contents.records.size()
              << " records\n";
    start = std::chrono::steady_clock::now();
    const auto order = vandlor2::report_order(contents.records);
    std::cout << "order  " << seconds_since(start) << " s\n";
    Discard discard;
    std::ostream report(&discard);
    start = std::chrono::steady_clock::now();
    vandlor2::write_report(report, contents);
    std::cout << "report " << seconds_since(start) << " s (ordering included)\n";
    std::size_t checksum = 0;
    std::cout << "rules, one thread: listing " << time_listing_rules(argv[1], checksum)
              << " s, report " << time_report_rules(contents, checksum) << " s (checksum "
              << checksum << ")\n";
}
