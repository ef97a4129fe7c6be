// Times the phases of one run in-process: scanning the listing, ordering the records, and
// formatting the report into a discarding stream. Usage: phases <listing>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <streambuf>

#include "listing/report_order.h"
#include "listing/scanner.h"
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
}
