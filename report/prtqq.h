#pragma once

#include <string>

#include "listing/line_record.h"
#include "report/report_text.h"

namespace vandlor2 {

/// Appends the report line of `record` for a listing with QQ records, with its line feed: as
/// the plain line, with each station's serial number before its name and the survey order.
void append_prtqq(ReportText& report, const LineRecord& record);

/// The report line of `record` for a listing with QQ records, with its line feed.
std::string prtqq(const LineRecord& record);

}  // namespace vandlor2
