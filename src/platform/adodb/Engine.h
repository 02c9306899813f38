// The backends behind the database objects: a database file and cursors over its rows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/adodb/Database.h"

namespace adodb::engine {

struct Column {
    std::string name;
    int width = 0;  // declared width of a text column, 0 when unbounded
};

enum class State { Browse, Edit, Insert };

// The rows of a table or query with a current row. The values of the current row live in
// row (all null at the end); edits change row and post writes it.
class Cursor {
public:
    virtual ~Cursor() = default;
    std::vector<Column> columns;
    std::vector<Value> row;
    State state = State::Browse;

    int columnIndex(const std::string& name) const;  // ignoring case; -1 when absent

    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;
    virtual bool locate(int column, const Value& value) = 0;
    virtual void post() = 0;
    virtual void cancel() = 0;
    virtual void remove() = 0;
    virtual void refresh() = 0;
};

class Database {
public:
    virtual ~Database() = default;
    virtual std::vector<std::string> tableNames() = 0;
    virtual void execute(const std::string& sql) = 0;
    virtual std::unique_ptr<Cursor> query(const std::string& sql) = 0;
    virtual std::unique_ptr<Cursor> table(const std::string& name) = 0;
    // A write transaction begun, a change made in it and rolled back; raises DatabaseError
    // with the problem found when the database cannot be changed.
    virtual void requireWritable() = 0;
};

// The backend for the database a connection string names, chosen by the platform.
std::unique_ptr<Database> Open(const std::string& connectionString);
// An existing SQLite file (Windows-style path).
std::unique_ptr<Database> OpenSqlite(const std::string& path);
// The database an OLE DB connection string names, through ADO (Windows only).
std::unique_ptr<Database> OpenAdo(const std::string& connectionString);
// Whether the file begins with SQLite's header (an empty file counts as SQLite, too).
bool IsSqliteFile(const std::string& path);

// Jet's day number (days since 30 December 1899) and back.
double DayNumber(const Date& d);
Date FromDayNumber(double days);
// The value equal in the manner of a locate: numbers by value, texts exactly.
bool SameValue(const Value& a, const Value& b);

}  // namespace adodb::engine
