// A thin RAII layer over SQLite: one connection, prepared statements, and a write transaction
// that rolls back unless committed.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace vestra {

// Every failure of the central store; the text names the store file or the statement.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Database {
public:
    // create: make the file if it is missing; otherwise a missing file is an error.
    Database(const std::string& path, bool create);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Exec(const std::string& sql);
    sqlite3* Handle() const { return db_; }
    const std::string& Path() const { return path_; }
    [[noreturn]] void Fail(const std::string& what) const;

private:
    sqlite3* db_ = nullptr;
    std::string path_;
};

class Statement {
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds by position, from 1; each returns *this for chaining.
    Statement& Bind(int i, const std::string& text);
    Statement& Bind(int i, int64_t value);
    Statement& Bind(int i, double value);
    Statement& BindBlob(int i, const std::string& bytes);
    Statement& BindNull(int i);
    // true while a row is there; throws on errors.
    bool Step();
    // Runs a statement that returns no rows.
    void Run();
    void Reset();

    std::string Text(int col) const;
    std::string Blob(int col) const;
    int64_t Int(int col) const;
    double Real(int col) const;
    bool IsNull(int col) const;

private:
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A savepoint, so that writes nest: rolled back on destruction unless Commit ran.
class WriteTransaction {
public:
    explicit WriteTransaction(Database& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void Commit();

private:
    Database& db_;
    bool open_ = true;
};

}  // namespace vestra
