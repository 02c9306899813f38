// The check report's dialog: its layout, its counts, the lists of its report and the hook.
#include <gtest/gtest.h>

#include "host/Plugin.h"
#include "host/SimTables.h"
#include "platform/dbf/DbfTable.h"
#include "platform/os/Files.h"
#include "report/frmTransActionReport.h"
#include "support/Session.h"

namespace {

using testsupport::Session;

void ListRow(Session& s, int tid, const std::string& kennung, int schreibend, const std::string& changed) {
    sim::SeedRow(s.ProjectDir(), "TA_LIST.DBF",
                 {{"TID", std::to_string(tid)}, {"FELDIXID", "1"}, {"VGNR", "-1"},
                  {"SCHREIBEND", std::to_string(schreibend)}, {"KENNUNG", kennung}, {"CHANGED", changed}});
}

void Transaction(Session& s, int tid, const std::string& name, const std::string& owner) {
    sim::SeedRow(s.ProjectDir(), "TA_ID.DBF", {{"TID", std::to_string(tid)}, {"NAME", name}, {"OWNER", owner}});
}

TEST(ReportDialog, CaptionSizeSummaryLinesAndButtons) {
    Session s;
    Transaction(s, 7, "Moorwiesen", "Kreis");
    ListRow(s, 7, "A", 0, "IGNORED");
    TFormTransActionReport f;
    EXPECT_EQ(f.Caption, "Prüfbericht");
    EXPECT_EQ(f.ClientWidth, 349);
    EXPECT_EQ(f.ClientHeight, 190);
    EXPECT_EQ(f.Icons, ui::BorderIcons::CloseOnly);
    EXPECT_EQ(f.Placement, ui::Position::ScreenCenter);
    const std::pair<ui::Label*, ui::Label*> lines[] = {
        {&f.Label1, &f.LabelnTransactions},    {&f.Label2, &f.LabelnNewObjects},
        {&f.Label3, &f.LabelnDeletedObjects},  {&f.Label4, &f.LabelnImportedObjects},
        {&f.Label5, &f.LabelnReadOnlyObjects}, {&f.Label6, &f.LabelnChangedObjects}};
    const char* captions[] = {"Anzahl der Transaktionen:", "Anzahl neu erzeugter Objekte:",
                              "Anzahl gelöschter Objekte:", "Anzahl importierter Objekte (schreibend):",
                              "Anzahl importierter Objekte (lesend):", "Anzahl geänderter Objekte:"};
    const int edge = f.Label1.Left + f.Label1.Width;
    int lastTop = -1;
    for (size_t i = 0; i < 6; ++i) {
        const auto [caption, value] = lines[i];
        EXPECT_EQ(caption->Caption, captions[i]);
        EXPECT_EQ(caption->Alignment, ui::TextAlign::Right) << captions[i];
        EXPECT_EQ(caption->Left + caption->Width, edge) << captions[i];
        EXPECT_EQ(value->Top, caption->Top) << captions[i];
        EXPECT_GT(value->Left, edge - 1) << captions[i];
        EXPECT_LE(value->Left + value->Width, f.ClientWidth);
        EXPECT_GT(caption->Top, lastTop);
        lastTop = caption->Top;
    }
    EXPECT_EQ(f.BtnShowReport.Caption, "Prüfbericht anzeigen ");
    EXPECT_EQ(f.BtnShowReport.ModalResult, ui::mrNone);
    EXPECT_EQ(f.BtnClose.Caption, "S&chließen");
    EXPECT_EQ(f.BtnClose.ModalResult, ui::mrOk);
    EXPECT_GT(f.BtnShowReport.Top, lastTop);
}

TEST(ReportDialog, CountsByLockStateAndChangeStatus) {
    Session s;
    Transaction(s, 7, "a", "b");
    Transaction(s, 8, "c", "d");
    ListRow(s, 7, "N1", 2, "NEW");
    ListRow(s, 8, "N2", 2, "NEW");
    ListRow(s, 7, "D1", 3, "DELETE");
    ListRow(s, 7, "W1", 1, "UPDATE");    // imported for writing and changed
    ListRow(s, 7, "W2", 1, "IGNORED");
    ListRow(s, 7, "W3", 1, "UPDATE ");   // trailing blanks are not stored
    ListRow(s, 7, "R1", 0, "UPDATE");    // read-locked: never changed
    ListRow(s, 7, "X1", 4, "UPDATE");    // counted nowhere
    ListRow(s, 7, "X2", -1, "NEW");
    ListRow(s, 99, "N3", 2, "NEW");       // no transaction record: still counted
    TFormTransActionReport f;
    EXPECT_EQ(f.nTransactions, 2);
    EXPECT_EQ(f.nNewObjects, 3);
    EXPECT_EQ(f.nDeletedObjects, 1);
    EXPECT_EQ(f.nWriteObjects, 3);
    EXPECT_EQ(f.nReadOnlyObjects, 1);
    EXPECT_EQ(f.nChangedObjects, 2);
    EXPECT_EQ(f.LabelnTransactions.Caption, "2");
    EXPECT_EQ(f.LabelnNewObjects.Caption, "3");
    EXPECT_EQ(f.LabelnDeletedObjects.Caption, "1");
    EXPECT_EQ(f.LabelnImportedObjects.Caption, "4");
    EXPECT_EQ(f.LabelnReadOnlyObjects.Caption, "1");
    EXPECT_EQ(f.LabelnChangedObjects.Caption, "2");
}

TEST(ReportDialog, EmptyTablesGiveZerosAndTheTablesCloseWithTheDialog) {
    Session s;
    sim::SeedTable(s.ProjectDir(), "TA_ID.DBF");
    sim::SeedTable(s.ProjectDir(), "TA_LIST.DBF");
    TFormTransActionReport f;
    for (ui::Label* l : {&f.LabelnTransactions, &f.LabelnNewObjects, &f.LabelnDeletedObjects,
                         &f.LabelnImportedObjects, &f.LabelnReadOnlyObjects, &f.LabelnChangedObjects})
        EXPECT_EQ(l->Caption, "0") << l->Name();
    EXPECT_TRUE(f.TableTransActionID.active());
    EXPECT_TRUE(f.TableTransActionList.active());
    s.answers.push_back("click BtnClose");
    EXPECT_EQ(f.ShowModal(), ui::mrOk);
    EXPECT_FALSE(f.TableTransActionID.active());
    EXPECT_FALSE(f.TableTransActionList.active());
}

TEST(ReportDialog, AMissingTransactionTableStopsThePreparationWithTheEnginesError) {
    Session s;
    ListRow(s, 7, "N1", 2, "NEW");
    EXPECT_THROW(TFormTransActionReport f, dbf::EngineError);
}

// The report's bands as their describing lines, without title and footers.
std::vector<std::string> Body(TFormTransActionReport& f) {
    std::vector<std::string> body;
    for (const auto& line : f.PrepareReport().Describe())
        if (line.find(" QRBTitel:") == std::string::npos && line.find(" QRBand1:") == std::string::npos)
            body.push_back(line);
    return body;
}

TEST(ReportLists, EachTransactionListsItsOwnRowsInTheOrderOfTheList) {
    Session s;
    Transaction(s, 12, "Zwölf", "Z");
    Transaction(s, 3, "Drei", "D");
    Transaction(s, 5, "Fünf", "F");
    ListRow(s, 3, "K-9", 2, "NEW");
    ListRow(s, 12, "K-8", 1, "UPDATE");
    ListRow(s, 3, "K-1", 2, "NEW");
    ListRow(s, 3, "K-5", 1, "UPDATE");
    ListRow(s, 12, "K-3", 3, "DELETE");
    ListRow(s, 3, "K-7", 3, "DELETE");
    ListRow(s, 3, "K-2", 1, "IGNORED");
    ListRow(s, 3, "K-4", 0, "UPDATE");
    ListRow(s, 3, "K-6", 2, "NEW");
    ListRow(s, 3, "K-10", 3, "DELETE");
    ListRow(s, 12, "K-11", 1, "UPDATE");
    ListRow(s, 40, "K-0", 2, "NEW");  // no transaction record
    TFormTransActionReport f;
    f.QuickRep1.DateText = "01.02.2026";
    const std::vector<std::string> want = {
        "1 DetailBand2: Transaktionsnummer:  | 12 | Name: | Zwölf | Gebietsbetreuer: | Z",
        "1 QRStringsBand2: gelöschte Objekte: | K-3",
        "1 QRStringsBand3: geänderte Objekte: | K-8",
        "1 QRStringsBand3: K-11",
        "1 DetailBand2: Transaktionsnummer:  | 3 | Name: | Drei | Gebietsbetreuer: | D",
        "1 QRStringsBand1: neue Objekte: | K-9",
        "1 QRStringsBand1: K-1",
        "1 QRStringsBand1: K-6",
        "1 QRStringsBand2: gelöschte Objekte: | K-7",
        "1 QRStringsBand2: K-10",
        "1 QRStringsBand3: geänderte Objekte: | K-5",
        "1 DetailBand2: Transaktionsnummer:  | 5 | Name: | Fünf | Gebietsbetreuer: | F",
    };
    EXPECT_EQ(Body(f), want);
    // Every preview builds the lists anew and starts with the headings again.
    EXPECT_EQ(Body(f), want);
    const auto all = f.PrepareReport().Describe();
    EXPECT_EQ(all.front(), "1 QRBTitel: ZARK-Transaktions-Prüfbericht | Datum: 01.02.2026");
    EXPECT_EQ(all.back(), "1 QRBand1: Prüfbericht vom 01.02.2026 | - 1 |  -");
}

TEST(ReportLists, AListRunningOverAPageKeepsItsHeadingOnItsFirstLineOnly) {
    Session s;
    Transaction(s, 7, "Sieben", "S");
    for (int i = 0; i < 60; ++i)
        ListRow(s, 7, "N-" + std::to_string(i), 2, "NEW");
    TFormTransActionReport f;
    f.QuickRep1.DateText = "01.02.2026";
    const auto lines = f.PrepareReport().Describe();
    int headings = 0, footers = 0;
    for (const auto& l : lines) {
        headings += l.find("neue Objekte:") != std::string::npos;
        if (l.find(" QRBand1: ") != std::string::npos) {
            ++footers;
            EXPECT_EQ(l, std::to_string(footers) + " QRBand1: Prüfbericht vom 01.02.2026 | - " +
                             std::to_string(footers) + " |  -");
        }
    }
    EXPECT_EQ(headings, 1);
    // 277 mm less footer 10.6, title 19.8 and detail 23.5 hold 35 lines of 6.3 mm on page 1.
    EXPECT_EQ(footers, 2);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "1 QRStringsBand1: N-34"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "2 QRStringsBand1: N-35"), lines.end());
}

TEST(ReportHook, NoTransactionListGivesTheMessageAndZero) {
    Session s;
    sim::SeedTable(s.ProjectDir(), "TA_ID.DBF");
    EXPECT_EQ(sim::ThePlugin().Call("MakeTransActionReport", 0, 0, 0), 0);
    ASSERT_EQ(s.Messages().size(), 1u);
    EXPECT_EQ(s.Messages()[0],
              "Das Projekt enthält keine Transaktionsdaten. Daher kann kein Prüfbericht erstellt werden!");
}

TEST(ReportHook, TheDialogIsShownAndThePreviewWritesThePdfIntoTheProject) {
    Session s;
    Transaction(s, 7, "Sieben", "S");
    ListRow(s, 7, "N-1", 2, "NEW");
    s.answers = {"click BtnShowReport", "ok", "click BtnClose"};
    EXPECT_EQ(sim::ThePlugin().Call("MakeTransActionReport", 0, 0, 0), -1);
    std::string document;
    for (const auto& e : s.events)
        if (e.rfind("document", 0) == 0)
            document = e;
    ASSERT_FALSE(document.empty());
    EXPECT_NE(document.find("title Prüfbericht\n"), std::string::npos) << document;
    EXPECT_NE(document.find("line 1 QRStringsBand1: neue Objekte: | N-1\n"), std::string::npos) << document;
    EXPECT_NE(document.find("path " + os::NativePath(s.ProjectDir() + "\\Prüfbericht.pdf") + "\n"), std::string::npos) << document;
    EXPECT_EQ(s.dir.ReadFile("Prüfbericht.pdf").rfind("%PDF-", 0), 0u);
}

}  // namespace
