#pragma once

#include <string>

#include "listing/line_record.h"
#include "report/field_format.h"

namespace vandlor2 {

/// Appends the report line of `record` for a listing without QQ records, with its line feed:
/// the station names, the distance as printed and both accuracies as "1:" ratios.
void append_prt(ReportText& report, const LineRecord& record);

/// The report line of `record` for a listing without QQ records, with its line feed.
std::string prt(const LineRecord& record);

/// The most bytes a report line of `record` can take in either layout: its texts, the widths
/// and literals of the layout, and both accuracy numbers at their longest.
std::size_t most_line_bytes(const LineRecord& record);

/// Places what both layouts show alike after the station names: the distance as printed,
/// right-justified in 9 columns, then the internal and the external accuracy as "1:" ratios.
void place_distance_and_accuracies(ReportLine& line, const LineRecord& record);

}  // namespace vandlor2
