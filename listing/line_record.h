#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vandlor2 {

/// A text cut from one fixed column of the listing, so never wider than the column. Kept
/// inline rather than as a heap string: a large listing holds millions of records.
template <std::size_t Width>
class ColumnText {
  public:
    static constexpr std::size_t kWidth = Width;

    ColumnText() = default;
    /// Keeps at most the first `Width` bytes of `text`.
    explicit ColumnText(std::string_view text) { assign(text); }

    void assign(std::string_view text) {
        size_ = static_cast<std::uint8_t>(text.size() < Width ? text.size() : Width);
        copy_short(bytes_.data(), text.data(), size_);
    }
    std::string_view view() const { return {bytes_.data(), size_}; }

    /// Takes the text of `size` bytes at `bytes`, from where `Width` bytes may be read: a copy
    /// of fixed length costs far less than one of any length, and tables copy millions.
    void assign_from_wide(const char* bytes, std::size_t size) {
        std::memcpy(bytes_.data(), bytes, Width);
        size_ = static_cast<std::uint8_t>(size < Width ? size : Width);
    }
    /// The text's bytes followed by blanks or unset bytes up to `Width`.
    const char* wide_data() const { return bytes_.data(); }

  private:
    static_assert(Width <= 32, "copied in at most two moves of 16 bytes");

    /// Copies `size` bytes, at most 32, in two moves of fixed size that may overlap: a text
    /// this short takes less time to copy than a call to the C library's memcpy.
    static void copy_short(char* to, const char* from, std::size_t size) {
        if (size >= 16) {
            std::memcpy(to, from, 16);
            std::memcpy(to + size - 16, from + size - 16, 16);
        } else if (size >= 8) {
            std::memcpy(to, from, 8);
            std::memcpy(to + size - 8, from + size - 8, 8);
        } else if (size >= 4) {
            std::memcpy(to, from, 4);
            std::memcpy(to + size - 4, from + size - 4, 4);
        } else if (size > 0) {
            to[0] = from[0];
            to[size / 2] = from[size / 2];
            to[size - 1] = from[size - 1];
        }
    }

    std::array<char, Width> bytes_{};
    std::uint8_t size_ = 0;
};

/// Widths of the listing columns that the record fields are cut from.
inline constexpr std::size_t kSsnWidth = 5;
inline constexpr std::size_t kStationNameWidth = 30;
inline constexpr std::size_t kDistanceWidth = 9;
inline constexpr std::size_t kInternalAccuracyWidth = 8;
inline constexpr std::size_t kExternalAccuracyWidth = 12;
inline constexpr std::size_t kSurveyOrderWidth = 1;

/// What is known about one measured line between two stations, as texts from the listing.
struct LineRecord {
    ColumnText<kSsnWidth> ssn_from;
    ColumnText<kSsnWidth> ssn_to;
    ColumnText<kStationNameWidth> from_station;
    ColumnText<kStationNameWidth> to_station;
    ColumnText<kDistanceWidth> distance;
    ColumnText<kInternalAccuracyWidth> internal_accuracy;
    ColumnText<kExternalAccuracyWidth> external_accuracy;  ///< the sort key
    ColumnText<kSurveyOrderWidth> survey_order;
};

}  // namespace vandlor2
