#pragma once

namespace vandlor2 {

/// Caps what each worker thread reserves of the address space, before the first is started:
/// a stack of the size its work needs rather than the system's default, and where the address
/// space is limited (ulimit -v) no memory pool of its own, so that a run with a limit the
/// one-thread tool met still finishes. Only the first call does anything.
void cap_worker_reservations();

}  // namespace vandlor2
