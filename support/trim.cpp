#include "support/trim.h"

namespace vandlor2 {
std::string trim(std::string& text, char mode) {
    const std::string_view kept = trimmed(text, mode);
    const std::size_t begin = static_cast<std::size_t>(kept.data() - text.data());
    text.erase(begin + kept.size());
    text.erase(0, begin);
    return text;
}

}  // namespace vandlor2
