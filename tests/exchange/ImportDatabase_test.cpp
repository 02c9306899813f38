// The import refuses a project database it cannot write, saying why and naming the file,
// before it changes anything.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>

#include "exchange/CheckInSettings.h"
#include "exchange/ImportFuncs.h"
#include "host/Project.h"
#include "host/SimTables.h"
#include "support/Session.h"

namespace fs = std::filesystem;

TEST(ImportDatabase, MissingLockedReadOnlyOrDamagedDatabaseRefusesTheImportUnchanged) {
    struct Case {
        const char* name;
        std::function<void(testsupport::Session&)> spoil;
        const char* says;
    };
    sqlite3* writer = nullptr;
    const std::vector<Case> cases = {
        {"missing", [](testsupport::Session& s) { sim::TheProject().projectDB = s.File("Fehlt.db"); },
         "Die Datenbank \"*Fehlt.db\" wurde nicht gefunden."},
        {"damaged", [](testsupport::Session& s) { s.dir.WriteFile("Projekt.db", std::string(4096, 'x')); },
         "Die Datenbank \"*Projekt.db\" ist beschädigt oder keine Datenbank."},
        {"read-only",
         [](testsupport::Session& s) {
             std::string bytes = s.dir.ReadFile("Projekt.db");
             bytes[18] = 3;  // a newer writer's file: SQLite reads it but does not write it
             s.dir.WriteFile("Projekt.db", bytes);
         },
         "Die Datenbank \"*Projekt.db\" ist schreibgeschützt."},
        {"locked",
         [&writer](testsupport::Session& s) {
             sqlite3_open(s.Database().c_str(), &writer);
             sqlite3_exec(writer, "begin immediate; create table Belegt (x integer)", nullptr, nullptr, nullptr);
         },
         "Die Datenbank \"*Projekt.db\" ist von einem anderen Programm gesperrt."},
    };
    ClearPluginSettings();
    for (const Case& c : cases) {
        testsupport::Session s;
        const std::string dir = s.dir.Win("Austausch");
        fs::create_directory(s.dir / "Austausch");
        sim::SeedRow(dir, "Moort.dbf", {{"KENNUNG", "A-1"}, {"TID", "7"}, {"SCHREIBEND", "1"}});
        sim::SeedRow(dir, "Moorkl.dbf", {{"KENNUNG", "R-1"}, {"TID", "7"}});
        s.dir.WriteFile("Austausch/Moor.tid", "[Transaktionsdaten]\r\nTransaktion=7\r\n");
        sim::TheProject().objects[30] = sim::GeoObject{30, "A-1", 1, 1, 0, 0};
        c.spoil(s);
        s.answers = {"file " + dir + "\\Moort.dbf"};
        EXPECT_EQ(VE1CustomImportProc(), 0) << c.name;
        ASSERT_EQ(s.Messages().size(), 1u) << c.name;
        const std::string text = s.Messages()[0];
        const std::string start = "Die Projektdatenbank kann nicht geändert werden:\n";
        const std::string end = "\n\nDer Import wurde nicht begonnen, das Projekt ist unverändert.";
        EXPECT_EQ(text.rfind(start, 0), 0u) << text;
        EXPECT_EQ(text.size() > end.size() ? text.substr(text.size() - end.size()) : text, end) << text;
        const std::string says = c.says;
        const std::string head = says.substr(0, says.find('*')), tail = says.substr(says.find('*') + 1);
        EXPECT_NE(text.find(head), std::string::npos) << text;
        EXPECT_NE(text.find(tail), std::string::npos) << text;
        EXPECT_TRUE(sim::TheProject().Find(30)) << c.name;
        EXPECT_FALSE(sim::TableExists(s.ProjectDir(), "TA_LIST.DBF")) << c.name;
        EXPECT_FALSE(sim::TableExists(s.ProjectDir(), "TA_ID.DBF")) << c.name;
        if (writer) {
            sqlite3_exec(writer, "rollback", nullptr, nullptr, nullptr);
            sqlite3_close(writer);
            writer = nullptr;
        }
    }
    ClearPluginSettings();  // the import remembered its directory
}
