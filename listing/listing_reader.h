#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <ostream>

#include "listing/listing_contents.h"
#include "listing/scanner.h"
#include "listing/text_blocks.h"
#include "support/native_file.h"

namespace vandlor2 {

/// How the reading of a listing ended, with the cause of a failed read.
struct ScanEnd {
    ScanStatus status = ScanStatus::completed;
    std::optional<FileCause> read_failure;  ///< when the status is read_failed
};

/// Reads the listing from its start to its end into `contents`, by the rules of the scanner:
/// the lines up to the program line one by one, then the rest in text blocks of about
/// `block_bytes` that are examined on every core and taken in listing order. Echoes the solver
/// version to `console` and writes the message of any stop to `errors`.
ScanEnd read_listing(std::istream& listing, std::ostream& console, std::ostream& errors,
                     ListingContents& contents, std::size_t block_bytes = kTextBlockBytes);

}  // namespace vandlor2
