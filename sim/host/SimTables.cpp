#include "SimTables.h"

#include <cctype>
#include <stdexcept>

#include "platform/dbf/DbfTable.h"

namespace sim {

namespace {

struct FieldSpec {
    const char* name;
    dbf::FieldType type;
    int size;
};

struct TableSpec {
    const char* file;
    std::vector<FieldSpec> fields;
    std::vector<std::pair<const char*, const char*>> indexes;
};

const TableSpec* Spec(const std::string& table) {
    using T = dbf::FieldType;
    static const std::vector<TableSpec> specs = {
        {"TA_LIST.DBF",
         {{"TID", T::Integer, 0}, {"FELDIXID", T::Integer, 0}, {"VGNR", T::Integer, 0}, {"SCHREIBEND", T::Integer, 0},
          {"KENNUNG", T::Character, 50}, {"CHANGED", T::Character, 15}, {"KENNUNGO", T::Character, 50}},
         {{"idxKennung", "KENNUNG"}, {"idxTID", "TID"}, {"idxSchreib", "SCHREIBEND"}, {"idxOKenn", "KENNUNGO"}}},
        {"TA_KL.DBF", {{"TID", T::Integer, 0}, {"KENNUNG", T::Character, 50}}, {{"idxKennung", "KENNUNG"}, {"idxTID", "TID"}}},
        {"TA_ID.DBF", {{"TID", T::Integer, 0}, {"NAME", T::Character, 75}, {"OWNER", T::Character, 75}}, {{"idxTID", "TID"}}},
    };
    // The object list and the identifier list of a checkout, named by their suffix.
    static const std::vector<TableSpec> members = {
        {"kl.dbf", {{"KENNUNG", T::Character, 41}, {"TID", T::Integer, 0}}, {}},
        {"t.dbf",
         {{"KENNUNG", T::Character, 41}, {"TID", T::Integer, 0}, {"FELDIXID", T::Integer, 0}, {"VGNR", T::Integer, 0},
          {"SCHREIBEND", T::Integer, 0}},
         {}},
    };
    for (const auto& s : specs)
        if (table == s.file)
            return &s;
    std::string lower = table;
    for (char& ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const auto& s : members)
        if (lower.size() >= std::string(s.file).size() && lower.ends_with(s.file))
            return &s;
    return nullptr;
}

}  // namespace

bool TableExists(const std::string& dir, const std::string& table) {
    dbf::Table t(dir, table);
    return t.exists();
}

void SeedTable(const std::string& dir, const std::string& table) {
    const TableSpec* spec = Spec(table);
    if (!spec)
        throw std::runtime_error("the stand-in knows no table " + table);
    dbf::Table t(dir, table);
    if (t.exists())
        return;
    t.clearFieldDefs();
    for (const auto& f : spec->fields)
        t.addFieldDef(f.name, f.type, f.size);
    t.createTable();
    for (const auto& [name, field] : spec->indexes)
        t.addIndex(name, field);
}

void SeedRow(const std::string& dir, const std::string& table, const Row& values) {
    SeedTable(dir, table);
    dbf::Table t(dir, table);
    t.open();
    t.append();
    for (const auto& [field, value] : values) {
        dbf::Field& f = t.fieldByName(field);
        if (f.type() == dbf::FieldType::Integer || f.type() == dbf::FieldType::Numeric)
            f.setInteger(std::stoi(value));
        else
            f.setString(value);
    }
    t.post();
}

std::vector<Row> ReadRows(const std::string& dir, const std::string& table) {
    dbf::Table t(dir, table);
    t.open();
    std::vector<Row> rows;
    const auto defs = t.fieldDefs();
    for (t.first(); !t.eof(); t.next()) {
        Row r;
        for (const auto& d : defs)
            r[d.name] = t.fieldByName(d.name).asString();
        rows.push_back(std::move(r));
    }
    return rows;
}

std::vector<std::string> FieldNames(const std::string& dir, const std::string& table) {
    dbf::Table t(dir, table);
    t.open();
    std::vector<std::string> names;
    for (const auto& d : t.fieldDefs())
        names.push_back(d.name);
    return names;
}

}  // namespace sim
