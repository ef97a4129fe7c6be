// The POSIX half of the interrupt guard: signals.

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include "support/interrupt_guard.h"
#include "support/interrupt_platform.h"

namespace vandlor2 {
namespace {

constexpr int kGuardedSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written outside handlers only; read by the handler.
void (*volatile empty_report_first)() = nullptr;
/// The calling thread's signal mask outside its write section.
thread_local sigset_t mask_outside_section;

sigset_t guarded_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal_number : kGuardedSignals) sigaddset(&set, signal_number);
    return set;
}

extern "C" void on_signal(int signal_number) {
    empty_report_first();
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

}  // namespace

namespace interrupt_platform {

void set_handler(void (*empty_report)()) {
    if (empty_report == nullptr) {
        set_handlers(SIG_DFL, 0);
        return;
    }
    empty_report_first = empty_report;
    set_handlers(on_signal, SA_RESETHAND | SA_NODEFER);
}

void hold_on_this_thread() {
    const sigset_t guarded = guarded_signals();
    pthread_sigmask(SIG_BLOCK, &guarded, &mask_outside_section);
}

void release_on_this_thread() {
    pthread_sigmask(SIG_SETMASK, &mask_outside_section, nullptr);
}

void pause_briefly() {
    const timespec pause{0, 1'000'000};
    nanosleep(&pause, nullptr);
}

void wait_for_the_end() {
    for (;;) pause();
}

}  // namespace interrupt_platform

namespace interrupt_guard {

void ignore_broken_pipes() {
    signal(SIGPIPE, SIG_IGN);
}

void start_threads_uninterrupted(const std::function<void()>& start_threads) {
    // Threads take their signal mask from the thread that starts them.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    try {
        start_threads();
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        throw;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace interrupt_guard
}  // namespace vandlor2
