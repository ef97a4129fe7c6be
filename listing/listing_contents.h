#pragma once

#include <cstdint>
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

}  // namespace vandlor2
