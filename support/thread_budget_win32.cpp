// The Windows half of the thread budget.

#include "support/thread_budget.h"

namespace vandlor2 {

// A thread's stack is reserved by the size in the executable's header (1 MiB by default), and
// the process heap is shared by every thread: there is nothing more to cap.
void cap_worker_reservations() {}

}  // namespace vandlor2
