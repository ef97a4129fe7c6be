#include "support/date.h"

#include <cerrno>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "support/data_out_of_range_exception.h"

namespace vandlor2 {
namespace {

constexpr std::int32_t kYearBase = 1900;
constexpr std::int32_t kLastYearSinceBase = 150;  // 2050

bool in_range(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

}  // namespace

std::optional<std::tm> local_time_now() {
    // -1 is also the last second of 1969: only errno tells a failed read from it.
    errno = 0;
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
    // localtime's result is shared C library state: copy it at once.
    const std::tm* broken_down = std::localtime(&now);
    if (broken_down == nullptr) return std::nullopt;
    return *broken_down;
}

Date::Date() {
    const std::optional<std::tm> now = local_time_now();
    if (!now) throw std::runtime_error("no local time");
    *this = Date(*now);
}

Date::Date(const std::tm& broken_down) {
    setSeconds(static_cast<double>(broken_down.tm_sec));
    setMinutes(broken_down.tm_min);
    setHour(broken_down.tm_hour);
    setDayOfMonth(broken_down.tm_mday);
    setMonth(broken_down.tm_mon);
    // tm_year counts from 1900 whatever its value: 1900 there is the year 3800.
    setFullYear(std::int64_t{broken_down.tm_year} + kYearBase);
    setDayOfWeek(broken_down.tm_wday);
    setDayOfYear(broken_down.tm_yday);
    setDaylightSaving(broken_down.tm_isdst);
}

void Date::setSeconds(double seconds) {
    // Written so that a NaN fails the test too.
    if (!(seconds >= 0.0 && seconds <= 61.0))
        throw DataOutOfRangeException("Date.seconds", seconds);
    seconds_ = seconds;
}

void Date::setMinutes(std::int32_t minutes) {
    if (!in_range(minutes, 0, 59)) throw DataOutOfRangeException("Date.minutes", minutes);
    minutes_ = minutes;
}

void Date::setHour(std::int32_t hour) {
    if (!in_range(hour, 0, 23)) throw DataOutOfRangeException("Date.hour", hour);
    hour_ = hour;
}

void Date::setDayOfMonth(std::int32_t day_of_month) {
    if (!in_range(day_of_month, 1, 31)) {
        throw DataOutOfRangeException("Date.day-of-month", day_of_month);
    }
    day_of_month_ = day_of_month;
}

void Date::setMonth(std::int32_t month) {
    if (!in_range(month, 0, 11)) throw DataOutOfRangeException("Date.month", month);
    month_ = month;
}

void Date::setYear(std::int32_t year) {
    // 64-bit arithmetic: the full year reported for INT32_MIN must not overflow.
    setFullYear(year >= kYearBase ? std::int64_t{year} : std::int64_t{year} + kYearBase);
}

void Date::setFullYear(std::int64_t year) {
    if (year < kYearBase || year > kYearBase + kLastYearSinceBase) {
        throw DataOutOfRangeException("Date.year", year);
    }
    year_ = static_cast<std::int32_t>(year - kYearBase);
}

void Date::setDayOfWeek(std::int32_t day_of_week) {
    if (!in_range(day_of_week, 0, 6))
        throw DataOutOfRangeException("Date.day-of-week", day_of_week);
    day_of_week_ = day_of_week;
}

void Date::setDayOfYear(std::int32_t day_of_year) {
    if (!in_range(day_of_year, 0, 365)) {
        throw DataOutOfRangeException("Date.day-of-year", day_of_year);
    }
    day_of_year_ = day_of_year;
}

void Date::setDaylightSaving(std::int32_t flag) {
    daylight_saving_ = flag > 0 ? 1 : (flag < 0 ? -1 : 0);
}

std::string Date::monthName() const {
    static constexpr const char* kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return in_range(month_, 0, 11) ? kNames[month_] : "Er!";
}

std::string Date::dayName() const {
    static constexpr const char* kNames[] = {"Sun", "Mon", "Tue", "Wed",
                                             "Thr", "Fri", "Sat", "Sun"};
    return in_range(day_of_week_, 0, 7) ? kNames[day_of_week_] : "Er!";
}

std::string Date::toString() const {
    std::ostringstream text;
    text.exceptions(std::ios::badbit);  // so that running out of memory is not taken quietly
    text << "Date: " << dayName() << ' ' << monthName() << ' ' << day_of_month_ << ", "
         << (year_ + kYearBase) << "  Time: " << std::setfill('0') << std::setw(2) << hour_ << ':'
         << std::setw(2) << minutes_ << ':' << std::fixed << std::setprecision(0) << std::setw(2)
         << seconds_ << ' ' << (hour_ < 12 ? "am" : "pm");
    return text.str();
}

std::ostream& operator<<(std::ostream& out, const Date& date) {
    return out << date.toString();
}

}  // namespace vandlor2
