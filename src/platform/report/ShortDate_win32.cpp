#include "platform/report/ShortDate.h"

#include <windows.h>

#include "platform/os/WinText.h"

namespace report {

CalendarDate Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

std::string ShortDateText(const CalendarDate& date) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(date.year);
    st.wMonth = static_cast<WORD>(date.month);
    st.wDay = static_cast<WORD>(date.day);
    wchar_t text[80];
    const int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 80);
    if (n <= 0)
        return {};
    return os::Cp1252FromWide(std::wstring(text, static_cast<size_t>(n - 1)));
}

}  // namespace report
