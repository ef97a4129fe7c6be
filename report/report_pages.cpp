#include "report/report_pages.h"

#include "report/prt.h"
#include "report/prtqq.h"

namespace vandlor2 {
namespace {

constexpr char kFormFeed = '\f';

}  // namespace

void append_page_heading(std::string& text, std::size_t page, std::string_view section_title,
                         ReportLayout layout) {
    const bool qq = layout == ReportLayout::qq;
    text.append(" Page ").append(std::to_string(page)).push_back('\n');
    text.append(section_title).append("\n\n");
    text.append(qq ? kQqHeading1 : kPlainHeading1).push_back('\n');
    text.append(qq ? kQqHeading2 : kPlainHeading2).append("\n\n");
}

void append_record_line(std::string& text, const LineRecord& record, std::size_t line_number,
                        std::string_view section_title, ReportLayout layout) {
    if (layout == ReportLayout::qq) {
        append_prtqq(text, record);
    } else {
        append_prt(text, record);
    }
    if (line_number % kRecordLinesPerPage == 0) {
        text.push_back(kFormFeed);
        append_page_heading(text, line_number / kRecordLinesPerPage + 1, section_title, layout);
    }
}

}  // namespace vandlor2
