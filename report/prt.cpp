#include "report/prt.h"

#include "report/field_format.h"

namespace vandlor2 {
namespace {

// Field widths of the plain report line; 121 columns when nothing overflows.
constexpr std::size_t kNameField = 30;
constexpr std::size_t kNameGap = 10;
constexpr std::size_t kDistanceGap = 12;
constexpr std::size_t kDistanceField = 9;
constexpr std::size_t kAccuracyField = 10;

}  // namespace

void append_prt(std::string& report, const LineRecord& record) {
    append_left(report, record.from_station.view(), kNameField);
    report.append(kNameGap, ' ');
    append_left(report, record.to_station.view(), kNameField);
    report.append(kDistanceGap, ' ');
    append_right(report, record.distance.view(), kDistanceField);
    report.append("   1: ");
    append_accuracy(report, record.internal_accuracy.view(), kAccuracyField);
    report.append(" 1: ");
    append_accuracy(report, record.external_accuracy.view(), kAccuracyField);
    report.push_back('\n');
}

std::string prt(const LineRecord& record) {
    std::string line;
    append_prt(line, record);
    return line;
}

}  // namespace vandlor2
