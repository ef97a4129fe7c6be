#include "listing/record_store.h"

#include <new>

#include "support/bulk_memory.h"

namespace vandlor2 {
namespace {

constexpr std::size_t kChunkBytes = kLargePageBytes;
/// The first chunks are in small pages, of which a small listing fills only a few: a large
/// page costs its whole 2 MiB on the first touch. One for each writer a run has.
constexpr std::size_t kSmallPageChunks = 4;
/// More than any record takes, even as each text is moved in whole with the bytes after it.
constexpr std::size_t kRoomBytes = 160;

/// Copies the `size` bytes of `from` in one move of `Moved` bytes, whose surplus the next
/// text overwrites, and gives where the next text goes.
template <std::size_t Moved>
char* put(char* to, std::string_view from, std::size_t width) {
    static_assert(Moved <= kCopySlackBytes);
    const std::size_t size = from.size() < width ? from.size() : width;
    std::memcpy(to, from.data(), Moved);
    return to + size;
}

std::uint32_t length(const char* begin, const char* end) {
    return static_cast<std::uint32_t>(end - begin);
}

}  // namespace

RecordStore::RecordStore() {
    chunks_.reserve(kMostChunks);
}

RecordStore::~RecordStore() {
    for (std::size_t chunk = 0; chunk < chunks_.size(); ++chunk) {
        if (chunk < kSmallPageChunks) {
            ::operator delete(chunks_[chunk]);
        } else {
            free_bulk(chunks_[chunk], kChunkBytes);
        }
    }
}

std::size_t RecordStore::new_chunk(char*& bytes) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t chunk = chunks_.size();
    if (chunk == kMostChunks) throw std::bad_alloc();  // beyond what a reference reaches
    // Left unwritten until filled, so that each page is written once.
    bytes = static_cast<char*>(chunk < kSmallPageChunks ? ::operator new(kChunkBytes)
                                                        : allocate_bulk(kChunkBytes));
    chunks_.push_back(bytes);
    return chunk;
}

char* RecordStore::Writer::room(std::size_t bytes) {
    if (static_cast<std::size_t>(end_ - next_) < bytes) {
        char* bytes_of_chunk = nullptr;
        chunk_ = store_->new_chunk(bytes_of_chunk);
        chunk_start_ = bytes_of_chunk;
        // Reference 0 means none, so nothing starts at the very first byte.
        next_ = bytes_of_chunk + (chunk_ == 0 ? kUnitBytes : 0);
        end_ = bytes_of_chunk + kChunkBytes;
    }
    return next_;
}

RecordRef RecordStore::Writer::finish(const char* end) {
    const auto unit = static_cast<RecordRef>((next_ - chunk_start_) / kUnitBytes);
    const auto used = static_cast<std::size_t>(end - next_);
    next_ += (used + kUnitBytes - 1) / kUnitBytes * kUnitBytes;
    return static_cast<RecordRef>(chunk_ << kUnitsPerChunkBits) | unit;
}

RecordRef RecordStore::Writer::add(const QqTexts& texts) {
    char* const start = room(kRoomBytes);
    char* const ssn_from = start + 1;
    char* const ssn_to = put<8>(ssn_from, texts.ssn_from, kSsnWidth);
    char* const survey_order = put<8>(ssn_to, texts.ssn_to, kSsnWidth);
    char* const end = put<1>(survey_order, texts.survey_order, kSurveyOrderWidth);
    start[0] = static_cast<char>(length(ssn_from, ssn_to) | length(ssn_to, survey_order) << 3 |
                                 length(survey_order, end) << 6);
    return finish(end);
}

RecordRef RecordStore::Writer::add(const EntryTexts& texts) {
    char* const start = room(kRoomBytes);
    char* const external = start + kLengthsBytes;
    char* const internal = put<16>(external, texts.external_accuracy, kExternalAccuracyWidth);
    char* const distance = put<8>(internal, texts.internal_accuracy, kInternalAccuracyWidth);
    char* const from_station = put<16>(distance, texts.distance, kDistanceWidth);
    char* const to_station = put<32>(from_station, texts.from_station, kStationNameWidth);
    char* const ssn_from = put<32>(to_station, texts.to_station, kStationNameWidth);
    char* const ssn_to = put<8>(ssn_from, texts.ssn_from, kSsnWidth);
    char* const end = put<8>(ssn_to, texts.ssn_to, kSsnWidth);
    const std::uint32_t word =
        length(external, internal) | length(internal, distance) << kInternalShift |
        length(distance, from_station) << kDistanceShift |
        length(from_station, to_station) << kFromStationShift |
        length(to_station, ssn_from) << kToStationShift |
        length(ssn_from, ssn_to) << kSsnFromShift | length(ssn_to, end) << kSsnToShift;
    std::memcpy(start, &word, sizeof word);
    return finish(end);
}

}  // namespace vandlor2
