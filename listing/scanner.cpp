#include "listing/scanner.h"

#include <optional>
#include <string_view>
#include <utility>

#include "listing/block_pipeline.h"
#include "listing/listing_lines.h"
#include "listing/ssn_pair_index.h"
#include "listing/text_blocks.h"

namespace vandlor2 {
namespace {

constexpr std::string_view kVersionLabel = "Kormin file ver:       ";

/// Takes what the listing's lines show into the listing's contents, in listing order.
class ListingScanner : public LineTaker {
  public:
    ListingScanner(std::istream& listing, std::ostream& console, std::ostream& errors,
                   ListingContents& contents)
        : reader_(listing), console_(console), errors_(errors), contents_(contents) {}

    ScanStatus run() {
        const std::optional<std::size_t> offset = find_offset();
        if (!offset) return status_;
        columns_.emplace(*offset);
        const PipelineEnd end = take_remaining_lines(reader_, *columns_, *this);
        if (end == PipelineEnd::read_failed) status_ = ScanStatus::read_failed;
        return status_;
    }

    void take_version(std::string_view text) override {
        if (counting_.version_counts()) echo_version(text);
    }

    void take_title(const std::string& section_title) override {
        if (counting_.title_counts()) contents_.section_title = section_title;
        counting_.title_seen();
    }

    void take_qq_record(const LineRecord& record, std::int32_t ssn_from,
                        std::int32_t ssn_to) override {
        contents_.records.push_back(record);
        ++contents_.qq_count;
        // The matching searches the first QQ-count positions of the table, which may also
        // hold records of length entries that came before the first QQ line.
        const auto searchable_at = static_cast<std::size_t>(contents_.qq_count - 1);
        if (searchable_at + 1 < contents_.records.size()) {
            const LineRecord searchable = contents_.records[searchable_at];
            ssn_from = ssn_value(searchable.ssn_from.view());
            ssn_to = ssn_value(searchable.ssn_to.view());
        }
        qq_records_.add(ssn_from, ssn_to);
    }

    bool take_entry(const LengthEntry& entry, std::string_view first_line) override {
        if (contents_.qq_count == 0) {
            contents_.records.push_back(entry.record);
            ++contents_.length_record_count;
            return true;
        }
        const std::optional<std::size_t> match = qq_records_.find(entry.ssn_from, entry.ssn_to);
        if (!match) {
            errors_ << "Error: Length Accuracy without QQ record\n"
                    << "       Fix the KORMIN file\n"
                    << "       SSN_From = " << columns_->entry_ssn_from(first_line) << '\n'
                    << "       SSN_To   = " << columns_->entry_ssn_to(first_line) << '\n'
                    << first_line << std::endl;
            status_ = ScanStatus::length_entry_without_qq_record;
            return false;
        }
        LineRecord filled = contents_.records[*match];
        fill_qq_record(filled, entry);
        contents_.records.replace(*match, filled);
        return true;
    }

  private:
    /// Reads the lines up to the program line, the first never examined, and gives the offset
    /// control it shows; the rest of the listing is left in the reader. Without an offset the
    /// scan has ended, and `status_` tells how.
    std::optional<std::size_t> find_offset() {
        TextBlock block;
        bool first_line = true;
        for (;;) {
            const TextBlockReader::Status read = reader_.next(block);
            if (read != TextBlockReader::Status::block) {
                if (read == TextBlockReader::Status::error) status_ = ScanStatus::read_failed;
                return std::nullopt;
            }
            Lines lines(block.text());
            std::string_view line;
            while (lines.next(line)) {
                if (std::exchange(first_line, false)) continue;
                const OffsetFinding finding = examine_before_program_line(line);
                switch (finding.kind) {
                    case OffsetFinding::Kind::keep_looking:
                        continue;
                    case OffsetFinding::Kind::program_line_without_offset:
                        return stop_offset_unknown(5, ScanStatus::program_line_without_offset);
                    case OffsetFinding::Kind::content_before_program_line:
                        return stop_offset_unknown(7, ScanStatus::content_before_program_line);
                    case OffsetFinding::Kind::found:
                        break;
                }
                if (ListingColumns(finding.offset).is_version_line(line)) {
                    echo_version(version_text(line));
                }
                reader_.give_back(block, lines.next_at());
                return finding.offset;
            }
        }
    }

    void echo_version(std::string_view text) {
        counting_.version_seen(text);
        console_ << kVersionLabel << text << std::endl << std::endl;
    }

    std::nullopt_t stop_offset_unknown(int code, ScanStatus status) {
        errors_ << "Error: Not able to determine offset control\n"
                << "       See programmer(" << code << ").  Program ends" << std::endl;
        status_ = status;
        return std::nullopt;
    }

    TextBlockReader reader_;
    std::ostream& console_;
    std::ostream& errors_;
    ListingContents& contents_;
    std::optional<ListingColumns> columns_;  ///< known once the program line is
    ScanStatus status_ = ScanStatus::completed;
    CountingLines counting_;
    SsnPairIndex qq_records_;
};

}  // namespace

ScanStatus scan(std::istream& listing, std::ostream& console, std::ostream& errors,
                ListingContents& contents) {
    return ListingScanner(listing, console, errors, contents).run();
}

}  // namespace vandlor2
