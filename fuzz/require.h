#pragma once

#include <cstdio>
#include <cstdlib>

namespace vandlor2::fuzz {

/// Ends the run as a crash, which libFuzzer reports together with the input that caused it.
inline void require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

}  // namespace vandlor2::fuzz
