// Report lines of any record, against a plain reference: the C library's strtod and "%.0f"
// for the accuracy numbers, and string padding for the other fields.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "listing/line_record.h"
#include "report/prt.h"
#include "report/prtqq.h"

namespace {

using vandlor2::fuzz::require;

std::string left(std::string_view text, std::size_t width) {
    std::string field(text);
    if (field.size() < width) field.append(width - field.size(), ' ');
    return field;
}

std::string right(std::string_view text, std::size_t width) {
    return std::string(text.size() < width ? width - text.size() : 0, ' ') + std::string(text);
}

/// The accuracy number as the C library reads and prints it. The text is cut at its first x
/// because strtod reads hexadecimal forms and the report does not ("0x1A" is 0).
std::string number(std::string_view text, std::size_t width) {
    const std::string decimal(text.substr(0, text.find_first_of("xX")));
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", std::strtod(decimal.c_str(), nullptr));
    return right(digits, width);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider bytes(data, size);
    // Longer texts than the columns hold too: a report line never cuts one.
    std::array<std::string, 8> texts;
    constexpr std::array<std::size_t, 8> kWidths = {5, 5, 30, 30, 9, 8, 12, 1};
    for (std::size_t field = 0; field < texts.size(); ++field) {
        texts[field] = bytes.ConsumeRandomLengthString(kWidths[field] + 4);
    }
    const vandlor2::LineRecord record{texts[0], texts[1], texts[2], texts[3],
                                      texts[4], texts[5], texts[6], texts[7]};

    // The number rule reads the first 12 bytes, the widest accuracy column.
    const std::string internal = number(record.internal_accuracy.substr(0, 12), 10);
    const std::string external = number(record.external_accuracy.substr(0, 12), 10);
    const std::string plain = left(record.from_station, 30) + std::string(10, ' ') +
                              left(record.to_station, 30) + std::string(12, ' ') +
                              right(record.distance, 9) + "   1: " + internal + " 1: " + external +
                              "\n";
    const std::string qq = " (" + right(record.ssn_from, 5) + ") " + left(record.from_station, 30) +
                           "   (" + right(record.ssn_to, 5) + ") " + left(record.to_station, 30) +
                           "   " + right(record.distance, 9) + "   1: " + internal +
                           " 1: " + external + "   " + right(record.survey_order, 1) + "\n";

    const std::string prt = vandlor2::prt(record);
    const std::string prtqq = vandlor2::prtqq(record);
    require(prt.size() >= 122 && prt.back() == '\n', "a plain line has 121 columns at least");
    require(prtqq.size() >= 127 && prtqq.back() == '\n', "a QQ line has 126 columns at least");
    require(prt == plain, "prt matches the reference");
    require(prtqq == qq, "prtqq matches the reference");
    return 0;
}
