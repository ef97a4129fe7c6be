#pragma once

#include <cstddef>

namespace vandlor2 {

/// The number of bits that hold `value` in binary: 0 for 0, 1 for 1, 4 for 8 to 15.
constexpr unsigned bit_width(std::size_t value) {
    unsigned bits = 0;
    for (; value != 0; value >>= 1) ++bits;
    return bits;
}

}  // namespace vandlor2
