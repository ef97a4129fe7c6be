#pragma once
// The console of a run carries the local time of the run, which no expected text can know.
// Whole-program tests compare consoles with that stamp masked, but only when it is whole: a
// stamp cut short or garbled must still fail the comparison.

#include <string>

/// Whether `text` has the `shape`, where '#' stands for a capital letter, '~' for a small one,
/// '9' for a digit and '?' for a digit or nothing; any other character stands for itself.
/// (std::regex would do, but trips a false uninitialised-use warning of g++ 12 under ASan.)
inline bool has_shape(const std::string& text, const std::string& shape) {
    std::size_t at = 0;
    for (const char expected : shape) {
        const char c = at < text.size() ? text[at] : '\0';
        const bool digit = c >= '0' && c <= '9';
        if (expected == '?') {
            at += digit ? 1 : 0;
        } else if ((expected == '#' && c >= 'A' && c <= 'Z') ||
                   (expected == '~' && c >= 'a' && c <= 'z') || (expected == '9' && digit) ||
                   (at < text.size() && c == expected)) {
            ++at;
        } else {
            return false;
        }
    }
    return at == text.size();
}

/// Replaces the date-time text after "Local system run time: " by "<run time>" when it is a
/// whole stamp, such as "Date: Wed Dec 9, 2026  Time: 04:05:06 pm".
inline std::string without_run_time(std::string console) {
    const std::string label = "Local system run time: ";
    const std::size_t start = console.find(label);
    if (start == std::string::npos) return console;
    const std::size_t from = start + label.size();
    const std::size_t end = console.find('\n', from);
    const std::size_t length = (end == std::string::npos ? console.size() : end) - from;
    const std::string stamp = console.substr(from, length);
    if (has_shape(stamp, "Date: #~~ #~~ 9?, 9999  Time: 99:99:99 am") ||
        has_shape(stamp, "Date: #~~ #~~ 9?, 9999  Time: 99:99:99 pm")) {
        console.replace(from, length, "<run time>");
    }
    return console;
}
