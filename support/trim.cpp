#include "support/trim.h"

#include <cstdint>
#include <cstring>

namespace vandlor2 {
namespace {

bool trims_left(char mode) {
    return mode == 'L' || mode == 'l' || mode == 'B' || mode == 'b';
}
bool trims_right(char mode) {
    return mode == 'R' || mode == 'r' || mode == 'B' || mode == 'b';
}

}  // namespace

std::string_view trimmed(std::string_view text, char mode) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    if (trims_left(mode)) {
        while (begin < end && is_c_space(text[begin])) ++begin;
    }
    if (trims_right(mode)) {
        // Fixed columns often end in long runs of blanks: pass over them eight at a time.
        constexpr std::uint64_t kEightBlanks = 0x2020202020202020;
        std::uint64_t last_eight = 0;
        while (end - begin >= 8 &&
               (std::memcpy(&last_eight, text.data() + end - 8, 8), last_eight == kEightBlanks)) {
            end -= 8;
        }
        while (end > begin && is_c_space(text[end - 1])) --end;
    }
    return text.substr(begin, end - begin);
}

std::string trim(std::string& text, char mode) {
    const std::string_view kept = trimmed(text, mode);
    const std::size_t begin = static_cast<std::size_t>(kept.data() - text.data());
    text.erase(begin + kept.size());
    text.erase(0, begin);
    return text;
}

}  // namespace vandlor2
