#include "report/report_writer.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "report/prt.h"
#include "report/prtqq.h"

namespace vandlor2 {
namespace {

constexpr char kFormFeed = '\f';
/// The report is handed to the stream in blocks of about this size.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
/// Records are visited in report order, all over a table that may be far larger than the
/// caches. They are copied out in batches first, in a loop short enough for the processor to
/// overlap the memory reads, and then formatted from the copy.
constexpr std::size_t kBatchSize = 256;

class PageWriter {
  public:
    PageWriter(std::ostream& report, const ListingContents& contents)
        : report_(report), contents_(contents), qq_layout_(contents.qq_count != 0) {
        block_.reserve(kBlockSize + 4096);
    }

    void write() {
        const std::vector<std::size_t> order = report_order(contents_.records);
        const std::int64_t total = qq_layout_ ? contents_.qq_count : contents_.length_record_count;
        const std::size_t lines =
            std::min(order.size(), static_cast<std::size_t>(std::max<std::int64_t>(total, 0)));

        write_heading();
        std::vector<LineRecord> batch(std::min(lines, kBatchSize));
        int on_page = 0;
        for (std::size_t first = 0; first < lines; first += batch.size()) {
            const std::size_t count = std::min(batch.size(), lines - first);
            for (std::size_t i = 0; i < count; ++i) batch[i] = contents_.records[order[first + i]];
            for (std::size_t i = 0; i < count; ++i) {
                if (qq_layout_) {
                    append_prtqq(block_, batch[i]);
                } else {
                    append_prt(block_, batch[i]);
                }
                // The next page's heading follows the 27th line at once, even when no line
                // comes after it.
                if (++on_page == kRecordLinesPerPage) {
                    on_page = 0;
                    block_.push_back(kFormFeed);
                    write_heading();
                }
            }
            if (block_.size() >= kBlockSize) flush();
        }
        flush();
    }

  private:
    void write_heading() {
        block_.append(" Page ").append(std::to_string(++page_)).push_back('\n');
        block_.append(contents_.section_title).append("\n\n");
        block_.append(qq_layout_ ? kQqHeading1 : kPlainHeading1).push_back('\n');
        block_.append(qq_layout_ ? kQqHeading2 : kPlainHeading2).append("\n\n");
    }

    void flush() {
        report_.write(block_.data(), static_cast<std::streamsize>(block_.size()));
        block_.clear();
    }

    std::ostream& report_;
    const ListingContents& contents_;
    const bool qq_layout_;
    std::string block_;
    std::int64_t page_ = 0;
};

}  // namespace

void write_report(std::ostream& report, const ListingContents& contents) {
    PageWriter(report, contents).write();
}

}  // namespace vandlor2
