#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include "listing/line_record.h"

namespace vandlor2 {

/// Where the store keeps the texts of one QQ line or one length entry; 0 for none. Counted in
/// units of 4 bytes, so 31 bits reach 8 GiB of texts, some 100 million entries.
using RecordRef = std::uint32_t;

/// A QQ line's texts: SSNs and survey order as cut.
struct QqTexts {
    std::string_view ssn_from;
    std::string_view ssn_to;
    std::string_view survey_order;
};

/// A length entry's texts, as its two lines give them.
struct EntryTexts {
    std::string_view ssn_from;
    std::string_view ssn_to;
    std::string_view from_station;
    std::string_view to_station;
    std::string_view distance;
    std::string_view internal_accuracy;
    std::string_view external_accuracy;
};

/// Texts are copied into the store in moves of a fixed size of up to this many bytes from
/// their start, the rest overwritten: whoever adds a text keeps this many bytes readable from
/// wherever the text starts.
inline constexpr std::size_t kCopySlackBytes = 32;

/// The texts of a listing's QQ lines and length entries, cut on any thread and kept until the
/// run ends, each in as few bytes as it takes. They are packed one after another into chunks of
/// a large page that are never moved, and each writer fills chunks of its own.
class RecordStore {
  public:
    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    /// Adds texts to the store from one thread. Each text is at most its column's width, and is
    /// followed by kCopySlackBytes readable bytes.
    class Writer {
      public:
        /// `store` must remain live while this writer is in use.
        explicit Writer(RecordStore& store) : store_(&store) {}

        RecordRef add(const QqTexts& texts);
        RecordRef add(const EntryTexts& texts);

      private:
        char* room(std::size_t bytes);
        RecordRef finish(const char* end);

        RecordStore* store_;
        std::size_t chunk_ = 0;
        char* chunk_start_ = nullptr;
        char* next_ = nullptr;  ///< where the next record goes in the current chunk
        char* end_ = nullptr;   ///< of the current chunk's room
    };

    QqTexts qq(RecordRef ref) const {
        const char* const packed = bytes_of(ref);
        const std::size_t lengths = static_cast<unsigned char>(packed[0]);
        const std::size_t ssn_from = lengths & 7;
        const std::size_t ssn_to = lengths >> 3 & 7;
        const char* const texts = packed + 1;
        return {{texts, ssn_from},
                {texts + ssn_from, ssn_to},
                {texts + ssn_from + ssn_to, lengths >> 6}};
    }

    EntryTexts entry(RecordRef ref) const {
        const char* const packed = bytes_of(ref);
        const std::uint32_t word = word_of(packed);
        const char* next = packed + kLengthsBytes;
        const auto text = [&](unsigned shift, unsigned bits) {
            const std::string_view taken(next, word >> shift & ((1u << bits) - 1));
            next += taken.size();
            return taken;
        };
        EntryTexts texts;
        texts.external_accuracy = text(0, 4);
        texts.internal_accuracy = text(kInternalShift, 4);
        texts.distance = text(kDistanceShift, 4);
        texts.from_station = text(kFromStationShift, 5);
        texts.to_station = text(kToStationShift, 5);
        texts.ssn_from = text(kSsnFromShift, 3);
        texts.ssn_to = text(kSsnToShift, 3);
        return texts;
    }
    /// An entry's external accuracy alone, read first of its texts: it orders the report.
    std::string_view external_accuracy(RecordRef ref) const {
        const char* const packed = bytes_of(ref);
        return {packed + kLengthsBytes, word_of(packed) & 0xF};
    }
    /// The first bytes of a record, for a read ahead.
    const void* address(RecordRef ref) const { return bytes_of(ref); }

    // The bits of an entry's lengths word, each text's length in the bits its width needs, the
    // external accuracy's lowest.
    static constexpr unsigned kInternalShift = 4;
    static constexpr unsigned kDistanceShift = 8;
    static constexpr unsigned kFromStationShift = 12;
    static constexpr unsigned kToStationShift = 17;
    static constexpr unsigned kSsnFromShift = 22;
    static constexpr unsigned kSsnToShift = 25;

  private:
    static constexpr std::size_t kUnitBytes = 4;
    static constexpr std::size_t kLengthsBytes = 4;
    static constexpr std::size_t kUnitsPerChunkBits = 19;  // chunks of 2 MiB
    static constexpr std::size_t kMostChunks = std::size_t{1} << (31 - kUnitsPerChunkBits);

    static std::uint32_t word_of(const char* packed) {
        std::uint32_t word = 0;
        std::memcpy(&word, packed, sizeof word);
        return word;
    }
    const char* bytes_of(RecordRef ref) const {
        return chunks_[ref >> kUnitsPerChunkBits] +
               (ref & ((RecordRef{1} << kUnitsPerChunkBits) - 1)) * kUnitBytes;
    }
    /// A new chunk for a writer, and its number.
    std::size_t new_chunk(char*& bytes);

    std::mutex mutex_;
    /// Reserved for every chunk at once, so that its elements stay put while writers add.
    std::vector<char*> chunks_;
};

}  // namespace vandlor2
