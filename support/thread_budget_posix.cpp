// The POSIX half of the thread budget: the C library's defaults for new threads.

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>

#include <cstddef>

#include "support/thread_budget.h"

namespace vandlor2 {
namespace {

/// A worker's deepest calls (reading a block, sorting, formatting a piece of the report) take
/// far less; this leaves headroom, and holds the handler's own stack (GuardedThread).
constexpr std::size_t kWorkerStack = std::size_t{1} << 20;

bool address_space_limited() {
    rlimit limit{};
    return getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
}

}  // namespace

void cap_worker_reservations() {
    static const bool capped = [] {
#ifdef __GLIBC__
        // std::thread cannot be given a stack size; new threads take this default instead of
        // the stack limit (often 8 MiB).
        pthread_attr_t defaults;
        if (pthread_attr_init(&defaults) == 0) {
            pthread_attr_setstacksize(&defaults, kWorkerStack);
            pthread_setattr_default_np(&defaults);
            pthread_attr_destroy(&defaults);
        }
        // Each thread's own malloc arena reserves 64 MiB of address space on first use.
        if (address_space_limited()) mallopt(M_ARENA_MAX, 1);
#else
        (void)kWorkerStack;
        (void)address_space_limited;
#endif
        return true;
    }();
    (void)capped;
}

}  // namespace vandlor2
