#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vandlor2 {

/// Keeps a run that ends early from leaving part of a report behind. While armed, every signal
/// whose default action ends the process (SIGINT, SIGTERM, SIGHUP, SIGQUIT, the faults SIGSEGV,
/// SIGBUS, SIGFPE, SIGILL, SIGABRT, the timers' and the user and real-time signals...; on
/// Windows Ctrl-C, Ctrl-Break, closing the console and an unhandled exception) and a call of
/// std::terminate first cut the report to length 0 (and remove the temporary file of its
/// replacement), then end the process as they would have: by that signal, or with the status
/// Windows gives. A signal the run was started with ignored (as under nohup) is left ignored.
///
/// Every write of the report is made inside a ReportWriteSection, so that no write lands after
/// the report was cut, whichever thread makes it.
namespace interrupt_guard {

/// Arms the guard for the regular file open as `report_handle` (see NativeFile::handle); the
/// handle must stay open until `disarm`.
void arm(std::intptr_t report_handle);

/// While armed: the temporary file that a replacement of the report is written into, open as
/// `handle` and named `name` (nullptr for a file of no name), which every ending empties and
/// removes; NativeFile::kClosed for none. `name` must stay valid until changed or disarmed.
void keep_temporary(std::intptr_t handle, const char* name);

/// While armed: the report is now open as `report_handle`.
void move_report(std::intptr_t report_handle);

/// Gives the signals their default effect again.
void disarm();

/// A console or report that has gone away (a closed pipe), and a report that reaches the file
/// size limit, are then reported as write errors, rather than ending the process without a
/// word.
void ignore_write_signals();

/// Calls `start_threads` with the asynchronous signals held back on this thread, so that the
/// threads it starts never take one: those are left to this thread, whose handlers expect
/// them. A fault a thread makes itself (SIGSEGV, SIGBUS...) is still handled on that thread.
void start_threads_uninterrupted(const std::function<void()>& start_threads);

}  // namespace interrupt_guard

/// Marks one write of the report. Once an ending is being handled, a new section never begins:
/// its thread waits for the end of the process. Sections do not nest.
class ReportWriteSection {
  public:
    ReportWriteSection();
    ~ReportWriteSection();
    ReportWriteSection(const ReportWriteSection&) = delete;
    ReportWriteSection& operator=(const ReportWriteSection&) = delete;
};

/// Held by a worker thread for its whole life: gives the handler a stack of its own on that
/// thread, so that even a stack overflow there leaves an empty report.
class GuardedThread {
  public:
    GuardedThread();
    ~GuardedThread();
    GuardedThread(const GuardedThread&) = delete;
    GuardedThread& operator=(const GuardedThread&) = delete;

    static constexpr std::size_t kSignalStackSize = 64 * 1024;

  private:
    alignas(16) unsigned char signal_stack_[kSignalStackSize];
};

}  // namespace vandlor2
