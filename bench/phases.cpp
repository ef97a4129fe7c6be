// Times the phases of one run in-process, each by its wall time and the CPU time of the whole
// process: reading the listing into its records (read, examine and cut, take in order), putting
// them in report order, and formatting the report into a stream that discards it. Not a test.
// Usage: phases <listing>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <streambuf>

#include "listing/listing_reader.h"
#include "listing/report_order.h"
#include "report/report_writer.h"

namespace {

class Discard : public std::streambuf {
  protected:
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    int_type overflow(int_type byte) override { return traits_type::not_eof(byte); }
};

double cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

/// Runs `phase` and prints its wall and CPU seconds under `name`.
template <typename Phase>
void timed(const char* name, Phase&& phase) {
    const double cpu = cpu_seconds();
    const auto wall = std::chrono::steady_clock::now();
    phase();
    const double wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    std::printf("%-7s %6.3f s wall %6.3f s CPU\n", name, wall_seconds, cpu_seconds() - cpu);
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
    timed("scan", [&] { vandlor2::read_listing(listing, console, std::cerr, contents); });
    timed("order", [&] { vandlor2::RecordOrder order(contents.records); });
    Discard discard;
    std::ostream report(&discard);
    timed("report", [&] { vandlor2::write_report(report, contents); });
    std::printf("%zu records (the report's time includes its order)\n", contents.records.size());
}
