// Whole-program runs under faults. Two families:
//
// Damaged listings: random bytes, the example listings with random damage and random mixtures
// of the listing's own kinds of line, from fixed seeds. Whatever the listing holds, the tool
// must end with a report (exit code 0) or with an "Error: " message and an empty report (exit
// code 1, 5 or 7), never with a crash or a sanitizer report.
//
// Fault injection (FaultInjection.*, run as one test that ends with the line "N passed, M
// failed"): on both example listings every allocation of a run fails in turn (alone, and with
// every allocation after it), every file system call of the run fails in turn (strace's fault
// injection), reads and writes move a few bytes at a time, the disk fills up, and SIGINT,
// SIGTERM and SIGHUP arrive while the report of a large listing is being written. Every run
// must end with the correct report and exit code 0, or with an "Error: " message, a non-zero
// exit code and an empty or absent report, and the listing must never change. Faults that hit
// before main (the dynamic loader, the C++ runtime's start-up) are out of the tool's reach and
// are counted apart; they too must leave both files alone. So are allocations inside the C
// library's time-zone loading, which falls back to UTC on its own.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "harness.h"
#include "run_stamp.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int exit_code = -1;  ///< -1 when the tool did not exit normally
    std::string console;
    std::string errors;
    std::optional<std::string> report;
    std::optional<std::string> listing;
    std::string shim_log;
    std::vector<std::string> temporary_files;  ///< names of the folder that begin with a dot
};

/// The names in `folder` that begin with a dot: the temporary files a report is written into.
std::vector<std::string> temporary_files_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name[0] == '.') names.push_back(name);
    }
    return names;
}

using harness::read_file;
using harness::read_or_empty;
using harness::shell_quoted;
using harness::TempFolder;

/// Runs `prefix` and the tool on "listing" in `folder`, its report named `report`; the files
/// a run leaves are removed first, then the shell commands `setup` are run.
Outcome run_tool_in(const fs::path& folder, const std::string& prefix,
                    const std::string& report = "report", const std::string& setup = ":") {
    const std::string command = "cd " + shell_quoted(folder.string()) + " && rm -f " +
                                shell_quoted(report) + " shim.log .report.* && " + setup + " && " +
                                prefix + " " + shell_quoted(VANDLOR2_BINARY) + " listing " +
                                shell_quoted(report) + " < /dev/null > console.out 2> console.err";
    const int status = std::system(command.c_str());
    Outcome outcome;
    if (WIFEXITED(status)) outcome.exit_code = WEXITSTATUS(status);
    outcome.console = read_file(folder / "console.out").value_or("");
    outcome.errors = read_file(folder / "console.err").value_or("");
    outcome.report = read_file(folder / report);
    outcome.listing = read_file(folder / "listing");
    outcome.shim_log = read_file(folder / "shim.log").value_or("");
    outcome.temporary_files = temporary_files_in(folder);
    return outcome;
}

/// Runs the tool on `listing` in a fresh folder; `limits` is shell code run before it.
Outcome run_tool(const std::string& listing, const std::string& limits = "") {
    const TempFolder folder;
    harness::write_file(folder / "listing", listing);
    return run_tool_in(folder.path(), limits);
}

void expect_clean_end(const std::string& listing, const std::string& what) {
    const Outcome outcome = run_tool(listing);
    const int code = outcome.exit_code;
    ASSERT_TRUE(code == 0 || code == 1 || code == 5 || code == 7)
        << what << ": exit code " << code << "\n"
        << outcome.errors;
    ASSERT_TRUE(outcome.report) << what << ": no report file";
    if (code == 0) {
        EXPECT_EQ(outcome.errors, "") << what;
        EXPECT_EQ(outcome.report->rfind(" Page 1\n", 0), 0u) << what << ": no first page";
    } else {
        EXPECT_EQ(outcome.errors.rfind("Error: ", 0), 0u) << what << ": " << outcome.errors;
        EXPECT_EQ(*outcome.report, "") << what << ": a report after an error";
    }
}

/// The engine's output is fixed by the standard; the distributions' is not, so none is used.
class Random {
  public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    std::size_t below(std::size_t bound) { return engine_() % bound; }
    char byte() { return static_cast<char>(engine_() & 0xFF); }
    template <std::size_t N>
    std::string_view pick(const std::string_view (&choices)[N]) {
        return choices[below(N)];
    }

  private:
    std::mt19937 engine_;
};

constexpr std::uint32_t kSeeds = 12;

TEST(Fault, RandomBytes) {
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        Random random(seed);
        // Random bytes alone stop at the first long line; after a program line, and with
        // shorter lines, they go through every test of the scan.
        const bool after_program_line = seed % 2 == 0;
        std::string listing = after_program_line ? "1KORMIN\n PROGRAM KORMIN\n" : "";
        for (std::size_t size = 64 * 1024; size > 0; --size) {
            listing += after_program_line && random.below(64) == 0 ? '\n' : random.byte();
        }
        expect_clean_end(listing, "random bytes, seed " + std::to_string(seed));
    }
}

TEST(Fault, DamagedExampleListings) {
    for (const char* name : {"network_plain.lst", "network_qq.lst"}) {
        const std::optional<std::string> example =
            read_file(fs::path(VANDLOR2_EXAMPLES_DIR) / name);
        ASSERT_TRUE(example) << name;
        for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
            Random random(seed);
            std::string listing = *example;
            for (std::size_t damage = 1 + random.below(40); damage > 0; --damage) {
                const std::size_t at = random.below(listing.size());
                switch (random.below(4)) {
                    case 0:
                        listing[at] = random.byte();
                        break;
                    case 1:
                        listing.erase(at, 1 + random.below(8));
                        break;
                    case 2:
                        listing.insert(at, 1 + random.below(8), random.byte());
                        break;
                    default:
                        listing.insert(at, listing.substr(random.below(listing.size()), 200));
                }
            }
            expect_clean_end(listing, std::string(name) + ", seed " + std::to_string(seed));
        }
    }
}

TEST(Fault, RandomLinesOfEveryKind) {
    // Marks of each kind of line at the columns where they count, for either offset control,
    // over texts of odd bytes. Odd seeds leave out QQ lines, so that their scans run to the end.
    static constexpr std::string_view kProgramLines[] = {
        " PROGRAM KORMIN     ", "PROGRAM KORMIN      ", "   PROGRAM KORMIN   "};
    static constexpr std::string_view kMarks[] = {"FROM: ",
                                                  " FROM: ",
                                                  "LENGTH RELATIVE ACCURACIES ",
                                                  " LENGTH RELATIVE ACCURACIES ",
                                                  "PROGRAM KORMIN",
                                                  "    QQ",
                                                  "     QQ"};
    static constexpr std::string_view kTexts[] = {
        " ",     "     ", "12",   "00012", "-7",
        "1e999", "-nan",  "inf",  "0x1A",  "2.5",
        ".5e1",  "*",     "\t\r", "\x0B",  "\f",
        "\xA0",  "\xFF",  "A",    "Z",     std::string_view("\0", 1)};
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        Random random(seed);
        const std::size_t marks = std::size(kMarks) - (seed % 2 == 1 ? 2 : 0);
        std::string listing = "1KORMIN\n";
        listing.append(seed == kSeeds ? "\fPROGRAM KORMIN" : kProgramLines[seed % 3]) += '\n';
        for (int line = 0; line < 2000; ++line) {
            std::string text;
            for (std::size_t length = random.below(140); text.size() < length;) {
                text += random.pick(kTexts);
            }
            if (random.below(4) != 0) text.insert(0, kMarks[random.below(marks)]);
            if (random.below(8) == 0) {
                text.resize(std::max<std::size_t>(text.size(), 66), ' ');
                text.insert(57 + random.below(2), "VERSION");
            }
            listing += text + (random.below(16) == 0 ? "\r\n" : "\n");
        }
        expect_clean_end(listing, "random lines, seed " + std::to_string(seed));
    }
}

// ---- Fault injection ------------------------------------------------------------------------

struct Tally {
    int runs = 0;
    int correct_reports = 0;
    int clean_errors = 0;
    int before_main = 0;  ///< of the runs, faults that hit before main
    int time_zone = 0;    ///< of the runs, allocations that failed in the time-zone loading
    int failed = 0;

    /// Counts a run that had to end with a clean error; gives whether it did.
    bool clean_error(bool right) {
        ++runs;
        ++(right ? clean_errors : failed);
        return right;
    }
};
Tally tally;

/// Both examples, and a generated listing of several read blocks, whose scan and report are
/// spread over threads.
const char* const kExamples[] = {"network_plain.lst", "network_qq.lst", "qq 5M"};

/// Makes a listing of `size` (as make_listing takes it) in `folder`; gives its bytes.
std::string generated_listing(const fs::path& folder, const std::string& size,
                              const std::string& layout) {
    const std::string command = shell_quoted(VANDLOR2_MAKE_LISTING) + " " + size + " " + layout +
                                " 1 " + shell_quoted((folder / "listing").string());
    if (std::system(command.c_str()) != 0) throw std::runtime_error("make_listing failed");
    return read_file(folder / "listing").value();
}

/// A folder holding one listing as "listing", an example or one generated ("LAYOUT SIZE"),
/// and the results of a run without faults.
class Sandbox {
  public:
    explicit Sandbox(const std::string& name) {
        const std::size_t blank = name.find(' ');
        if (blank != std::string::npos) {
            listing_ = generated_listing(folder(), name.substr(blank + 1), name.substr(0, blank));
        } else {
            listing_ = read_file(fs::path(VANDLOR2_EXAMPLES_DIR) / name).value();
            std::ofstream(folder_ / "listing", std::ios::binary) << listing_;
        }
        const Outcome reference = run_tool_in(folder(), "");
        if (reference.exit_code != 0 || !reference.report) {
            throw std::runtime_error("the run without faults failed: " + reference.errors);
        }
        report_ = *reference.report;
        console_ = without_run_time(reference.console);
        stale_report_ = report_ + "A line left from an earlier run.\n";
        std::ofstream(folder_ / "stale", std::ios::binary) << stale_report_;
    }
    const fs::path& folder() const { return folder_.path(); }
    const std::string& listing() const { return listing_; }
    const std::string& report() const { return report_; }
    const std::string& console() const { return console_; }
    /// A report of an earlier run that the report must replace: the right one and a line more,
    /// in the folder as "stale".
    const std::string& stale_report() const { return stale_report_; }

    /// Puts the listing back after a run that changed it, so that one fault is seen once.
    void restore(const Outcome& outcome) const {
        if (outcome.listing != listing_) {
            std::ofstream(folder_ / "listing", std::ios::binary | std::ios::trunc) << listing_;
        }
    }

  private:
    TempFolder folder_;
    std::string listing_;
    std::string report_;
    std::string console_;
    std::string stale_report_;
};

/// What a run under one kind of fault may end with.
struct Expectation {
    std::vector<std::string> errors;  ///< the messages of a run that fails
    bool whole_console = false;       ///< whether a run that succeeds shows the whole console
    bool before_main = false;
    /// Whether the stale report was there: a run that stops before it empties the report may
    /// leave it as it was, but never partly rewritten.
    bool stale_report_before = false;
    /// Whether a temporary file may stay, where removing it is the call that fails.
    bool may_leave_temporary = false;
};

/// What is wrong with the outcome of a run under a fault, or nothing. A fault before main is
/// met by the dynamic loader or the C++ runtime, whose messages and exit codes are their own:
/// such a run only has to leave the listing alone and the report absent, empty or correct.
std::string wrong_in(const Outcome& outcome, const Sandbox& sandbox, const Expectation& expected) {
    if (outcome.listing != sandbox.listing()) return "the listing changed";
    if (!outcome.temporary_files.empty() && !expected.may_leave_temporary) {
        return "a temporary file left: " + outcome.temporary_files[0];
    }
    const bool empty_report = !outcome.report || outcome.report->empty();
    const bool untouched = expected.stale_report_before && outcome.report == sandbox.stale_report();
    if (expected.before_main) {
        return empty_report || untouched || outcome.report == sandbox.report() ? ""
                                                                               : "a wrong report";
    }
    if (outcome.exit_code == 0) {
        if (outcome.report != sandbox.report()) return "exit code 0 with a wrong report";
        if (!outcome.errors.empty()) return "exit code 0 with errors: " + outcome.errors;
        if (expected.whole_console && without_run_time(outcome.console) != sandbox.console()) {
            return "exit code 0 with this console: " + outcome.console;
        }
        return "";
    }
    if (outcome.exit_code < 0) return "no normal exit";
    const auto& errors = expected.errors;
    if (std::find(errors.begin(), errors.end(), outcome.errors) == errors.end()) {
        return "exit code " + std::to_string(outcome.exit_code) + " with " +
               (outcome.errors.empty() ? "no message" : "the message: " + outcome.errors);
    }
    if (!empty_report && !untouched) return "a report left after an error";
    return "";
}

void record(const std::string& what, const Outcome& outcome, const Sandbox& sandbox,
            const Expectation& expected) {
    ++tally.runs;
    sandbox.restore(outcome);
    const std::string problem = wrong_in(outcome, sandbox, expected);
    if (!problem.empty()) {
        ++tally.failed;
        ADD_FAILURE() << what << ": " << problem;
    } else if (expected.before_main) {
        ++tally.before_main;
    } else if (outcome.exit_code == 0) {
        ++tally.correct_reports;
    } else {
        ++tally.clean_errors;
    }
}

/// The sanitizers' allocator and start-up, and the coverage counters written at the exit, meet
/// the injected faults before the tool does.
bool instrumented() {
    return VANDLOR2_INSTRUMENTED;
}

std::string with_shim(const std::string& settings) {
    return "LD_PRELOAD=" + shell_quoted(VANDLOR2_FAULT_SHIM) + " VANDLOR2_SHIM_LOG=shim.log " +
           settings;
}

TEST(FaultInjection, EveryAllocationFailsInTurn) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    for (const char* example : kExamples) {
        const Sandbox sandbox(example);
        const Outcome counted = run_tool_in(sandbox.folder(), with_shim(""));
        unsigned long allocations = 0;
        ASSERT_EQ(std::sscanf(counted.shim_log.c_str(), "allocations %lu", &allocations), 1);
        for (unsigned long failing = 1; failing <= allocations; ++failing) {
            for (const bool and_after : {false, true}) {
                const std::string settings = "VANDLOR2_FAIL_ALLOCATION=" + std::to_string(failing) +
                                             (and_after ? " VANDLOR2_FAIL_ALLOCATIONS_FROM=1" : "");
                const Outcome outcome = run_tool_in(sandbox.folder(), with_shim(settings));
                Expectation expected{{"Error: Out of memory\n       Check available memory.\n"},
                                     true};
                expected.before_main =
                    outcome.shim_log.find(" in before-main") != std::string::npos;
                if (outcome.shim_log.find(" in time-zone") != std::string::npos) ++tally.time_zone;
                record(std::string(example) + ", " + settings, outcome, sandbox, expected);
            }
        }
        std::printf("%s: %lu allocations, each failed alone and with all after it\n", example,
                    allocations);
    }
}

struct CallFault {
    const char* call;
    const char* error;
    /// The messages a run may end with: F cannot find the listing, R cannot read it, C cannot
    /// create the report, W cannot write it; none where the tool must retry or do without.
    const char* messages;
};

/// The calls that reach files, each failed with a plain error and, where the tool retries it,
/// with an interruption; opening and writing also with every error that has words of its own.
constexpr CallFault kCallFaults[] = {
    {"read", "EIO", "R"},        {"read", "EINTR", ""},       {"write", "ENOSPC", "W"},
    {"write", "EDQUOT", "W"},    {"write", "EPIPE", "W"},     {"write", "EINTR", ""},
    {"writev", "ENOSPC", "W"},   {"openat", "EIO", "FC"},     {"openat", "EINTR", ""},
    {"openat", "ENOENT", "FC"},  {"openat", "EACCES", "FC"},  {"openat", "EPERM", "FC"},
    {"openat", "EISDIR", "FC"},  {"openat", "ENOTDIR", "FC"}, {"openat", "ENAMETOOLONG", "FC"},
    {"openat", "EROFS", "FC"},   {"openat", "EMFILE", "FC"},  {"openat", "ENFILE", "FC"},
    {"openat", "ENXIO", "FC"},   {"close", "EIO", "W"},       {"fstat", "EIO", "FC"},
    {"newfstatat", "EIO", "FC"}, {"statx", "EIO", "FC"},      {"lseek", "EIO", ""},
    {"ftruncate", "EIO", "C"},   {"ftruncate", "EINTR", ""},  {"rename", "EIO", ""},
    {"unlink", "EIO", "W"},      {"renameat2", "EIO", ""},    {"linkat", "EIO", ""},
    {"linkat", "EEXIST", ""},    {"fchmod", "EIO", ""},       {"flistxattr", "EIO", ""},
};

/// The cause line's words for an error, the same on every system and in every locale.
std::string cause_words(std::string_view error) {
    static const std::map<std::string_view, std::string> words = {
        {"EIO", "Input/output error"},           {"ENOSPC", "No space left on device"},
        {"EDQUOT", "Disk quota exceeded"},       {"EPIPE", "Broken pipe"},
        {"ENOENT", "No such file or directory"}, {"EACCES", "Permission denied"},
        {"EPERM", "Permission denied"},          {"EISDIR", "Is a directory"},
        {"ENOTDIR", "Not a directory"},          {"ENAMETOOLONG", "File name too long"},
        {"EROFS", "Read-only file system"},      {"EMFILE", "Too many open files"},
        {"ENFILE", "Too many open files"}};
    const auto found = words.find(error);
    return found == words.end() ? "Unexpected system error" : found->second;
}

std::vector<std::string> messages_of(const CallFault& fault) {
    const std::string cause = cause_words(fault.error);
    std::vector<std::string> messages;
    for (const char* kind = fault.messages; *kind != '\0'; ++kind) {
        switch (*kind) {
            case 'F':
                messages.push_back("Error: Cannot find input file:  listing\n");
                break;
            case 'R':
                messages.push_back("Error: Cannot read input file:  listing\n");
                break;
            case 'C':
                messages.push_back(
                    "Error: Cannot create output file:  report\n       Check available memory.\n");
                break;
            default:
                messages.push_back(
                    "Error: Cannot write output file:  report\n       Check available disk "
                    "space.\n");
        }
        messages.back() += "       " + cause + "\n";
    }
    return messages;
}

std::string traced(const std::string& strace_options) {
    return "strace -f -qq " + strace_options +
           " -E LD_PRELOAD=" + shell_quoted(VANDLOR2_FAULT_SHIM) + " -E VANDLOR2_MAIN_MARKER=1";
}

/// How often a run calls `call`, and how many of those calls come before main.
std::pair<int, int> count_calls(const fs::path& folder, const std::string& call,
                                const std::string& setup = ":") {
    run_tool_in(folder, traced("-o trace.log -e trace=" + call + ",getppid"), "report", setup);
    std::istringstream trace(read_file(folder / "trace.log").value_or(""));
    int calls = 0;
    int before_main = -1;
    for (std::string line; std::getline(trace, line);) {
        line.erase(0, line.find_first_not_of("0123456789 "));  // the process number
        if (line.find("resumed>") != std::string::npos) continue;
        const std::string name = line.substr(0, line.find('('));
        if (name == "getppid" && before_main < 0) before_main = calls;
        if (name == call) ++calls;
    }
    return {calls, std::max(before_main, 0)};
}

std::string injected(const CallFault& fault, int nth) {
    return traced("-o /dev/null -e trace=" + std::string(fault.call) + " -e inject=" + fault.call +
                  ":error=" + fault.error + ":when=" + std::to_string(nth));
}

TEST(FaultInjection, EveryFileCallFailsInTurn) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    if (std::system("strace -V > /dev/null 2>&1") != 0) {
        ADD_FAILURE() << "strace is missing: apt-get install strace";
        return;
    }
    for (const char* example : kExamples) {
        const Sandbox sandbox(example);
        // The first example's runs create the report; the others' replace a stale one.
        const bool stale = example != kExamples[0];
        const std::string setup = stale ? "cp stale report" : ":";
        std::string counts;
        std::set<std::string_view> counted;
        for (const CallFault& fault : kCallFaults) {
            const auto [calls, before_main] = count_calls(sandbox.folder(), fault.call, setup);
            for (int nth = 1; nth <= calls; ++nth) {
                const Outcome outcome =
                    run_tool_in(sandbox.folder(), injected(fault, nth), "report", setup);
                Expectation expected{messages_of(fault)};
                expected.before_main = nth <= before_main;
                expected.stale_report_before = stale;
                expected.may_leave_temporary = std::string_view(fault.call) == "unlink";
                record(std::string(example) + ", " + fault.call + " fails (" + fault.error +
                           ") at call " + std::to_string(nth),
                       outcome, sandbox, expected);
            }
            if (counted.insert(fault.call).second) {
                counts += " " + std::string(fault.call) + " " + std::to_string(calls) + " (" +
                          std::to_string(before_main) + " before main)";
            }
        }
        std::printf("%s: calls made:%s\n", example, counts.c_str());
    }
}

TEST(FaultInjection, AReportLinkedToTheListingIsNeverWritten) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    const Sandbox sandbox(kExamples[1]);
    const std::vector<std::string> refusals = {
        "Error: Cannot find input file:  listing\n       Input/output error\n",
        "Error: Cannot create output file:  report\n       Check available memory.\n"
        "       Input/output error\n",
        "Error: Cannot create output file:  report\n       It is the input file.\n"};
    for (const char* link : {"ln -s listing report", "ln listing report"}) {
        for (const CallFault& fault : kCallFaults) {
            if (std::string_view(fault.error) != "EIO") continue;
            const auto [calls, before_main] = count_calls(sandbox.folder(), fault.call, link);
            for (int nth = before_main + 1; nth <= calls; ++nth) {
                const Outcome outcome =
                    run_tool_in(sandbox.folder(), injected(fault, nth), "report", link);
                sandbox.restore(outcome);
                const bool refused =
                    outcome.exit_code == 1 &&
                    std::find(refusals.begin(), refusals.end(), outcome.errors) != refusals.end();
                if (!tally.clean_error(outcome.listing == sandbox.listing() && refused)) {
                    ADD_FAILURE() << link << ", " << fault.call << " fails at call " << nth
                                  << ": exit code " << outcome.exit_code << ", "
                                  << (outcome.listing == sandbox.listing() ? "" : "listing lost, ")
                                  << outcome.errors;
                }
            }
        }
    }
    fs::remove(sandbox.folder() / "report");
}

/// A kind of report file, and what a run must keep of it that others see. The shell commands
/// run in a folder holding "listing" and "expected", the right report; TOOL is the tool,
/// AS_NOBODY runs it as the user nobody, NO_TMPFILE without files of no name.
struct ReportKind {
    const char* what;
    const char* setup;
    const char* run;  ///< with every redirection of its own
    int exit_code;
    const char* check;  ///< must succeed after the run
};

constexpr const char* kAsNobody = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";

const ReportKind kReportKinds[] = {
    {"a new report, umask 027", "umask 027", "TOOL listing report", 0,
     "cmp report expected && test $(stat -c %a report) = 640"},
    {"a new report, umask 002", "umask 002", "TOOL listing report", 0,
     "cmp report expected && test $(stat -c %a report) = 664"},
    {"a report of mode 0640", "echo old > report && chmod 0640 report", "TOOL listing report", 0,
     "cmp report expected && test $(stat -c %a report) = 640"},
    {"a hard-linked report is written in place", "echo old > report && ln report other",
     "TOOL listing report", 0, "cmp other expected && test $(stat -c %h report) = 2"},
    {"a symbolic link stays, its target replaced",
     "mkdir far && echo old > far/target && ln -s far/target middle && ln -s middle report",
     "TOOL listing report", 0,
     "test -L report && test -L middle && cmp far/target expected && test -z \"$(ls -A far | "
     "grep -v target)\""},
    {"a report of another user keeps its owner",
     "echo old > report && chown nobody:nogroup report && chmod 0604 report", "TOOL listing report",
     0, "cmp report expected && test $(stat -c %U:%G:%a report) = nobody:nogroup:604"},
    {"an owner that cannot be given back: in place",
     "echo old > report && chown nobody report && stat -c %i report > inode",
     "strace -f -qq -o /dev/null -e trace=fchown -e inject=fchown:error=EPERM TOOL listing report",
     0, "cmp report expected && test $(stat -c %U:%i report) = nobody:$(cat inode)"},
    {"a folder that takes no new file: in place",
     "chmod 755 . && mkdir ro && echo old > ro/report && chown nobody ro/report && chmod 555 ro",
     "AS_NOBODY TOOL listing ro/report", 0, "cmp ro/report expected"},
    {"a sticky world-writable folder of another user",
     "mkdir sticky && chown nobody sticky && chmod 1777 sticky && echo old > sticky/report && "
     "chmod 0640 sticky/report",
     "TOOL listing sticky/report", 0,
     "cmp sticky/report expected && test $(stat -c %U:%a sticky/report) = root:640"},
    {"a user's report in a sticky folder of another user",
     "chmod 755 . && mkdir sticky && chmod 1777 sticky && echo old > sticky/report && "
     "chown nobody sticky/report",
     "AS_NOBODY TOOL listing sticky/report", 0,
     "cmp sticky/report expected && test $(stat -c %U sticky/report) = nobody"},
    {"another user's report in a sticky folder: in place",
     "chmod 755 . && mkdir sticky && chmod 1777 sticky && echo old > sticky/report && "
     "chmod 0666 sticky/report && stat -c %i sticky/report > inode",
     "AS_NOBODY TOOL listing sticky/report", 0,
     "cmp sticky/report expected && test $(stat -c %U:%i sticky/report) = root:$(cat inode)"},
    {"no O_TMPFILE: a named temporary file of the report's mode",
     "echo old > report && chmod 0640 report", "NO_TMPFILE TOOL listing report", 0,
     "cmp report expected && test $(stat -c %a report) = 640"},
    {"no O_TMPFILE, a folder that takes no new file",
     "chmod 755 . && mkdir ro && echo old > ro/report && chown nobody ro/report && chmod 555 ro",
     "NO_TMPFILE AS_NOBODY TOOL listing ro/report", 0, "cmp ro/report expected"},
    {"a FIFO", "mkfifo report && { cat report > piped & }", "TOOL listing report", 0,
     "wait && cmp piped expected && test -p report"},
    {"/dev/stdout, a pipe", ":", "TOOL listing /dev/stdout < /dev/null | cat > piped", 0,
     "tail -c $(stat -c %s expected) piped | cmp - expected"},
    {"/dev/stdout, a file: in place", "touch console && stat -c %i console > inode",
     "TOOL listing /dev/stdout > console", 0,
     "cmp console expected && test $(stat -c %i console) = $(cat inode)"},
    {"/dev/stdin, the listing", ":", "TOOL listing /dev/stdin < listing 2> errors", 1,
     "grep -q 'It is the input file.' errors"},
    {"a link to the listing in another folder",
     "mkdir far && ln -s ../listing far/link && ln -s far/link report",
     "TOOL listing report 2> errors", 1, "grep -q 'It is the input file.' errors"},
};

TEST(FaultInjection, EveryKindOfReportKeepsWhatOthersSee) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    if (geteuid() != 0) GTEST_SKIP() << "owners and users are changed as root";
    const Sandbox sandbox(kExamples[1]);
    for (const ReportKind& kind : kReportKinds) {
        const TempFolder folder;
        harness::write_file(folder / "listing", sandbox.listing());
        harness::write_file(folder / "expected", sandbox.report());
        std::string run = kind.run;
        if (run.rfind("NO_TMPFILE ", 0) == 0) {
            run.replace(
                0, 11,
                "LD_PRELOAD=" + shell_quoted(VANDLOR2_FAULT_SHIM) + " VANDLOR2_NO_TMPFILE=1 ");
        }
        if (const std::size_t at = run.find("AS_NOBODY "); at != std::string::npos) {
            run.replace(at, 10, kAsNobody);
        }
        run.replace(run.find("TOOL"), 4, shell_quoted(VANDLOR2_BINARY));
        const std::string command = folder.cd() + kind.setup + " && { " + run +
                                    "; echo $? > status; } > /dev/null && " + kind.check +
                                    " && test -z \"$(find . -name '.?*')\"";
        const harness::Ending ending = harness::run_shell(command);
        const bool right = ending.exit_code == 0 &&
                           read_file(folder / "status") == std::to_string(kind.exit_code) + "\n" &&
                           read_file(folder / "listing") == sandbox.listing();
        if (!tally.clean_error(right)) {
            ADD_FAILURE() << kind.what << ": exit code " << read_or_empty(folder / "status")
                          << (ending.exit_code == 0 ? "" : ", the check failed");
        }
    }
    std::printf("%zu kinds of report file\n", std::size(kReportKinds));
}

/// Reports killed outright (SIGKILL) at moments spread over the run: each is empty or whole,
/// and a file of no name leaves nothing in the folder; with a named temporary file (no
/// O_TMPFILE), only that file may stay. Over a report from an earlier run too. (A report
/// written in place, such as one with other hard links, is not kept whole.) A file of no name
/// is named only in the instant before the rename: a kill there, also made on purpose at the
/// rename and at the removal after it, leaves the whole new report under that name and the
/// report empty, or, once the two are swapped, the emptied report there and the report whole.
TEST(FaultInjection, AKilledRunLeavesAnEmptyOrWholeReport) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    const Sandbox sandbox("plain 20M");
    struct Killing {
        const char* what;
        const char* setup;
        bool named_temporary;
        const char* at_call;  ///< killed as it makes this call, or else after a random delay
    };
    const Killing killings[] = {{"a new report", ":", false, nullptr},
                                {"over an earlier report", "cp stale report", false, nullptr},
                                {"a named temporary file", ":", true, nullptr},
                                {"at the rename", ":", false, "renameat2"},
                                {"at the removal after the rename", ":", false, "unlink"}};
    constexpr int kKillsEach = 12;
    const auto clean_start = std::chrono::steady_clock::now();
    run_tool_in(sandbox.folder(), "");
    const auto clean_run = std::chrono::steady_clock::now() - clean_start;
    Random random(29);
    int kills = 0;
    int empty = 0;
    int whole = 0;
    int kills_at_the_rename = 0;
    for (const Killing& killing : killings) {
        for (int kill_number = 0; kill_number < (killing.at_call ? 1 : kKillsEach); ++kill_number) {
            const auto delay = clean_run * static_cast<double>(random.below(900)) / 1000.0;
            const std::string settings = killing.named_temporary ? "VANDLOR2_NO_TMPFILE=1 " : "";
            const std::string call = killing.at_call ? killing.at_call : "";
            const std::string killer =
                killing.at_call
                    ? "strace -f -qq -o /dev/null -e trace=" + call + " -e inject=" + call +
                          ":signal=SIGKILL"
                    : "timeout -s KILL " +
                          std::to_string(std::chrono::duration<double>(delay).count() + 0.001);
            const Outcome outcome =
                run_tool_in(sandbox.folder(),
                            std::string(killing.setup) + " && " + with_shim(settings) + killer);
            sandbox.restore(outcome);
            bool at_the_rename = false;
            if (!killing.named_temporary && outcome.temporary_files.size() == 1) {
                const std::optional<std::string> left =
                    read_file(sandbox.folder() / outcome.temporary_files[0]);
                at_the_rename = (outcome.report == "" && left == sandbox.report()) ||
                                (outcome.report == sandbox.report() && left == "");
            }
            const bool left_alone =
                (killing.at_call ? at_the_rename : outcome.temporary_files.empty()) ||
                at_the_rename || (killing.named_temporary && outcome.temporary_files.size() == 1);
            const bool right = (outcome.report == "" || outcome.report == sandbox.report()) &&
                               outcome.listing == sandbox.listing() && left_alone;
            ++kills;
            empty += outcome.report == "";
            whole += outcome.report == sandbox.report();
            kills_at_the_rename += at_the_rename;
            if (!tally.clean_error(right)) {
                ADD_FAILURE()
                    << killing.what << ", killed after "
                    << (killing.at_call
                            ? call
                            : std::to_string(std::chrono::duration<double>(delay).count()) + " s")
                    << ": report of " << (outcome.report ? outcome.report->size() : 0) << " bytes, "
                    << outcome.temporary_files.size() << " temporary files";
            }
        }
    }
    std::printf("%d kills: %d empty reports, %d whole ones, %d in the instant of the rename\n",
                kills, empty, whole, kills_at_the_rename);
}

TEST(FaultInjection, ReadsAndWritesOfAFewBytesAtATime) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    for (const char* example : kExamples) {
        const Sandbox sandbox(example);
        const Outcome outcome = run_tool_in(sandbox.folder(), with_shim("VANDLOR2_SHORT_IO=1"));
        record(std::string(example) + ", short reads and writes", outcome, sandbox,
               Expectation{{}, true});
    }
}

TEST(FaultInjection, AFullDiskLeavesAnEmptyReport) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    for (const char* layout : {"plain", "qq"}) {
        const TempFolder folder;
        const std::string listing = generated_listing(folder.path(), "4M", layout);
        fs::create_directory(folder / "disk");
        if (mount("tmpfs", (folder / "disk").c_str(), "tmpfs", 0, "size=1m") != 0) {
            GTEST_SKIP() << "cannot mount a 1 MiB tmpfs here";
        }
        const Outcome outcome = run_tool_in(folder.path(), "", "disk/report");
        umount((folder / "disk").c_str());
        const bool right = outcome.exit_code == 1 && outcome.report == "" &&
                           outcome.listing == listing &&
                           outcome.errors ==
                               "Error: Cannot write output file:  disk/report\n"
                               "       Check available disk space.\n"
                               "       No space left on device\n";
        if (!tally.clean_error(right)) {
            ADD_FAILURE() << layout << " listing on a full disk: exit code " << outcome.exit_code
                          << ", report of " << (outcome.report ? outcome.report->size() : 0)
                          << " bytes, errors: " << outcome.errors;
        }
    }
}

// After a failed close the report is opened again by its name to be emptied; a file another
// program put in its place by then is not the tool's to empty.
TEST(FaultInjection, AFileThatReplacedTheReportAtAFailedCloseIsLeftAlone) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    const Sandbox sandbox(kExamples[0]);
    const Outcome outcome =
        run_tool_in(sandbox.folder(), with_shim("VANDLOR2_REPLACE_AT_CLOSE=other:report"), "report",
                    "printf 'not a report\\n' > other");
    sandbox.restore(outcome);
    const bool right = outcome.exit_code == 1 && outcome.report == "not a report\n" &&
                       outcome.listing == sandbox.listing() &&
                       outcome.errors ==
                           "Error: Cannot write output file:  report\n"
                           "       Check available disk space.\n"
                           "       Input/output error\n";
    if (!tally.clean_error(right)) {
        ADD_FAILURE() << "exit code " << outcome.exit_code << ", report "
                      << outcome.report.value_or("(none)") << ", errors: " << outcome.errors;
    }
    fs::remove(sandbox.folder() / "report");
}

TEST(FaultInjection, AClockThatCannotBeReadLeavesAnEmptyReport) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    const Sandbox sandbox(kExamples[0]);
    const Outcome outcome = run_tool_in(sandbox.folder(), with_shim("VANDLOR2_FAIL_TIME=1"));
    sandbox.restore(outcome);
    const bool right = outcome.exit_code == 1 && outcome.report == "" &&
                       outcome.listing == sandbox.listing() &&
                       outcome.errors == "Error: Cannot read the local system time\n";
    if (!tally.clean_error(right)) {
        ADD_FAILURE() << "exit code " << outcome.exit_code << ", report "
                      << outcome.report.value_or("(none)") << ", errors: " << outcome.errors;
    }
}

/// Waits, a minute at most, until the tool `tool` has begun to write its report: into
/// `report` itself, or into the temporary file it is written into, which has no name to watch;
/// the process has then written more than its console lines.
void wait_for_the_report(pid_t tool, const fs::path& report) {
    constexpr unsigned long long kConsoleBytes = 4096;
    const std::string counts = "/proc/" + std::to_string(tool) + "/io";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        struct stat status {};
        if (stat(report.c_str(), &status) == 0 && status.st_size > 0) return;
        std::ifstream io(counts);
        for (std::string line; std::getline(io, line);) {
            if (line.rfind("wchar: ", 0) == 0 && std::stoull(line.substr(7)) > kConsoleBytes)
                return;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

TEST(FaultInjection, AnInterruptedRunLeavesAnEmptyReport) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    const TempFolder temp;
    const fs::path& folder = temp.path();
    const std::string listing = generated_listing(folder, "100M", "plain");
    // Last, a report that cannot be emptied: the run must still end by the signal.
    const std::pair<int, bool> runs[] = {
        {SIGINT, false}, {SIGTERM, false}, {SIGHUP, false}, {SIGTERM, true}};
    for (const auto& [signal_number, truncation_fails] : runs) {
        fs::remove(folder / "report");
        const pid_t tool = fork();
        ASSERT_GE(tool, 0);
        if (tool == 0) {
            // Writes slowed down, so that the signal surely comes while the report is written.
            setenv("LD_PRELOAD", VANDLOR2_FAULT_SHIM, 1);
            setenv("VANDLOR2_SLOW_WRITES", "20000", 1);
            if (truncation_fails) setenv("VANDLOR2_FAIL_FTRUNCATE", "1", 1);
            if (chdir(folder.c_str()) != 0 || !freopen("/dev/null", "w", stdout)) _exit(126);
            execl(VANDLOR2_BINARY, VANDLOR2_BINARY, "listing", "report", nullptr);
            _exit(127);
        }
        wait_for_the_report(tool, folder / "report");
        kill(tool, signal_number);
        // A tool that hangs after the signal is killed, and fails.
        int wait_status = 0;
        const auto end_by = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (waitpid(tool, &wait_status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end_by) {
                kill(tool, SIGKILL);
                waitpid(tool, &wait_status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const auto report = read_file(folder / "report");
        const bool right = WIFSIGNALED(wait_status) && WTERMSIG(wait_status) == signal_number &&
                           (report == "" || truncation_fails) &&
                           read_file(folder / "listing") == listing &&
                           temporary_files_in(folder).empty();
        if (!tally.clean_error(right)) {
            ADD_FAILURE() << strsignal(signal_number) << ": "
                          << (WIFSIGNALED(wait_status) ? "ended by signal " : "exit code ")
                          << (WIFSIGNALED(wait_status) ? WTERMSIG(wait_status)
                                                       : WEXITSTATUS(wait_status))
                          << ", report of " << (report ? report->size() : 0) << " bytes";
        }
    }
}

/// One way a run can end before its report is written, and how the run must end.
struct Ending {
    std::string what;
    std::vector<std::string> settings;  ///< the shim's, NAME=VALUE
    int signal_sent = 0;                ///< sent once the report holds its first bytes
    int limit = -1;                     ///< a resource limit set for the run, RLIMIT_...
    rlim_t limit_value = 0;
    bool hang_up_ignored = false;  ///< SIGHUP ignored from the start, as under nohup
    int ended_by = 0;              ///< the signal that must end the run; 0: it exits
    int exit_code = 0;             ///< 0: with the whole report; otherwise with an empty one
    std::string errors;            ///< standard error of a run that exits
};

Ending ending(const std::string& what, const std::vector<std::string>& settings, int limit = -1,
              rlim_t limit_value = 0) {
    Ending made;
    made.what = what;
    made.settings = settings;
    made.limit = limit;
    made.limit_value = limit_value;
    return made;
}

/// Runs the tool on the sandbox's listing as `ending` says; gives what is wrong, or nothing.
std::string wrong_ending(const Sandbox& sandbox, const Ending& ending) {
    const fs::path& folder = sandbox.folder();
    fs::remove(folder / "report");
    const pid_t tool = fork();
    if (tool < 0) return "no fork";
    if (tool == 0) {
        const rlimit no_core{0, 0};
        setrlimit(RLIMIT_CORE, &no_core);
        rlimit limit{};
        if (ending.limit >= 0 && getrlimit(ending.limit, &limit) == 0) {
            limit.rlim_cur = ending.limit_value;  // the hard limit of the CPU time is SIGKILL
            setrlimit(ending.limit, &limit);
        }
        if (ending.hang_up_ignored) signal(SIGHUP, SIG_IGN);
        setenv("LD_PRELOAD", VANDLOR2_FAULT_SHIM, 1);
        for (const std::string& setting : ending.settings) putenv(strdup(setting.c_str()));
        if (chdir(folder.c_str()) != 0 || !freopen("/dev/null", "w", stdout) ||
            !freopen("console.err", "w", stderr)) {
            _exit(126);
        }
        execl(VANDLOR2_BINARY, VANDLOR2_BINARY, "listing", "report", nullptr);
        _exit(127);
    }
    if (ending.signal_sent != 0) {
        wait_for_the_report(tool, folder / "report");
        kill(tool, ending.signal_sent);
    }
    int wait_status = 0;
    const auto end_by = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(tool, &wait_status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end_by) {
            kill(tool, SIGKILL);
            waitpid(tool, &wait_status, 0);
            return "hung";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto report = read_file(folder / "report");
    const std::string errors = read_file(folder / "console.err").value_or("");
    if (read_file(folder / "listing") != sandbox.listing()) return "the listing changed";
    if (!temporary_files_in(folder).empty()) return "a temporary file left";
    const std::string size = std::to_string(report ? report->size() : 0);
    if (ending.ended_by != 0) {
        if (!WIFSIGNALED(wait_status) || WTERMSIG(wait_status) != ending.ended_by) {
            return "not ended by signal " + std::to_string(ending.ended_by) + ", report of " +
                   size + " bytes";
        }
        return report == "" ? "" : "a report of " + size + " bytes";
    }
    if (!WIFEXITED(wait_status) || WEXITSTATUS(wait_status) != ending.exit_code) {
        return "not exit code " + std::to_string(ending.exit_code) + ", report of " + size +
               " bytes, errors: " + errors;
    }
    if (errors != ending.errors) return "the errors: " + errors;
    if (ending.exit_code == 0) return report == sandbox.report() ? "" : "a wrong report";
    return report == "" ? "" : "a report of " + size + " bytes after an error";
}

void check_endings(const Sandbox& sandbox, const std::vector<Ending>& endings) {
    for (const Ending& ending : endings) {
        const std::string problem = wrong_ending(sandbox, ending);
        if (!tally.clean_error(problem.empty())) ADD_FAILURE() << ending.what << ": " << problem;
    }
}

/// Every signal whose default action ends the process, sent while the report is written, and
/// the faults and failed assertions a run could make itself, there and on a worker thread.
TEST(FaultInjection, EveryEndingSignalLeavesAnEmptyReport) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    const Sandbox sandbox("plain 20M");
    const std::string slow = "VANDLOR2_SLOW_WRITES=20000";
    std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT,
                                SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGALRM,
                                SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGSYS};
    for (int real_time = SIGRTMIN; real_time <= SIGRTMAX; ++real_time) signals.push_back(real_time);
    std::vector<Ending> endings;
    for (const int signal_number : signals) {
        Ending sent = ending("signal " + std::to_string(signal_number), {slow});
        sent.signal_sent = signal_number;
        sent.ended_by = signal_number;
        endings.push_back(sent);
    }
    const std::pair<const char*, int> crashes[] = {{"VANDLOR2_CRASH_AT_WRITE=segv", SIGSEGV},
                                                   {"VANDLOR2_CRASH_AT_WRITE=overflow", SIGSEGV},
                                                   {"VANDLOR2_CRASH_AT_WRITE=abort", SIGABRT},
                                                   {"VANDLOR2_CRASH_IN_WORKER=1", SIGSEGV}};
    for (const auto& [setting, signal_number] : crashes) {
        Ending crash = ending(setting, {setting});
        crash.ended_by = signal_number;
        endings.push_back(crash);
    }
    // A CPU time limit: SIGXCPU at the soft limit.
    Ending cpu = ending("ulimit -S -t 1", {"VANDLOR2_BUSY_WRITES=200000"}, RLIMIT_CPU, 1);
    cpu.ended_by = SIGXCPU;
    endings.push_back(cpu);
    // Under nohup a hang-up is no ending: the run goes on to the whole report.
    Ending nohup = ending("SIGHUP ignored from the start", {slow});
    nohup.signal_sent = SIGHUP;
    nohup.hang_up_ignored = true;
    endings.push_back(nohup);
    check_endings(sandbox, endings);
    std::printf(
        "%zu endings: every ending signal, crashes in a write and on a worker, a CPU "
        "time limit, a hang-up under nohup\n",
        endings.size());
}

/// Limits of the file size and of the address space. A report beyond the file size limit is a
/// write error; the address space a run of one thread needs is enough for every run.
TEST(FaultInjection, SystemLimitsGetACleanAnswer) {
    if (instrumented()) GTEST_SKIP() << "not in an instrumented build";
    const Sandbox example(kExamples[1]);
    Ending file_size = ending("ulimit -f 2", {}, RLIMIT_FSIZE, 2048);
    file_size.exit_code = 1;
    file_size.errors =
        "Error: Cannot write output file:  report\n       Check available disk space.\n"
        "       File too large\n";
    check_endings(example, {file_size});

    const Sandbox large("plain 100M");
    std::vector<Ending> endings;
    for (const rlim_t kib : {150000, 80000}) {
        endings.push_back(ending("ulimit -v " + std::to_string(kib), {}, RLIMIT_AS, kib << 10));
    }
    Ending too_little = ending("ulimit -v 40000", {}, RLIMIT_AS, rlim_t{40000} << 10);
    too_little.exit_code = 1;
    too_little.errors = "Error: Out of memory\n       Check available memory.\n";
    endings.push_back(too_little);
    check_endings(large, endings);
}

/// With VANDLOR2_FAULT_FAIL_FAST set, as the mutation tool sets it, the first failure ends the
/// suite: there only whether it fails counts, and a full sweep takes minutes.
class StopAtFirstFailure : public testing::EmptyTestEventListener {
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.failed()) return;
        std::fflush(stdout);
        std::_Exit(1);
    }
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (std::getenv("VANDLOR2_FAULT_FAIL_FAST") != nullptr) {
        testing::UnitTest::GetInstance()->listeners().Append(new StopAtFirstFailure);
    }
    const int result = RUN_ALL_TESTS();
    if (tally.runs > 0) {
        std::printf(
            "%d runs: %d correct reports, %d clean errors, %d faults before main (of the\n"
            "allocation failures, %d in the C library's time-zone loading)\n",
            tally.runs, tally.correct_reports, tally.clean_errors, tally.before_main,
            tally.time_zone);
        std::printf("%d passed, %d failed\n", tally.runs - tally.failed, tally.failed);
    }
    return result;
}
