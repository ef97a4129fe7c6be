#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "listing/line_record.h"
#include "listing/record_store.h"
#include "support/chunked_array.h"
#include "support/trim.h"

namespace vandlor2 {

/// What gives a record its SSNs and survey order: a QQ line, or the length entry the record
/// was appended from, which gives no survey order.
struct RecordHead {
    RecordRef texts = 0;
    bool is_qq_line = false;
};

/// What gives a record its station names, distance and accuracies: the length entry that gave
/// them last, with its distance trimmed or as cut. None leaves the five texts empty.
struct RecordFields {
    RecordRef entry = 0;
    bool distance_trimmed = false;
};

/// A record as the table holds it: what its texts are found by, without its position.
using RecordHandle = std::uint64_t;

/// The growable table of line records, in order of appending. A record is two references to
/// texts in the record store, which the table owns: those of its head and of its fields. A
/// large listing holds millions, in chunks of a large page that are never copied as it grows.
class RecordTable {
  public:
    RecordTable();
    /// A table of any records, each text cut to its column's width (see push_back).
    RecordTable(std::initializer_list<LineRecord> records);
    ~RecordTable();
    RecordTable(RecordTable&& other) noexcept;
    RecordTable& operator=(RecordTable&& other) noexcept;

    /// Where the texts of the records are cut into, on any thread.
    RecordStore& store() { return *store_; }

    void append(RecordHead head, RecordFields fields = {});
    /// Gives the record at `position` new fields; its head stays.
    void fill(std::size_t position, RecordFields fields);
    /// Appends a record of any eight texts, each cut to the width of its column.
    void push_back(const LineRecord& record);

    /// The record at `position`: a view of texts that the table keeps while it lives. It is
    /// const so that assigning to one of its texts, which would change nothing in the table,
    /// does not compile; `fill` and `push_back` change records.
    const LineRecord operator[](std::size_t position) const { return record(handle(position)); }
    /// The record at `position` as the table holds it; good until it is filled again.
    RecordHandle handle(std::size_t position) const {
        const Place place = place_at(position);
        return RecordHandle{place.head} << 32 | place.fields;
    }
    /// The record of `handle`, a view as above.
    LineRecord record(RecordHandle handle) const;
    /// The external-accuracy text of the record at `position` alone: it orders the report.
    std::string_view external_accuracy(std::size_t position) const {
        const RecordRef fields = place_at(position).fields & kReference;
        return fields == 0 ? std::string_view() : store_->external_accuracy(fields);
    }
    std::size_t size() const { return places_.size(); }

    /// Asks for the record at `position` to be read ahead: its handle first, then its texts.
    void prefetch_handle(std::size_t position) const;
    void prefetch_texts(RecordHandle handle) const;

  private:
    /// A head and fields, each reference with one flag in its top bit: a QQ line's head, and
    /// the trimmed distance of fields.
    struct Place {
        std::uint32_t head;
        std::uint32_t fields;
    };
    static constexpr std::uint32_t kFlag = std::uint32_t{1} << 31;
    static constexpr std::uint32_t kReference = kFlag - 1;

    const Place& place_at(std::size_t position) const { return places_[position]; }

    std::unique_ptr<RecordStore> store_;
    /// Cuts the texts of the records that `push_back` appends.
    std::unique_ptr<RecordStore::Writer> writer_;
    ChunkedArray<Place> places_;
};

inline LineRecord RecordTable::record(RecordHandle handle) const {
    const auto head = static_cast<std::uint32_t>(handle >> 32);
    const auto fields = static_cast<std::uint32_t>(handle);
    LineRecord record;
    EntryTexts entry;
    if ((fields & kReference) != 0) {
        entry = store_->entry(fields & kReference);
        record.from_station = entry.from_station;
        record.to_station = entry.to_station;
        record.distance = fields & kFlag ? trimmed(entry.distance, 'B') : entry.distance;
        record.internal_accuracy = entry.internal_accuracy;
        record.external_accuracy = entry.external_accuracy;
    }
    if (head & kFlag) {
        const QqTexts qq_line = store_->qq(head & kReference);
        record.ssn_from = qq_line.ssn_from;
        record.ssn_to = qq_line.ssn_to;
        record.survey_order = qq_line.survey_order;
    } else {
        // Most often the record's own entry gives its fields too.
        if (head != (fields & kReference)) entry = store_->entry(head);
        record.ssn_from = entry.ssn_from;
        record.ssn_to = entry.ssn_to;
    }
    return record;
}

}  // namespace vandlor2
