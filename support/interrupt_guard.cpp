#include "support/interrupt_guard.h"

#include <atomic>

#include "support/native_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <ctime>
#endif

namespace vandlor2 {
namespace {

// Shared with the handler, which may only touch lock-free atomics.
constexpr std::intptr_t kNoReport = -1;
std::atomic<std::intptr_t> armed_report{kNoReport};
std::atomic<bool> interrupted{false};
std::atomic<int> writes_in_flight{0};
static_assert(std::atomic<std::intptr_t>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

/// Stops new writes, waits for those under way, and cuts the report. The flag and the count
/// are set and read in opposite orders by the handler and by ReportWriteSection, so one of
/// the two always sees the other (sequentially consistent atomics).
void empty_armed_report() {
    interrupted.store(true);
    while (writes_in_flight.load() != 0) {
#ifdef _WIN32
        Sleep(1);
#else
        const timespec pause{0, 1'000'000};
        nanosleep(&pause, nullptr);
#endif
    }
    const std::intptr_t report = armed_report.load();
    if (report != kNoReport) truncate_handle(report);
}

[[noreturn]] void wait_for_the_end() {
    for (;;) {
#ifdef _WIN32
        Sleep(INFINITE);
#else
        pause();
#endif
    }
}

#ifdef _WIN32

BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    empty_armed_report();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

#else

constexpr int kGuardedSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t guarded_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal_number : kGuardedSignals) sigaddset(&set, signal_number);
    return set;
}

extern "C" void on_signal(int signal_number) {
    empty_armed_report();
    // The disposition is the default again (SA_RESETHAND) and the signal is not blocked in
    // its own handler (SA_NODEFER), so this ends the process by the signal.
    raise(signal_number);
}

void set_handlers(void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_mask = guarded_signals();
    action.sa_flags = flags;
    for (const int signal_number : kGuardedSignals) sigaction(signal_number, &action, nullptr);
}

#endif

}  // namespace

namespace interrupt_guard {

void arm(std::intptr_t report_handle) {
    armed_report.store(report_handle);
#ifdef _WIN32
    SetConsoleCtrlHandler(on_console_event, TRUE);
#else
    set_handlers(on_signal, SA_RESETHAND | SA_NODEFER);
#endif
}

void disarm() {
#ifdef _WIN32
    SetConsoleCtrlHandler(on_console_event, FALSE);
#else
    set_handlers(SIG_DFL, 0);
#endif
    armed_report.store(kNoReport);
}

void ignore_broken_pipes() {
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

}  // namespace interrupt_guard

ReportWriteSection::ReportWriteSection() {
#ifndef _WIN32
    // The handler waits for the writes under way; it must not run on a thread that is making
    // one, or it would wait for itself.
    const sigset_t guarded = guarded_signals();
    pthread_sigmask(SIG_BLOCK, &guarded, &previous_mask_);
#endif
    writes_in_flight.fetch_add(1);
    if (interrupted.load()) {
        writes_in_flight.fetch_sub(1);
        wait_for_the_end();
    }
}

ReportWriteSection::~ReportWriteSection() {
    writes_in_flight.fetch_sub(1);
#ifndef _WIN32
    pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
#endif
}

}  // namespace vandlor2
