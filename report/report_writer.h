#pragma once

#include <ostream>

#include "listing/listing_contents.h"
#include "report/report_pages.h"

namespace vandlor2 {

/// Writes the distance accuracy listing of `contents` to `report`: the records in report
/// order, 27 to a numbered page, each page headed by its number, the section title and the
/// column headings of the layout, every page after the first starting with a form feed.
/// Write failures are left in the stream's state for the caller.
void write_report(std::ostream& report, const ListingContents& contents);

}  // namespace vandlor2
