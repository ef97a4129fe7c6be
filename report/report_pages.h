#pragma once

// The report's pages: what heads each page, how many record lines fill one, and where a page
// ends. Plain functions over the texts of one page at a time.

#include <cstddef>
#include <string>
#include <string_view>

#include "listing/line_record.h"
#include "report/report_text.h"

namespace vandlor2 {

/// Column headings of the plain layout (listings without QQ records).
inline constexpr std::string_view kPlainHeading1 =
    "FROM STATION                            TO STATION                                 "
    "DISTANCE   INTERNAL      EXTERNAL";
inline constexpr std::string_view kPlainHeading2 =
    "                                                                                     "
    "METERS   ACCURACY      ACCURACY";
/// Column headings of the QQ layout.
inline constexpr std::string_view kQqHeading1 =
    "    SSN  FROM STATION                        SSN  TO STATION                        "
    "DISTANCE   INTERNAL      EXTERNAL    SURVY";
inline constexpr std::string_view kQqHeading2 =
    "                                                                                      "
    "METERS   ACCURACY      ACCURACY    ORDER";

/// Record lines on one page of the report.
inline constexpr int kRecordLinesPerPage = 27;

/// The two layouts: plain for listings without QQ records, QQ for any QQ record.
enum class ReportLayout { plain, qq };

/// Appends the heading of page `page`, counted from 1: its number, the section title and the
/// column headings of `layout`.
void append_page_heading(ReportText& text, std::size_t page, std::string_view section_title,
                         ReportLayout layout);

/// Appends the line of `record` in `layout`, the report's line `line_number` counted from 1.
/// The 27th line of a page is followed at once by a form feed and the next page's heading,
/// even when no line comes after it.
void append_record_line(ReportText& text, const LineRecord& record, std::size_t line_number,
                        std::string_view section_title, ReportLayout layout);

}  // namespace vandlor2
