#include "support/interrupt_guard.h"

#include <atomic>

#include "support/interrupt_platform.h"
#include "support/native_file.h"

namespace vandlor2 {
namespace {

// Shared with the handler, which may only touch lock-free atomics.
constexpr std::intptr_t kNoReport = -1;
std::atomic<std::intptr_t> armed_report{kNoReport};
std::atomic<bool> interrupted{false};
std::atomic<int> writes_in_flight{0};
static_assert(std::atomic<std::intptr_t>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

/// Stops new writes, waits for those under way, and cuts the report. The flag and the count
/// are set and read in opposite orders by the handler and by ReportWriteSection, so one of
/// the two always sees the other (sequentially consistent atomics).
void empty_armed_report() {
    interrupted.store(true);
    while (writes_in_flight.load() != 0) interrupt_platform::pause_briefly();
    const std::intptr_t report = armed_report.load();
    if (report != kNoReport) truncate_handle(report);
}

}  // namespace

namespace interrupt_guard {

void arm(std::intptr_t report_handle) {
    armed_report.store(report_handle);
    interrupt_platform::set_handler(empty_armed_report);
}

void disarm() {
    interrupt_platform::set_handler(nullptr);
    armed_report.store(kNoReport);
}

}  // namespace interrupt_guard

ReportWriteSection::ReportWriteSection() {
    interrupt_platform::hold_on_this_thread();
    writes_in_flight.fetch_add(1);
    if (interrupted.load()) {
        writes_in_flight.fetch_sub(1);
        interrupt_platform::wait_for_the_end();
    }
}

ReportWriteSection::~ReportWriteSection() {
    writes_in_flight.fetch_sub(1);
    interrupt_platform::release_on_this_thread();
}

}  // namespace vandlor2
