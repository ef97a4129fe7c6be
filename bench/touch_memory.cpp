// touch_memory: writes to the given number of MiB of fresh memory (2048 unless told), in the
// system's large pages where it has them, and ends. Run just before a timed run, it leaves the
// memory the run then asks for as a machine that has just run something leaves it: recently
// freed, not yet handed back to a virtual machine's host. Not a test.
//
//   touch_memory [MiB]
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "support/bulk_memory.h"

int main(int argc, char* argv[]) {
    const std::size_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 2048;
    const std::size_t bytes = mebibytes << 20;
    void* const memory = vandlor2::allocate_bulk(bytes);
    std::memset(memory, 1, bytes);
    const bool touched = static_cast<const char*>(memory)[bytes / 2] == 1;
    vandlor2::free_bulk(memory, bytes);
    if (!touched) std::cerr << "touch_memory: memory lost\n";
    return touched ? 0 : 1;
}
