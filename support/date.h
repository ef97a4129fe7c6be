#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>

namespace vandlor2 {

/// An object that can give its own text.
class Record {
  public:
    virtual ~Record() = default;
    virtual std::string toString() const = 0;
};

/// A calendar date and time of day whose fields are checked against their ranges when set;
/// a value out of range raises DataOutOfRangeException, which ends the run.
class Date : public Record {
  public:
    /// The current local date and time. Throws std::runtime_error when the platform gives none.
    Date();
    /// The date and time of a broken-down C time, set through the checked setters.
    explicit Date(const std::tm& broken_down);
    ~Date() override = default;

    /// "Date: Sat Sep 14, 2002  Time: 16:50:50 pm": 24-hour clock, am before noon.
    std::string toString() const override;

    void setSeconds(double seconds);
    void setMinutes(std::int32_t minutes);
    void setHour(std::int32_t hour);
    void setDayOfMonth(std::int32_t day_of_month);
    /// Months since January.
    void setMonth(std::int32_t month);
    /// Years since 1900, or a full year from 1900 on; 1900 to 2050.
    void setYear(std::int32_t year);
    /// A full year, 1900 to 2050; one out of range is reported as it is.
    void setFullYear(std::int64_t year);
    /// Days since Sunday.
    void setDayOfWeek(std::int32_t day_of_week);
    /// Days since 1 January.
    void setDayOfYear(std::int32_t day_of_year);
    /// Stores the sign only: 1, 0 or -1.
    void setDaylightSaving(std::int32_t flag);

    std::string monthName() const;
    /// Thursday is "Thr".
    std::string dayName() const;

  private:
    std::int32_t minutes_ = 0;
    std::int32_t hour_ = 0;
    std::int32_t day_of_month_ = 1;
    std::int32_t month_ = 0;
    std::int32_t year_ = 0;
    std::int32_t day_of_week_ = 0;
    std::int32_t day_of_year_ = 0;
    std::int32_t daylight_saving_ = -1;
    double seconds_ = 0.0;
};

/// The current local time as the C library breaks it down, or nothing when the platform
/// cannot give it.
std::optional<std::tm> local_time_now();

/// Writes the date-time text as one string; the stream's settings are left alone.
std::ostream& operator<<(std::ostream& out, const Date& date);

}  // namespace vandlor2
