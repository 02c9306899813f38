#include "platform/report/ShortDate.h"

#include <gtest/gtest.h>

#include <ctime>

TEST(ReportShortDate, DayMonthAndFourDigitYearWithLeadingZeros) {
    EXPECT_EQ(report::ShortDateText({2026, 3, 7}), "07.03.2026");
    EXPECT_EQ(report::ShortDateText({1999, 12, 31}), "31.12.1999");
}

TEST(ReportShortDate, TodayIsTheLocalDate) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const report::CalendarDate today = report::Today();
    // Around midnight the two readings may fall on different days.
    if (today.day == local.tm_mday) {
        EXPECT_EQ(today.year, local.tm_year + 1900);
        EXPECT_EQ(today.month, local.tm_mon + 1);
    }
}
