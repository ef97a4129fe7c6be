// make_listing: writes a synthetic KORMIN output listing of about a given size, for load tests
// of vandlor2.
//
//   make_listing <bytes> <plain|qq> [seed] [output]
//
// <bytes> may end in K, M or G (binary multiples). Without [output], or with "-", the listing
// goes to standard output. The same arguments always give the same bytes.
//
// Every line carries a carriage-control character in column 0 (blank, '0' or '1'), so the
// reader finds offset 1. Positions below are relative to that column: add 1 for the index
// into the line.
//
//   line 1          job banner (never examined by the reader)
//   program line    "PROGRAM KORMIN" at 0, blanks up to relative 19
//   version line    "VERSION" at 57, version text "4.12" from absolute index 66
//   QQ line         " QQ" at 3, survey order at 6 (1), SSN from at 13 (5), SSN to at 53 (5)
//   title line      "LENGTH RELATIVE ACCURACIES  (95% CONFIDENCE)" at 0
//   entry, line 1   "FROM: " at 0, SSN from at 7 (5), from name at 15 (30),
//                   "TO: " at 48, SSN to at 54 (5), to name at 62 (30, trailing blanks dropped)
//   entry, line 2   distance at 20 (9, %9.3f), internal accuracy at 65 (8, whole number),
//                   external accuracy at 101 (12, %12.1f)
//
// In qq mode the listing echoes one QQ line per length entry, all of them before the title
// line, in the order of the entries; every SSN pair occurs once. Page headers and blank lines
// fall only between QQ lines or between whole length entries.

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kLinesPerPage = 60;
constexpr std::uint32_t kMaxSsn = 99999;
constexpr std::size_t kBufferSize = std::size_t{16} << 20;

// splitmix64: a small counter-friendly generator, so that entry i can be rebuilt on its own
// (the QQ lines are written long before the entries they announce).
struct SplitMix {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * unit(); }
};

std::uint64_t mix(std::uint64_t a, std::uint64_t b) {
    SplitMix g{a * 0xD1B54A32D192ED03ull ^ b};
    return g.next();
}

const char* const kBaseNames[] = {
    "NORTH BASE",
    "SOUTH BASE",
    "EAST BASE",
    "WEST BASE",
    "HILL",
    "CHURCH SPIRE",
    "WATER TOWER",
    "GRAVEL PIT",
    "MILLERS KNOB",
    "BEACON HILL",
    "LONE PINE",
    "CEMETERY",
    "RAILWAY CUT",
    "OLD FORT",
    "QUARRY EDGE",
    "TRIG",
    "FERRY LANDING",
    "SCHOOLHOUSE",
    "RIDGE",
    "MARSH STATION",
    "STANDPIPE",
    "CAIRN ON BALD MOUNTAIN",
    "GRAIN ELEVATOR",
    "HIGHWAY CULVERT",
    "LIGHTHOUSE LANTERN",
    "PIER NE CORNER BOLT",
    "TOWN HALL CUPOLA",
    "MOUNT PLEASANT RESERVOIR",
    "SIGNAL HILL",
    "FIRE LOOKOUT TOWER",
    "BRIDGE ABUTMENT",
    "COUNTY LINE",
    "SAWMILL",
    "RANGE LINE",
    "POST OFFICE FLAGPOLE",
    "DAM SPILLWAY",
    "OBSERVATORY PIER",
    "CREEK MOUTH",
    "MISSION BELL TOWER",
    "SAND DUNE",
    "CLIFF TOP",
    "BLACK ROCK",
    "WINDMILL",
    "STATION AZIMUTH MARK",
    "RADIO MAST",
    "ISLAND",
    "PASS",
    "POINT",
    "LAKE OUTLET",
    "HARBOUR LIGHT",
    "MONUMENT",
    "FERRY SLIP",
    "ORCHARD",
    "TURNPIKE MILE POST",
    "CANAL LOCK GATE",
    "ABBEY TOWER",
    "GAS HOLDER",
    "SUMMIT",
};

const char* const kSuffixes[] = {
    "",       "",      "",    " RM 1", " RM 2",   " RM 3",       " ECC",
    " AZ MK", " 2",    " 3",  " 12",   " 447",    " RESET 1964", " NO 2",
    " BM 12", " 1931", " SW", " NE",   " CENTRE", " USC&GS",
};

// Station names by SSN, fixed for one seed so that an SSN always carries the same name.
struct Stations {
    std::vector<std::string> names;
    std::vector<std::uint32_t> of_ssn;

    explicit Stations(std::uint64_t seed) {
        for (const char* base : kBaseNames) {
            for (const char* suffix : kSuffixes) {
                std::string name = std::string(base) + suffix;
                if (name.size() <= 30) names.push_back(name);
            }
        }
        of_ssn.resize(kMaxSsn + 1);
        for (std::uint32_t ssn = 1; ssn <= kMaxSsn; ++ssn) {
            of_ssn[ssn] = static_cast<std::uint32_t>(mix(seed ^ 0x5EED, ssn) % names.size());
        }
    }
    const std::string& name(std::uint32_t ssn) const { return names[of_ssn[ssn]]; }
};

// Entry i names the station pair (from, to). Within each block of 99999 entries every SSN is
// the from station exactly once, in scrambled order; for a given from station each block adds
// a different nonzero step to reach the to station, so no pair repeats before about 10^10
// entries.
class PairMaker {
  public:
    explicit PairMaker(std::uint64_t seed) : seed_(seed), key_(mix(seed, 1)) {}

    void pair(std::uint64_t i, std::uint32_t& from, std::uint32_t& to) const {
        const std::uint64_t block = i / kMaxSsn;
        std::uint32_t f = static_cast<std::uint32_t>(i % kMaxSsn);
        do {
            f = scramble(f);  // cycle walking: a bijection of 0..2^17-1 restricted to 0..99998
        } while (f >= kMaxSsn);
        const std::uint64_t offset = mix(seed_ ^ 0x7057, f);
        const std::uint32_t step = 1 + static_cast<std::uint32_t>((block + offset) % (kMaxSsn - 1));
        from = f + 1;
        to = static_cast<std::uint32_t>((f + step) % kMaxSsn) + 1;
    }

  private:
    // Each operation is invertible on 17-bit numbers, so the whole is a permutation.
    std::uint32_t scramble(std::uint32_t x) const {
        constexpr std::uint32_t mask = (1u << 17) - 1;
        x = (x ^ static_cast<std::uint32_t>(key_)) & mask;
        x = (x * 0x2F3A5u) & mask;
        x ^= x >> 8;
        x = (x ^ static_cast<std::uint32_t>(key_ >> 17)) & mask;
        x = (x * 0x1B873u) & mask;
        x ^= x >> 9;
        return x;
    }

    std::uint64_t seed_;
    std::uint64_t key_;
};

// Writes digits of v right-aligned so that the last one lands at end[-1]; the field is
// expected to be blank already.
void put_uint(char* end, std::uint64_t v) {
    do {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
}

// Fixed notation of scaled / 10^decimals, right-aligned to end.
void put_fixed(char* end, std::uint64_t scaled, int decimals) {
    for (int k = 0; k < decimals; ++k) {
        *--end = static_cast<char>('0' + scaled % 10);
        scaled /= 10;
    }
    *--end = '.';
    put_uint(end, scaled);
}

void place(std::string& line, std::size_t pos, const std::string& text) {
    if (line.size() < pos + text.size()) line.resize(pos + text.size(), ' ');
    line.replace(pos, text.size(), text);
}

std::string right(std::uint64_t v, std::size_t width) {
    std::string s = std::to_string(v);
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

class Output {
  public:
    explicit Output(std::FILE* f) : file_(f), buf_(kBufferSize), used_(0) {}
    char* reserve(std::size_t n) {
        if (used_ + n > buf_.size()) flush();
        return buf_.data() + used_;
    }
    void commit(std::size_t n) { used_ += n; }
    void write(const char* p, std::size_t n) {
        std::memcpy(reserve(n), p, n);
        commit(n);
    }
    void write(const std::string& s) { write(s.data(), s.size()); }
    void flush() {
        if (used_ != 0 && std::fwrite(buf_.data(), 1, used_, file_) != used_) {
            std::perror("make_listing: write failed");
            std::exit(1);
        }
        used_ = 0;
    }

  private:
    std::FILE* file_;
    std::vector<char> buf_;
    std::size_t used_;
};

// Page bookkeeping shared by the size plan and the writer: a block of `needed` lines goes on
// the current page if it fits, otherwise a page header comes first.
struct Pager {
    int lines_on_page;
    bool needs_header(int needed) const { return lines_on_page + needed > kLinesPerPage; }
};

struct Listing {
    bool qq;
    std::uint64_t seed;
    Stations stations;
    PairMaker pairs;
    std::string line2_template;

    std::string banner, program, version, compiled, statistics;
    std::string qq_intro, title_block, continued_block, trailer;

    Listing(bool with_qq, std::uint64_t s) : qq(with_qq), seed(s), stations(s), pairs(s) {
        std::string l2 = " ";
        place(l2, 1 + 5, "LENGTH(M) =");
        place(l2, 1 + 31, "INT SD(MM)=");
        place(l2, 1 + 49, "PPM=");
        place(l2, 1 + 59, "INT=");
        place(l2, 1 + 75, "EXT SD(MM)=");
        place(l2, 1 + 93, "EXT=");
        place(l2, 1 + 101 + 11, " ");
        l2 += '\n';
        line2_template = l2;

        banner = "1KORMIN JOB 0417  LAKE DISTRICT CONTROL  USER SURVEYS-7\n";
        program = " PROGRAM KORMIN      LEAST SQUARES ADJUSTMENT OF HORIZONTAL NETWORKS\n";
        version = " GEODETIC SURVEY SECTION - NETWORK ADJUSTMENT SYSTEM";
        place(version, 1 + 57, "VERSION 4.12");
        version += '\n';
        compiled = " COMPILED 1997/11/20  FORTRAN 77  DOUBLE PRECISION\n\n";

        const char* stats[] = {"",
                               "0ADJUSTMENT STATISTICS",
                               "",
                               "     NUMBER OF STATIONS           99999",
                               "     DEGREES OF FREEDOM           31207",
                               "     A POSTERIORI VARIANCE FACTOR    1.0873",
                               "     CHI-SQUARE TEST (95%)        PASSED",
                               "     ITERATIONS                       3",
                               ""};
        for (const char* s : stats) {
            statistics += s;
            statistics += '\n';
        }
        qq_intro = "0LINE ACCURACY REQUESTS\n\n";

        std::string head1 = " ";
        place(head1, 1 + 7, "  SSN   STATION");
        place(head1, 1 + 54, "  SSN   STATION");
        std::string head2 = " ";
        place(head2, 1 + 20, "   METRES  ---------- INTERNAL ----------");
        place(head2, 1 + 75, "------------------ EXTERNAL ------------------");
        const std::string heads = head1 + "\n" + head2 + "\n\n";
        title_block = "0LENGTH RELATIVE ACCURACIES  (95% CONFIDENCE)\n\n" + heads;
        continued_block = "0LENGTH RELATIVE ACCURACIES  (95% CONFIDENCE)  (CONTINUED)\n\n" + heads;
        trailer =
            "\n0END OF LENGTH RELATIVE ACCURACIES\n"
            "0KORMIN NORMAL TERMINATION    CPU TIME      4.27 SEC\n";
    }

    // Page numbers wrap after 999999 so that every page header has the same size.
    static std::string page_header(std::uint64_t page) {
        std::string h =
            "1KORMIN    HORIZONTAL NETWORK ADJUSTMENT      "
            "PROJECT: LAKE DISTRICT CONTROL 1998";
        place(h, 1 + 96, "PAGE " + right(page % 1000000, 6));
        return h + "\n JOB 0417  RUN 1998/03/14  11:42:07           DATUM NAD83   UTM ZONE 18\n\n";
    }
    static constexpr int kPageHeaderLines = 3;
    static constexpr int kTitleBlockLines = 5;

    std::uint64_t qq_line_size(std::uint64_t i) const {
        std::uint32_t from = 0, to = 0;
        pairs.pair(i, from, to);
        return 1 + 60 + stations.name(to).size() + 1;
    }
    std::uint64_t entry_size(std::uint64_t i, bool& blank_after) const {
        std::uint32_t from = 0, to = 0;
        pairs.pair(i, from, to);
        blank_after = mix(seed ^ 0xB1A4C, i) % 4 == 0;
        return 1 + 62 + stations.name(to).size() + 1 + line2_template.size() +
               (blank_after ? 1 : 0);
    }

    void write_qq_line(Output& out, std::uint64_t i) const {
        std::uint32_t from = 0, to = 0;
        pairs.pair(i, from, to);
        const std::string& to_name = stations.name(to);
        const std::string& from_name = stations.name(from);
        const std::size_t n = 1 + 60 + to_name.size() + 1;
        char* p = out.reserve(n);
        std::memset(p, ' ', n);
        std::memcpy(p + 1 + 3, " QQ", 3);
        p[1 + 6] = static_cast<char>('1' + mix(seed ^ 0x0DE5, i) % 3);
        put_uint(p + 1 + 13 + 5, from);
        std::memcpy(p + 1 + 20, from_name.data(), from_name.size());
        put_uint(p + 1 + 53 + 5, to);
        std::memcpy(p + 1 + 60, to_name.data(), to_name.size());
        p[n - 1] = '\n';
        out.commit(n);
    }

    void write_entry(Output& out, std::uint64_t i) const {
        std::uint32_t from = 0, to = 0;
        pairs.pair(i, from, to);
        const std::string& from_name = stations.name(from);
        const std::string& to_name = stations.name(to);

        const std::size_t n1 = 1 + 62 + to_name.size() + 1;
        char* p = out.reserve(n1);
        std::memset(p, ' ', n1);
        std::memcpy(p + 1, "FROM: ", 6);
        put_uint(p + 1 + 7 + 5, from);
        std::memcpy(p + 1 + 15, from_name.data(), from_name.size());
        std::memcpy(p + 1 + 48, "TO: ", 4);
        put_uint(p + 1 + 54 + 5, to);
        std::memcpy(p + 1 + 62, to_name.data(), to_name.size());
        p[n1 - 1] = '\n';
        out.commit(n1);

        // Distance from 100 m to 40 km, spread evenly over the orders of magnitude; standard
        // errors from a centring part and a part proportional to the distance.
        SplitMix g{mix(seed ^ 0xACC, i)};
        const double metres = 100.0 * std::pow(400.0, g.unit());
        const std::uint64_t mm = static_cast<std::uint64_t>(std::llround(metres * 1000.0));
        // One draw per statement: the order of draws must not depend on the compiler.
        const double centring = g.uniform(1.5, 4.0);
        const double ppm_part = g.uniform(0.3, 5.0) * metres / 1000.0;
        const double sd_int = std::hypot(centring, ppm_part);
        const double sd_ext = sd_int * g.uniform(1.3, 3.2);
        const double length_mm = static_cast<double>(mm);
        std::uint64_t ppm = static_cast<std::uint64_t>(std::llround(sd_int / metres * 1e5));
        if (ppm > 9999) ppm = 9999;

        const std::size_t n2 = line2_template.size();
        char* q = out.reserve(n2);
        std::memcpy(q, line2_template.data(), n2);
        put_fixed(q + 1 + 20 + 9, mm, 3);
        put_fixed(q + 1 + 42 + 6, static_cast<std::uint64_t>(std::llround(sd_int * 10.0)), 1);
        put_fixed(q + 1 + 53 + 5, ppm, 2);
        put_uint(q + 1 + 65 + 8, static_cast<std::uint64_t>(std::llround(length_mm / sd_int)));
        put_fixed(q + 1 + 86 + 6, static_cast<std::uint64_t>(std::llround(sd_ext * 10.0)), 1);
        put_fixed(q + 1 + 101 + 12,
                  static_cast<std::uint64_t>(std::llround(length_mm * 10.0 / sd_ext)), 1);
        out.commit(n2);
    }

    // Number of entries that brings the listing to at least `target` bytes (at least one).
    std::uint64_t plan(std::uint64_t target) const {
        std::uint64_t bytes = banner.size() + program.size() + version.size() + compiled.size() +
                              statistics.size() + title_block.size() + trailer.size();
        const std::uint64_t header_size = page_header(1).size();
        bytes += header_size;
        Pager qq_pager{kPageHeaderLines + 2};
        Pager len_pager{kLinesPerPage};  // the length section opens a page of its own
        if (qq) bytes += qq_intro.size();
        std::uint64_t n = 0;
        while (n == 0 || bytes < target) {
            if (qq) {
                if (qq_pager.needs_header(1)) {
                    bytes += header_size;
                    qq_pager.lines_on_page = kPageHeaderLines;
                }
                bytes += qq_line_size(n);
                ++qq_pager.lines_on_page;
            }
            bool blank = false;
            const std::uint64_t size = entry_size(n, blank);
            const int lines = blank ? 3 : 2;
            if (len_pager.needs_header(lines)) {
                bytes += header_size;
                if (n != 0) bytes += continued_block.size();
                len_pager.lines_on_page = kPageHeaderLines + kTitleBlockLines;
            }
            bytes += size;
            len_pager.lines_on_page += lines;
            ++n;
        }
        return n;
    }

    void write(Output& out, std::uint64_t entries) const {
        out.write(banner);
        out.write(program);
        out.write(version);
        out.write(compiled);
        std::uint64_t page = 1;
        out.write(page_header(page++));
        Pager pager{kPageHeaderLines};
        if (qq) {
            out.write(qq_intro);
            pager.lines_on_page += 2;
            for (std::uint64_t i = 0; i < entries; ++i) {
                if (pager.needs_header(1)) {
                    out.write(page_header(page++));
                    pager.lines_on_page = kPageHeaderLines;
                }
                write_qq_line(out, i);
                ++pager.lines_on_page;
            }
        }
        // Statistics close the page they start on; the length section opens a new page.
        out.write(statistics);
        pager.lines_on_page = kLinesPerPage;
        for (std::uint64_t i = 0; i < entries; ++i) {
            bool blank = false;
            entry_size(i, blank);
            const int lines = blank ? 3 : 2;
            if (pager.needs_header(lines)) {
                out.write(page_header(page++));
                out.write(i == 0 ? title_block : continued_block);
                pager.lines_on_page = kPageHeaderLines + kTitleBlockLines;
            }
            write_entry(out, i);
            if (blank) out.write("\n", 1);
            pager.lines_on_page += lines;
        }
        out.write(trailer);
        out.flush();
    }
};

bool parse_size(const char* text, std::uint64_t& bytes) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (end == text || errno != 0 || text[0] == '-') return false;
    unsigned shift = 0;
    if (*end == 'K' || *end == 'k') shift = 10;
    if (*end == 'M' || *end == 'm') shift = 20;
    if (*end == 'G' || *end == 'g') shift = 30;
    if (shift != 0) ++end;
    if (*end != '\0' || v > (~0ull >> shift)) return false;
    bytes = static_cast<std::uint64_t>(v) << shift;
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: make_listing <bytes> <plain|qq> [seed] [output]\n"
                 "  <bytes>  approximate size of the listing; may end in K, M or G\n"
                 "  plain    length entries only\n"
                 "  qq       one QQ record per length entry, before the length section\n"
                 "  seed     unsigned number, default 1\n"
                 "  output   file to write; standard output when missing or \"-\"\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) return usage();
    std::uint64_t target = 0;
    if (!parse_size(argv[1], target)) return usage();
    const std::string mode = argv[2];
    if (mode != "plain" && mode != "qq") return usage();
    std::uint64_t seed = 1;
    if (argc >= 4) {
        errno = 0;
        char* end = nullptr;
        seed = std::strtoull(argv[3], &end, 10);
        if (end == argv[3] || *end != '\0' || errno != 0) return usage();
    }
    std::FILE* file = stdout;
    if (argc == 5 && std::strcmp(argv[4], "-") != 0) {
        file = std::fopen(argv[4], "wb");
        if (file == nullptr) {
            std::perror(argv[4]);
            return 1;
        }
    }

    const Listing listing(mode == "qq", seed);
    const std::uint64_t entries = listing.plan(target);
    Output out(file);
    listing.write(out, entries);
    if (file != stdout ? std::fclose(file) != 0 : std::fflush(stdout) != 0) {
        std::perror("make_listing: write failed");
        return 1;
    }
    return 0;
}
