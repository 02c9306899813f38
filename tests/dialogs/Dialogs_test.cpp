// What the selection dialogs show, and what their openers read back.
#include <gtest/gtest.h>

#include "dialogs/frmGetGKStreifen.h"
#include "dialogs/frmGetKennung.h"
#include "dialogs/frmGetTID.h"
#include "dialogs/frmGetTidAndKennung.h"
#include "host/Project.h"
#include "host/SimTables.h"
#include "platform/ui/Scripted.h"
#include "store/TransActTools.h"
#include "support/Session.h"

namespace {

using testsupport::Session;

const ui::Control& Ctl(const ui::Form& f, const char* name) {
    const ui::Control* c = f.FindControl(name);
    if (!c)
        throw std::runtime_error(std::string("no control ") + name);
    return *c;
}

TEST(DialogLayout, CaptionsSizesTextsAndResults) {
    Session s;
    TFormGetTID tid;
    EXPECT_EQ(tid.Caption, "Transaktion wählen");
    EXPECT_EQ(tid.ClientWidth, 299);
    EXPECT_EQ(tid.ClientHeight, 201);
    EXPECT_EQ(tid.SelectedTID, -1);
    EXPECT_FALSE(tid.lbTID.Sorted);
    EXPECT_EQ(tid.BtnCancel.Caption, "Keine TID");
    EXPECT_TRUE(tid.BtnCancel.Cancel);
    EXPECT_EQ(tid.BtnCancel.ModalResult, ui::mrCancel);

    TformGetKennung k;
    EXPECT_EQ(k.Caption, "Kennung wählen");
    EXPECT_EQ(k.ClientWidth, 382);
    EXPECT_EQ(k.ClientHeight, 368);
    EXPECT_TRUE(k.lbKennungen.Sorted);
    EXPECT_EQ(k.lbKennungen.ControlFont.size, 10);
    EXPECT_TRUE(k.lblOriginalKennung.ControlFont.bold);
    EXPECT_EQ(k.GroupBox1.Caption, " zulässige Kennungen ");
    EXPECT_EQ(k.BtnOK.ModalResult, ui::mrOk);
    EXPECT_EQ(k.BtnCancel.Caption, "nicht übernehmen");
    EXPECT_EQ(k.Button1.ModalResult, ui::mrNoToAll);

    sim::SeedTable(s.ProjectDir(), "TA_KL.DBF");
    TFormGetTIDAndKennung n;
    EXPECT_EQ(n.Caption, "Kennung für neues Objekt");
    EXPECT_EQ(n.ClientWidth, 444);
    EXPECT_EQ(n.ClientHeight, 309);
    EXPECT_FALSE(n.lbTransActions.Sorted);
    EXPECT_TRUE(n.lbKennungen.Sorted);
    EXPECT_FALSE(n.BtnOK.Enabled);
    EXPECT_EQ(n.BtnNoTID.ModalResult, ui::mrIgnore);
    EXPECT_EQ(n.BtnCancel.ModalResult, ui::mrCancel);

    TFormGetGKStreifen g;
    EXPECT_EQ(g.Caption, "GK-Streifen ");
    EXPECT_EQ(g.ClientWidth, 206);
    EXPECT_EQ(g.ClientHeight, 191);
    EXPECT_EQ(g.RadioGroup1.Items(), (std::vector<std::string>{"Gauß-Krüger 2er Streifen", "Gauß-Krüger 3erStreifen"}));
    EXPECT_TRUE(g.BitBtn1.Default);
    EXPECT_EQ(dynamic_cast<const ui::Label&>(Ctl(g, "Label1")).Caption, "Der Gauß-Krüger-Streifen des aktuellen ");
}

TEST(GetKennungDialog, ReadsBackChoiceStopAndSkip) {
    Session s;
    auto run = [&](std::vector<std::string> answers) {
        TformGetKennung f;
        f.lbKennungen.Add("B");
        f.lbKennungen.Add("A");
        s.answers.assign(answers.begin(), answers.end());
        return ReadChosenKennung(f);
    };
    EXPECT_EQ(run({"select lbKennungen 0", "click BtnOK"}), "A");
    EXPECT_EQ(run({"click BtnOK"}), "");
    EXPECT_EQ(run({"select lbKennungen 1", "click BtnCancel"}), "");
    EXPECT_EQ(run({"select lbKennungen 1", "click Button1"}), "-1");
    EXPECT_EQ(run({"close"}), "");
}

class Transactions : public ::testing::Test {
protected:
    Session s;
    void Row(const char* tid, const char* name) {
        sim::SeedRow(s.ProjectDir(), "TA_ID.DBF", {{"TID", tid}, {"NAME", name}, {"OWNER", "Amt"}});
    }
};

TEST_F(Transactions, EqualNamesMapLineToRecordInFileOrder) {
    Row("30", "Gleich");
    Row("10", "Gleich");
    Row("20", "Gleich");
    s.answers = {"select lbTID 1", "click BtnOK"};
    EXPECT_EQ(GetTransaktionsID(), 10);
    s.answers = {"select lbTID 2", "click BtnOK"};
    EXPECT_EQ(GetTransaktionsID(), 20);
    s.answers = {"select lbTID -1", "click BtnOK"};
    EXPECT_EQ(GetTransaktionsID(), -1);
    s.answers = {"click BtnCancel"};
    EXPECT_EQ(GetTransaktionsID(), -1);
    EXPECT_NE(s.events[0].find("item 30 - Gleich\nitem 10 - Gleich\nitem 20 - Gleich\nindex 0\n"), std::string::npos);
}

TEST_F(Transactions, ExportTakesTheOnlyOneAndAsksWithAbbrechenOtherwise) {
    EXPECT_EQ(GetTransaktionsIDExport(), -1);
    sim::SeedTable(s.ProjectDir(), "TA_ID.DBF");
    EXPECT_EQ(GetTransaktionsIDExport(), -1);
    EXPECT_EQ(GetTransaktionsID(), -1);
    Row("7", "Eins");
    EXPECT_EQ(GetTransaktionsIDExport(), 7);
    EXPECT_TRUE(s.events.empty());
    // Assignment still asks with its one line.
    s.answers = {"click BtnOK"};
    EXPECT_EQ(GetTransaktionsID(), 7);
    Row("8", "Zwei");
    s.answers = {"click BtnCancel"};
    EXPECT_EQ(GetTransaktionsIDExport(), -1);
    ASSERT_GE(s.events.size(), 2u);
    EXPECT_NE(s.events[s.events.size() - 2].find("control BtnCancel button\ntext Abbrechen\n"), std::string::npos);
    s.answers = {"select lbTID 1", "click BtnOK"};
    EXPECT_EQ(GetTransaktionsIDExport(), 8);
}

TEST_F(Transactions, CreationWithoutItsPoolTableIsCancelledWithAMessage) {
    Row("7", "Eins");
    char buffer[51] = "FX-1";
    NewKennungStruct data{buffer, 50, 1};
    EXPECT_EQ(BeforeCreateObjectProc(0, &data, 0), 0);
    const auto shown = s.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Der Kennungsvorrat TA_KL.DBF kann nicht geöffnet werden: ", 0), 0u);
    EXPECT_STREQ(buffer, "FX-1");
}

}  // namespace
