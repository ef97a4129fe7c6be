#include "report/prtqq.h"

#include "report/field_format.h"

namespace vandlor2 {
namespace {

// Field widths of the QQ report line; 126 columns when nothing overflows.
constexpr std::size_t kSsnField = 5;
constexpr std::size_t kNameField = 30;
constexpr std::size_t kDistanceField = 9;
constexpr std::size_t kAccuracyField = 10;
constexpr std::size_t kSurveyOrderField = 1;

}  // namespace

void append_prtqq(std::string& report, const LineRecord& record) {
    report.append(" (");
    append_right(report, record.ssn_from.view(), kSsnField);
    report.append(") ");
    append_left(report, record.from_station.view(), kNameField);
    report.append("   (");
    append_right(report, record.ssn_to.view(), kSsnField);
    report.append(") ");
    append_left(report, record.to_station.view(), kNameField);
    report.append("   ");
    append_right(report, record.distance.view(), kDistanceField);
    report.append("   1: ");
    append_accuracy(report, record.internal_accuracy.view(), kAccuracyField);
    report.append(" 1: ");
    append_accuracy(report, record.external_accuracy.view(), kAccuracyField);
    report.append("   ");
    append_right(report, record.survey_order.view(), kSurveyOrderField);
    report.push_back('\n');
}

std::string prtqq(const LineRecord& record) {
    std::string line;
    append_prtqq(line, record);
    return line;
}

}  // namespace vandlor2
