// The photo data module over the stand-in's project database: the table Fotos as created,
// the id of a new local photo, the usage count, the on-demand opening and the ensure steps.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "photos/DataModule.h"
#include "photos/EnsureDataBase.h"
#include "plugin/Globals.h"
#include "support/Session.h"

namespace {

class PhotoDataModule : public ::testing::Test {
protected:
    testsupport::Session session;

    void SetUp() override { EnsureTableFotos(); }
    void TearDown() override { ReleaseFotoverwaltung(); }

    void Foto(int id, const std::string& isNew = "3") {
        sim::InsertDbRow(session.Database(), "Fotos", {{"FotoID", std::to_string(id)}, {"IsNew", isNew}});
    }
    void Link(int feldixId, int photoId) {
        sim::InsertDbRow(session.Database(), "Objektphotos",
                         {{"FELDIXID", std::to_string(feldixId)}, {"PhotoID", std::to_string(photoId)}});
    }
    int32_t NewId() { return OpenFotoverwaltung()->GetFotoID(); }
};

}  // namespace

TEST_F(PhotoDataModule, NewIdOnEmptyTableIsMinusOne) { EXPECT_EQ(NewId(), -1); }

TEST_F(PhotoDataModule, NewIdAfterPositiveFirstRecordSkipsTakenNegatives) {
    Foto(17);
    EXPECT_EQ(NewId(), -1);
    ReleaseFotoverwaltung();
    Foto(-1);
    Foto(-2);
    EXPECT_EQ(NewId(), -3);
}

TEST_F(PhotoDataModule, NewIdCountsDownFromANegativeFirstRecord) {
    Foto(-4);
    Foto(-5);
    Foto(-7);
    EXPECT_EQ(NewId(), -6);
    ReleaseFotoverwaltung();
    Foto(-6);
    EXPECT_EQ(NewId(), -8);  // a run of taken ids, with a gap before -4 that is not looked at
}

TEST_F(PhotoDataModule, NewIdAfterFirstRecordZeroOrOne) {
    Foto(1);
    EXPECT_EQ(NewId(), -1);  // 1 - 1 = 0 is no local id
}

TEST_F(PhotoDataModule, UsageCountsLinksOfThePhotoOnly) {
    Link(10, 5);
    Link(11, 5);
    Link(11, 6);
    Link(12, -5);
    auto dm = OpenFotoverwaltung();
    EXPECT_EQ(dm->FotoWirdVerwendet(7), 0);
    EXPECT_EQ(dm->FotoWirdVerwendet(6), 1);
    EXPECT_EQ(dm->FotoWirdVerwendet(5), 2);
    EXPECT_EQ(dm->FotoWirdVerwendet(-5), 1);
    EXPECT_EQ(dm->FotoWirdVerwendet(5), 2);  // the query can be run again
}

TEST_F(PhotoDataModule, TextsAreCutToTheirColumns) {
    auto dm = OpenFotoverwaltung();
    adodb::Table& t = dm->ADOTblFotos;
    t.append();
    t.fieldByName("FotoID").setInteger(-1);
    t.fieldByName("Kurzname").setString(std::string(49, 'k') + "äX");
    t.fieldByName("Quelle").setString(std::string(254, 'q') + "€Y");
    t.fieldByName("PicFileName").setString(std::string(60, 'p'));
    t.fieldByName("Bildbeschreibung").setString(std::string(3000, 'b'));
    t.post();
    const auto rows = sim::ReadDbRows(session.Database(), "Fotos");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("Kurzname"), std::string(49, 'k') + "ä");
    EXPECT_EQ(rows[0].at("Quelle"), std::string(254, 'q') + "€");
    EXPECT_EQ(rows[0].at("PicFileName"), std::string(50, 'p'));
    EXPECT_EQ(rows[0].at("Bildbeschreibung").size(), 3000u);
}

TEST_F(PhotoDataModule, OnDemandOpeningKeepsOneInstanceAndSurvivesARelease) {
    auto first = OpenFotoverwaltung();
    EXPECT_EQ(OpenFotoverwaltung(), first);
    EXPECT_EQ(GlobaldmFotoverwaltung, first);
    ReleaseFotoverwaltung();
    EXPECT_EQ(GlobaldmFotoverwaltung, nullptr);
    // The holder still works on an open table; the next user gets a fresh instance.
    EXPECT_TRUE(first->ADOTblFotos.active());
    EXPECT_EQ(first->GetFotoID(), -1);
    auto second = OpenFotoverwaltung();
    EXPECT_NE(second, first);
}

TEST(PhotoDataModuleOpen, ConnectionStringAndFailedOpen) {
    testsupport::Session session;
    TdmFotoverwaltung dm;
    EXPECT_FALSE(dm.ADOConnectionProjekt.loginPrompt());
    EXPECT_FALSE(dm.OpenPrjDatabase(session.File("fehlt.mdb")));
    EXPECT_EQ(dm.ADOConnectionProjekt.connectionString(),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + session.File("fehlt.mdb") + ";Persist Security Info=False");
    try {
        dm.OpenTables();
        FAIL() << "OpenTables on a closed connection";
    } catch (const adodb::DatabaseError& e) {
        // Why the opening failed, not only that the connection is closed.
        EXPECT_EQ(e.what(), "Die Datenbank \"" + session.File("fehlt.mdb") + "\" wurde nicht gefunden.");
        EXPECT_EQ(e.problem(), adodb::Problem::Missing);
    }
    EXPECT_TRUE(dm.OpenPrjDatabase(session.Database()));
    EXPECT_THROW(dm.OpenTables(), adodb::DatabaseError);  // no table Fotos yet
    // The on-demand opening keeps no module whose table did not open.
    EXPECT_THROW(OpenFotoverwaltung(), adodb::DatabaseError);
    EXPECT_EQ(GlobaldmFotoverwaltung, nullptr);
}

TEST(PhotoEnsureDataBase, TableInOtherLettersIsTakenAsFotos) {
    testsupport::Session session;
    sim::InsertDbRow(session.Database(), "Objektphotos", {});
    {
        TdmFotoverwaltung dm;
        ASSERT_TRUE(dm.OpenPrjDatabase(session.Database()));
        adodb::Query q(dm.ADOConnectionProjekt);
        q.SQL = {"create table FOTOS (FotoID integer)"};
        q.execSQL();
    }
    EnsureTableFotos();
    EXPECT_EQ(sim::DbTableSql(session.Database(), "Fotos"), "CREATE TABLE FOTOS (FotoID integer)");
    EXPECT_EQ(GlobaldmFotoverwaltung, nullptr);
}

TEST(PhotoEnsureDataBase, ErrorsLeaveNoModuleBehind) {
    testsupport::Session session;
    sim::TheProject().projectDB = session.File("fehlt.mdb");
    try {
        EnsureTableFotos();
        FAIL() << "a missing database must raise";
    } catch (const adodb::DatabaseError& e) {
        EXPECT_EQ(e.what(), "Die Datenbank \"" + session.File("fehlt.mdb") + "\" wurde nicht gefunden.");
    }
    EXPECT_EQ(GlobaldmFotoverwaltung, nullptr);
    // A failing creation (a view already holds the name) releases it, too.
    sim::TheProject().projectDB = session.Database();
    std::filesystem::remove(session.Database());
    sim::CreateProjectDatabase(session.Database());
    {
        TdmFotoverwaltung dm;
        ASSERT_TRUE(dm.OpenPrjDatabase(session.Database()));
        adodb::Query q(dm.ADOConnectionProjekt);
        q.SQL = {"create index Fotos_PrimaryKey on Objektphotos (PKEY)"};
        q.execSQL();
    }
    EXPECT_THROW(EnsureTableFotos(), adodb::DatabaseError);
    EXPECT_EQ(GlobaldmFotoverwaltung, nullptr);
}

TEST(PhotoEnsureDataBase, PhotoDirectoryIsMadeOnceAndKept) {
    testsupport::Session session;
    EnsureSubDirFotos();
    ASSERT_TRUE(std::filesystem::is_directory(session.dir / "FXPhotos"));
    session.dir.WriteFile("FXPhotos/FXFoto1.jpg", "x");
    EnsureSubDirFotos();
    EXPECT_EQ(session.dir.ReadFile("FXPhotos/FXFoto1.jpg"), "x");
}
