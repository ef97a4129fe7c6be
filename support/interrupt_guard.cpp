#include "support/interrupt_guard.h"

#include <atomic>
#include <cstdlib>
#include <exception>

#include "support/interrupt_platform.h"
#include "support/native_file.h"
#include "support/native_file_replacement.h"

namespace vandlor2 {
namespace {

// Shared with the handler, which may only touch lock-free atomics.
constexpr std::intptr_t kNoReport = -1;
std::atomic<std::intptr_t> armed_report{kNoReport};
std::atomic<std::intptr_t> armed_temporary{NativeFile::kClosed};
std::atomic<const char*> armed_temporary_name{nullptr};
std::atomic<bool> interrupted{false};
std::atomic<int> writes_in_flight{0};
static_assert(std::atomic<std::intptr_t>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<const char*>::is_always_lock_free);

/// 1 while this thread is in a write section. A fault in a section is handled on its own
/// thread, which must not wait for the section it interrupted: that write never goes on.
thread_local volatile int sections_here = 0;

std::terminate_handler terminate_before = nullptr;

/// Stops new writes, waits for those under way on other threads, and cuts the report. The
/// flag and the count are set and read in opposite orders by the handler and by
/// ReportWriteSection, so one of the two always sees the other (sequentially consistent
/// atomics).
void empty_armed_report() {
    interrupted.store(true);
    const int own = sections_here;
    while (writes_in_flight.load() > own) interrupt_platform::pause_briefly();
    const std::intptr_t report = armed_report.load();
    if (report != kNoReport) truncate_handle(report);
    const std::intptr_t temporary = armed_temporary.load();
    const char* const temporary_name = armed_temporary_name.load();
    if (temporary != NativeFile::kClosed || temporary_name != nullptr) {
        discard_temporary_handle(temporary, temporary_name);
    }
}

/// An exception no one catches, or a broken promise of the library: the report goes first,
/// then the process ends as it would have (with the runtime's message, by SIGABRT).
[[noreturn]] void on_terminate() {
    if (armed_report.load() != kNoReport) empty_armed_report();
    if (terminate_before != nullptr) terminate_before();
    std::abort();
}

}  // namespace

namespace interrupt_guard {

void arm(std::intptr_t report_handle) {
    armed_report.store(report_handle);
    interrupt_platform::set_handler(empty_armed_report);
    static const bool terminate_taken = [] {
        terminate_before = std::set_terminate(on_terminate);
        return true;
    }();
    (void)terminate_taken;
}

void keep_temporary(std::intptr_t handle, const char* name) {
    armed_temporary_name.store(name);
    armed_temporary.store(handle);
}

void move_report(std::intptr_t report_handle) {
    armed_report.store(report_handle);
}

void disarm() {
    interrupt_platform::set_handler(nullptr);
    armed_report.store(kNoReport);
    keep_temporary(NativeFile::kClosed, nullptr);
}

}  // namespace interrupt_guard

ReportWriteSection::ReportWriteSection() {
    interrupt_platform::hold_on_this_thread();
    sections_here = 1;
    writes_in_flight.fetch_add(1);
    if (interrupted.load()) {
        writes_in_flight.fetch_sub(1);
        sections_here = 0;
        interrupt_platform::wait_for_the_end();
    }
}

ReportWriteSection::~ReportWriteSection() {
    writes_in_flight.fetch_sub(1);
    sections_here = 0;
    interrupt_platform::release_on_this_thread();
}

GuardedThread::GuardedThread() {
    interrupt_platform::use_signal_stack(signal_stack_, sizeof signal_stack_);
}

GuardedThread::~GuardedThread() {
    interrupt_platform::use_signal_stack(nullptr, 0);
}

}  // namespace vandlor2
