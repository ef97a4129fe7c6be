#pragma once

#include <string>

#include "listing/line_record.h"

namespace vandlor2 {

/// Appends the report line of `record` for a listing without QQ records, with its line feed:
/// the station names, the distance as printed and both accuracies as "1:" ratios.
void append_prt(std::string& report, const LineRecord& record);

/// The report line of `record` for a listing without QQ records, with its line feed.
std::string prt(const LineRecord& record);

}  // namespace vandlor2
