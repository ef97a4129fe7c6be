// The POSIX half of the interrupt guard: signals.

#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include "support/interrupt_guard.h"
#include "support/interrupt_platform.h"

namespace vandlor2 {
namespace {

/// The signals whose default action ends the process, but for SIGPIPE and SIGXFSZ (ignored:
/// their writes fail instead) and the real-time signals (added where they are used).
constexpr int kEndingSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE, SIGUSR1,
    SIGSEGV,   SIGUSR2, SIGALRM, SIGTERM, SIGXCPU, SIGPROF, SIGVTALRM, SIGSYS,
#ifdef __linux__
    SIGSTKFLT, SIGIO,   SIGPWR,
#endif
};

/// The faults a thread makes itself. The system sends them to that thread, and ends the
/// process without a handler when they are blocked there: they are never held back.
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS};

template <typename Call>
void for_each_ending_signal(Call call) {
    for (const int signal_number : kEndingSignals) call(signal_number);
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        call(signal_number);
    }
}

void do_nothing() {}

// Written outside handlers only; read by the handler.
void (*volatile empty_report_first)() = do_nothing;
/// The signals this guard handles now: those not ignored when it was armed.
volatile sig_atomic_t handled[NSIG] = {};
/// The calling thread's signal mask outside its write section.
thread_local sigset_t mask_outside_section;

sigset_t ending_signals() {
    sigset_t set;
    sigemptyset(&set);
    for_each_ending_signal([&set](int signal_number) { sigaddset(&set, signal_number); });
    return set;
}

/// Every signal but the faults a thread makes itself.
sigset_t asynchronous_signals() {
    sigset_t set;
    sigfillset(&set);
    for (const int signal_number : kFaultSignals) sigdelset(&set, signal_number);
    return set;
}

extern "C" void on_signal(int signal_number) {
    empty_report_first();
    // Only now the default again: two threads that fault at once must both wait for the
    // report to be cut. The signal stays pending while it is blocked in its own handler, and
    // unblocking it ends the process by it, a core dump included where the default makes one.
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigaction(signal_number, &default_action, nullptr);
    raise(signal_number);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal_number);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
}

/// The arming thread's stack for the handler, should its own overflow.
alignas(16) unsigned char arming_thread_stack[GuardedThread::kSignalStackSize];

}  // namespace

namespace interrupt_platform {

void set_handler(void (*empty_report)()) {
    if (empty_report == nullptr) {
        struct sigaction restore {};
        restore.sa_handler = SIG_DFL;
        for_each_ending_signal([&restore](int signal_number) {
            if (handled[signal_number] == 0) return;
            sigaction(signal_number, &restore, nullptr);
            handled[signal_number] = 0;
        });
        return;
    }
    static const bool stack_set = [] {
        use_signal_stack(arming_thread_stack, sizeof arming_thread_stack);
        return true;
    }();
    (void)stack_set;
    empty_report_first = empty_report;
    struct sigaction action {};
    action.sa_handler = on_signal;
    action.sa_mask = ending_signals();  // one ending at a time
    action.sa_flags = SA_ONSTACK;
    for_each_ending_signal([&action](int signal_number) {
        struct sigaction before {};
        if (sigaction(signal_number, nullptr, &before) != 0) return;
        // An ignored signal stays ignored: under nohup, a hang-up must not end the run.
        if ((before.sa_flags & SA_SIGINFO) == 0 && before.sa_handler == SIG_IGN) return;
        if (sigaction(signal_number, &action, nullptr) == 0) handled[signal_number] = 1;
    });
}

void hold_on_this_thread() {
    const sigset_t held = asynchronous_signals();
    pthread_sigmask(SIG_BLOCK, &held, &mask_outside_section);
}

void release_on_this_thread() {
    pthread_sigmask(SIG_SETMASK, &mask_outside_section, nullptr);
}

void use_signal_stack(void* stack, std::size_t size) {
    stack_t alternate{};
    if (stack == nullptr) {
        alternate.ss_flags = SS_DISABLE;
    } else {
        alternate.ss_sp = stack;
        alternate.ss_size = size;
    }
    sigaltstack(&alternate, nullptr);
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

void ignore_write_signals() {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
}

void start_threads_uninterrupted(const std::function<void()>& start_threads) {
    // Threads take their signal mask from the thread that starts them.
    const sigset_t held = asynchronous_signals();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &held, &previous);
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
