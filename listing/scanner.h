#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "listing/record_table.h"

namespace vandlor2 {

/// What the scan of a listing leaves for the report.
struct ListingContents {
    RecordTable records;
    /// 30 blanks and the "LENGTH RELATIVE ACCURACIES " line; empty when the listing has none.
    std::string section_title;
    /// Records appended from QQ lines; not 0 selects the QQ report layout.
    std::int64_t qq_count = 0;
    /// Records appended from length entries while no QQ line had been seen.
    std::int64_t length_record_count = 0;
};

/// How a scan ended. The scanner has written the message of each stop but a read failure,
/// whose message names the file.
enum class ScanStatus {
    completed,
    read_failed,
    program_line_without_offset,  ///< the program line starts with neither a blank nor 'P'
    content_before_program_line,  ///< a line over 65 characters before the program line
    length_entry_without_qq_record,
};

/// Reads the listing from its start to its end into `contents`, echoing the solver version
/// to `console`, and writing the message of any stop to `errors`.
ScanStatus scan(std::istream& listing, std::ostream& console, std::ostream& errors,
                ListingContents& contents);

}  // namespace vandlor2
