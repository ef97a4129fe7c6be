#include "listing/record_table.h"

#include <algorithm>
#include <array>
#include <new>

#include "support/bulk_memory.h"
#include "support/prefetch.h"
#include "support/trim.h"

namespace vandlor2 {

RecordTable::RecordTable() : store_(std::make_unique<RecordStore>()) {}

RecordTable::RecordTable(std::initializer_list<LineRecord> records) : RecordTable() {
    for (const LineRecord& record : records) push_back(record);
}

RecordTable::~RecordTable() = default;
RecordTable::RecordTable(RecordTable&& other) noexcept = default;
RecordTable& RecordTable::operator=(RecordTable&& other) noexcept = default;

void RecordTable::append(RecordHead head, RecordFields fields) {
    places_.push_back({head.texts | (head.is_qq_line ? kFlag : 0), 0});
    fill(places_.size() - 1, fields);
}

void RecordTable::fill(std::size_t position, RecordFields fields) {
    places_[position].fields = fields.entry | (fields.distance_trimmed ? kFlag : 0);
}

void RecordTable::push_back(const LineRecord& record) {
    // The store moves texts with the bytes after them: copy them where those can be read.
    std::array<char, 8 * kStationNameWidth + kCopySlackBytes> bytes{};
    char* next = bytes.data();
    const auto keep = [&](std::string_view text, std::size_t width) {
        const std::string_view kept(next, std::min(text.size(), width));
        next = std::copy_n(text.data(), kept.size(), next);
        return kept;
    };
    QqTexts head;
    head.ssn_from = keep(record.ssn_from, kSsnWidth);
    head.ssn_to = keep(record.ssn_to, kSsnWidth);
    head.survey_order = keep(record.survey_order, kSurveyOrderWidth);
    EntryTexts fields;
    fields.from_station = keep(record.from_station, kStationNameWidth);
    fields.to_station = keep(record.to_station, kStationNameWidth);
    fields.distance = keep(record.distance, kDistanceWidth);
    fields.internal_accuracy = keep(record.internal_accuracy, kInternalAccuracyWidth);
    fields.external_accuracy = keep(record.external_accuracy, kExternalAccuracyWidth);
    fields.ssn_from = fields.ssn_to = std::string_view(next, 0);
    if (!writer_) writer_ = std::make_unique<RecordStore::Writer>(*store_);
    append({writer_->add(head), true}, {writer_->add(fields), false});
}

void RecordTable::prefetch_handle(std::size_t position) const {
    prefetch(&place_at(position));
}

void RecordTable::prefetch_texts(RecordHandle handle) const {
    const auto head = static_cast<std::uint32_t>(handle >> 32) & kReference;
    const auto fields = static_cast<std::uint32_t>(handle) & kReference;
    if (fields != 0) {
        const auto* const texts = static_cast<const char*>(store_->address(fields));
        prefetch(texts);
        prefetch(texts + 63);
    }
    if (head != fields) prefetch(store_->address(head));
}

}  // namespace vandlor2
