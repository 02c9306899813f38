#include "ProjectDatabase.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "platform/ui/Cp1252.h"

namespace sim {

namespace {

struct DbClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtFinalize {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Db = std::unique_ptr<sqlite3, DbClose>;
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalize>;

Db OpenDb(const std::string& path, bool create) {
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error("project database " + path + ": " + sqlite3_errmsg(raw));
    sqlite3_busy_timeout(db.get(), 5000);
    return db;
}

std::string Quoted(const std::string& name) {
    std::string q = "\"";
    for (char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

Stmt Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, ui::Cp1252ToUtf8(sql).c_str(), -1, &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error("project database: " + std::string(sqlite3_errmsg(db)) + " in: " + sql);
    return Stmt(raw);
}

void BindText(sqlite3_stmt* s, int i, const std::string& v) {
    if (v.empty())
        sqlite3_bind_null(s, i);
    else
        sqlite3_bind_text(s, i, ui::Cp1252ToUtf8(v).c_str(), -1, SQLITE_TRANSIENT);
}

bool Step(sqlite3* db, sqlite3_stmt* s) {
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw std::runtime_error("project database: " + std::string(sqlite3_errmsg(db)));
    return rc == SQLITE_ROW;
}

std::string Text(sqlite3_stmt* s, int i) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return p ? ui::Utf8ToCp1252(p) : std::string();
}

}  // namespace

void CreateProjectDatabase(const std::string& path) {
    if (std::filesystem::exists(path))
        return;
    Db db = OpenDb(path, true);
    // The host's own key runs on by itself; the photo id and the object id are numbers, the
    // main-photo mark a truth value in text form.
    Stmt s = Prepare(db.get(),
                     "create table Objektphotos (PKEY integer primary key autoincrement, PhotoID integer, "
                     "FELDIXID integer, Hauptphoto varchar(10) default 'FALSCH')");
    Step(db.get(), s.get());
}

int64_t InsertDbRow(const std::string& path, const std::string& table, const Row& values) {
    Db db = OpenDb(path, false);
    std::string names, marks;
    for (const auto& [name, value] : values) {
        names += (names.empty() ? "" : ",") + Quoted(name);
        marks += marks.empty() ? "?" : ",?";
    }
    const std::string sql = values.empty() ? "insert into " + Quoted(table) + " default values"
                                           : "insert into " + Quoted(table) + " (" + names + ") values (" + marks + ")";
    Stmt s = Prepare(db.get(), sql);
    int i = 1;
    for (const auto& [name, value] : values)
        BindText(s.get(), i++, value);
    Step(db.get(), s.get());
    return sqlite3_last_insert_rowid(db.get());
}

std::vector<Row> ReadDbRows(const std::string& path, const std::string& table) {
    Db db = OpenDb(path, false);
    Stmt s = Prepare(db.get(), "select * from " + Quoted(table) + " order by rowid");
    std::vector<Row> rows;
    while (Step(db.get(), s.get())) {
        Row r;
        for (int i = 0; i < sqlite3_column_count(s.get()); ++i)
            r[sqlite3_column_name(s.get(), i)] = Text(s.get(), i);
        rows.push_back(std::move(r));
    }
    return rows;
}

bool DbTableExists(const std::string& path, const std::string& table) { return !DbTableSql(path, table).empty(); }

std::string DbTableSql(const std::string& path, const std::string& table) {
    if (!std::filesystem::exists(path))
        return "";
    Db db = OpenDb(path, false);
    Stmt s = Prepare(db.get(), "select sql from sqlite_master where type='table' and name = ? collate nocase");
    BindText(s.get(), 1, table);
    return Step(db.get(), s.get()) ? Text(s.get(), 0) : std::string();
}

std::vector<int64_t> LinkKeys(const std::string& path, int32_t feldixId) {
    Db db = OpenDb(path, false);
    Stmt s = Prepare(db.get(), "select PKEY from Objektphotos where FELDIXID = ? order by PKEY");
    sqlite3_bind_int(s.get(), 1, feldixId);
    std::vector<int64_t> keys;
    while (Step(db.get(), s.get()))
        keys.push_back(sqlite3_column_int64(s.get(), 0));
    return keys;
}

std::optional<std::string> LinkValue(const std::string& path, int64_t pkey, const std::string& field) {
    Db db = OpenDb(path, false);
    sqlite3_stmt* raw = nullptr;
    const std::string sql = "select " + Quoted(field) + " from Objektphotos where PKEY = ?";
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        return std::nullopt;  // no such column
    Stmt s(raw);
    sqlite3_bind_int64(s.get(), 1, pkey);
    if (!Step(db.get(), s.get()))
        return std::nullopt;
    return Text(s.get(), 0);
}

bool SetLinkValue(const std::string& path, int64_t pkey, const std::string& field, const std::string& value) {
    Db db = OpenDb(path, false);
    sqlite3_stmt* raw = nullptr;
    const std::string sql = "update Objektphotos set " + Quoted(field) + " = ? where PKEY = ?";
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        return false;
    Stmt s(raw);
    BindText(s.get(), 1, value);
    sqlite3_bind_int64(s.get(), 2, pkey);
    Step(db.get(), s.get());
    return sqlite3_changes(db.get()) == 1;
}

int64_t AppendLink(const std::string& path, int32_t feldixId) {
    return InsertDbRow(path, "Objektphotos", Row{{"FELDIXID", std::to_string(feldixId)}});
}

std::vector<int32_t> LinkedPhotos(const std::string& path, int32_t feldixId) {
    Db db = OpenDb(path, false);
    Stmt s = Prepare(db.get(),
                     "select PhotoID from Objektphotos where FELDIXID = ? and typeof(PhotoID) = 'integer' "
                     "and PhotoID between -2147483648 and 2147483647 order by PKEY");
    sqlite3_bind_int(s.get(), 1, feldixId);
    std::vector<int32_t> ids;
    while (Step(db.get(), s.get()))
        ids.push_back(sqlite3_column_int(s.get(), 0));
    return ids;
}

void ReplaceLinks(const std::string& path, const std::vector<ObjectLinks>& links) {
    Db db = OpenDb(path, false);
    Stmt begin = Prepare(db.get(), "begin immediate");
    Step(db.get(), begin.get());
    // Rolled back unless the commit below ran.
    struct Rollback {
        sqlite3* db;
        bool done = false;
        ~Rollback() {
            if (!done)
                sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        }
    } rollback{db.get()};
    Stmt remove = Prepare(db.get(), "delete from Objektphotos where FELDIXID = ?");
    Stmt insert = Prepare(db.get(), "insert into Objektphotos (PhotoID, FELDIXID, Hauptphoto) values (?, ?, ?)");
    for (const ObjectLinks& object : links) {
        sqlite3_reset(remove.get());
        sqlite3_bind_int(remove.get(), 1, object.feldixId);
        Step(db.get(), remove.get());
        for (size_t i = 0; i < object.photos.size(); ++i) {
            sqlite3_reset(insert.get());
            sqlite3_bind_int(insert.get(), 1, object.photos[i]);
            sqlite3_bind_int(insert.get(), 2, object.feldixId);
            sqlite3_bind_text(insert.get(), 3, i == 0 ? "WAHR" : "FALSCH", -1, SQLITE_STATIC);
            Step(db.get(), insert.get());
        }
    }
    Stmt commit = Prepare(db.get(), "commit");
    Step(db.get(), commit.get());
    rollback.done = true;
}

}  // namespace sim
