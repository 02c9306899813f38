// The SQLite backend: Jet SQL translated where SQLite differs, cp1252 text kept as UTF-8.
#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>

#include "platform/adodb/Engine.h"
#include "platform/os/Files.h"
#include "platform/ui/Cp1252.h"

namespace adodb::engine {

namespace {

struct DbClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtFinalize {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using DbHandle = std::unique_ptr<sqlite3, DbClose>;
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalize>;

// The problem a result code stands for; Other for the failures of a statement itself.
Problem ProblemOf(int rc) {
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Problem::Locked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:  // an open file whose journal cannot be made beside it
        return Problem::ReadOnly;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Problem::Damaged;
    default:
        return Problem::Other;
    }
}

// The file's problem when the code names one, else what failed with SQLite's text. path: the
// database as it was named; empty: as SQLite knows it.
[[noreturn]] void Fail(sqlite3* db, const std::string& what, const std::string& path = std::string()) {
    const Problem problem = ProblemOf(sqlite3_extended_errcode(db));
    if (problem != Problem::Other) {
        const char* name = sqlite3_db_filename(db, "main");
        throw DatabaseError(problem, !path.empty() ? path : ui::Utf8ToCp1252(name ? name : ""));
    }
    throw DatabaseError(what + ": " + ui::Utf8ToCp1252(sqlite3_errmsg(db)));
}

std::string Quoted(const std::string& name) {
    std::string q = "\"";
    for (char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

// Jet's data definition where SQLite has none: widths stay in the declared type, so that
// writes can cut texts to them; Jet's index names belong to their table.
std::string Translate(const std::string& jet) {
    // Only definitions are translated: queries and row statements pass unchanged (and fast).
    std::string head;
    for (size_t i = jet.find_first_not_of(" \t\r\n"); i < jet.size() && head.size() < 6; ++i)
        head += static_cast<char>(std::tolower(static_cast<unsigned char>(jet[i])));
    if (head.rfind("create", 0) != 0 && head.rfind("alter", 0) != 0)
        return jet;
    using std::regex;
    const auto icase = std::regex::ECMAScript | std::regex::icase;
    static const regex text(R"(\btext\s*\(\s*(\d+)\s*\))", icase);
    static const regex memo(R"(\bmemo\b)", icase);
    static const regex primary(R"(\bcreate\s+(unique\s+)?index\s+(\w+)\s+on\s+(\w+)\s*(\([^)]*\))\s*with\s+primary\b)",
                               icase);
    std::string s = std::regex_replace(jet, text, "varchar($1)");
    s = std::regex_replace(s, memo, "text");
    s = std::regex_replace(s, primary, "create unique index \"$3_$2\" on $3 $4");
    return s;
}

int WidthOf(const char* declared) {
    if (!declared)
        return 0;
    std::cmatch m;
    static const std::regex width(R"(^\s*(varchar|text|char|nvarchar)\s*\(\s*(\d+)\s*\))", std::regex::icase);
    return std::regex_search(declared, m, width) ? std::stoi(m[2].str()) : 0;
}

bool IsDateType(const char* declared) {
    if (!declared)
        return false;
    static const std::regex date(R"(^\s*(date|datetime|timestamp)\b)", std::regex::icase);
    return std::regex_search(declared, date);
}

class SqliteDatabase;

Value ReadColumn(sqlite3_stmt* s, int i, bool isDate) {
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_NULL:
        return std::monostate{};
    case SQLITE_INTEGER:
        if (isDate)
            return FromDayNumber(static_cast<double>(sqlite3_column_int64(s, i)));
        return static_cast<int64_t>(sqlite3_column_int64(s, i));
    case SQLITE_FLOAT:
        if (isDate)
            return FromDayNumber(sqlite3_column_double(s, i));
        return sqlite3_column_double(s, i);
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        std::string text = ui::Utf8ToCp1252(p ? std::string(p, sqlite3_column_bytes(s, i)) : std::string());
        Date d;
        if (isDate && std::sscanf(text.c_str(), "%4d-%2d-%2d", &d.year, &d.month, &d.day) == 3)
            return d;
        return text;
    }
    }
}

void Bind(sqlite3* db, sqlite3_stmt* s, int i, const Value& v) {
    int rc = SQLITE_OK;
    if (std::holds_alternative<std::monostate>(v)) {
        rc = sqlite3_bind_null(s, i);
    } else if (auto* n = std::get_if<int64_t>(&v)) {
        rc = sqlite3_bind_int64(s, i, *n);
    } else if (auto* f = std::get_if<double>(&v)) {
        rc = sqlite3_bind_double(s, i, *f);
    } else if (auto* t = std::get_if<std::string>(&v)) {
        rc = sqlite3_bind_text(s, i, ui::Cp1252ToUtf8(*t).c_str(), -1, SQLITE_TRANSIENT);
    } else {
        const Date& d = std::get<Date>(v);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
        rc = sqlite3_bind_text(s, i, buf, -1, SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        Fail(db, "Ein Wert konnte nicht übergeben werden");
}

Stmt Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    const std::string utf8 = ui::Cp1252ToUtf8(sql);
    if (sqlite3_prepare_v2(db, utf8.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        Fail(db, "Fehler in der SQL-Anweisung");
    return Stmt(raw);
}

bool Step(sqlite3* db, sqlite3_stmt* s) {
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        Fail(db, "Fehler beim Zugriff auf die Datenbank");
    return false;
}

// Rows read at once; each with its rowid when the cursor is a table's.
class SqliteCursor : public Cursor {
public:
    SqliteCursor(sqlite3* db, std::string sql, std::string table)
        : db_(db), sql_(std::move(sql)), table_(std::move(table)) {
        load();
        first();
    }

    void first() override { moveTo(0); }
    void next() override { moveTo(pos_ < rows_.size() ? pos_ + 1 : pos_); }
    bool eof() const override { return pos_ >= rows_.size(); }

    bool locate(int column, const Value& value) override {
        for (size_t i = 0; i < rows_.size(); ++i)
            if (SameValue(rows_[i].values[column], value)) {
                moveTo(i);
                return true;
            }
        return false;
    }

    void post() override {
        writable();
        std::string sql;
        if (state == State::Insert) {
            std::string names, marks;
            for (size_t i = 0; i < columns.size(); ++i) {
                names += (i ? "," : "") + Quoted(columns[i].name);
                marks += i ? ",?" : "?";
            }
            sql = "insert into " + Quoted(table_) + " (" + names + ") values (" + marks + ")";
        } else {
            sql = "update " + Quoted(table_) + " set ";
            for (size_t i = 0; i < columns.size(); ++i)
                sql += (i ? "," : "") + Quoted(columns[i].name) + "=?";
            sql += " where rowid=?";
        }
        Stmt s = Prepare(db_, sql);
        for (size_t i = 0; i < columns.size(); ++i)
            Bind(db_, s.get(), static_cast<int>(i + 1), row[i]);
        if (state == State::Edit)
            Bind(db_, s.get(), static_cast<int>(columns.size() + 1), rows_[pos_].rowid);
        Step(db_, s.get());
        if (state == State::Insert) {
            rows_.push_back(Row{sqlite3_last_insert_rowid(db_), {}});
            pos_ = rows_.size() - 1;
        }
        reread(pos_);
        state = State::Browse;
        moveTo(pos_);
    }

    void cancel() override {
        state = State::Browse;
        moveTo(pos_);
    }

    void remove() override {
        writable();
        Stmt s = Prepare(db_, "delete from " + Quoted(table_) + " where rowid=?");
        Bind(db_, s.get(), 1, rows_[pos_].rowid);
        Step(db_, s.get());
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(pos_));
        moveTo(pos_);
    }

    void refresh() override {
        const int64_t at = eof() ? 0 : std::get<int64_t>(rows_[pos_].rowid);
        load();
        size_t p = rows_.size();
        for (size_t i = 0; i < rows_.size(); ++i)
            if (std::get<int64_t>(rows_[i].rowid) == at)
                p = i;
        moveTo(p);
    }

private:
    struct Row {
        Value rowid;
        std::vector<Value> values;
    };

    void writable() const {
        if (table_.empty())
            throw DatabaseError("Die Datenmenge kann nicht geändert werden.");
    }

    void moveTo(size_t p) {
        pos_ = std::min(p, rows_.size());
        if (pos_ < rows_.size())
            row = rows_[pos_].values;
        else
            row.assign(columns.size(), Value{});
    }

    void load() {
        Stmt s = Prepare(db_, sql_);
        const int first = table_.empty() ? 0 : 1;  // a table's cursor reads rowid first
        const int n = sqlite3_column_count(s.get());
        columns.clear();
        isDate_.clear();
        for (int i = first; i < n; ++i) {
            const char* declared = sqlite3_column_decltype(s.get(), i);
            columns.push_back(Column{ui::Utf8ToCp1252(sqlite3_column_name(s.get(), i)), WidthOf(declared)});
            isDate_.push_back(IsDateType(declared));
        }
        rows_.clear();
        while (Step(db_, s.get()))
            rows_.push_back(readRow(s.get(), first));
    }

    Row readRow(sqlite3_stmt* s, int first) {
        Row r;
        if (first)
            r.rowid = static_cast<int64_t>(sqlite3_column_int64(s, 0));
        for (size_t i = 0; i < columns.size(); ++i)
            r.values.push_back(ReadColumn(s, static_cast<int>(i) + first, isDate_[i]));
        return r;
    }

    // The stored row as the database now holds it (affinity may have changed a value).
    void reread(size_t p) {
        Stmt s = Prepare(db_, "select rowid, * from " + Quoted(table_) + " where rowid=?");
        Bind(db_, s.get(), 1, rows_[p].rowid);
        if (Step(db_, s.get()))
            rows_[p] = readRow(s.get(), 1);
    }

    sqlite3* db_;
    std::string sql_, table_;
    std::vector<Row> rows_;
    std::vector<bool> isDate_;
    size_t pos_ = 0;
};

class SqliteDatabase : public Database {
public:
    explicit SqliteDatabase(DbHandle db) : db_(std::move(db)) {}

    std::vector<std::string> tableNames() override {
        Stmt s = Prepare(db_.get(),
                         "select name from sqlite_master where type in ('table','view') "
                         "and name not like 'sqlite\\_%' escape '\\' order by name");
        std::vector<std::string> names;
        while (Step(db_.get(), s.get()))
            names.push_back(ui::Utf8ToCp1252(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0))));
        return names;
    }

    void execute(const std::string& sql) override {
        Stmt s = Prepare(db_.get(), Translate(sql));
        while (Step(db_.get(), s.get())) {
        }
    }

    std::unique_ptr<Cursor> query(const std::string& sql) override {
        return std::make_unique<SqliteCursor>(db_.get(), Translate(sql), std::string());
    }

    std::unique_ptr<Cursor> table(const std::string& name) override {
        return std::make_unique<SqliteCursor>(db_.get(), "select rowid, * from " + Quoted(name), name);
    }

    // The table made inside the transaction makes SQLite take the write lock, open its journal
    // and change a page: a lock, a read-only file or directory and a damaged schema show here.
    void requireWritable() override {
        sqlite3* db = db_.get();
        Step(db, Prepare(db, "begin immediate").get());
        try {
            Step(db, Prepare(db, "create table if not exists \"ve1 Schreibprobe\" (x integer)").get());
        } catch (...) {
            sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
            throw;
        }
        Step(db, Prepare(db, "rollback").get());
    }

private:
    DbHandle db_;
};

}  // namespace

bool IsSqliteFile(const std::string& path) {
    std::ifstream in(os::NativePath(path), std::ios::binary);
    if (!in)
        return false;
    char head[16] = {};
    in.read(head, sizeof head);
    if (in.gcount() == 0)
        return true;
    return in.gcount() == 16 && std::string(head, 16) == std::string("SQLite format 3\0", 16);
}

std::unique_ptr<Database> OpenSqlite(const std::string& path) {
    const std::string native = os::NativePath(path);
    if (path.empty() || !os::FileExists(path))
        throw DatabaseError(Problem::Missing, path);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(ui::Cp1252ToUtf8(native).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DbHandle db(raw);
    if (rc != SQLITE_OK)
        Fail(db.get(), "Die Datenbank '" + path + "' kann nicht geöffnet werden", path);
    sqlite3_busy_timeout(db.get(), 5000);
    // A file that is no SQLite database shows itself at the first read.
    try {
        Stmt check = Prepare(db.get(), "select count(*) from sqlite_master");
        Step(db.get(), check.get());
    } catch (const DatabaseError& e) {
        if (e.problem() == Problem::Other)
            throw;
        throw DatabaseError(e.problem(), path);  // named as the caller named it
    }
    return std::make_unique<SqliteDatabase>(std::move(db));
}

double DayNumber(const Date& d) {
    // Days from the civil date (proleptic Gregorian), counted from 30 December 1899.
    const int y = d.month <= 2 ? d.year - 1 : d.year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (d.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + d.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days1970 = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<double>(days1970 + 25569);
}

Date FromDayNumber(double days) {
    long z = static_cast<long>(std::floor(days)) - 25569 + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    Date d;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2 ? 1 : 0));
    return d;
}

bool SameValue(const Value& a, const Value& b) {
    auto number = [](const Value& v, double& out) {
        if (auto* i = std::get_if<int64_t>(&v))
            return out = static_cast<double>(*i), true;
        if (auto* f = std::get_if<double>(&v))
            return out = *f, true;
        return false;
    };
    double x = 0, y = 0;
    if (number(a, x) && number(b, y))
        return x == y;
    if (std::holds_alternative<std::monostate>(a) || std::holds_alternative<std::monostate>(b))
        return false;
    return a == b;
}

}  // namespace adodb::engine
