#pragma once

#include <cstddef>
#include <string_view>

namespace vandlor2 {

/// Widths of the listing columns that the record fields are cut from.
inline constexpr std::size_t kSsnWidth = 5;
inline constexpr std::size_t kStationNameWidth = 30;
inline constexpr std::size_t kDistanceWidth = 9;
inline constexpr std::size_t kInternalAccuracyWidth = 8;
inline constexpr std::size_t kExternalAccuracyWidth = 12;
inline constexpr std::size_t kSurveyOrderWidth = 1;

/// What is known about one measured line between two stations: eight texts from the listing.
/// A view of texts kept elsewhere (by the record table, or by whoever made the record), so it
/// must not outlive them.
struct LineRecord {
    std::string_view ssn_from;
    std::string_view ssn_to;
    std::string_view from_station;
    std::string_view to_station;
    std::string_view distance;
    std::string_view internal_accuracy;
    std::string_view external_accuracy;  ///< the sort key
    std::string_view survey_order;
};

}  // namespace vandlor2
