#pragma once
// The console of a run carries the local time of the run, which no expected text can know.
// Whole-program tests compare consoles with that stamp masked, but only when it is whole: a
// stamp cut short or garbled must still fail the comparison.

#include <regex>
#include <string>

/// Replaces the date-time text after "Local system run time: " by "<run time>" when it is a
/// whole stamp, such as "Date: Wed Dec 9, 2026  Time: 04:05:06 pm".
inline std::string without_run_time(std::string console) {
    static const std::regex whole_stamp(
        "Date: [A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{1,2}, [0-9]{4}  Time: [0-9]{2}:[0-9]{2}:[0-9]{2} "
        "[ap]m");
    const std::string label = "Local system run time: ";
    const std::size_t start = console.find(label);
    if (start != std::string::npos) {
        const std::size_t from = start + label.size();
        const std::size_t end = console.find('\n', from);
        const std::size_t length = (end == std::string::npos ? console.size() : end) - from;
        if (std::regex_match(console.substr(from, length), whole_stamp)) {
            console.replace(from, length, "<run time>");
        }
    }
    return console;
}
