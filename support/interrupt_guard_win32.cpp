// The Windows half of the interrupt guard: console control events and unhandled exceptions.

#include <windows.h>

#include "support/interrupt_guard.h"
#include "support/interrupt_platform.h"

namespace vandlor2 {
namespace {

void (*volatile empty_report_first)() = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    empty_report_first();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

/// A crash (an access violation, a stack overflow...) that nothing handles: the report goes
/// first, then Windows ends the process as it would have.
LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS*) {
    empty_report_first();
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

namespace interrupt_platform {

void set_handler(void (*empty_report)()) {
    static LPTOP_LEVEL_EXCEPTION_FILTER filter_before = nullptr;
    if (empty_report == nullptr) {
        SetConsoleCtrlHandler(on_console_event, FALSE);
        SetUnhandledExceptionFilter(filter_before);
        return;
    }
    empty_report_first = empty_report;
    SetConsoleCtrlHandler(on_console_event, TRUE);
    const LPTOP_LEVEL_EXCEPTION_FILTER replaced =
        SetUnhandledExceptionFilter(on_unhandled_exception);
    if (replaced != on_unhandled_exception) filter_before = replaced;
}

// Console events are handled on a thread of their own, never on one in a write section.
void hold_on_this_thread() {}
void release_on_this_thread() {}

// An unhandled exception is filtered on the thread that raised it, on what is left of its stack.
void use_signal_stack(void*, std::size_t) {}

void pause_briefly() {
    Sleep(1);
}

void wait_for_the_end() {
    for (;;) Sleep(INFINITE);
}

}  // namespace interrupt_platform

namespace interrupt_guard {

// Windows has no signal for a closed pipe or a file size limit: a write fails.
void ignore_write_signals() {}

void start_threads_uninterrupted(const std::function<void()>& start_threads) {
    start_threads();
}

}  // namespace interrupt_guard
}  // namespace vandlor2
