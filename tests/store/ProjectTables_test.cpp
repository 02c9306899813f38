// A local table that lacks a part or is cut short is reported as damaged, naming it; a project
// holding only part of its tables is reported as incomplete, not as one without them.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "host/Project.h"
#include "host/SimTables.h"
#include "platform/dbf/DbfTable.h"
#include "host/NewKennungStruct.h"
#include "plugin/Globals.h"
#include "plugin/VE1TransAction.h"
#include "support/Session.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Session;

int Told(const Session& s, const std::string& part) {
    int n = 0;
    for (const auto& m : s.Messages()) n += m.find(part) != std::string::npos;
    return n;
}

TEST(DamagedTable, AHookSaysWhichTableIsDamaged) {
    const std::vector<std::pair<const char*, std::function<void(Session&)>>> damages = {
        {"cut short", [](Session& s) { fs::resize_file(s.File("TA_LIST.DBF"), 40); }},
        {"without its index file", [](Session& s) { fs::remove(s.File("TA_LIST.MDX")); }},
        {"with another table's index file",
         [](Session& s) {
             sim::SeedTable(s.ProjectDir(), "TA_KL.DBF");
             fs::remove(s.File("TA_LIST.MDX"));
             fs::copy_file(s.File("TA_KL.MDX"), s.File("TA_LIST.MDX"));
         }},
        {"without the index it is looked up by",
         [](Session& s) {
             fs::remove(s.File("TA_LIST.DBF"));
             fs::remove(s.File("TA_LIST.MDX"));
             dbf::Table t(s.ProjectDir(), "TA_LIST.DBF");
             for (const char* name : {"TID", "FELDIXID", "VGNR", "SCHREIBEND"}) t.addFieldDef(name, dbf::FieldType::Integer);
             t.addFieldDef("KENNUNG", dbf::FieldType::Character, 50);
             t.addFieldDef("CHANGED", dbf::FieldType::Character, 15);
             t.addFieldDef("KENNUNGO", dbf::FieldType::Character, 50);
             t.createTable();
             t.addIndex("idxTID", "TID");
         }},
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        Session s;
        sim::TheProject().objects[1] = sim::GeoObject{1, "NSG-0001", 1, 1, 0, 0};
        sim::TheProject().activeObject = 1;
        sim::SeedRow(s.ProjectDir(), "TA_LIST.DBF",
                     {{"TID", "4"}, {"SCHREIBEND", "1"}, {"KENNUNG", "NSG-0001"}, {"CHANGED", "IGNORED"}});
        damage(s);
        AfterEditObject(0, 0, 0);
        ASSERT_EQ(s.Messages().size(), 1u);
        EXPECT_NE(s.Messages()[0].find("beschädigt"), std::string::npos) << s.Messages()[0];
        EXPECT_NE(s.Messages()[0].find("TA_LIST"), std::string::npos) << s.Messages()[0];
    }
}

TEST(DamagedTable, ACreationBesideAListWithoutTA_IDSaysTheDataIsIncomplete) {
    for (const bool withList : {false, true}) {
        SCOPED_TRACE(withList);
        Session s;
        if (withList) sim::SeedTable(s.ProjectDir(), "TA_LIST.DBF");
        char buffer[51] = "FX-1";
        NewKennungStruct data{buffer, 50, 0};
        EXPECT_EQ(static_cast<int16_t>(BeforeCreateObject(1, reinterpret_cast<intptr_t>(&data), 0)), -1);
        EXPECT_EQ(data.UseHostKennung, 1);
        EXPECT_EQ(Told(s, "Transaktionsliste nicht gefunden!"), withList ? 0 : 1);
        EXPECT_EQ(Told(s, "unvollständig"), withList ? 1 : 0);
    }
}

}  // namespace
