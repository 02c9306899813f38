// The boundary's own protocols, through the exports in this process with the stand-in as host.
#include <gtest/gtest.h>

#include <fstream>

#include "host/HostActions.h"
#include "host/Project.h"
#include "host/SimTables.h"
#include "host/gisconst.h"
#include "plugin/Globals.h"
#include "plugin/Guard.h"
#include "plugin/Hooks.h"
#include "plugin/VE1TransAction.h"
#include "plugin/constants.h"
#include "support/Session.h"

namespace {

class TempObject : public ::testing::Test {
protected:
    testsupport::Session session;
    sim::Project& project = sim::TheProject();

    void SetUp() override {
        project.classes[1] = "NSG";
        sim::SeedTable(session.ProjectDir(), "TA_ID.DBF");
        sim::SeedRow(session.ProjectDir(), "TA_ID.DBF", {{"TID", "4"}, {"NAME", "Vier"}, {"OWNER", "Amt"}});
        sim::SeedTable(session.ProjectDir(), "TA_LIST.DBF");
        sim::SeedTable(session.ProjectDir(), "TA_KL.DBF");
        TargetTID = 4;
        // What the photo dialog does before it starts the pick.
        blnTempObjectCreation = true;
        TempObjectFELDIXID = -1;
        ASSERT_EQ(fxCreateObjectStart(1, fx_SinglePoint, ""), 1);
    }
};

TEST_F(TempObject, FinishedCreationStoresTheIdAndRecordsNothing) {
    const int redraws = project.redraws;
    const int32_t id = sim::FinishPendingCreation(3412000, 5800000);
    ASSERT_GT(id, 0);
    EXPECT_EQ(TempObjectFELDIXID, id);
    EXPECT_FALSE(blnTempObjectCreation);
    EXPECT_EQ(project.redraws, redraws + 1);
    EXPECT_EQ(TargetTID, 4);
    EXPECT_TRUE(sim::ReadRows(session.ProjectDir(), "TA_LIST.DBF").empty());
    // No creation dialog was shown: the host's identifier is used as it stands.
    EXPECT_TRUE(session.events.empty());
    EXPECT_FALSE(project.Find(id)->kennung.empty());
}

TEST_F(TempObject, CancelledCreationClearsTheFlag) {
    TempObjectFELDIXID = 99;
    sim::CancelPendingCreation();
    EXPECT_EQ(TempObjectFELDIXID, -1);
    EXPECT_FALSE(blnTempObjectCreation);
}

TEST_F(TempObject, OtherCommandsLeaveItPending) {
    EXPECT_EQ(static_cast<int32_t>(AfterFELDIXCommand(FX_CMD_BUILDOBJECT, 0, 3)), -1);
    EXPECT_EQ(static_cast<int32_t>(AfterFELDIXCommand(1000, 0, FX_BO_CANCEL)), -1);
    EXPECT_TRUE(blnTempObjectCreation);
    EXPECT_EQ(TempObjectFELDIXID, -1);
    // Only the low 16 bits of wParam count.
    AfterFELDIXCommand(FX_CMD_BUILDOBJECT, 0, 0x30000 | FX_BO_CANCEL);
    EXPECT_FALSE(blnTempObjectCreation);
}

TEST_F(TempObject, ProjectLoadClearsTheFlag) {
    EXPECT_EQ(static_cast<int32_t>(BeforeLoadProject(0, 0, 0)), -1);
    EXPECT_FALSE(blnTempObjectCreation);
}

TEST(TempObjectIdle, CancelWithoutPendingObjectChangesNothing) {
    testsupport::Session session;
    blnTempObjectCreation = false;
    TempObjectFELDIXID = 42;
    EXPECT_EQ(static_cast<int32_t>(AfterFELDIXCommand(FX_CMD_BUILDOBJECT, 0, FX_BO_CANCEL)), -1);
    EXPECT_EQ(TempObjectFELDIXID, 42);
    EXPECT_FALSE(blnTempObjectCreation);
}

TEST(KennungProtocol, AlternatesAndRestartsAfterAnInternalChange) {
    testsupport::Session session;
    sim::TheProject().objects[1] = sim::GeoObject{1, "A", 0, 0, 0, 0};
    blnBeforeChangeKennungDone = false;
    blnChangingKennungInternal = false;
    UpdateKennungPreCorrection(1, 0, 0);
    EXPECT_TRUE(blnBeforeChangeKennungDone);
    EXPECT_TRUE(blnDoNotSetChangeFlag);
    EXPECT_EQ(strOldKennung, "A");
    UpdateKennungPreCorrection(1, 0, 0);
    EXPECT_FALSE(blnBeforeChangeKennungDone);
    EXPECT_FALSE(blnDoNotSetChangeFlag);

    UpdateKennungPreCorrection(1, 0, 0);
    ASSERT_TRUE(blnBeforeChangeKennungDone);
    blnChangingKennungInternal = true;
    EXPECT_EQ(static_cast<int32_t>(UpdateKennungPreCorrection(1, 0, 0)), -1);
    blnChangingKennungInternal = false;
    EXPECT_FALSE(blnBeforeChangeKennungDone);
    // The next call is a before half again.
    sim::TheProject().objects[1].kennung = "B";
    UpdateKennungPreCorrection(1, 0, 0);
    EXPECT_TRUE(blnBeforeChangeKennungDone);
    EXPECT_EQ(strOldKennung, "B");
    UpdateKennungPreCorrection(1, 0, 0);
}

TEST(KennungProtocol, AFailingAfterHalfStillRestartsTheAlternation) {
    testsupport::Session session;
    sim::TheProject().objects[1] = sim::GeoObject{1, "A", 0, 0, 0, 0};
    std::ofstream(session.File("TA_LIST.DBF")) << "no table";
    blnBeforeChangeKennungDone = false;
    UpdateKennungPreCorrection(1, 0, 0);
    ASSERT_TRUE(blnBeforeChangeKennungDone);
    EXPECT_EQ(UpdateKennungPreCorrection(1, 0, 0), 0);
    EXPECT_FALSE(blnBeforeChangeKennungDone);
    EXPECT_FALSE(blnDoNotSetChangeFlag);
    EXPECT_EQ(session.Messages().size(), 1u);
}

TEST(Boundary, ResultsUseAllBitsAndErrorsBecomeMessages) {
    testsupport::Session session;
    EXPECT_EQ(BeforeLoadProject(0, 0, 0), static_cast<HookResult>(-1));
    EXPECT_EQ(Guarded([]() -> int32_t { throw std::runtime_error("Tabelle kaputt"); }), 0);
    EXPECT_EQ(Guarded([]() -> int32_t { throw 17; }), 0);
    const auto shown = session.Messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Tabelle kaputt");
    EXPECT_EQ(shown[1], "Unbekannter Fehler im Transaktionsmodul.");
    EXPECT_NE(session.events[0].find("message error ok"), std::string::npos);
}

TEST(Boundary, CorrectHauptfotoStoresTheValueWithinTheBuffer) {
    testsupport::Session session;
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(CorrectHauptfoto(reinterpret_cast<HookArg>("Ja!!"), reinterpret_cast<HookArg>(buffer), 3), 0);
    EXPECT_STREQ(buffer, "Ja!");
}

TEST(Boundary, CreateListToAssignOutsideARunCollectsNothing) {
    testsupport::Session session;
    char kennung[] = "A";
    ObjectDataRecord data{0, kennung, 0, 1};
    EXPECT_EQ(static_cast<int32_t>(CreateListToAssign(reinterpret_cast<HookArg>(&data), 0, 0)), -1);
    EXPECT_FALSE(ListToAssign);
}

}  // namespace
