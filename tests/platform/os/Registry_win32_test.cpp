// The Win32 registry store, checked against what the registry itself holds.
#include "platform/os/Registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace {

// A key of its own under HKEY_CURRENT_USER, removed with everything below it at the end.
class RegistryWin32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        key = "Software\\ve1-tests\\" + std::to_string(GetCurrentProcessId()) + "\\" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\ve1-tests\\" + std::to_string(GetCurrentProcessId())).c_str()); }

    // The raw value as the registry holds it: type and UTF-16 text (or a DWORD).
    bool Raw(const std::string& section, const std::wstring& name, DWORD& type, std::wstring& text, DWORD& number)
    {
        HKEY h = nullptr;
        const std::string path = key + "\\" + section;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
            return false;
        wchar_t data[512] = {};
        DWORD size = sizeof data - sizeof(wchar_t);
        const LONG rc = RegQueryValueExW(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(h);
        if (rc != ERROR_SUCCESS)
            return false;
        text = data;
        std::memcpy(&number, data, sizeof number);
        return true;
    }

    std::string key;
};

TEST_F(RegistryWin32, AbsentKeysAndValuesGiveTheDefaultsAndCreateNothing)
{
    os::RegIniFile reg(key);
    EXPECT_EQ(reg.ReadString("VE2Transaktionen", "ImportDir", "dflt"), "dflt");
    EXPECT_EQ(reg.ReadInteger("VE2Transaktionen", "GK-Streifen", 2), 2);
    EXPECT_TRUE(reg.ReadBool("AutoCheckIn", "StoreLoginParams", true));
    EXPECT_FALSE(reg.ValueExists("VE2Transaktionen", "ImportDir"));
    HKEY h = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
}

TEST_F(RegistryWin32, SectionsAreSubkeysAndTextsAreCp1252AsUtf16)
{
    os::RegIniFile(key).WriteString("VE2Transaktionen", "ExportPath", "C:\\Daten\\Gr\xFC" "ne W\xE4lder \x80");
    DWORD type = 0, number = 0;
    std::wstring text;
    ASSERT_TRUE(Raw("VE2Transaktionen", L"ExportPath", type, text, number));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text, L"C:\\Daten\\Gr\u00FCne W\u00E4lder \u20AC");
    EXPECT_EQ(os::RegIniFile(key).ReadString("VE2Transaktionen", "ExportPath", ""),
              "C:\\Daten\\Gr\xFC" "ne W\xE4lder \x80");
}

TEST_F(RegistryWin32, IntegersAndBooleansReadBackAndNamesIgnoreCase)
{
    {
        os::RegIniFile reg(key);
        reg.WriteInteger("VE2Transaktionen", "GK-Streifen", 3);
        reg.WriteInteger("VE2Transaktionen", "Negative", -17);
        reg.WriteBool("AutoCheckIn", "StoreLoginParams", true);
    }
    os::RegIniFile reg(key);
    EXPECT_EQ(reg.ReadInteger("VE2Transaktionen", "GK-Streifen", 2), 3);
    EXPECT_EQ(reg.ReadInteger("ve2transaktionen", "gk-streifen", 2), 3);
    EXPECT_EQ(reg.ReadInteger("VE2Transaktionen", "Negative", 0), -17);
    EXPECT_TRUE(reg.ReadBool("AutoCheckIn", "StoreLoginParams", false));
    EXPECT_EQ(reg.ReadString("VE2Transaktionen", "GK-Streifen", ""), "3");
    EXPECT_EQ(reg.ReadInteger("VE2Transaktionen", "Missing", 9), 9);
}

TEST_F(RegistryWin32, NumbersStoredByOtherProgramsAsDwordAreRead)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\S").c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h,
                              nullptr),
              ERROR_SUCCESS);
    const DWORD four = 4;
    RegSetValueExA(h, "N", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&four), sizeof four);
    RegSetValueExA(h, "T", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 4);
    RegCloseKey(h);
    os::RegIniFile reg(key);
    EXPECT_EQ(reg.ReadInteger("S", "N", 0), 4);
    EXPECT_EQ(reg.ReadString("S", "N", ""), "4");
    EXPECT_EQ(reg.ReadInteger("S", "T", 8), 8);  // text that is no integer
}

TEST_F(RegistryWin32, WritesKeepTheOtherValuesOfTheSection)
{
    os::RegIniFile reg(key);
    reg.WriteString("AutoCheckIn", "UserName", "u");
    reg.WriteString("AutoCheckIn", "Password", "p");
    reg.WriteString("AutoCheckIn", "UserName", "");
    EXPECT_TRUE(reg.ValueExists("AutoCheckIn", "UserName"));
    EXPECT_EQ(reg.ReadString("AutoCheckIn", "UserName", "x"), "");
    EXPECT_EQ(reg.ReadString("AutoCheckIn", "Password", ""), "p");
}

}  // namespace
