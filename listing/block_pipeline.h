#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "listing/listing_lines.h"
#include "listing/text_blocks.h"

namespace vandlor2 {

/// Takes the lines of a listing that count, in listing order.
class LineTaker {
  public:
    virtual ~LineTaker() = default;
    /// A version line's text, while no earlier version line had a text.
    virtual void take_version(std::string_view text) = 0;
    /// The section title of the first title line.
    virtual void take_title(const std::string& section_title) = 0;
    /// A QQ line's record, with the values of its SSNs (`ssn_value`), worked out beforehand.
    virtual void take_qq_record(const LineRecord& record, std::int32_t ssn_from,
                                std::int32_t ssn_to) = 0;
    /// A length entry and its first line; false stops the reading.
    virtual bool take_entry(const LengthEntry& entry, std::string_view first_line) = 0;
};

/// How the reading of the lines after the program line ended.
enum class PipelineEnd { completed, read_failed, stopped };

/// Reads the rest of the listing from `reader`, which goes on at a line to examine, in text
/// blocks of whole entries, examines each block's lines by the rules of `columns` on every
/// core, and hands the lines that count to `taker` in listing order on the calling thread.
PipelineEnd take_remaining_lines(TextBlockReader& reader, const ListingColumns& columns,
                                 LineTaker& taker);

}  // namespace vandlor2
