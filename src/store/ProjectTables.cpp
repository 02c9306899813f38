#include "store/ProjectTables.h"

#include "util/Tools.h"

bool ProjectTableExists(const char* fileName) {
    dbf::Table table(MyGetProjectDir(), fileName);
    return table.exists();
}

namespace {
// Errors of the system that reads the file, not of the file's contents.
bool NotTheFilesFault(const std::string& text) {
    for (const char* access : {"Die Datei kann nicht geöffnet werden", "Die Datei kann nicht gelesen werden",
                               "Die Größe der Datei kann nicht ermittelt werden", "schreibgeschützt", "beschädigt"})
        if (text.find(access) != std::string::npos)
            return true;
    return false;
}
}  // namespace

ProjectTable::ProjectTable(const char* fileName, const char* indexName, Missing missing)
    : dbf::Table(MyGetProjectDir(), fileName) {
    try {
        if (indexName)
            setIndexName(indexName);
        // A missing file is found by the open itself: nothing is asked before it.
        if (missing == Missing::LeaveClosed)
            openIfExists();
        else
            open();
    } catch (const dbf::EngineError& e) {
        // The plug-in makes its tables whole, with every index: one that lacks a part, or
        // is cut short, is damaged, and the user is told so.
        if (!exists() || NotTheFilesFault(e.what()))
            throw;
        throw dbf::EngineError(std::string("Die Tabelle ") + fileName + " des Projekts ist beschädigt: " + e.what());
    }
}

int32_t IntegerOrZero(dbf::Field& field) { return field.isNull() ? 0 : field.asInteger(); }

bool FindKennung(dbf::Table& table, const std::string& kennung) {
    return !kennung.empty() && table.findKey(kennung);
}
