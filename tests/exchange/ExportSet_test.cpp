// The export's file set: a clean transaction gives exactly the files it always gave, written
// whole; an export that fails or stops leaves no set a check-in could take for complete.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "exchange/CheckInSettings.h"
#include "host/Project.h"
#include "platform/ui/Channel.h"

#include "support/ExportProject.h"

namespace fs = std::filesystem;

namespace {

using testsupport::ExportProject;
using testsupport::Session;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path Golden() { return fs::path(std::getenv("VE1_TEST_DATA")) / "exchange" / "export_clean"; }

// A dBase file's header carries the day of its last change (bytes 1..3); the golden file gets
// today's, as the engine writes it.
std::string WithToday(std::string dbf)
{
    const std::time_t now = std::time(nullptr);
    const std::tm* t = std::localtime(&now);
    dbf[1] = static_cast<char>(t->tm_year);
    dbf[2] = static_cast<char>(t->tm_mon + 1);
    dbf[3] = static_cast<char>(t->tm_mday);
    return dbf;
}

// Every entry of the directory (one level), but the host's own geodata and attribute files.
std::set<std::string> PluginEntries(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string n = e.path().filename().string();
        if (n != "Transa.xml" && n != "Transa.shp" && n != "Transa.shx" && n != "Transa.dbf")
            names.insert(n);
    }
    return names;
}

// Transaction 7 with a new, an updated, a renamed, a deleted and an unchanged object and a
// read-locked one, all on the map; a local photo of the new object with its picture.
void CleanTransaction(ExportProject& p)
{
    p.Transaction(7, "Moorwiesen");
    p.Row(7, "N-1", 2, "NEW");
    p.Row(7, "U-1", 1, "UPDATE");
    p.Row(7, "R-1neu", 1, "UPDATE", "R-1");
    p.Row(7, "D-1", 3, "DELETE");
    p.Row(7, "I-1", 1, "IGNORED");
    p.Row(7, "L-1", 0, "IGNORED");
    p.Row(8, "A-8", 2, "NEW");
    p.Object(20, "N-1", 3412000);
    p.Object(21, "U-1", 3412001);
    p.Object(22, "R-1neu", 3412002);
    p.Object(23, "I-1", 3412003);
    p.Object(24, "L-1", 3412004);
    p.LocalPhoto(-1, 20, "FXFoto1.jpg");
}

// Each export test starts and ends without the plug-in's settings (the export path and prefix,
// the strip asked for).
class ExportSet : public ::testing::Test {
protected:
    void SetUp() override { ClearPluginSettings(); }
    void TearDown() override { ClearPluginSettings(); }
};

}  // namespace

TEST_F(ExportSet, CleanTransactionWritesTheSameFilesAsBefore)
{
    Session s;
    ExportProject p(s);
    CleanTransaction(p);
    const fs::path dir = s.dir / "Export";
    ASSERT_EQ(p.Export(dir, "Transaktion1"), -1);
    // No question beyond the data care question: the transaction is clean.
    EXPECT_EQ(s.Messages().size(), 1u);

    std::set<std::string> expected;
    for (const auto& e : fs::directory_iterator(Golden()))
        expected.insert(e.path().filename().string());
    expected.insert("Transa_Fotos");
    EXPECT_EQ(PluginEntries(dir), expected);
    for (const std::string& n : expected) {
        if (n == "Transa_Fotos")
            continue;
        const bool table = n.size() > 4 && n.substr(n.size() - 4) == ".dbf";
        const std::string want = table ? WithToday(Read(Golden() / n)) : Read(Golden() / n);
        EXPECT_TRUE(Read(dir / n) == want) << n;
    }
    EXPECT_EQ(Read(dir / "Transa_Fotos" / "FXFoto1.jpg"), Read(s.dir / "FXPhotos" / "FXFoto1.jpg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "Transa_Fotos"), fs::directory_iterator()), 1);
}

// Stopped at any point before its end, the export leaves the directory without an action
// list, so that no check-in takes the files for a complete set; a failure removes what it
// wrote aside and leaves the earlier export's members as they were.
TEST_F(ExportSet, AnInterruptedOrFailingExportLeavesNoCompleteSet)
{
    Session s;
    ExportProject p(s);
    CleanTransaction(p);
    const fs::path dir = s.dir / "Export";
    ASSERT_EQ(p.Export(dir, "Transaktion1"), -1);
    ASSERT_TRUE(fs::exists(dir / "Transa_aktion.dbf"));
    std::map<std::string, std::string> before;
    for (const char* n : {"Transa_rp.txt", "Transa.tid", "Transapc.dbf", "Transapc.dbt"})
        before[n] = Read(dir / n);

    // The strip is asked half-way (the map has no cursor): the directory as a crash there would
    // leave it; then the action list cannot be written aside.
    sim::TheProject().cursor.reset();
    std::set<std::string> halfway;
    ui::SetResponder([&](const std::string& event) {
        s.events.push_back(event);
        if (event.rfind("form", 0) == 0 && event.find("TFormGetGKStreifen") != std::string::npos) {
            halfway = PluginEntries(dir);
            fs::create_directories(dir / "~Transa" / "Transa_aktion.dbf" / "belegt");
            return std::string("click BitBtn1");
        }
        if (event.rfind("closed", 0) == 0 || s.answers.empty())
            return std::string(event.rfind("closed", 0) == 0 ? "ok" : "abort");
        const std::string a = s.answers.front();
        s.answers.pop_front();
        return a;
    });
    EXPECT_THROW(p.Export(dir, "Transaktion1"), std::exception);
    EXPECT_EQ(halfway.count("Transa_aktion.dbf"), 0u);
    EXPECT_EQ(halfway.count("~Transa"), 1u);
    EXPECT_FALSE(fs::exists(dir / "Transa_aktion.dbf"));
    EXPECT_FALSE(fs::exists(dir / "~Transa"));
    for (const auto& [n, bytes] : before)
        EXPECT_TRUE(Read(dir / n) == bytes) << n;

    // A member that cannot be put in place: the action list does not follow.
    sim::TheProject().cursor = std::make_pair(3412000.0, 5800000.0);
    fs::remove(dir / "Transa.tid");
    fs::create_directory(dir / "Transa.tid");
    try {
        p.Export(dir, "Transaktion1");
        ADD_FAILURE() << "the export went through";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("Transa.tid\" der Transaktion kann nicht geschrieben werden."),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(fs::exists(dir / "Transa_aktion.dbf"));
    EXPECT_FALSE(fs::exists(dir / "~Transa"));
}
