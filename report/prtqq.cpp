#include "report/prtqq.h"

#include "report/prt.h"

namespace vandlor2 {
namespace {

// Field widths of the QQ report line; 126 columns when nothing overflows.
constexpr std::size_t kSsnField = 5;
constexpr std::size_t kNameField = 30;
constexpr std::size_t kSurveyOrderField = 1;

}  // namespace

void append_prtqq(ReportText& report, const LineRecord& record) {
    ReportLine line(report, most_line_bytes(record));
    line.literal(" (");
    line.right(record.ssn_from, kSsnField);
    line.literal(") ");
    line.left(record.from_station, kNameField);
    line.literal("   (");
    line.right(record.ssn_to, kSsnField);
    line.literal(") ");
    line.left(record.to_station, kNameField);
    line.literal("   ");
    place_distance_and_accuracies(line, record);
    line.literal("   ");
    line.right(record.survey_order, kSurveyOrderField);
    line.literal("\n");
    line.end();
}

std::string prtqq(const LineRecord& record) {
    ReportText line;
    append_prtqq(line, record);
    return std::string(line.text());
}

}  // namespace vandlor2
