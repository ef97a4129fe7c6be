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
constexpr std::size_t kPagesPerPiece = 32;
constexpr std::size_t kLinesPerPiece = kPagesPerPiece * kRecordLinesPerPage;
/// Records are visited in report order, all over a table that may be far larger than the
/// caches. They are copied out in batches first, so that their reads overlap, and then
/// formatted from the copy.
constexpr std::size_t kBatchRecords = 256;

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
    void format(std::size_t piece, std::string& text) const {
        text.clear();
        const std::size_t first = piece * kLinesPerPiece;
        const std::size_t end = std::min(first + kLinesPerPiece, lines_);
        if (piece == 0) append_page_heading(text, 1, contents_.section_title, layout_);
        std::vector<LineRecord> batch(std::min(kBatchRecords, end - first));
        std::vector<std::size_t> positions(batch.size());
        for (std::size_t from = first; from < end; from += batch.size()) {
            const std::size_t count = std::min(batch.size(), end - from);
            for (std::size_t i = 0; i < count; ++i) positions[i] = order_[from + i];
            contents_.records.gather(positions.data(), count, batch.data());
            for (std::size_t i = 0; i < count; ++i) {
                append_record_line(text, batch[i], from + i + 1, contents_.section_title, layout_);
            }
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
    std::vector<std::string> texts(core_count() + 2);
    std::vector<std::size_t> piece_of(texts.size());
    std::size_t next_piece = 0;
    run_in_order(
        texts.size(),
        [&](std::size_t slot) {
            if (next_piece == pieces.piece_count()) return false;
            piece_of[slot] = next_piece++;
            return true;
        },
        [&](std::size_t slot) { pieces.format(piece_of[slot], texts[slot]); },
        [&](std::size_t slot) {
            report.write(texts[slot].data(), static_cast<std::streamsize>(texts[slot].size()));
            return report.good();  // after a failed write, the rest is not worth making
        });
}

}  // namespace vandlor2
