#include "report/report_writer.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "listing/report_order.h"
#include "support/ordered_work.h"

namespace vandlor2 {
namespace {

/// The report is formatted in pieces of this many whole pages, each on its own, since a
/// record's page and line follow from its place in the report order alone.
constexpr std::size_t kPagesPerPiece = 128;
constexpr std::size_t kLinesPerPiece = kPagesPerPiece * kRecordLinesPerPage;
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

    std::size_t piece_count() const { return lines_ / kLinesPerPiece + 1; }

    /// The text of the report from line `first` of `piece`: its lines and the page headings
    /// among them, the first page's heading with the first piece.
    void format(std::size_t piece, ReportText& text, std::vector<RecordHandle>& handles) const {
        text.clear();
        const std::size_t first = piece * kLinesPerPiece;
        const std::size_t end = std::min(first + kLinesPerPiece, lines_);
        if (piece == 0) append_page_heading(text, 1, contents_.section_title, layout_);
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
    std::vector<std::size_t> piece_of(texts.size());
    std::size_t next_piece = 0;
    run_in_order(
        texts.size(),
        [&](std::size_t slot) {
            if (next_piece == pieces.piece_count()) return false;
            piece_of[slot] = next_piece++;
            return true;
        },
        [&](std::size_t slot) { pieces.format(piece_of[slot], texts[slot], handles[slot]); },
        [&](std::size_t slot) {
            const std::string_view text = texts[slot].text();
            report.write(text.data(), static_cast<std::streamsize>(text.size()));
            return report.good();  // after a failed write, the rest is not worth making
        });
}

}  // namespace vandlor2
