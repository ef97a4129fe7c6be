#pragma once

// The listing scan written as plainly as its rules read: whole lines from a string, linear
// searches, nothing kept between lines but the state the rules name. It is slow; it serves the
// fuzzer and the scanner's tests as the reference the scanner's results must equal.

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "listing/listing_contents.h"
#include "listing/scanner.h"

namespace vandlor2::reference {

struct ReferenceRecord {
    // SSN from, SSN to, from station, to station, distance, internal accuracy, external
    // accuracy, survey order.
    std::array<std::string, 8> fields;
};

struct ReferenceScan {
    ScanStatus status = ScanStatus::completed;
    std::vector<ReferenceRecord> records;
    std::string section_title;
    long qq_count = 0;
    long length_record_count = 0;
    std::string console;
    std::string errors;
};

inline bool c_space(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r';
}

inline std::string trim_both(std::string text) {
    while (!text.empty() && c_space(text.back())) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && c_space(text[start])) ++start;
    return text.substr(start);
}

/// The column at `position`; empty when the line ends before it.
inline std::string cut(const std::string& line, std::size_t position, std::size_t width) {
    return position >= line.size() ? std::string() : line.substr(position, width);
}

inline int c_atoi(const std::string& text) {
    return std::atoi(text.c_str());
}

/// Lines as getline gives them, with a carriage return before a line feed dropped.
inline std::vector<std::string> lines_of(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t feed = bytes.find('\n', start);
        if (feed == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        std::string line = bytes.substr(start, feed - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = feed + 1;
    }
    return lines;
}

inline ReferenceScan reference_scan(const std::string& bytes) {
    enum Field { ssn_from, ssn_to, from_station, to_station, distance, internal, external, order };
    ReferenceScan scan;
    const std::vector<std::string> lines = lines_of(bytes);
    int offset = -10;
    std::string version;
    const auto stop = [&](int code, ScanStatus status) {
        scan.errors += "Error: Not able to determine offset control\n       See programmer(" +
                       std::to_string(code) + ").  Program ends\n";
        scan.status = status;
    };
    for (std::size_t next = 1; next < lines.size();) {
        const std::string& line = lines[next++];
        if (line.size() < 4) continue;
        if (offset == -10 && trim_both(line.substr(0, 20)) == "PROGRAM KORMIN") {
            if (line[0] == ' ') {
                offset = 1;
            } else if (line[0] == 'P') {
                offset = 0;
            } else {
                stop(5, ScanStatus::program_line_without_offset);
                return scan;
            }
        }
        if (version.empty() && line.size() > 65) {
            if (offset == -10) {
                stop(7, ScanStatus::content_before_program_line);
                return scan;
            }
            if (cut(line, offset + 57, 7) == "VERSION") {
                version = trim_both(line.substr(66));
                scan.console += "Kormin file ver:       " + version + "\n\n";
            }
        }
        if (offset == -10) continue;
        const auto column = [&](const std::string& text, std::size_t at, std::size_t width) {
            return cut(text, offset + at, width);
        };
        if (column(line, 3, 3) == " QQ") {
            ReferenceRecord record;
            record.fields[order] = column(line, 6, 1);
            record.fields[ssn_from] = column(line, 13, 5);
            record.fields[ssn_to] = column(line, 53, 5);
            scan.records.push_back(record);
            ++scan.qq_count;
            continue;
        }
        if (scan.section_title.empty() && column(line, 0, 27) == "LENGTH RELATIVE ACCURACIES ") {
            scan.section_title = std::string(30, ' ') + line.substr(offset);
            continue;
        }
        if (column(line, 0, 6) != "FROM: ") continue;
        if (scan.qq_count > 0) {
            const std::string from = column(line, 7, 5);
            const std::string to = column(line, 54, 5);
            ReferenceRecord* match = nullptr;
            for (long i = 0; i < scan.qq_count && match == nullptr; ++i) {
                ReferenceRecord& record = scan.records[static_cast<std::size_t>(i)];
                if (c_atoi(record.fields[ssn_from]) == c_atoi(from) &&
                    c_atoi(to) == c_atoi(record.fields[ssn_to])) {
                    match = &record;
                }
            }
            if (match == nullptr) {
                scan.errors +=
                    "Error: Length Accuracy without QQ record\n"
                    "       Fix the KORMIN file\n"
                    "       SSN_From = " +
                    from + "\n       SSN_To   = " + to + "\n" + line + "\n";
                scan.status = ScanStatus::length_entry_without_qq_record;
                return scan;
            }
            match->fields[from_station] = trim_both(column(line, 15, 30));
            match->fields[to_station] = trim_both(column(line, 62, 30));
            const std::string second = next < lines.size() ? lines[next++] : std::string();
            match->fields[distance] = column(second, 20, 9);
            match->fields[internal] = column(second, 65, 8);
            match->fields[external] = column(second, 101, 12);
        } else {
            ReferenceRecord record;
            record.fields[ssn_from] = trim_both(column(line, 7, 5));
            record.fields[from_station] = trim_both(column(line, 15, 30));
            record.fields[ssn_to] = trim_both(column(line, 54, 5));
            record.fields[to_station] = trim_both(column(line, 62, 30));
            const std::string second = next < lines.size() ? lines[next++] : std::string();
            record.fields[distance] = trim_both(column(second, 20, 9));
            record.fields[internal] = column(second, 65, 8);
            record.fields[external] = column(second, 101, 12);
            scan.records.push_back(record);
            ++scan.length_record_count;
        }
    }
    return scan;
}

/// Where a scan's results first differ from the reference's, in words; empty when they agree.
inline std::string first_difference(ScanStatus status, const std::string& console,
                                    const std::string& errors, const ListingContents& contents,
                                    const ReferenceScan& reference) {
    if (status != reference.status) return "the status";
    if (console != reference.console) return "the console";
    if (errors != reference.errors) return "the errors";
    if (status != ScanStatus::completed) return "";
    if (contents.section_title != reference.section_title) return "the section title";
    if (contents.qq_count != reference.qq_count) return "the QQ count";
    if (contents.length_record_count != reference.length_record_count) {
        return "the length-record count";
    }
    if (contents.records.size() != reference.records.size()) return "the number of records";
    for (std::size_t i = 0; i < reference.records.size(); ++i) {
        const LineRecord record = contents.records[i];
        const std::array<std::string_view, 8> fields = {
            record.ssn_from,          record.ssn_to,      record.from_station,
            record.to_station,        record.distance,    record.internal_accuracy,
            record.external_accuracy, record.survey_order};
        for (std::size_t field = 0; field < fields.size(); ++field) {
            if (fields[field] != reference.records[i].fields[field]) {
                return "record " + std::to_string(i) + ", field " + std::to_string(field);
            }
        }
    }
    return "";
}

}  // namespace vandlor2::reference
