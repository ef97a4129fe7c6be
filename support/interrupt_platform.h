#pragma once

// What the interrupt guard needs of the platform, one file per platform beside it; used by
// interrupt_guard.cpp alone.

namespace vandlor2::interrupt_platform {

/// Makes each interruption first call `empty_report`, then end the process as it would have;
/// `nullptr` gives the interruptions their default effect again.
void set_handler(void (*empty_report)());

/// Holds interruptions back on the calling thread until `release_on_this_thread`, so that a
/// handler never runs on a thread in the middle of a write it would wait for.
void hold_on_this_thread();
void release_on_this_thread();

/// Waits about a millisecond; safe in a handler.
void pause_briefly();

/// Waits for the end of the process, which another thread is bringing about.
[[noreturn]] void wait_for_the_end();

}  // namespace vandlor2::interrupt_platform
