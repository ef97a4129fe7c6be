#pragma once

#include <ostream>
#include <string_view>

#include "listing/scanner.h"

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

/// Writes the distance accuracy listing of `contents` to `report`: the records in report
/// order, 27 to a numbered page, each page headed by its number, the section title and the
/// column headings of the layout, every page after the first starting with a form feed.
/// Write failures are left in the stream's state for the caller.
void write_report(std::ostream& report, const ListingContents& contents);

}  // namespace vandlor2
