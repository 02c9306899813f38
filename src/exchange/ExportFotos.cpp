#include "exchange/ExportFotos.h"

#include "host/fxAPI32.h"
#include "photos/DataModule.h"
#include "platform/os/Files.h"
#include "util/Tools.h"
#include "util/Utils.h"

using dbf::FieldType;

std::unique_ptr<dbf::Table> CreateFotoTabelle(const std::string& FileNamePrefix, const std::string& ExportDir) {
    try {
        auto t = std::make_unique<dbf::Table>(ExportDir, FileNamePrefix + "pc.dbf", dbf::TableType::dBase);
        if (t->exists()) {
            t->open();
            t->emptyTable();
        } else {
            t->addFieldDef("PhotoID", FieldType::Integer);
            t->addFieldDef("Kurzname", FieldType::Character, 50);
            t->addFieldDef("Datei", FieldType::Character, 50);
            t->addFieldDef("RW", FieldType::Integer);
            t->addFieldDef("HW", FieldType::Integer);
            t->addFieldDef("Richtung", FieldType::Integer);
            t->addFieldDef("Datum", FieldType::Date);
            t->addFieldDef("Quelle", FieldType::Character, 255);
            t->addFieldDef("Beschr", FieldType::Memo);
            t->createTable();
            t->open();
        }
        return t;
    } catch (...) {
        return nullptr;
    }
}

namespace {

// One exchange row from the current record of Fotos; null numbers go as 0, a null date as
// day 0 of the date scale.
void AppendFotoRow(dbf::Table& t, adodb::Table& fotos) {
    t.append();
    t.fieldByName("PhotoID").setInteger(fotos.fieldByName("FotoID").asInteger());
    t.fieldByName("Kurzname").setString(fotos.fieldByName("Kurzname").asString());
    t.fieldByName("Datei").setString(fotos.fieldByName("PicFileName").asString());
    t.fieldByName("RW").setInteger(fotos.fieldByName("RW").asInteger());
    t.fieldByName("HW").setInteger(fotos.fieldByName("HW").asInteger());
    t.fieldByName("Richtung").setInteger(fotos.fieldByName("Blickrichtung").asInteger());
    const adodb::Field datum = fotos.fieldByName("Aufnahmedatum");
    const adodb::Date d = datum.isNull() ? adodb::Date{1899, 12, 30} : datum.asDate();
    t.fieldByName("Datum").setDate(dbf::Date{d.year, d.month, d.day});
    t.fieldByName("Quelle").setString(fotos.fieldByName("Quelle").asString());
    t.fieldByName("Beschr").setString(fotos.fieldByName("Bildbeschreibung").asString());
    t.post();
}

}  // namespace

std::vector<std::pair<std::string, int32_t>> LokaleFotoLinks(TdmFotoverwaltung& dm,
                                                             const std::vector<std::string>& slObjectsWithFotos) {
    std::vector<std::pair<std::string, int32_t>> links;
    adodb::Query& q = dm.wrkADOQuery;
    for (const std::string& strKennung : slObjectsWithFotos) {
        const int32_t id = fxGetIDFromKennung(strKennung.c_str());
        if (id == 0)
            continue;  // the host knows no object of that identifier: no link can be its
        q.close();
        q.SQL = {"select PhotoID", "from Objektphotos", "where FELDIXID = " + std::to_string(id)};
        q.open();
        for (q.first(); !q.eof(); q.next()) {
            const int32_t FotoID = q.fieldByName("PhotoID").asInteger();
            if (dm.ADOTblFotos.locate("FotoID", adodb::Value{int64_t{FotoID}}) &&
                dm.ADOTblFotos.fieldByName("IsNew").asInteger() == FotoLokal)
                links.emplace_back(strKennung, FotoID);
        }
        q.close();
    }
    return links;
}

void ExportFotoTabelle(const std::string& FileNamePrefix, const std::string& ExportDir,
                       const std::vector<std::string>& slObjectsWithFotos) {
    const std::string strTargetDir = WithSlash(ExportDir) + FileNamePrefix + "_Fotos";
    const std::string strSourceDir = MyGetProjectDir() + "FXPhotos";
    if (!DirExists(strTargetDir))
        os::CreateDir(strTargetDir);
    std::unique_ptr<dbf::Table> tblFotos = CreateFotoTabelle(FileNamePrefix, ExportDir);
    if (!tblFotos)
        return;
    // Held to the end even if the photo dialog lets go of the global instance meanwhile.
    const std::shared_ptr<TdmFotoverwaltung> dm = OpenFotoverwaltung();
    for (const auto& link : LokaleFotoLinks(*dm, slObjectsWithFotos)) {
        dm->ADOTblFotos.locate("FotoID", adodb::Value{int64_t{link.second}});
        AppendFotoRow(*tblFotos, dm->ADOTblFotos);
        const std::string strPic = dm->ADOTblFotos.fieldByName("PicFileName").asString();
        const std::string strTarget = strTargetDir + "\\" + strPic;
        if (!FileExistsEx(strTarget))
            os::CopyFileTo(strSourceDir + "\\" + strPic, strTarget, true);
    }
    tblFotos.reset();
    ReleaseFotoverwaltung();
}
