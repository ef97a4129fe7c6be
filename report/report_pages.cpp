#include "report/report_pages.h"

#include "report/prt.h"
#include "report/prtqq.h"

namespace vandlor2 {
namespace {

constexpr char kFormFeed = '\f';

}  // namespace

void append_page_heading(ReportText& text, std::size_t page, std::string_view section_title,
                         ReportLayout layout) {
    const bool qq = layout == ReportLayout::qq;
    text.append(" Page ");
    text.append(std::to_string(page));
    text.append('\n');
    text.append(section_title);
    text.append("\n\n");
    text.append(qq ? kQqHeading1 : kPlainHeading1);
    text.append('\n');
    text.append(qq ? kQqHeading2 : kPlainHeading2);
    text.append("\n\n");
}

void append_record_line(ReportText& text, const LineRecord& record, std::size_t line_number,
                        std::string_view section_title, ReportLayout layout) {
    if (layout == ReportLayout::qq) {
        append_prtqq(text, record);
    } else {
        append_prt(text, record);
    }
    if (line_number % kRecordLinesPerPage == 0) {
        text.append(kFormFeed);
        append_page_heading(text, line_number / kRecordLinesPerPage + 1, section_title, layout);
    }
}

}  // namespace vandlor2
