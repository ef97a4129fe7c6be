// accuracy_value against the C library's strtod on the first 12 bytes, in the C locale the
// fuzzer runs in.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "report/field_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vandlor2::fuzz::require;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = vandlor2::accuracy_value(text);

    // Only the first 12 bytes count. strtod also reads hexadecimal forms, which accuracy_value
    // does not: cut the text at its first x, where strtod's reading of a decimal number,
    // infinity or NaN ends anyway. It stops at a NUL byte as accuracy_value does at any byte
    // outside a number.
    const std::string_view read = text.substr(0, vandlor2::kAccuracyTextWidth);
    const std::string decimal(read.substr(0, read.find_first_of("xX")));
    const double expected = std::strtod(decimal.c_str(), nullptr);
    if (std::isnan(expected)) {
        require(std::isnan(value) && std::signbit(value) == std::signbit(expected),
                "a NaN of the same sign");
        return 0;
    }
    if (std::memcmp(&value, &expected, sizeof value) != 0) {
        std::fprintf(stderr, "accuracy_value %a, strtod %a\n", value, expected);
        require(false, "the value strtod gives, zero signs included");
    }
    return 0;
}
