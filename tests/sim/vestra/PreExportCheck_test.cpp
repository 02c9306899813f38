// The check before an export and the check-in stand-in's trial run see the same defects: each
// defect of a project is found by the check and, where VESTRA refuses it, refused by the trial
// run of the set the export then writes; a set the check passes passes the trial.
#include <gtest/gtest.h>

#include <functional>

#include "VestraFixture.h"
#include "exchange/ExportCheck.h"
#include "support/ExportProject.h"
#include "vestra/CheckIn.h"

namespace {

using testsupport::ExportProject;
using testsupport::Session;

// Transaction 17 as the store holds it (A1, A2 write-locked, A3 read-locked, R1 and R2
// reserved), in the project: A1 edited, R1 new with a local photo, all on the map.
void Consistent(ExportProject& p)
{
    p.Transaction(vestratest::kTid, "Wiesen");
    p.Row(vestratest::kTid, "A1", 1, "UPDATE");
    p.Row(vestratest::kTid, "A2", 1, "IGNORED");
    p.Row(vestratest::kTid, "A3", 0, "IGNORED");
    p.Object(11, "A1", 3500100);
    p.Object(12, "A2", 3500300);
    p.Object(13, "A3", 3500500);
}

void NewR1(ExportProject& p, bool withPicture)
{
    p.Row(vestratest::kTid, "R1", 2, "NEW");
    p.Object(14, "R1", 3500700);
    p.LocalPhoto(-1, 14, "neu1.jpg", withPicture);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(PreExportCheck, EachDefectIsSeenByTheCheckAndWhereVestraRefusesItByTheTrialRun)
{
    struct Defect {
        const char* what;
        std::function<void(ExportProject&)> make;
        const char* kind;      // the heading of the check's finding
        const char* named;     // what the finding names
        const char* refusal;   // the trial run's line; nullptr: VESTRA takes the set
    };
    const std::vector<Defect> defects = {
        {"a clean transaction", [](ExportProject& p) { NewR1(p, true); }, nullptr, nullptr, nullptr},
        {"a new object not on the map",
         [](ExportProject& p) {
             NewR1(p, true);
             sim::TheProject().objects.erase(14);
         },
         "nicht in der Karte", "R1", "Fehler Grafik: Kennung R1 fehlt in den Geodaten"},
        {"an updated object not on the map", [](ExportProject&) { sim::TheProject().objects.erase(11); },
         "nicht in der Karte", "A1", "Fehler Grafik: Kennung A1 fehlt in den Geodaten"},
        {"an update of an object not checked out write-locked",
         [](ExportProject& p) {
             p.Row(vestratest::kTid, "A4", 2, "UPDATE");
             p.Object(15, "A4", 3500800);
         },
         "nicht schreibend ausgecheckt", "A4", "Fehler Sachdaten: Kennung A4 ist nicht schreibend ausgecheckt"},
        {"a deletion of an object not checked out write-locked",
         [](ExportProject& p) { p.Row(vestratest::kTid, "A5", 2, "DELETE"); },
         "nicht schreibend ausgecheckt", "A5", "Fehler Sachdaten: Kennung A5 ist nicht schreibend ausgecheckt"},
        {"a local photo without its picture", [](ExportProject& p) { NewR1(p, false); },
         "Bilddatei im Projekt fehlt", "R1: neu1.jpg", "Fehler Sachdaten: Bilddatei \"neu1.jpg\" zu Foto -1 fehlt"},
        {"a new object without an identifier",
         [](ExportProject& p) { p.Row(vestratest::kTid, "", 2, "NEW", "", 77); }, "Objekte ohne Kennung",
         "Objekt mit der ID 77", "Fehler Sachdaten: Aktionsliste: ungültige Zeile \"\" \"N\""},
        {"an identifier on two new objects",
         [](ExportProject& p) {
             p.Row(vestratest::kTid, "R2", 2, "NEW");
             p.Row(vestratest::kTid, "R2", 2, "NEW");
             p.Object(16, "R2", 3500900);
         },
         "mehrere Objekte der Transaktion", "R2", "Fehler Sachdaten: Kennung R2 ist bereits vergeben"},
        // Not refused: the edit of a read-locked object never reaches VESTRA, only the check tells.
        {"an edit of a read-locked object", [](ExportProject& p) { p.Row(vestratest::kTid, "A6", 0, "UPDATE"); },
         "nur lesend ausgecheckt", "A6", nullptr},
    };
    for (const Defect& d : defects) {
        SCOPED_TRACE(d.what);
        Session s;
        const std::string store = (s.dir / "vestra.db").string();
        vestratest::SeedStore(store);
        ExportProject p(s);
        Consistent(p);
        d.make(p);
        const std::vector<ExportMangel> found = ExportMaengel(vestratest::kTid);
        if (!d.kind) {
            EXPECT_TRUE(found.empty()) << ExportMaengelFrage(vestratest::kTid, found);
        } else {
            ASSERT_EQ(found.size(), 1u) << ExportMaengelFrage(vestratest::kTid, found);
            EXPECT_TRUE(Contains(found[0].Art, d.kind)) << found[0].Art;
            EXPECT_EQ(found[0].Objekte, std::vector<std::string>{d.named});
        }

        // The user exports anyway; the set goes to the trial run.
        const std::filesystem::path dir = s.dir / "Export";
        ASSERT_EQ(p.Export(dir, "wie17", d.kind ? std::deque<std::string>{"yes"} : std::deque<std::string>{}), -1);
        EXPECT_EQ(s.Messages().size(), d.kind ? 2u : 1u);
        if (d.kind) {
            // The question shows the findings (the scripted box hands its lines over one by one).
            std::string question = ExportMaengelFrage(vestratest::kTid, found);
            for (size_t at; (at = question.find("\r\n")) != std::string::npos;)
                question.replace(at, 2, "\n");
            EXPECT_EQ(s.Messages()[1], question);
        }
        vestra::CheckInArgs args;
        args.Trial = true;
        args.Database = store;
        args.Directory = dir.string();
        args.Name = "wie17";
        const vestra::CheckInResult r = vestra::RunCheckIn(args);
        std::string log;
        for (const std::string& line : r.Lines)
            log += line + "\n";
        if (d.refusal) {
            EXPECT_GE(r.Sachdatenfehler + r.Grafikfehler, 1) << log;
            EXPECT_TRUE(Contains(log, d.refusal)) << log;
        } else {
            EXPECT_EQ(r.Sachdatenfehler, 0) << log;
            EXPECT_EQ(r.Grafikfehler, 0) << log;
        }
    }
}

TEST(PreExportCheck, ATransactionThatTaIdDoesNotRecordIsAFinding)
{
    Session s;
    ExportProject p(s);
    Consistent(p);
    EXPECT_TRUE(ExportMaengel(vestratest::kTid).empty());
    const std::vector<ExportMangel> found = ExportMaengel(18);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Art, "Die Transaktion ist in TA_ID.DBF nicht verzeichnet.");
    EXPECT_TRUE(found[0].Objekte.empty());
}
