#pragma once

namespace vandlor2 {

/// Asks for the cache line at `address` to be read ahead, where the compiler can; only a hint,
/// so any address may be given.
inline void prefetch(const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    static_cast<void>(address);
#endif
}

}  // namespace vandlor2
