// The strip dialog's choice in the real registry of the current user.
#include <gtest/gtest.h>
#include <windows.h>

#include "host/Project.h"
#include "store/TransActTools.h"
#include "support/Session.h"

namespace {

// Left in place on purpose: the Win32 test run reads it back with Wine's own registry tool.
TEST(StripRegistry, ChosenStripLandsInTheCurrentUsersRegistry) {
    testsupport::Session s;
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\kalvero\\feldix\\3.2\\VESTRA2\\VE2Transaktionen", L"GK-Streifen");
    sim::TheProject().cursor.reset();
    s.answers = {"select RadioGroup1 1", "click BitBtn1"};
    EXPECT_EQ(GetGKStreifen(), 3);

    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\kalvero\\feldix\\3.2\\VESTRA2\\VE2Transaktionen", 0,
                            KEY_QUERY_VALUE, &h),
              ERROR_SUCCESS);
    wchar_t data[32] = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    const LONG rc = RegQueryValueExW(h, L"GK-Streifen", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(h);
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, L"3");
}

}  // namespace
