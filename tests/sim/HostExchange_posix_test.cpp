// The stand-in's own geodata and attribute data export and import through the four host calls:
// what is exported, what an import creates or replaces, that a failure changes nothing, and the
// table post the host reports while it exports.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "exchange/AttributeXml.h"
#include "exchange/Geodata.h"
#include "host/HostActions.h"
#include "host/Plugin.h"
#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "host/SimTables.h"
#include "host/fxAPI32.h"
#include "host/gisconst.h"
#include "plugin/Globals.h"
#include "support/Session.h"

namespace {

using testsupport::Session;
using testsupport::TempDir;

const sim::Attributes kNsgAttributes = {{"Name", " M\xFChlenbach "}, {"Fl\xE4" "che", "12,5 m\xB2"}, {"Leer", ""}};

sim::GeoObject& AddObject(int32_t id, const std::string& kennung, int32_t cls, double x, double y) {
    sim::GeoObject o;
    o.id = id;
    o.kennung = kennung;
    o.classId = cls;
    o.x = x;
    o.y = y;
    sim::Project& p = sim::TheProject();
    p.ReserveIds(id);
    return p.objects[id] = o;
}

void Link(const Session& s, int32_t object, const std::string& photo) {
    sim::InsertDbRow(s.Database(), "Objektphotos", {{"FELDIXID", std::to_string(object)}, {"PhotoID", photo}});
}

// The links of an object as "PhotoID:Hauptphoto", in key order.
std::vector<std::string> Links(const Session& s, int32_t object) {
    std::vector<std::string> out;
    for (const auto& r : sim::ReadDbRows(s.Database(), "Objektphotos"))
        if (r.at("FELDIXID") == std::to_string(object))
            out.push_back(r.at("PhotoID") + ":" + r.at("Hauptphoto"));
    return out;
}

void Sql(const Session& s, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(s.Database().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Hook calls during the import, as the host reports them to the runner.
struct HookRecorder {
    std::vector<std::string> calls;
    HookRecorder() {
        sim::ThePlugin().onCall = [this](const std::string& name, intptr_t, intptr_t, intptr_t) { calls.push_back(name); };
    }
    ~HookRecorder() { sim::ThePlugin().onCall = nullptr; }
};

// A project of three objects in two classes with attributes and photo links; 1 and 3 selected.
class ExchangeHost : public ::testing::Test {
protected:
    TempDir files;  // outlives the project
    std::unique_ptr<Session> session = std::make_unique<Session>();

    void SetUp() override {
        sim::Project& p = sim::TheProject();
        p.classes = {{1, "NSG"}, {2, "FFH"}};
        AddObject(1, "NS0000001", 1, 3512345.25, 5712345.75).attributes = kNsgAttributes;
        AddObject(2, "FF0000002", 2, 3500000, 5700000).attributes = {{"Name", "nicht gew\xE4hlt"}};
        AddObject(3, "FF0000003", 2, -1.5, 0.125);
        Link(*session, 1, "17");
        Link(*session, 2, "99");
        Link(*session, 1, "");  // a link without a photo is none
        Link(*session, 1, "4");
        p.selection = {3, 1};
    }
    std::string File(const std::string& name) const { return (files / name).string(); }
};

TEST_F(ExchangeHost, ExportWritesExactlyTheSelectedObjectsWithClassNamesAttributesAndPhotos) {
    ASSERT_EQ(fxExportGeodaten(File("Transa.shp").c_str(), 10, 0, 0), 1);
    const auto points = fxexchange::ReadGeodata(File("Transa"));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].Kennung, "FF0000003");
    EXPECT_EQ(points[0].Klasse, "FFH");
    EXPECT_DOUBLE_EQ(points[0].X, -1.5);
    EXPECT_DOUBLE_EQ(points[0].Y, 0.125);
    EXPECT_EQ(points[1].Kennung, "NS0000001");
    EXPECT_EQ(points[1].Klasse, "NSG");
    EXPECT_DOUBLE_EQ(points[1].X, 3512345.25);

    ASSERT_EQ(fxExportDataXML(File("Transa.xml").c_str(), 0, -1), 1);
    const auto objects = fxexchange::ReadAttributeXml(File("Transa.xml"));
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].Kennung, "FF0000003");
    EXPECT_TRUE(objects[0].Attribute.empty());
    EXPECT_TRUE(objects[0].Fotos.empty());
    EXPECT_EQ(objects[1].Klasse, "NSG");
    EXPECT_EQ(objects[1].Attribute, kNsgAttributes);
    EXPECT_EQ(objects[1].Fotos, (std::vector<int32_t>{17, 4}));

    // An empty selection writes an empty set; an object of an unknown class has no class name.
    sim::TheProject().selection.clear();
    ASSERT_EQ(fxExportGeodaten(File("leer.shp").c_str(), 10, 0, 0), 1);
    EXPECT_TRUE(fxexchange::ReadGeodata(File("leer")).empty());
    sim::TheProject().objects[3].classId = 42;
    sim::TheProject().selection = {3};
    ASSERT_EQ(fxExportDataXML(File("ohne.xml").c_str(), 0, -1), 1);
    EXPECT_EQ(fxexchange::ReadAttributeXml(File("ohne.xml")).at(0).Klasse, "");
}

TEST_F(ExchangeHost, RoundTripIntoAnotherProjectMapsClassesByNameAndLinksThePhotos) {
    ASSERT_EQ(fxExportGeodaten(File("Transa.shp").c_str(), 10, 0, 0), 1);
    ASSERT_EQ(fxExportDataXML(File("Transa.xml").c_str(), 0, -1), 1);
    session.reset();
    session = std::make_unique<Session>();
    sim::Project& p = sim::TheProject();
    p.classes = {{5, "FFH"}, {8, "LSG"}};  // NSG is unknown here
    AddObject(20, "LS0000020", 8, 1, 1);
    Link(*session, 20, "3");
    HookRecorder hooks;

    ASSERT_EQ(fxImportGeodaten(File("Transa").c_str(), 10, -1), 1);
    ASSERT_EQ(fxImportDataXML(File("Transa.xml").c_str(), -1), 1);
    EXPECT_TRUE(hooks.calls.empty()) << hooks.calls.front();

    ASSERT_EQ(p.objects.size(), 3u);
    EXPECT_EQ(p.classes.at(9), "NSG");  // added with the next free id
    const sim::GeoObject* ff = p.FindByKennung("FF0000003");
    const sim::GeoObject* ns = p.FindByKennung("NS0000001");
    ASSERT_TRUE(ff && ns);
    EXPECT_GT(ff->id, 20);
    EXPECT_GT(ns->id, 20);
    EXPECT_NE(ff->id, ns->id);
    EXPECT_EQ(ff->classId, 5);
    EXPECT_EQ(ns->classId, 9);
    EXPECT_EQ(ns->geoType, fx_SinglePoint);
    EXPECT_DOUBLE_EQ(ns->x, 3512345.25);
    EXPECT_DOUBLE_EQ(ns->y, 5712345.75);
    EXPECT_EQ(ns->attributes, kNsgAttributes);
    EXPECT_TRUE(ff->attributes.empty());
    EXPECT_EQ(Links(*session, ns->id), (std::vector<std::string>{"17:WAHR", "4:FALSCH"}));
    EXPECT_TRUE(Links(*session, ff->id).empty());
    EXPECT_EQ(Links(*session, 20), (std::vector<std::string>{"3:FALSCH"}));
    EXPECT_TRUE(p.selection.empty());
    EXPECT_EQ(p.activeObject, 0);
}

TEST_F(ExchangeHost, ImportReplacesGeometryClassAttributesAndLinksOfKnownIdentifiers) {
    fxexchange::WriteGeodata(File("Neu"), {{"FF0000002", "NSG", 7, 8}, {"XX0000009", "", 1, 2}});
    fxexchange::WriteAttributeXml(File("Neu.xml"), {{"FF0000002", "NSG", {{"Name", "neu"}}, {31, 30}},
                                                    {"UNBEKANNT", "NSG", {{"Name", "x"}}, {77}},
                                                    {"NS0000001", "NSG", {}, {}}});
    sim::Project& p = sim::TheProject();
    // The host's cursor is on the active object's old link.
    p.activeObject = 2;
    char buffer[16] = {};
    ASSERT_TRUE(fxGetValueByName("Objektphotos", "PhotoID", buffer, 15));
    EXPECT_STREQ(buffer, "99");
    HookRecorder hooks;
    ASSERT_EQ(fxImportGeodaten(File("Neu").c_str(), 10, -1), 1);
    ASSERT_EQ(fxImportDataXML(File("Neu.xml").c_str(), -1), 1);
    EXPECT_TRUE(hooks.calls.empty());

    ASSERT_EQ(p.objects.size(), 4u);  // XX0000009 new, FF0000002 kept its id
    const sim::GeoObject& ff = p.objects.at(2);
    EXPECT_EQ(ff.classId, 1);
    EXPECT_DOUBLE_EQ(ff.x, 7);
    EXPECT_DOUBLE_EQ(ff.y, 8);
    EXPECT_EQ(ff.attributes, (sim::Attributes{{"Name", "neu"}}));
    EXPECT_EQ(Links(*session, 2), (std::vector<std::string>{"31:WAHR", "30:FALSCH"}));
    EXPECT_EQ(p.FindByKennung("XX0000009")->classId, 0);  // no class name, no class
    EXPECT_EQ(p.classes.size(), 2u);
    EXPECT_FALSE(p.FindByKennung("UNBEKANNT"));
    // An Objekt without attributes and photos empties both.
    EXPECT_TRUE(p.objects.at(1).attributes.empty());
    EXPECT_TRUE(Links(*session, 1).empty());
    // The new links have new keys.
    const auto rows = sim::ReadDbRows(session->Database(), "Objektphotos");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_GT(std::stoi(rows[0].at("PKEY")), 4);
    // The host's cursor presents the new links of the active object.
    ASSERT_TRUE(fxGetValueByName("Objektphotos", "PhotoID", buffer, 15));
    EXPECT_STREQ(buffer, "31");
}

TEST_F(ExchangeHost, FailuresReturnZeroAndChangeNothing) {
    sim::Project& p = sim::TheProject();
    const auto unchanged = [&] {
        EXPECT_EQ(p.objects.size(), 3u);
        EXPECT_EQ(p.objects.at(1).attributes, kNsgAttributes);
        EXPECT_DOUBLE_EQ(p.objects.at(2).x, 3500000);
        EXPECT_EQ(p.classes.size(), 2u);
        EXPECT_EQ(Links(*session, 1), (std::vector<std::string>{"17:FALSCH", ":FALSCH", "4:FALSCH"}));
    };
    // Missing and incomplete geodata.
    EXPECT_EQ(fxImportGeodaten(File("fehlt").c_str(), 10, -1), 0);
    fxexchange::WriteGeodata(File("halb"), {{"FF0000002", "VSG", 1, 1}, {"NEU", "VSG", 2, 2}});
    std::filesystem::remove(File("halb.dbf"));
    EXPECT_EQ(fxImportGeodaten(File("halb").c_str(), 10, -1), 0);
    unchanged();
    // Attribute data: the second Objekt is malformed, so the first is not taken either.
    std::ofstream(File("kaputt.xml"))
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Sachdaten Version=\"1\">"
           "<Objekt Kennung=\"NS0000001\"><Foto PhotoID=\"1\"/></Objekt>"
           "<Objekt Kennung=\"FF0000002\"><Foto PhotoID=\"eins\"/></Objekt></Sachdaten>";
    EXPECT_EQ(fxImportDataXML(File("kaputt.xml").c_str(), -1), 0);
    EXPECT_EQ(fxImportDataXML(File("fehlt.xml").c_str(), -1), 0);
    unchanged();
    // The project database refuses the new links: the old ones and the attributes stay.
    fxexchange::WriteAttributeXml(File("gut.xml"), {{"NS0000001", "NSG", {{"Name", "neu"}}, {1}}});
    Sql(*session, "create trigger gesperrt before insert on Objektphotos begin select raise(abort, 'gesperrt'); end");
    EXPECT_EQ(fxImportDataXML(File("gut.xml").c_str(), -1), 0);
    unchanged();
    Sql(*session, "drop trigger gesperrt");
    // Injected failures of the host calls.
    fxexchange::WriteGeodata(File("gut"), {{"NS0000001", "VSG", 1, 1}});
    p.FailCall("fxImportGeodaten", 1, false, sim::FailMode::Return);
    EXPECT_EQ(fxImportGeodaten(File("gut").c_str(), 10, -1), 0);
    p.FailCall("fxImportDataXML", 1, false, sim::FailMode::Return);
    EXPECT_EQ(fxImportDataXML(File("gut.xml").c_str(), -1), 0);
    EXPECT_EQ(p.objects.at(1).classId, 1);
    EXPECT_EQ(p.objects.at(1).attributes, kNsgAttributes);
}

TEST_F(ExchangeHost, ExportFailuresReturnZeroAndWriteNothing) {
    sim::Project& p = sim::TheProject();
    p.objects[3].kennung = std::string(51, 'K');  // longer than the shapefile's field
    EXPECT_EQ(fxExportGeodaten(File("lang.shp").c_str(), 10, 0, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(File("lang.shp")));
    p.objects[3].kennung = "FF0000003";
    p.FailCall("fxExportGeodaten", 1, false, sim::FailMode::Return);
    EXPECT_EQ(fxExportGeodaten(File("a.shp").c_str(), 10, 0, 0), 0);
    p.FailCall("fxExportDataXML", 1, false, sim::FailMode::Return);
    EXPECT_EQ(fxExportDataXML(File("a.xml").c_str(), 0, -1), 0);
    EXPECT_FALSE(std::filesystem::exists(File("a.shp")));
    EXPECT_FALSE(std::filesystem::exists(File("a.xml")));
    EXPECT_EQ(fxExportDataXML(File("fehlt/a.xml").c_str(), 0, -1), 0);  // no such directory
}

// What the host passes to OnTablePost while it exports, and which object is active then.
struct Post {
    std::string table;
    intptr_t event;
    int32_t active;
};
std::vector<Post> gPosts;
intptr_t FXAPI RecordPost(intptr_t, intptr_t table, intptr_t event) {
    gPosts.push_back({reinterpret_cast<const char*>(table), event, fxGetActiveGeoObject()});
    return -1;
}

TEST_F(ExchangeHost, AttributeExportPostsTheRecordOfTheActiveObject) {
    sim::ThePlugin().UseHooks("Stub.dll", {{"OnTablePost", &RecordPost}});
    sim::Project& p = sim::TheProject();
    const auto post = [&](int32_t activeBefore) {
        gPosts.clear();
        p.activeObject = activeBefore;
        EXPECT_EQ(fxExportDataXML(File("a.xml").c_str(), 0, -1), 1);
        EXPECT_EQ(gPosts.size(), 1u);
        return gPosts.empty() ? Post{"", 0, 0} : gPosts.front();
    };
    // No active object: the first exported one is active for the post, and none afterwards.
    Post seen = post(0);
    EXPECT_EQ(seen.table, "FFH");
    EXPECT_EQ(seen.event, 1);
    EXPECT_EQ(seen.active, 3);
    EXPECT_EQ(p.activeObject, 0);
    // An active object, exported or not, is the one whose record is posted, and stays active.
    EXPECT_EQ(post(1).active, 1);
    EXPECT_EQ(p.activeObject, 1);
    EXPECT_EQ(post(2).active, 2);
    EXPECT_EQ(p.activeObject, 2);
    // Nothing exported or nothing written: nothing posted; the geodata export posts nothing.
    gPosts.clear();
    p.selection.clear();
    EXPECT_EQ(fxExportDataXML(File("b.xml").c_str(), 0, -1), 1);
    p.selection = {1};
    EXPECT_EQ(fxExportDataXML(File("fehlt/b.xml").c_str(), 0, -1), 0);
    EXPECT_EQ(fxExportGeodaten(File("b.shp").c_str(), 10, 0, 0), 1);
    EXPECT_TRUE(gPosts.empty());
}

TEST_F(ExchangeHost, ThePluginsFlagKeepsTheExportFromMarkingTheObjectChanged) {
    // The plug-in's own hooks: the post marks the active listed object unless the flag is set.
    sim::SeedRow(session->ProjectDir(), "TA_LIST.DBF",
                 {{"TID", "7"}, {"FELDIXID", "3"}, {"SCHREIBEND", "1"}, {"KENNUNG", "FF0000003"},
                  {"KENNUNGO", "FF0000003"}, {"CHANGED", "IGNORED"}});
    const auto changed = [&] { return sim::ReadRows(session->ProjectDir(), "TA_LIST.DBF").at(0).at("CHANGED"); };
    blnDoNotSetChangeFlag = true;
    EXPECT_EQ(fxExportDataXML(File("a.xml").c_str(), 0, -1), 1);
    blnDoNotSetChangeFlag = false;
    EXPECT_EQ(changed(), "IGNORED");
    EXPECT_EQ(fxExportDataXML(File("a.xml").c_str(), 0, -1), 1);
    EXPECT_EQ(changed(), "UPDATE");
}

}  // namespace
