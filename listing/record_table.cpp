#include "listing/record_table.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "support/bulk_memory.h"

namespace vandlor2 {
namespace {

/// A packed record: a 32-bit word of the fields' lengths, then the fields' bytes one after
/// another, the external accuracy first, so that it is read without the others.
constexpr std::size_t kLengthsBytes = sizeof(std::uint32_t);
/// More than a packed record can span, even as each field is copied at its full width (the
/// next field's bytes overwrite the surplus): the lengths' word and every field's bytes.
constexpr std::size_t kLongestPackedBytes = kLengthsBytes + sizeof(LineRecord);

/// Calls `visit` with each field of `record`, in their packed order.
template <typename Record, typename Visit>
void for_each_field(Record& record, Visit&& visit) {
    visit(record.external_accuracy);
    visit(record.ssn_from);
    visit(record.ssn_to);
    visit(record.from_station);
    visit(record.to_station);
    visit(record.distance);
    visit(record.internal_accuracy);
    visit(record.survey_order);
}

/// Bits that hold the length of a field of `width` bytes.
constexpr unsigned length_bits(std::size_t width) {
    unsigned bits = 0;
    for (; width != 0; width >>= 1) ++bits;
    return bits;
}

static_assert(length_bits(kExternalAccuracyWidth) == 4, "the external accuracy's length: 4 bits");
static_assert(length_bits(kExternalAccuracyWidth) + 2 * length_bits(kSsnWidth) +
                      2 * length_bits(kStationNameWidth) + length_bits(kDistanceWidth) +
                      length_bits(kInternalAccuracyWidth) + length_bits(kSurveyOrderWidth) <=
                  32,
              "the lengths must fit in one word");

std::uint32_t lengths_of(const char* packed) {
    std::uint32_t lengths = 0;
    std::memcpy(&lengths, packed, sizeof lengths);
    return lengths;
}

/// Asks for the cache lines of a packed record to be read ahead, where the compiler can.
void fetch_soon(const char* packed) {
#if defined(__GNUC__)
    __builtin_prefetch(packed);
    __builtin_prefetch(packed + kLongestPackedBytes - 1);
#else
    static_cast<void>(packed);
#endif
}
template <typename T>
void fetch_soon(const T* value) {
#if defined(__GNUC__)
    __builtin_prefetch(value);
#else
    static_cast<void>(value);
#endif
}

}  // namespace

RecordTable::RecordTable(std::initializer_list<LineRecord> records) {
    for (const LineRecord& record : records) push_back(record);
}

void RecordTable::FreeChunk::operator()(void* chunk) const {
    if (first) {
        ::operator delete(chunk);
    } else {
        free_bulk(chunk, bytes);
    }
}

template <typename T>
void RecordTable::add_chunk(std::vector<Chunk<T>>& chunks) {
    // Left unwritten until filled, so each page is written once. The first chunk is in small
    // pages, which a small listing fills only a few of.
    const bool first = chunks.empty();
    chunks.reserve(chunks.size() + 1);
    void* const memory = first ? ::operator new(kChunkBytes) : allocate_bulk(kChunkBytes);
    chunks.emplace_back(static_cast<T*>(memory), FreeChunk{first, kChunkBytes});
}

RecordTable::Reference RecordTable::pack(const LineRecord& record) {
    if (kChunkBytes - packed_used_ < kLongestPackedBytes) {
        // Each 8-byte unit of the chunks has a 32-bit reference.
        if (packed_.size() >= (std::size_t{1} << 32) / (kChunkBytes / kUnitBytes)) {
            throw std::bad_alloc();
        }
        add_chunk(packed_);
        packed_used_ = 0;
    }
    char* const start = packed_.back().get() + packed_used_;
    char* next = start + kLengthsBytes;
    std::uint32_t lengths = 0;
    unsigned shift = 0;
    for_each_field(record, [&](const auto& field) {
        std::memcpy(next, field.wide_data(), field.kWidth);
        const std::size_t length = field.view().size();
        next += length;
        lengths |= static_cast<std::uint32_t>(length) << shift;
        shift += length_bits(field.kWidth);
    });
    std::memcpy(start, &lengths, sizeof lengths);
    const std::size_t unit = ((packed_.size() - 1) * kChunkBytes + packed_used_) / kUnitBytes;
    const auto used = static_cast<std::size_t>(next - start);
    packed_used_ += (used + kUnitBytes - 1) / kUnitBytes * kUnitBytes;
    return static_cast<Reference>(unit);
}

void RecordTable::push_back(const LineRecord& record) {
    const Reference reference = pack(record);
    if (size_ % kReferencesPerChunk == 0) add_chunk(references_);
    ++size_;
    reference_at(size_ - 1) = reference;
}

void RecordTable::replace(std::size_t position, const LineRecord& record) {
    reference_at(position) = pack(record);
}

void RecordTable::unpack(const char* packed, LineRecord& record) {
    const std::uint32_t lengths = lengths_of(packed);
    const char* next = packed + kLengthsBytes;
    unsigned shift = 0;
    for_each_field(record, [&](auto& field) {
        const unsigned bits = length_bits(field.kWidth);
        const std::size_t length = lengths >> shift & ((1u << bits) - 1);
        field.assign_from_wide(next, length);
        next += length;
        shift += bits;
    });
}

LineRecord RecordTable::operator[](std::size_t position) const {
    LineRecord record;
    unpack(bytes_at(position), record);
    return record;
}

void RecordTable::gather(const std::size_t* positions, std::size_t count,
                         LineRecord* records) const {
    // A pipeline: as each record is unpacked, the record kAhead places on is asked for, and
    // the reference to the one 2 * kAhead places on, so that the reads overlap the work.
    constexpr std::size_t kAhead = 16;
    const char* packed[kAhead];  // record i's at i % kAhead
    for (std::size_t i = 0; i < std::min(kAhead, count); ++i) {
        packed[i] = bytes_at(positions[i]);
        fetch_soon(packed[i]);
        if (i + kAhead < count) fetch_soon(&reference_at(positions[i + kAhead]));
    }
    for (std::size_t i = 0; i < count; ++i) {
        const char* const now = packed[i % kAhead];
        if (i + 2 * kAhead < count) fetch_soon(&reference_at(positions[i + 2 * kAhead]));
        if (i + kAhead < count) {
            packed[i % kAhead] = bytes_at(positions[i + kAhead]);
            fetch_soon(packed[i % kAhead]);
        }
        unpack(now, records[i]);
    }
}

}  // namespace vandlor2
