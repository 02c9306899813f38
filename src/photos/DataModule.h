// The photo data module: the connection to the project database, the table Fotos and its queries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/adodb/Database.h"

class TdmFotoverwaltung {
public:
    TdmFotoverwaltung();
    ~TdmFotoverwaltung();  // DataModuleDestroy
    TdmFotoverwaltung(const TdmFotoverwaltung&) = delete;
    TdmFotoverwaltung& operator=(const TdmFotoverwaltung&) = delete;

    adodb::Connection ADOConnectionProjekt;
    adodb::Table ADOTblFotos{ADOConnectionProjekt};
    adodb::Query wrkADOQuery{ADOConnectionProjekt};
    adodb::Query ADOQueryFindFoto{ADOConnectionProjekt};

    // True when the connection is open afterwards; errors are not reported.
    bool OpenPrjDatabase(const std::string& strDBName);
    void ClosePrjDatabase();
    // Opens ADOTblFotos on the table Fotos.
    void OpenTables();
    void CreateTableFotos();
    // A negative id that no record of Fotos has, for a new locally captured photo.
    int32_t GetFotoID();
    // How many links of Objektphotos use the photo.
    int32_t FotoWirdVerwendet(int32_t FotoID);
    // Closes the connection, ignoring errors.
    void DataModuleDestroy();
};

// Values of IsNew: a photo from VESTRA, one captured here.
constexpr int32_t FotoVonVestra = 2;
constexpr int32_t FotoLokal = 3;

// The data module of the photo operations, opened on demand: when GlobaldmFotoverwaltung holds
// none, a new one is made, connected to the project database and its table opened. Callers
// keep the returned reference for as long as they work with it, so that a release elsewhere
// (project close, end of an export) never pulls it from under them.
std::shared_ptr<TdmFotoverwaltung> OpenFotoverwaltung();
// Opens the project database on a connection of its own and begins and ends a write
// transaction in it; raises adodb::DatabaseError, which says whether the file is missing,
// locked, read-only or damaged and names it, when the database cannot be changed.
void RequirePrjDatabaseWritable(const std::string& strDBName);
// Lets go of the global instance; it is destroyed (and its connection closed) as soon as no
// caller holds it any more. Errors are ignored.
void ReleaseFotoverwaltung();
