#pragma once

#include <cstddef>

// What the interrupt guard needs of the platform, one file per platform beside it; used by
// interrupt_guard.cpp alone.

namespace vandlor2::interrupt_platform {

/// Makes each ending first call `empty_report`, then end the process as it would have;
/// `nullptr` gives the endings their default effect again (an ignored signal stays ignored).
void set_handler(void (*empty_report)());

/// Holds the asynchronous endings back on the calling thread until `release_on_this_thread`,
/// so that a handler never runs on a thread in the middle of a write it would wait for.
void hold_on_this_thread();
void release_on_this_thread();

/// Lets the handler run on `stack` on the calling thread (a stack overflow leaves it no other);
/// `nullptr` ends that before the memory goes.
void use_signal_stack(void* stack, std::size_t size);

/// Waits about a millisecond; safe in a handler.
void pause_briefly();

/// Waits for the end of the process, which another thread is bringing about.
[[noreturn]] void wait_for_the_end();

}  // namespace vandlor2::interrupt_platform
