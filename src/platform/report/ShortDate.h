// Today's date and dates in the system's short date format.
#pragma once

#include <string>

namespace report {

struct CalendarDate {
    int year = 0, month = 0, day = 0;
};

CalendarDate Today();
// Windows: the user's locale; elsewhere dd.mm.yyyy.
std::string ShortDateText(const CalendarDate& date);

}  // namespace report
