#pragma once

#include <optional>
#include <string>

#include "support/native_file.h"

namespace vandlor2 {

struct FileNames {
    std::string input;
    std::string output;
};

/// The failures the driver reports itself; each ends the run with exit code 1.
enum class FailureKind {
    input_not_found,
    input_unreadable,
    output_not_created,
    output_is_input,
    output_unwritable,
    no_local_time,
    out_of_memory,
};

struct RunFailure {
    FailureKind kind;
    /// Why a file could not be opened, read or written; shown below the message.
    std::optional<FileCause> cause = std::nullopt;
};

}  // namespace vandlor2
