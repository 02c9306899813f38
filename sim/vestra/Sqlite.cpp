#include "vestra/Sqlite.h"

#include <sqlite3.h>

namespace vestra {

Database::Database(const std::string& path, bool create) : path_(path)
{
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw StoreError("Datenbank " + path + " kann nicht geöffnet werden: " + why);
    }
    sqlite3_busy_timeout(db_, 5000);
    Exec("PRAGMA foreign_keys = ON");
}

Database::~Database()
{
    sqlite3_close_v2(db_);
}

void Database::Exec(const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string why = message ? message : "unbekannter Fehler";
        sqlite3_free(message);
        throw StoreError("Datenbank " + path_ + ": " + why);
    }
}

void Database::Fail(const std::string& what) const
{
    throw StoreError("Datenbank " + path_ + ": " + what + ": " + sqlite3_errmsg(db_));
}

Statement::Statement(Database& db, const char* sql) : db_(db)
{
    if (sqlite3_prepare_v2(db.Handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK)
        db.Fail(sql);
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int i, const std::string& text)
{
    if (sqlite3_bind_text(stmt_, i, text.data(), int(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        db_.Fail("bind");
    return *this;
}

Statement& Statement::Bind(int i, int64_t value)
{
    if (sqlite3_bind_int64(stmt_, i, value) != SQLITE_OK)
        db_.Fail("bind");
    return *this;
}

Statement& Statement::Bind(int i, double value)
{
    if (sqlite3_bind_double(stmt_, i, value) != SQLITE_OK)
        db_.Fail("bind");
    return *this;
}

Statement& Statement::BindBlob(int i, const std::string& bytes)
{
    if (sqlite3_bind_blob(stmt_, i, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        db_.Fail("bind");
    return *this;
}

Statement& Statement::BindNull(int i)
{
    if (sqlite3_bind_null(stmt_, i) != SQLITE_OK)
        db_.Fail("bind");
    return *this;
}

bool Statement::Step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    db_.Fail(sqlite3_sql(stmt_));
}

void Statement::Run()
{
    while (Step()) {
    }
    Reset();
}

void Statement::Reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string Statement::Text(int col) const
{
    const unsigned char* p = sqlite3_column_text(stmt_, col);
    return p ? std::string(reinterpret_cast<const char*>(p), size_t(sqlite3_column_bytes(stmt_, col))) : std::string();
}

std::string Statement::Blob(int col) const
{
    const void* p = sqlite3_column_blob(stmt_, col);
    return p ? std::string(static_cast<const char*>(p), size_t(sqlite3_column_bytes(stmt_, col))) : std::string();
}

int64_t Statement::Int(int col) const { return sqlite3_column_int64(stmt_, col); }
double Statement::Real(int col) const { return sqlite3_column_double(stmt_, col); }
bool Statement::IsNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

WriteTransaction::WriteTransaction(Database& db) : db_(db)
{
    db_.Exec("SAVEPOINT vestra_write");
}

WriteTransaction::~WriteTransaction()
{
    if (open_)
        sqlite3_exec(db_.Handle(), "ROLLBACK TO vestra_write; RELEASE vestra_write", nullptr, nullptr, nullptr);
}

void WriteTransaction::Commit()
{
    db_.Exec("RELEASE vestra_write");
    open_ = false;
}

}  // namespace vestra
