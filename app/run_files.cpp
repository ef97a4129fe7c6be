#include "app/run_files.h"

#include "support/interrupt_guard.h"

namespace vandlor2 {

RunFiles::RunFiles()
    : listing_buffer_(listing_file_),
      report_buffer_(report_file_, kCrLfLineEnds),
      listing_stream_(&listing_buffer_),
      report_stream_(&report_buffer_) {}

RunFiles::~RunFiles() {
    if (report_owned_ && !finished_) discard_report();
}

namespace {

/// A NUL byte would end the name the system is given, and open another file than the one named.
bool holds_nul(const std::string& name) {
    return name.find('\0') != std::string::npos;
}

}  // namespace

std::optional<RunFailure> RunFiles::open(const FileNames& names) {
    if (holds_nul(names.input)) {
        return RunFailure{FailureKind::input_not_found, FileCause::invalid_name};
    }
    if (holds_nul(names.output)) {
        return RunFailure{FailureKind::output_not_created, FileCause::invalid_name};
    }
    if (const auto cause = listing_file_.open_for_reading(names.input)) {
        return RunFailure{FailureKind::input_not_found, cause};
    }
    FileFacts listing_facts;
    if (const auto cause = listing_file_.facts(listing_facts)) {
        return RunFailure{FailureKind::input_not_found, cause};
    }
    if (listing_facts.is_directory) {
        return RunFailure{FailureKind::input_not_found, FileCause::is_a_directory};
    }

    report_name_ = names.output;
    if (const auto cause = report_file_.open_for_writing(names.output)) {
        return RunFailure{FailureKind::output_not_created, cause};
    }
    if (const auto cause = report_file_.facts(report_facts_)) {
        return RunFailure{FailureKind::output_not_created, cause};
    }
    if (listing_facts.identity && listing_facts.identity == report_facts_.identity) {
        return RunFailure{FailureKind::output_is_input};
    }
    // Devices and pipes have no content to empty.
    if (!report_facts_.is_regular) return std::nullopt;
    // An empty file is left alone: on ext4 a truncation makes the close start writing the
    // report out at once, which costs a new report's run a tenth of a millisecond or more.
    if (!report_facts_.is_empty) {
        if (const auto cause = report_file_.truncate()) {
            return RunFailure{FailureKind::output_not_created, cause};
        }
    }
    report_owned_ = true;
    interrupt_guard::arm(report_file_.handle());
    return std::nullopt;
}

std::optional<RunFailure> RunFiles::finish() {
    report_stream_.flush();
    if (!report_stream_) {
        discard_report();
        return RunFailure{FailureKind::output_unwritable,
                          report_buffer_.fault().value_or(FileCause::other)};
    }
    listing_file_.close();  // only read, so nothing can be lost
    if (report_owned_) interrupt_guard::disarm();
    if (const auto cause = report_file_.close()) {
        discard_report();
        return RunFailure{FailureKind::output_unwritable, cause};
    }
    finished_ = true;
    return std::nullopt;
}

void RunFiles::discard_report() {
    if (!report_owned_) return;
    if (report_file_.is_open()) {
        (void)report_file_.truncate();
    } else {
        // A failed close may have released the file: open it again, and empty it only if it
        // is still the same file.
        NativeFile again;
        FileFacts facts;
        if (!again.open_existing_for_writing(report_name_) && !again.facts(facts) &&
            facts.identity == report_facts_.identity) {
            (void)again.truncate();
        }
    }
    interrupt_guard::disarm();
    (void)report_file_.close();
    report_owned_ = false;
}

}  // namespace vandlor2
