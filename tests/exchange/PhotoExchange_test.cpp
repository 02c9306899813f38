// The photo exchange table and directory: what the export writes for which links, what the
// import copies and enters, and the directories it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "exchange/ExportFuncs.h"
#include "exchange/ImportFuncs.h"
#include "host/Pictures.h"
#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "photos/DataModule.h"
#include "photos/EnsureDataBase.h"
#include "plugin/Globals.h"
#include "support/Session.h"

namespace fs = std::filesystem;

namespace {

class PhotoExchange : public ::testing::Test {
protected:
    testsupport::Session session;
    fs::path exchange;  // the directory of the exchange file set, beside the project

    void SetUp() override {
        EnsureTableFotos();
        EnsureSubDirFotos();
        exchange = session.dir / "Austausch";
        fs::create_directory(exchange);
    }
    void TearDown() override { ReleaseFotoverwaltung(); }

    std::string ExchangeDir() const { return testsupport::TempDir::ToWin(exchange.string()) + "\\"; }

    void Object(int32_t id, const std::string& kennung) {
        sim::TheProject().objects[id] = sim::GeoObject{id, kennung, 1, 1, 0, 0};
    }
    void Foto(const sim::Row& values) { sim::InsertDbRow(session.Database(), "Fotos", values); }
    void Link(int32_t feldixId, int32_t photoId) {
        sim::InsertDbRow(session.Database(), "Objektphotos",
                         {{"FELDIXID", std::to_string(feldixId)}, {"PhotoID", std::to_string(photoId)}});
    }
    void Picture(const fs::path& path, unsigned seed) { ASSERT_TRUE(sim::WriteJpeg(path.string(), 16, 8, seed)); }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<sim::Row> Fotos() const { return sim::ReadDbRows(session.Database(), "Fotos"); }

    // The rows of an exchange table as our engine reads them, each field as text.
    static std::vector<std::map<std::string, std::string>> ExchangeRows(const std::string& dir, const std::string& name) {
        dbf::Table t(dir, name);
        t.open();
        std::vector<std::map<std::string, std::string>> rows;
        for (t.first(); !t.eof(); t.next()) {
            std::map<std::string, std::string> r;
            for (const auto& def : t.fieldDefs()) {
                dbf::Field& f = t.fieldByName(def.name);
                r[def.name] = f.isNull() ? "<null>" : f.asString();
            }
            rows.push_back(r);
        }
        return rows;
    }
};

}  // namespace

TEST_F(PhotoExchange, ExportTableHasTheFieldsInOrder) {
    auto t = CreateFotoTabelle("T7", ExchangeDir());
    ASSERT_TRUE(t);
    const auto defs = t->fieldDefs();
    const std::vector<std::tuple<std::string, dbf::FieldType, int>> expected = {
        {"PhotoID", dbf::FieldType::Integer, 0}, {"Kurzname", dbf::FieldType::Character, 50},
        {"Datei", dbf::FieldType::Character, 50}, {"RW", dbf::FieldType::Integer, 0},
        {"HW", dbf::FieldType::Integer, 0},      {"Richtung", dbf::FieldType::Integer, 0},
        {"Datum", dbf::FieldType::Date, 0},      {"Quelle", dbf::FieldType::Character, 255},
        {"Beschr", dbf::FieldType::Memo, 0}};
    ASSERT_EQ(defs.size(), expected.size());
    for (size_t i = 0; i < defs.size(); ++i) {
        EXPECT_EQ(defs[i].name, std::get<0>(expected[i]));
        EXPECT_EQ(defs[i].type, std::get<1>(expected[i])) << defs[i].name;
        if (std::get<2>(expected[i])) {
            EXPECT_EQ(defs[i].size, std::get<2>(expected[i])) << defs[i].name;
        }
    }
    EXPECT_TRUE(t->indexNames().empty());
    EXPECT_FALSE(CreateFotoTabelle("T7", ExchangeDir() + "fehlt\\"));  // no directory: none
}

TEST_F(PhotoExchange, SharedLocalPhotoGivesTwoRowsAndOneFile) {
    Object(1, "NSG-1");
    Object(2, "NSG-2");
    Foto({{"FotoID", "-1"}, {"Kurzname", "Eiche"}, {"RW", ""}, {"HW", ""}, {"Blickrichtung", ""},
          {"Aufnahmedatum", ""}, {"Quelle", "Kartierung"}, {"IsNew", "3"}, {"PicFileName", "FXFoto1.jpg"},
          {"Bildbeschreibung", "Alte Eiche\r\nam Weg – 5 €"}});
    Foto({{"FotoID", "-2"}, {"Kurzname", "Teich"}, {"RW", "3512345"}, {"HW", "5812345"}, {"Blickrichtung", "270"},
          {"Aufnahmedatum", "2024-05-03"}, {"IsNew", "3"}, {"PicFileName", "FXFoto2.jpg"}});
    Link(1, -1);
    Link(2, -1);
    Link(2, -2);
    Picture(session.dir / "FXPhotos" / "FXFoto1.jpg", 1);
    Picture(session.dir / "FXPhotos" / "FXFoto2.jpg", 2);
    ExportFotoTabelle("T7", ExchangeDir(), {"NSG-1", "NSG-2"});

    const auto rows = ExchangeRows(ExchangeDir(), "T7pc.dbf");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at("PhotoID"), "-1");
    EXPECT_EQ(rows[1].at("PhotoID"), "-1");
    EXPECT_EQ(rows[2].at("PhotoID"), "-2");
    // Null numbers travel as 0 and a null date as the first day of the date scale.
    EXPECT_EQ(rows[0].at("RW"), "0");
    EXPECT_EQ(rows[0].at("HW"), "0");
    EXPECT_EQ(rows[0].at("Richtung"), "0");
    EXPECT_EQ(rows[0].at("Datum"), "30.12.1899");
    EXPECT_EQ(rows[0].at("Beschr"), "Alte Eiche\r\nam Weg – 5 €");
    EXPECT_EQ(rows[0].at("Quelle"), "Kartierung");
    EXPECT_EQ(rows[0].at("Datei"), "FXFoto1.jpg");
    EXPECT_EQ(rows[2].at("RW"), "3512345");
    EXPECT_EQ(rows[2].at("HW"), "5812345");
    EXPECT_EQ(rows[2].at("Richtung"), "270");
    EXPECT_EQ(rows[2].at("Datum"), "03.05.2024");
    EXPECT_EQ(rows[2].at("Kurzname"), "Teich");

    const fs::path dir = exchange / "T7_Fotos";
    EXPECT_EQ(Read(dir / "FXFoto1.jpg"), Read(session.dir / "FXPhotos" / "FXFoto1.jpg"));
    EXPECT_EQ(Read(dir / "FXFoto2.jpg"), Read(session.dir / "FXPhotos" / "FXFoto2.jpg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    EXPECT_EQ(GlobaldmFotoverwaltung, nullptr);
}

TEST_F(PhotoExchange, PhotosFromVestraAndUnknownObjectsAreNotExported) {
    Object(1, "FFH-1");
    Foto({{"FotoID", "4711"}, {"IsNew", "2"}, {"PicFileName", "V4711.jpg"}});
    Link(1, 4711);
    Link(0, -9);  // a link of no object: an unknown identifier gives id 0 and must not find it
    Foto({{"FotoID", "-9"}, {"IsNew", "3"}, {"PicFileName", "FXFoto9.jpg"}});
    Picture(session.dir / "FXPhotos" / "V4711.jpg", 3);
    ExportFotoTabelle("T8", ExchangeDir(), {"FFH-1", "UNBEKANNT"});
    EXPECT_TRUE(fs::exists(exchange / "T8pc.dbf"));
    EXPECT_TRUE(ExchangeRows(ExchangeDir(), "T8pc.dbf").empty());
    EXPECT_TRUE(fs::is_empty(exchange / "T8_Fotos"));
}

TEST_F(PhotoExchange, EarlierExportIsEmptiedButItsPicturesStay) {
    Object(1, "NSG-1");
    Foto({{"FotoID", "-1"}, {"IsNew", "3"}, {"PicFileName", "FXFoto1.jpg"}});
    Link(1, -1);
    Picture(session.dir / "FXPhotos" / "FXFoto1.jpg", 1);
    {
        auto old = CreateFotoTabelle("T7", ExchangeDir());
        for (int i = 0; i < 3; ++i) {
            old->append();
            old->fieldByName("PhotoID").setInteger(100 + i);
            old->post();
        }
    }
    fs::create_directory(exchange / "T7_Fotos");
    Picture(exchange / "T7_Fotos" / "FXFoto1.jpg", 9);
    const std::string earlier = Read(exchange / "T7_Fotos" / "FXFoto1.jpg");
    ExportFotoTabelle("T7", testsupport::TempDir::ToWin(exchange.string()), {"NSG-1"});  // no delimiter
    const auto rows = ExchangeRows(ExchangeDir(), "T7pc.dbf");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("PhotoID"), "-1");
    EXPECT_EQ(Read(exchange / "T7_Fotos" / "FXFoto1.jpg"), earlier);
}

TEST_F(PhotoExchange, ExportReleasesTheModuleButNotUnderItsHolder) {
    auto holder = OpenFotoverwaltung();  // e.g. the open photo dialog
    Object(1, "NSG-1");
    ExportFotoTabelle("T7", ExchangeDir(), {"NSG-1"});
    EXPECT_EQ(GlobaldmFotoverwaltung, nullptr);
    ASSERT_TRUE(holder->ADOTblFotos.active());
    EXPECT_EQ(holder->GetFotoID(), -1);
}

namespace {

// An exchange set from VESTRA: T9pc.dbf with rows given field by field, and T9_Fotos.
class PhotoImport : public PhotoExchange {
protected:
    void SetUp() override {
        PhotoExchange::SetUp();
        fs::create_directory(exchange / "T9_Fotos");
    }
    void Row(const std::map<std::string, std::string>& values) {
        if (!fs::exists(exchange / "T9pc.dbf"))
            CreateFotoTabelle("T9", ExchangeDir());
        dbf::Table u(ExchangeDir(), "T9pc.dbf");
        u.open();
        u.append();
        for (const auto& [name, value] : values) {
            dbf::Field& f = u.fieldByName(name);
            if (f.type() == dbf::FieldType::Integer)
                f.setInteger(std::stoi(value));
            else if (f.type() == dbf::FieldType::Date)
                f.setDate(dbf::Date{std::stoi(value.substr(0, 4)), std::stoi(value.substr(5, 2)), std::stoi(value.substr(8, 2))});
            else
                f.setString(value);
        }
        u.post();
    }
    void Import() { ImportFotos("T9pc.dbf", "T9_Fotos", testsupport::TempDir::ToWin(exchange.string())); }
    fs::path Project(const std::string& name) const { return session.dir / "FXPhotos" / name; }
};

}  // namespace

TEST_F(PhotoImport, NewPhotoIsEnteredAndItsPictureReplacesTheProjectsOne) {
    Row({{"PhotoID", "4711"}, {"Kurzname", "Moor"}, {"Datei", "V4711.jpg"}, {"RW", "3500001"}, {"HW", "5800002"},
         {"Datum", "2023-07-14"}, {"Quelle", "VESTRA – Bestand"}, {"Beschr", "Zeile 1\r\nÄußerung 2 €"}});
    Picture(exchange / "T9_Fotos" / "V4711.jpg", 5);
    Picture(Project("V4711.jpg"), 6);  // an older picture of the same name
    Import();
    EXPECT_EQ(Read(Project("V4711.jpg")), Read(exchange / "T9_Fotos" / "V4711.jpg"));
    const auto rows = Fotos();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("FotoID"), "4711");
    EXPECT_EQ(rows[0].at("Kurzname"), "Moor");
    EXPECT_EQ(rows[0].at("PicFileName"), "V4711.jpg");
    EXPECT_EQ(rows[0].at("RW"), "3500001");
    EXPECT_EQ(rows[0].at("HW"), "5800002");
    EXPECT_EQ(rows[0].at("Blickrichtung"), "0");  // an empty Richtung is 0, not unknown
    EXPECT_EQ(rows[0].at("Aufnahmedatum"), "2023-07-14");
    EXPECT_EQ(rows[0].at("Quelle"), "VESTRA – Bestand");
    EXPECT_EQ(rows[0].at("Bildbeschreibung"), "Zeile 1\r\nÄußerung 2 €");
    EXPECT_EQ(rows[0].at("IsNew"), "2");
    EXPECT_NE(GlobaldmFotoverwaltung, nullptr);  // the import leaves the module open
}

TEST_F(PhotoImport, KnownPhotoKeepsItsRecord) {
    Foto({{"FotoID", "4711"}, {"Kurzname", "Alt"}, {"IsNew", "2"}, {"PicFileName", "V4711.jpg"}});
    Row({{"PhotoID", "4711"}, {"Kurzname", "Neu"}, {"Datei", "V4711.jpg"}});
    Row({{"PhotoID", "4712"}, {"Kurzname", "Zweites"}, {"Datei", "V4712.jpg"}});
    Picture(exchange / "T9_Fotos" / "V4711.jpg", 5);
    Picture(Project("V4711.jpg"), 6);
    Import();
    const auto rows = Fotos();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("Kurzname"), "Alt");
    EXPECT_EQ(rows[1].at("Kurzname"), "Zweites");
    EXPECT_EQ(Read(Project("V4711.jpg")), Read(exchange / "T9_Fotos" / "V4711.jpg"));  // picture replaced all the same
}

TEST_F(PhotoImport, NothingWithoutTheExchangeTableOrThePhotoDirectory) {
    Picture(exchange / "T9_Fotos" / "V1.jpg", 1);
    Import();
    EXPECT_FALSE(fs::exists(Project("V1.jpg")));
    EXPECT_TRUE(Fotos().empty());
    Row({{"PhotoID", "1"}, {"Datei", "V1.jpg"}});
    fs::remove_all(session.dir / "FXPhotos");
    Import();
    EXPECT_TRUE(Fotos().empty());
    EXPECT_TRUE(session.Messages().empty());
}

TEST_F(PhotoImport, TheProjectsOwnPhotoDirectoryIsRefusedHoweverSpelt) {
    Row({{"PhotoID", "1"}, {"Datei", "FXFoto1.jpg"}});
    Foto({{"FotoID", "-1"}, {"IsNew", "3"}, {"PicFileName", "FXFoto1.jpg"}});
    Picture(Project("FXFoto1.jpg"), 1);
    const std::string picture = Read(Project("FXFoto1.jpg"));
    const std::string project = testsupport::TempDir::ToWin(session.dir.path().string());
    // The exchange set lies in the project directory and its photo directory is "FXPhotos",
    // reached through ".." and with a trailing delimiter.
    fs::copy_file(exchange / "T9pc.dbf", session.dir / "T9pc.dbf");
    for (const std::string& dir : {std::string("Austausch\\..\\FXPhotos"), std::string("FXPhotos\\")}) {
        ImportFotos("T9pc.dbf", dir, project);
        EXPECT_EQ(Read(Project("FXFoto1.jpg")), picture);
    }
    ASSERT_EQ(session.Messages().size(), 2u);
    EXPECT_EQ(session.Messages()[0],
              "Das Transaktions- und das FELDIX-Projektverzeichnis müssen voneinander getrennt sein um Fotos zu "
              "importieren!");
    EXPECT_EQ(Fotos().size(), 1u);
}

TEST_F(PhotoImport, LocalPictureNotYetSentIsKeptAndTheImportedOneGoesBeside) {
    Foto({{"FotoID", "-1"}, {"IsNew", "3"}, {"PicFileName", "FXFoto1.jpg"}});
    Foto({{"FotoID", "17"}, {"IsNew", "2"}, {"PicFileName", "V17.jpg"}});
    Picture(Project("FXFoto1.jpg"), 1);
    Picture(Project("FXFoto1_1.jpg"), 2);  // the first free name is taken, too
    Picture(Project("V17.jpg"), 3);
    const std::string local = Read(Project("FXFoto1.jpg"));
    Row({{"PhotoID", "4711"}, {"Datei", "FXFoto1.jpg"}});
    Row({{"PhotoID", "18"}, {"Datei", "V17.jpg"}});
    Picture(exchange / "T9_Fotos" / "FXFoto1.jpg", 7);
    Picture(exchange / "T9_Fotos" / "V17.jpg", 8);
    Import();
    EXPECT_EQ(Read(Project("FXFoto1.jpg")), local);
    EXPECT_EQ(Read(Project("FXFoto1_2.jpg")), Read(exchange / "T9_Fotos" / "FXFoto1.jpg"));
    EXPECT_EQ(Read(Project("V17.jpg")), Read(exchange / "T9_Fotos" / "V17.jpg"));  // not a local photo's
    const auto rows = Fotos();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].at("FotoID"), "4711");
    EXPECT_EQ(rows[2].at("PicFileName"), "FXFoto1_2.jpg");
    EXPECT_EQ(rows[3].at("PicFileName"), "V17.jpg");
}
