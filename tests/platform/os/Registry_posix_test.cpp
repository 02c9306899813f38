#include "platform/os/Registry.h"

#include "platform/os/OsError.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

using testsupport::TempDir;

const char* const kKey = "Software\\kalvero\\feldix\\3.2\\VESTRA2";
const char* const kSection = "VE2Transaktionen";

// Each test gets a hive file of its own.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("VE1_REGISTRY_FILE"))
            saved_ = old;
        SetHive((dir / "hive.ini").string());
    }
    void TearDown() override
    {
        if (saved_)
            setenv("VE1_REGISTRY_FILE", saved_->c_str(), 1);
        else
            unsetenv("VE1_REGISTRY_FILE");
    }
    static void SetHive(const std::string& file) { setenv("VE1_REGISTRY_FILE", file.c_str(), 1); }

    TempDir dir;
private:
    std::optional<std::string> saved_;
};

TEST_F(RegistryTest, AbsentValuesGiveTheDefaults)
{
    const os::RegIniFile reg(kKey);
    EXPECT_EQ(reg.ReadString(kSection, "ImportDir", ""), "");
    EXPECT_EQ(reg.ReadString(kSection, "ImportDir", "d"), "d");
    EXPECT_EQ(reg.ReadInteger(kSection, "GK-Streifen", 2), 2);
    EXPECT_FALSE(reg.ReadBool("AutoCheckIn", "StoreLoginParams", false));
    EXPECT_TRUE(reg.ReadBool("AutoCheckIn", "StoreLoginParams", true));
    EXPECT_FALSE(reg.ValueExists(kSection, "ImportDir"));
    EXPECT_FALSE(std::filesystem::exists(dir / "hive.ini"));
}

TEST_F(RegistryTest, ValuesReadBackAsWrittenByTheNextObject)
{
    const std::vector<std::string> texts = {
        "C:\\Daten\\Import\\", "Gelöschte Objekte", "  blanks at both ends  ", "", "\"quoted\"",
        "two\r\nlines", "<<<TAG", "back\\slash\"quote", "a=b;c#d", "\t"};
    {
        os::RegIniFile reg(kKey);
        for (size_t i = 0; i < texts.size(); ++i)
            reg.WriteString(kSection, "V" + std::to_string(i), texts[i]);
        reg.WriteInteger(kSection, "GK-Streifen", 4);
        reg.WriteInteger(kSection, "Negative", -17);
        reg.WriteBool(kSection, "Flag", true);
    }
    const os::RegIniFile reg(kKey);
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(reg.ValueExists(kSection, "V" + std::to_string(i)));
        EXPECT_EQ(reg.ReadString(kSection, "V" + std::to_string(i), "default"), texts[i]) << i;
    }
    EXPECT_EQ(reg.ReadInteger(kSection, "GK-Streifen", 2), 4);
    EXPECT_EQ(reg.ReadInteger(kSection, "Negative", 0), -17);
    EXPECT_TRUE(reg.ReadBool(kSection, "Flag", false));
}

TEST_F(RegistryTest, NothingIsCachedBetweenObjects)
{
    const os::RegIniFile reader(kKey);
    EXPECT_EQ(reader.ReadString(kSection, "ExportPath", "none"), "none");
    os::RegIniFile writer(kKey);
    writer.WriteString(kSection, "ExportPath", "C:\\Export\\");
    EXPECT_EQ(reader.ReadString(kSection, "ExportPath", "none"), "C:\\Export\\");
    writer.WriteBool(kSection, "Flag", false);
    EXPECT_FALSE(reader.ReadBool(kSection, "Flag", true));
}

TEST_F(RegistryTest, WritesKeepEveryOtherKeySectionAndValue)
{
    {
        os::RegIniFile vestra2(kKey);
        vestra2.WriteString(kSection, "ImportDir", "C:\\In\\");
        vestra2.WriteString(kSection, "ExportPath", "C:\\Out\\");
        os::RegIniFile vestra("Vestra");
        vestra.WriteString("AutoCheckIn", "ImportDir", "same name, other key");
        vestra.WriteString("AutoCheckIn", "DBServer", "geo01");
        vestra2.WriteString(kSection, "ImportDir", "C:\\In2\\");
    }
    const os::RegIniFile vestra2(kKey);
    const os::RegIniFile vestra("Vestra");
    EXPECT_EQ(vestra2.ReadString(kSection, "ImportDir", ""), "C:\\In2\\");
    EXPECT_EQ(vestra2.ReadString(kSection, "ExportPath", ""), "C:\\Out\\");
    EXPECT_EQ(vestra.ReadString("AutoCheckIn", "ImportDir", ""), "same name, other key");
    EXPECT_EQ(vestra.ReadString("AutoCheckIn", "DBServer", ""), "geo01");
    EXPECT_FALSE(vestra.ValueExists(kSection, "ExportPath"));
}

TEST_F(RegistryTest, SectionsAreSubkeysOfTheKeyInTheHiveFile)
{
    os::RegIniFile(kKey).WriteString(kSection, "FileNamePrefix", "abcdef");
    os::RegIniFile("Vestra").WriteInteger("AutoCheckIn", "X", 1);
    const std::string text = dir.ReadFile("hive.ini");
    EXPECT_NE(text.find("[Software\\kalvero\\feldix\\3.2\\VESTRA2\\VE2Transaktionen]"), std::string::npos)
        << text;
    EXPECT_NE(text.find("FileNamePrefix=abcdef"), std::string::npos) << text;
    EXPECT_NE(text.find("[Vestra\\AutoCheckIn]"), std::string::npos) << text;
}

TEST_F(RegistryTest, NamesIgnoreCaseAsInTheRegistry)
{
    os::RegIniFile(kKey).WriteString(kSection, "ImportDir", "x");
    EXPECT_EQ(os::RegIniFile("software\\KALVERO\\feldix\\3.2\\vestra2").ReadString("ve2transaktionen", "IMPORTDIR", ""),
              "x");
}

TEST_F(RegistryTest, TextThatIsNoIntegerReadsAsTheDefault)
{
    os::RegIniFile reg("Vestra");
    reg.WriteString("AutoCheckIn", "StoreLoginParams", "yes");
    EXPECT_EQ(reg.ReadInteger("AutoCheckIn", "StoreLoginParams", 9), 9);
    EXPECT_FALSE(reg.ReadBool("AutoCheckIn", "StoreLoginParams", false));
}

TEST_F(RegistryTest, AWriteThatCannotBeSavedRaises)
{
    SetHive((dir / "missing" / "hive.ini").string());
    os::RegIniFile reg(kKey);
    try {
        reg.WriteString(kSection, "ImportDir", "x");
        ADD_FAILURE() << "no error";
    } catch (const os::OsError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind("Registrierung " + (dir / "missing" / "hive.ini").string() +
                                    " kann nicht geschrieben werden",
                                0),
                  0u)
            << message;
    }
    EXPECT_EQ(reg.ReadString(kSection, "ImportDir", "d"), "d");
}

}  // namespace
