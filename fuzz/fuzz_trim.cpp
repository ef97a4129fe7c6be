// trim and trimmed on any text in any mode: the first byte is the mode, the rest the text.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "support/trim.h"

namespace {

using vandlor2::fuzz::require;

/// White space as the C library's isspace has it in the C locale, which the fuzzer runs in.
bool c_space(char byte) {
    return std::isspace(static_cast<unsigned char>(byte)) != 0;
}

bool all_space(std::string_view text) {
    for (char byte : text) {
        if (!c_space(byte)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vandlor2::trimmed;
    if (size == 0) return 0;
    const char mode = static_cast<char>(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    for (char byte : text) {
        require(vandlor2::is_c_space(byte) == c_space(byte), "is_c_space is the C locale's");
    }

    const std::string_view kept = trimmed(text, mode);
    require(kept.data() >= text.data() && kept.data() + kept.size() <= text.data() + text.size(),
            "the result is a part of the text");
    const std::string_view removed_left =
        text.substr(0, static_cast<std::size_t>(kept.data() - text.data()));
    const std::string_view removed_right = text.substr(removed_left.size() + kept.size());
    require(all_space(removed_left) && all_space(removed_right), "only white space is removed");

    const std::string_view modes_left = "LlBb";
    const std::string_view modes_right = "RrBb";
    const bool left = modes_left.find(mode) != std::string_view::npos;
    const bool right = modes_right.find(mode) != std::string_view::npos;
    require(left || removed_left.empty(), "the start is kept unless the mode trims it");
    require(right || removed_right.empty(), "the end is kept unless the mode trims it");
    require(!left || kept.empty() || !c_space(kept.front()), "no white space left at the start");
    require(!right || kept.empty() || !c_space(kept.back()), "no white space left at the end");
    require(trimmed(kept, mode) == kept, "trimming twice changes nothing");
    if (mode == 'B' || mode == 'b') {
        require(kept == trimmed(trimmed(text, 'L'), 'R'), "both ends is the start, then the end");
    }

    std::string argument(text);
    const std::string result = vandlor2::trim(argument, mode);
    require(argument == kept && result == kept, "trim leaves the same text in both places");
    return 0;
}
