#include "photos/DataModule.h"

#include "plugin/Globals.h"
#include "util/Tools.h"

namespace {
std::string PrjConnectionString(const std::string& strDBName) {
    return std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + strDBName + ";" + "Persist Security Info=False";
}
}  // namespace

TdmFotoverwaltung::TdmFotoverwaltung() { ADOConnectionProjekt.setLoginPrompt(false); }

TdmFotoverwaltung::~TdmFotoverwaltung() { DataModuleDestroy(); }

bool TdmFotoverwaltung::OpenPrjDatabase(const std::string& strDBName) {
    try {
        ADOConnectionProjekt.setLoginPrompt(false);
        ADOConnectionProjekt.setConnectionString(PrjConnectionString(strDBName));
        ADOConnectionProjekt.open();
    } catch (...) {
    }
    return ADOConnectionProjekt.connected();
}

void TdmFotoverwaltung::ClosePrjDatabase() {
    // Tables and queries go first: none may outlive the connection it reads through.
    ADOTblFotos.close();
    wrkADOQuery.close();
    ADOQueryFindFoto.close();
    ADOConnectionProjekt.close();
}

void TdmFotoverwaltung::OpenTables() {
    ADOTblFotos.setTableName("Fotos");
    ADOTblFotos.open();
}

void TdmFotoverwaltung::CreateTableFotos() {
    adodb::Query q(ADOConnectionProjekt);
    q.SQL = {"create table Fotos",
             " (FotoID integer, ",
             "Kurzname text(50), ",
             "RW integer, ",
             "HW integer, ",
             "Blickrichtung integer, ",
             "Aufnahmedatum date, ",
             "Quelle text(255), ",
             "IsNew integer, ",
             "PicFileName text(50), ",
             "Bildbeschreibung memo) "};
    q.execSQL();
    q.SQL.clear();
    q.SQL = {"Create unique index PrimaryKey on Fotos", "(FotoID) with primary"};
    q.execSQL();
}

int32_t TdmFotoverwaltung::GetFotoID() {
    int32_t candidate;
    try {
        ADOTblFotos.first();
        candidate = ADOTblFotos.fieldByName("FotoID").asInteger() - 1;
    } catch (const adodb::DatabaseError&) {
        candidate = -1;
    }
    if (candidate >= 0)
        candidate = -1;
    while (ADOTblFotos.locate("FotoID", adodb::Value{int64_t{candidate}}))
        --candidate;
    return candidate;
}

int32_t TdmFotoverwaltung::FotoWirdVerwendet(int32_t FotoID) {
    ADOQueryFindFoto.close();
    ADOQueryFindFoto.SQL.clear();
    ADOQueryFindFoto.SQL = {"Select count (*) from Objektphotos", "where PhotoID = " + std::to_string(FotoID)};
    ADOQueryFindFoto.open();
    const int32_t n = ADOQueryFindFoto.field(0).asInteger();
    ADOQueryFindFoto.close();
    return n;
}

void TdmFotoverwaltung::DataModuleDestroy() {
    try {
        ClosePrjDatabase();
    } catch (...) {
    }
}

std::shared_ptr<TdmFotoverwaltung> OpenFotoverwaltung() {
    if (!GlobaldmFotoverwaltung) {
        auto dm = std::make_shared<TdmFotoverwaltung>();
        dm->OpenPrjDatabase(MyGetProjectDB());
        // A module whose table did not open is not kept: the next call tries again.
        dm->OpenTables();
        GlobaldmFotoverwaltung = std::move(dm);
    }
    return GlobaldmFotoverwaltung;
}

void RequirePrjDatabaseWritable(const std::string& strDBName) {
    adodb::Connection connection;
    connection.setLoginPrompt(false);
    connection.setConnectionString(PrjConnectionString(strDBName));
    connection.open();
    connection.requireWritable();
}

void ReleaseFotoverwaltung() {
    try {
        GlobaldmFotoverwaltung.reset();
    } catch (...) {
    }
}
