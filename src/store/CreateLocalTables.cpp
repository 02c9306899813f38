// Creation of the project's local tables.
#include "store/CreateLocalTables.h"

#include <utility>
#include <vector>

#include "platform/dbf/DbfTable.h"
#include "platform/os/Cursor.h"
#include "store/TableUnit.h"
#include "util/Tools.h"

namespace {

struct FieldSpec {
    const char* name;
    dbf::FieldType type;
    int size;
};

using IndexSpec = std::pair<const char*, const char*>;  // index name, field

void CreateLocalTable(const std::string& directory, const std::string& fileName,
                      const std::vector<FieldSpec>& fields, const std::vector<IndexSpec>& indexes) {
    // A table is made whole, with all its indexes, or not at all.
    TableUnit unit(directory, kChangeNotMade);
    {
        dbf::Table table(directory, fileName, dbf::TableType::dBase);
        if (table.exists()) return;
        os::BusyCursor busy;
        table.clearFieldDefs();
        for (const auto& f : fields) table.addFieldDef(f.name, f.type, f.size);
        table.createTable();
        for (const auto& [name, field] : indexes) table.addIndex(name, field);
    }
    unit.Commit();
}

constexpr dbf::FieldType kInteger = dbf::FieldType::Integer;
constexpr dbf::FieldType kCharacter = dbf::FieldType::Character;

}  // namespace

void CreateTransactionListIn(const std::string& directory, const std::string& TListName) {
    CreateLocalTable(directory, TListName,
                     {{"TID", kInteger, 0},
                      {"FELDIXID", kInteger, 0},
                      {"VGNR", kInteger, 0},
                      {"SCHREIBEND", kInteger, 0},
                      {"KENNUNG", kCharacter, 50},
                      {"CHANGED", kCharacter, 15},
                      {"KENNUNGO", kCharacter, 50}},
                     {{"idxKennung", "KENNUNG"}, {"idxTID", "TID"}, {"idxSchreib", "SCHREIBEND"}, {"idxOKenn", "KENNUNGO"}});
}

void CreateKennungListIn(const std::string& directory) {
    CreateLocalTable(directory, "TA_KL.DBF", {{"TID", kInteger, 0}, {"KENNUNG", kCharacter, 50}},
                     {{"idxKennung", "KENNUNG"}, {"idxTID", "TID"}});
}

void CreateTransactionIDTableIn(const std::string& directory) {
    CreateLocalTable(directory, "TA_ID.DBF",
                     {{"TID", kInteger, 0}, {"NAME", kCharacter, 75}, {"OWNER", kCharacter, 75}},
                     {{"idxTID", "TID"}});
}

void CreateTransactionList(const std::string& TListName) { CreateTransactionListIn(MyGetProjectDir(), TListName); }
void CreateKennungList() { CreateKennungListIn(MyGetProjectDir()); }
void CreateTransactionIDTable() { CreateTransactionIDTableIn(MyGetProjectDir()); }
