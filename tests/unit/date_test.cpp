#include "support/date.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <utility>

#include "tests/unit/case_name.h"

namespace vandlor2 {
namespace {

std::tm broken_down(int year, int month, int day, int hour, int minute, int second, int weekday) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    time.tm_wday = weekday;
    time.tm_yday = 0;
    time.tm_isdst = 0;
    return time;
}

struct StampCase {
    std::tm time;
    const char* text;
};

class DateTextTest : public testing::TestWithParam<StampCase> {};

TEST_P(DateTextTest, WritesTheDateTimeText) {
    EXPECT_EQ(Date(GetParam().time).toString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Clock, DateTextTest,
                         testing::Values(StampCase{broken_down(2002, 9, 14, 16, 50, 50, 6),
                                                   "Date: Sat Sep 14, 2002  Time: 16:50:50 pm"},
                                         StampCase{broken_down(2002, 9, 9, 8, 5, 3, 1),
                                                   "Date: Mon Sep 9, 2002  Time: 08:05:03 am"},
                                         StampCase{broken_down(2026, 12, 10, 0, 0, 0, 4),
                                                   "Date: Thr Dec 10, 2026  Time: 00:00:00 am"},
                                         StampCase{broken_down(2026, 1, 4, 12, 0, 7, 0),
                                                   "Date: Sun Jan 4, 2026  Time: 12:00:07 pm"},
                                         StampCase{broken_down(2050, 12, 31, 23, 59, 60, 6),
                                                   "Date: Sat Dec 31, 2050  Time: 23:59:60 pm"},
                                         StampCase{broken_down(1900, 2, 31, 11, 59, 59, 2),
                                                   "Date: Tue Feb 31, 1900  Time: 11:59:59 am"}),
                         [](const testing::TestParamInfo<StampCase>& info) {
                             return case_name(info.index, info.param.text + 6);  // after "Date: "
                         });

TEST(Date, TakesFullYearsAndYearsSince1900Alike) {
    Date date(broken_down(2002, 9, 14, 16, 50, 50, 6));
    for (const auto& [since_1900, full] : {std::pair{102, 2002}, {0, 1900}, {150, 2050}}) {
        date.setYear(since_1900);
        const std::string short_year = date.toString();
        date.setYear(full);
        EXPECT_EQ(date.toString(), short_year);
        EXPECT_NE(short_year.find(", " + std::to_string(full) + " "), std::string::npos);
    }
}

TEST(Date, StoresOnlyTheSignOfTheDaylightSavingFlag) {
    // The flag does not show in the text; setting any value must not end the run.
    Date date(broken_down(2002, 9, 14, 16, 50, 50, 6));
    for (int flag : {5, -3, 0, INT32_MIN, INT32_MAX}) date.setDaylightSaving(flag);
    EXPECT_EQ(date.toString(), "Date: Sat Sep 14, 2002  Time: 16:50:50 pm");
}

TEST(Date, NamesDaysAndMonths) {
    Date date(broken_down(2002, 1, 1, 0, 0, 0, 0));
    const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thr", "Fri", "Sat"};
    for (int day = 0; day < 7; ++day) {
        date.setDayOfWeek(day);
        EXPECT_EQ(date.dayName(), days[day]);
    }
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int month = 0; month < 12; ++month) {
        date.setMonth(month);
        EXPECT_EQ(date.monthName(), months[month]);
    }
}

TEST(Date, StreamOutputIgnoresTheStreamSettings) {
    const Date date(broken_down(2002, 9, 9, 8, 5, 3, 1));
    std::ostringstream fresh;
    fresh << date;
    std::ostringstream changed;
    changed << std::setfill('*') << std::scientific << std::setprecision(3) << std::left;
    changed << date;
    EXPECT_EQ(changed.str(), fresh.str());
    EXPECT_EQ(fresh.str(), date.toString());
}

TEST(Date, AcceptsTheLastSecondAndTheLastDayOfALeapYear) {
    Date date(broken_down(2002, 9, 9, 8, 5, 3, 1));
    date.setSeconds(61.0);
    date.setDayOfYear(365);  // not in the text
    EXPECT_EQ(date.toString(), "Date: Mon Sep 9, 2002  Time: 08:05:61 am");
}

struct BadValueCase {
    void (*set)(Date&);
    const char* message;
};

class DateRangeDeathTest : public testing::TestWithParam<BadValueCase> {};

TEST_P(DateRangeDeathTest, EndsTheRunWithTheThreeLineMessage) {
    Date date(broken_down(2002, 9, 9, 8, 5, 3, 1));
    EXPECT_EXIT(GetParam().set(date), testing::ExitedWithCode(1),
                std::string("^Error: Bad data value found for variable ") + GetParam().message +
                    "\n       Fix and run again\n$");
}

INSTANTIATE_TEST_SUITE_P(
    Setters, DateRangeDeathTest,
    testing::Values(
        BadValueCase{[](Date& d) { d.setYear(2051); }, "Date.year\n       Value = 2051"},
        BadValueCase{[](Date& d) { d.setYear(151); }, "Date.year\n       Value = 2051"},
        BadValueCase{[](Date& d) { d.setYear(-1); }, "Date.year\n       Value = 1899"},
        BadValueCase{[](Date& d) { d.setYear(1899); }, "Date.year\n       Value = 3799"},
        BadValueCase{[](Date& d) { d.setSeconds(61.5); }, "Date.seconds\n       Value = 61.5"},
        BadValueCase{[](Date& d) { d.setSeconds(-0.5); }, "Date.seconds\n       Value = -0.5"},
        BadValueCase{[](Date& d) { d.setSeconds(std::numeric_limits<double>::quiet_NaN()); },
                     "Date.seconds\n       Value = nan"},
        BadValueCase{[](Date& d) { d.setMonth(12); }, "Date.month\n       Value = 12"},
        BadValueCase{[](Date& d) { d.setDayOfMonth(0); }, "Date.day-of-month\n       Value = 0"},
        BadValueCase{[](Date& d) { d.setDayOfMonth(32); }, "Date.day-of-month\n       Value = 32"},
        BadValueCase{[](Date& d) { d.setDayOfWeek(7); }, "Date.day-of-week\n       Value = 7"},
        BadValueCase{[](Date& d) { d.setDayOfYear(366); }, "Date.day-of-year\n       Value = 366"},
        BadValueCase{[](Date& d) { d.setMinutes(60); }, "Date.minutes\n       Value = 60"},
        BadValueCase{[](Date& d) { d.setHour(24); }, "Date.hour\n       Value = 24"},
        BadValueCase{[](Date& d) { d.setHour(-5); }, "Date.hour\n       Value = -5"},
        BadValueCase{[](Date& d) { d.setMinutes(-1); }, "Date.minutes\n       Value = -1"},
        BadValueCase{[](Date& d) { d.setMonth(-1); }, "Date.month\n       Value = -1"},
        BadValueCase{[](Date& d) { d.setDayOfWeek(-1); }, "Date.day-of-week\n       Value = -1"},
        BadValueCase{[](Date& d) { d.setDayOfYear(-1); }, "Date.day-of-year\n       Value = -1"},
        BadValueCase{[](Date&) {
                         std::tm time = broken_down(2002, 9, 9, 8, 5, 3, 1);
                         time.tm_yday = 366;  // the clock's fields are all checked
                         Date{time};
                     },
                     "Date.day-of-year\n       Value = 366"}),
    [](const testing::TestParamInfo<BadValueCase>& info) {
        // "Date.year\n       Value = 2051" gives "year_2051".
        std::string label = info.param.message;
        label.erase(0, label.find('.') + 1);
        label.erase(label.find('\n'), label.find('=') + 1 - label.find('\n'));
        return case_name(info.index, label);
    });

TEST(DateDeathTest, AClockFrom2051EndsTheRunAtTheFullYear) {
    // 3800 is 1900 years after 1900, and from 3951 the years since 1900 are past 2050 too.
    for (const int year : {2051, 3800, 3950, 3951, 1899}) {
        EXPECT_EXIT(Date(broken_down(year, 1, 1, 0, 0, 0, 0)), testing::ExitedWithCode(1),
                    "^Error: Bad data value found for variable Date.year\n       Value = " +
                        std::to_string(year) + "\n       Fix and run again\n$");
    }
    std::tm far{};
    far.tm_mday = 1;
    far.tm_year = INT32_MAX;  // the full year is past what 32 bits hold
    EXPECT_EXIT(Date{far}, testing::ExitedWithCode(1), "Value = 2147485547\n");
}

TEST(DateDeathTest, TheFirstBadFieldIsTheOneReported) {
    std::tm time = broken_down(2051, 1, 1, 25, 0, 0, 0);
    EXPECT_EXIT(Date{time}, testing::ExitedWithCode(1), "variable Date.hour\n       Value = 25\n");
}

}  // namespace
}  // namespace vandlor2

namespace vandlor2 {
namespace {

TEST(Date, DefaultsToTheLocalTimeNow) {
    const std::string now = Date().toString();
    const std::tm clock = *local_time_now();
    EXPECT_EQ(now.substr(0, 6), "Date: ");
    EXPECT_NE(now.find(", " + std::to_string(clock.tm_year + 1900) + "  Time: "), std::string::npos)
        << now;
}

// The test date.last_second_of_1969 runs this under faketime, where time() gives -1 and
// succeeds: a run may reach the clock with errno still set by an earlier failed call.
TEST(LocalTime, TheLastSecondOf1969IsATimeEvenAfterAFailedCall) {
    if (std::getenv("VANDLOR2_CLOCK_AT_1969_END") == nullptr) GTEST_SKIP() << "needs faketime";
    ASSERT_EQ(std::time(nullptr), static_cast<std::time_t>(-1));
    errno = ENOENT;
    const std::optional<std::tm> now = local_time_now();
    ASSERT_TRUE(now);
    EXPECT_EQ(Date(*now).toString(), "Date: Wed Dec 31, 1969  Time: 23:59:59 pm");
}

}  // namespace
}  // namespace vandlor2
