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

void append_prt(std::string& report, const LineRecord& record) {
    ReportLine line(report);
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
    std::string line;
    append_prt(line, record);
    return line;
}

}  // namespace vandlor2
