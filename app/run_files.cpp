#include "app/run_files.h"

#include <memory>

#include "support/interrupt_guard.h"

namespace vandlor2 {

RunFiles::RunFiles()
    : listing_buffer_(listing_file_),
      report_buffer_(written_file_, kCrLfLineEnds),
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
    // Devices and pipes have no content to empty, and are written in place.
    if (!report_facts_.is_regular) {
        written_file_ = std::move(report_file_);
        return std::nullopt;
    }
    // An empty file is left alone: on ext4 a truncation makes the close start writing the
    // report out at once, which costs a new report's run a tenth of a millisecond or more.
    if (!report_facts_.is_empty) {
        if (const auto cause = report_file_.truncate()) {
            return RunFailure{FailureKind::output_not_created, cause};
        }
    }
    report_owned_ = true;
    interrupt_guard::arm(report_file_.handle());
    {
        // A temporary file is made and known to the guard before any ending is handled.
        const ReportWriteSection section;
        replacing_ =
            replacement_.begin(report_name_, report_file_, report_facts_.is_empty, written_file_);
        if (replacing_) {
            interrupt_guard::keep_temporary(written_file_.handle(), replacement_.name_to_remove());
        } else {
            written_file_ = std::move(report_file_);
        }
    }
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
    if (replacing_) {
        if (const auto cause = place_replacement()) {
            discard_report();
            return RunFailure{FailureKind::output_unwritable, cause};
        }
    }
    if (report_owned_) interrupt_guard::disarm();
    if (const auto cause = written_file_.close()) {
        discard_report();
        return RunFailure{FailureKind::output_unwritable, cause};
    }
    finished_ = true;
    return std::nullopt;
}

std::optional<FileCause> RunFiles::place_replacement() {
    bool placed = false;
    {
        // No ending is handled while the handles change hands: each sees them before or after.
        const ReportWriteSection section;
        placed = replacement_.put_in_place(report_file_, written_file_);
        if (placed) {
            std::swap(report_file_, written_file_);  // the replacement is the report now
            if (report_file_.facts(report_facts_)) report_facts_.identity.reset();
        }
        interrupt_guard::move_report(report_file_.handle());
        interrupt_guard::keep_temporary(written_file_.handle(),
                                        placed ? nullptr : replacement_.name_to_remove());
    }
    if (!placed) {
        if (!report_file_.is_open()) return FileCause::other;
        if (const auto cause = copy_into_report()) return cause;
    }
    {
        const ReportWriteSection section;
        interrupt_guard::keep_temporary(NativeFile::kClosed, nullptr);
        replacement_.remove();
        written_file_ = std::move(report_file_);  // closes the file that is not the report
    }
    replacing_ = false;
    return std::nullopt;
}

std::optional<FileCause> RunFiles::copy_into_report() {
    constexpr std::size_t kCopyBytes = std::size_t{1} << 20;
    const std::unique_ptr<char[]> buffer(new char[kCopyBytes]);
    if (const auto cause = written_file_.rewind()) return cause;
    for (;;) {
        std::size_t got = 0;
        if (const auto cause = written_file_.read(buffer.get(), kCopyBytes, got)) return cause;
        if (got == 0) return std::nullopt;
        const ReportWriteSection section;
        if (const auto cause = report_file_.write(buffer.get(), got)) return cause;
    }
}

void RunFiles::discard_report() {
    if (!report_owned_) return;
    if (replacing_) {
        interrupt_guard::keep_temporary(NativeFile::kClosed, nullptr);  // before its handle goes
        replacement_.remove();
        (void)written_file_.close();
        written_file_ = std::move(report_file_);
        replacing_ = false;
    }
    if (written_file_.is_open()) {
        (void)written_file_.truncate();
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
    (void)written_file_.close();
    report_owned_ = false;
}

}  // namespace vandlor2
