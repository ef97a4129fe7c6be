// The Windows half of the interrupt guard: console control events.

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

}  // namespace

namespace interrupt_platform {

void set_handler(void (*empty_report)()) {
    if (empty_report == nullptr) {
        SetConsoleCtrlHandler(on_console_event, FALSE);
        return;
    }
    empty_report_first = empty_report;
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

// Console events are handled on a thread of their own, never on one in a write section.
void hold_on_this_thread() {}
void release_on_this_thread() {}

void pause_briefly() {
    Sleep(1);
}

void wait_for_the_end() {
    for (;;) Sleep(INFINITE);
}

}  // namespace interrupt_platform

namespace interrupt_guard {

// Windows has no signal for a closed pipe: a write to one fails.
void ignore_broken_pipes() {}

void start_threads_uninterrupted(const std::function<void()>& start_threads) {
    start_threads();
}

}  // namespace interrupt_guard
}  // namespace vandlor2
