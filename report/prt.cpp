#include "report/prt.h"

namespace vandlor2 {
namespace {

// Field widths of the plain report line; 121 columns when nothing overflows.
constexpr std::size_t kNameField = 30;
constexpr std::size_t kNameGap = 10;
constexpr std::size_t kDistanceGap = 12;
constexpr std::size_t kDistanceField = 9;
constexpr std::size_t kAccuracyField = 10;

static_assert(kInternalAccuracyWidth <= kAccuracyTextWidth &&
                  kExternalAccuracyWidth <= kAccuracyTextWidth,
              "the number rule reads every byte of an accuracy column");

}  // namespace

void append_prt(ReportText& report, const LineRecord& record) {
    ReportLine line(report, most_line_bytes(record));
    line.left(record.from_station, kNameField);
    line.left(" ", kNameGap);  // a one-blank separator in 10 columns
    line.left(record.to_station, kNameField);
    line.right(" ", kDistanceGap);
    place_distance_and_accuracies(line, record);
    line.literal("\n");
    line.end();
}

void place_distance_and_accuracies(ReportLine& line, const LineRecord& record) {
    line.right(record.distance, kDistanceField);
    line.literal("   1: ");
    line.accuracy(record.internal_accuracy, kAccuracyField);
    line.literal(" 1: ");
    line.accuracy(record.external_accuracy, kAccuracyField);
}

std::string prt(const LineRecord& record) {
    ReportText line;
    append_prt(line, record);
    return std::string(line.text());
}

std::size_t most_line_bytes(const LineRecord& record) {
    // More than the widths and literals of either layout.
    constexpr std::size_t kLayoutBytes = 256;
    return record.ssn_from.size() + record.ssn_to.size() + record.from_station.size() +
           record.to_station.size() + record.distance.size() + record.internal_accuracy.size() +
           record.external_accuracy.size() + record.survey_order.size() + kLayoutBytes +
           2 * ReportLine::kLongestAccuracyBytes;
}

}  // namespace vandlor2
