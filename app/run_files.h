#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "app/run_failure.h"
#include "support/file_stream.h"
#include "support/native_file.h"
#include "support/native_file_replacement.h"

namespace vandlor2 {

/// The listing and the report file of one run. The report is only ever emptied once the two
/// open files are known to be different files, and it stays empty unless the run finishes it:
/// an error, an exception (out of memory included) or an interruption that ends the run
/// early leaves an empty report, never a part of one. The new report is written beside the
/// report and put in its place whole (FileReplacement), so that even a run killed outright
/// leaves it empty or whole; where that would change what others see of the report, it is
/// written in place.
class RunFiles {
  public:
    RunFiles();
    /// Empties the report unless `finish` succeeded.
    ~RunFiles();
    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;

    /// Opens the listing, then opens or creates the report without changing it, compares the
    /// identities of the two open files and only then empties the report. A report that is the
    /// listing, or whose identity cannot be read, is left as it was. A name holding a NUL byte
    /// is refused before anything is opened.
    std::optional<RunFailure> open(const FileNames& names);

    /// The listing; a failed read throws FileReadError.
    std::istream& listing() { return listing_stream_; }
    std::ostream& report() { return report_stream_; }

    /// Writes out the report, puts it in place and closes it. A report that cannot be written
    /// completely or closed is emptied and the failure given.
    std::optional<RunFailure> finish();

  private:
    /// Puts the written replacement in the report's place, or copies it into the report where
    /// that cannot be done; the report is then `written_file_` alone.
    std::optional<FileCause> place_replacement();
    std::optional<FileCause> copy_into_report();
    void discard_report();

    NativeFile listing_file_;
    /// The report as opened and checked, while a replacement is written; closed otherwise.
    NativeFile report_file_;
    /// What the report stream writes: the replacement, or the report itself.
    NativeFile written_file_;
    FileReplacement replacement_;
    bool replacing_ = false;
    FileInputBuffer listing_buffer_;
    FileOutputBuffer report_buffer_;
    std::istream listing_stream_;
    std::ostream report_stream_;
    std::string report_name_;
    FileFacts report_facts_;
    bool report_owned_ = false;  ///< emptied by this run, so ours to empty again
    bool finished_ = false;
};

}  // namespace vandlor2
