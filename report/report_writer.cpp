#include "report/report_writer.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "listing/report_order.h"
#include "support/ordered_work.h"

namespace vandlor2 {
namespace {

/// The report is formatted in pieces of whole pages, each on its own, since a record's page and
/// line follow from its place in the report order alone: of 128 pages, but for the first 32
/// pieces of 32 pages, so that a small report fills little memory.
constexpr std::size_t kPiecePages = 128;
constexpr std::size_t kFirstPieces = 32;
constexpr std::size_t kFirstPiecePages = 32;
/// Records are visited in report order, all over a table that may be far larger than the
/// caches: each is asked for this many records ahead, so that the reads overlap. The handles of
/// a piece's records are read first, then their texts as they are formatted.
constexpr std::size_t kReadAhead = 32;

class ReportPieces {
  public:
    explicit ReportPieces(const ListingContents& contents)
        : contents_(contents),
          layout_(contents.qq_count != 0 ? ReportLayout::qq : ReportLayout::plain),
          order_(contents.records) {
        const std::int64_t total =
            layout_ == ReportLayout::qq ? contents.qq_count : contents.length_record_count;
        lines_ =
            std::min(order_.size(), static_cast<std::size_t>(std::max<std::int64_t>(total, 0)));
    }

    std::size_t lines() const { return lines_; }

    /// The text of the report's lines from `first` to `end`, counted from 0, and of the page
    /// headings among them; the first page's heading comes with the first line.
    void format(std::size_t first, std::size_t end, ReportText& text,
                std::vector<RecordHandle>& handles) const {
        text.clear();
        if (first == 0) append_page_heading(text, 1, contents_.section_title, layout_);
        const RecordTable& records = contents_.records;
        handles.resize(end - first);
        for (std::size_t i = 0; i < handles.size(); ++i) {
            if (i + kReadAhead < handles.size()) {
                records.prefetch_handle(order_[first + i + kReadAhead]);
            }
            handles[i] = records.handle(order_[first + i]);
        }
        for (std::size_t i = 0; i < handles.size(); ++i) {
            if (i + kReadAhead < handles.size()) records.prefetch_texts(handles[i + kReadAhead]);
            append_record_line(text, records.record(handles[i]), first + i + 1,
                               contents_.section_title, layout_);
        }
    }

  private:
    const ListingContents& contents_;
    const ReportLayout layout_;
    const RecordOrder order_;
    std::size_t lines_ = 0;
};

}  // namespace

void write_report(std::ostream& report, const ListingContents& contents) {
    const ReportPieces pieces(contents);
    // Pieces are formatted on every core while this thread writes the finished ones, in order.
    std::vector<ReportText> texts(core_count() + 2);
    std::vector<std::vector<RecordHandle>> handles(texts.size());
    std::vector<std::pair<std::size_t, std::size_t>> lines_of(texts.size());
    std::size_t next_line = 0;
    std::size_t pieces_started = 0;  // a report of no lines still has its first page's heading
    run_in_order(
        texts.size(),
        [&](std::size_t slot) {
            if (pieces_started > 0 && next_line == pieces.lines()) return false;
            const std::size_t pages =
                pieces_started++ < kFirstPieces ? kFirstPiecePages : kPiecePages;
            const std::size_t end =
                std::min(next_line + pages * kRecordLinesPerPage, pieces.lines());
            lines_of[slot] = {next_line, end};
            next_line = end;
            return true;
        },
        [&](std::size_t slot) {
            pieces.format(lines_of[slot].first, lines_of[slot].second, texts[slot], handles[slot]);
        },
        [&](std::size_t slot) {
            const std::string_view text = texts[slot].text();
            report.write(text.data(), static_cast<std::streamsize>(text.size()));
            return report.good();  // after a failed write, the rest is not worth making
        });
}

}  // namespace vandlor2
