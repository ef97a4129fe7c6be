#pragma once

#include <cstdint>
#include <functional>

namespace vandlor2 {

/// Keeps an interrupted run from leaving part of a report behind. While armed, SIGINT, SIGTERM
/// and SIGHUP (on Windows Ctrl-C, Ctrl-Break and closing the console) first cut the report to
/// length 0 and then end the process as the interruption would have: by that signal, or with
/// the status Windows gives an interrupted program.
///
/// Every write of the report is made inside a ReportWriteSection, so that no write lands after
/// the report was cut, whichever thread makes it.
namespace interrupt_guard {

/// Arms the guard for the regular file open as `report_handle` (see NativeFile::handle); the
/// handle must stay open until `disarm`.
void arm(std::intptr_t report_handle);

/// Gives the interruptions their default effect again.
void disarm();

/// A console or report that has gone away (a closed pipe) is then reported as a write error,
/// rather than ending the process without a word.
void ignore_broken_pipes();

/// Calls `start_threads` with interruptions held back on this thread, so that the threads it
/// starts never take one: interruptions are left to this thread, whose handlers expect them.
void start_threads_uninterrupted(const std::function<void()>& start_threads);

}  // namespace interrupt_guard

/// Marks one write of the report. Once an interruption is being handled, a new section never
/// begins: its thread waits for the end of the process. Sections do not nest.
class ReportWriteSection {
  public:
    ReportWriteSection();
    ~ReportWriteSection();
    ReportWriteSection(const ReportWriteSection&) = delete;
    ReportWriteSection& operator=(const ReportWriteSection&) = delete;
};

}  // namespace vandlor2
