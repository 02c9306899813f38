#include "platform/os/IniFile.h"

#include "platform/os/OsError.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using testsupport::TempDir;

const char* const kOriginal =
    "; Einstellungen\r\n"
    "[Allgemein]\r\n"
    "Name=Projekt Nord\r\n"
    "Zahl=12\r\n"
    "\r\n"
    "[VESTRA]\r\n"
    "AutoCheckIn=1\r\n"
    "Server=geo01\r\n";

TEST(IniFile, ReadsValuesAndGivesDefaultsForWhatIsMissing)
{
    TempDir dir;
    dir.WriteFile("app.ini", kOriginal);
    const os::IniFile ini(dir.Win("app.ini"));
    EXPECT_EQ(ini.ReadString("Allgemein", "Name", "x"), "Projekt Nord");
    EXPECT_EQ(ini.ReadInteger("VESTRA", "AutoCheckIn", 0), 1);
    EXPECT_EQ(ini.ReadInteger("vestra", "autocheckin", 0), 1);  // names ignore case
    EXPECT_EQ(ini.ReadString("VESTRA", "Fehlt", "def"), "def");
    EXPECT_EQ(ini.ReadString("Fehlt", "Name", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("Allgemein", "Name", -3), -3);  // not an integer
}

TEST(IniFile, MissingFileReadsAsEmpty)
{
    TempDir dir;
    const os::IniFile ini(dir.Win("none.ini"));
    EXPECT_EQ(ini.ReadInteger("VESTRA", "AutoCheckIn", 0), 0);
    EXPECT_EQ(ini.ReadString("VESTRA", "AutoCheckIn", "d"), "d");
}

TEST(IniFile, StripsQuotesAroundValues)
{
    TempDir dir;
    dir.WriteFile("q.ini", "[S]\r\nA=\"  padded  \"\r\nB= 5 \r\n");
    const os::IniFile ini(dir.Win("q.ini"));
    EXPECT_EQ(ini.ReadString("S", "A", ""), "  padded  ");
    EXPECT_EQ(ini.ReadInteger("S", "B", 0), 5);
}

TEST(IniFile, UpdateKeepsOtherSectionsAndKeysAndWritesCrLf)
{
    TempDir dir;
    dir.WriteFile("app.ini", kOriginal);
    {
        os::IniFile ini(dir.Win("app.ini"));
        ini.WriteInteger("Allgemein", "Zahl", 13);
        ini.WriteString("Neu", "Pfad", "C:\\Daten\\Gelöscht");
        ini.WriteString("VESTRA", "Leer", "");
        ini.UpdateFile();
    }
    const std::string text = dir.ReadFile("app.ini");
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at " << i;
        }
    }
    EXPECT_NE(text.find("; Einstellungen\r\n"), std::string::npos) << text;
    EXPECT_LT(text.find("; Einstellungen"), text.find("[Allgemein]\r\n")) << text;
    EXPECT_NE(text.find("Zahl=13\r\n"), std::string::npos) << text;

    const os::IniFile again(dir.Win("app.ini"));
    EXPECT_EQ(again.ReadString("Allgemein", "Name", ""), "Projekt Nord");
    EXPECT_EQ(again.ReadInteger("Allgemein", "Zahl", 0), 13);
    EXPECT_EQ(again.ReadInteger("VESTRA", "AutoCheckIn", 0), 1);
    EXPECT_EQ(again.ReadString("VESTRA", "Server", ""), "geo01");
    EXPECT_EQ(again.ReadString("VESTRA", "Leer", "d"), "");
    EXPECT_EQ(again.ReadString("Neu", "Pfad", ""), "C:\\Daten\\Gelöscht");
}

TEST(IniFile, CreatesTheFileOnUpdate)
{
    TempDir dir;
    {
        os::IniFile ini(dir.Win("new.ini"));
        ini.WriteString("A", "k", "v");
        ini.UpdateFile();
    }
    EXPECT_EQ(dir.ReadFile("new.ini"), "[A]\r\nk=v\r\n");
}

TEST(IniFile, UpdateIntoAMissingDirectoryRaises)
{
    TempDir dir;
    os::IniFile ini(dir.Win("missing\\x.ini"));
    ini.WriteString("A", "k", "v");
    try {
        ini.UpdateFile();
        ADD_FAILURE() << "no error";
    } catch (const os::OsError& e) {
        // Shown to the user as it is: German, naming the file.
        const std::string message = e.what();
        EXPECT_EQ(message.rfind("INI-Datei ", 0), 0u) << message;
        EXPECT_NE(message.find("x.ini kann nicht geschrieben werden"), std::string::npos) << message;
    }
}

}  // namespace
