// Hooks that write the transaction list and the identifier pool change neither when one of
// them is read-only.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/Project.h"
#include "host/SimTables.h"
#include "platform/dbf/DbfTable.h"
#include "plugin/Globals.h"
#include "plugin/VE1TransAction.h"
#include "support/Session.h"

namespace {

namespace fs = std::filesystem;

class ReadOnlyTable : public ::testing::Test {
protected:
    testsupport::Session session;
    sim::Project& project = sim::TheProject();
    std::string readOnly;

    void SetUp() override {
        project.classes[1] = "NSG";
        project.objects[7] = sim::GeoObject{7, "A1", 1, 0, 0.0, 0.0};
        project.ReserveIds(8);
        sim::SeedTable(session.ProjectDir(), "TA_LIST.DBF");
        sim::SeedTable(session.ProjectDir(), "TA_KL.DBF");
        TargetTID = 4;
    }
    void TearDown() override {
        if (!readOnly.empty()) fs::permissions(session.File(readOnly), fs::perms::owner_read | fs::perms::owner_write);
        TargetTID = -1;
    }
    void MakeReadOnly(const std::string& table) {
        readOnly = table;
        fs::permissions(session.File(table), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    bool ToldReadOnly(const std::string& table) const {
        for (const auto& m : session.Messages())
            if (m.find("schreibgeschützt") != std::string::npos && m.find(table) != std::string::npos) return true;
        return false;
    }
};

// Otherwise the object would be recorded while its identifier stays in the pool, to be
// handed out a second time.
TEST_F(ReadOnlyTable, CreationWithTheReadOnlyPoolRecordsNothing) {
    sim::SeedRow(session.ProjectDir(), "TA_KL.DBF", {{"TID", "4"}, {"KENNUNG", "A1"}});
    MakeReadOnly("TA_KL.DBF");
    InsertInTransActionList(0, 7, 0);
    EXPECT_TRUE(ToldReadOnly("TA_KL.DBF"));
    EXPECT_TRUE(sim::ReadRows(session.ProjectDir(), "TA_LIST.DBF").empty());
    EXPECT_EQ(sim::ReadRows(session.ProjectDir(), "TA_KL.DBF").size(), 1u);
}

// Otherwise the identifier would go back to the pool while the row stays locked for writing.
TEST_F(ReadOnlyTable, DeletionWithTheReadOnlyListReturnsNoIdentifier) {
    for (const char* schreibend : {"1", "2"}) {
        SCOPED_TRACE(schreibend);
        sim::SeedRow(session.ProjectDir(), "TA_LIST.DBF",
                     {{"TID", "4"}, {"SCHREIBEND", schreibend}, {"KENNUNG", "A1"}, {"CHANGED", "IGNORED"}});
        MakeReadOnly("TA_LIST.DBF");
        DeleteFromTransActionList(7, 0, 0);
        EXPECT_TRUE(ToldReadOnly("TA_LIST.DBF"));
        EXPECT_TRUE(sim::ReadRows(session.ProjectDir(), "TA_KL.DBF").empty());
        const auto rows = sim::ReadRows(session.ProjectDir(), "TA_LIST.DBF");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].at("SCHREIBEND"), schreibend);
        fs::permissions(session.File("TA_LIST.DBF"), fs::perms::owner_read | fs::perms::owner_write);
        dbf::Table list(session.ProjectDir(), "TA_LIST.DBF");
        list.emptyTable();
    }
}

}  // namespace
