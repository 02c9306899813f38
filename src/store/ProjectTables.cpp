#include "store/ProjectTables.h"

#include "util/Tools.h"

bool ProjectTableExists(const char* fileName) {
    dbf::Table table(MyGetProjectDir(), fileName);
    return table.exists();
}

ProjectTable::ProjectTable(const char* fileName, const char* indexName, Missing missing)
    : dbf::Table(MyGetProjectDir(), fileName) {
    if (indexName)
        setIndexName(indexName);
    // A missing file is found by the open itself: nothing is asked before it.
    if (missing == Missing::LeaveClosed)
        openIfExists();
    else
        open();
}

int32_t IntegerOrZero(dbf::Field& field) { return field.isNull() ? 0 : field.asInteger(); }

bool FindKennung(dbf::Table& table, const std::string& kennung) {
    return !kennung.empty() && table.findKey(kennung);
}
