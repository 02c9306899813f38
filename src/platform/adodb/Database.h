// Connection, table and query objects over the project database (Jet through ADO, or SQLite).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace adodb {

// What is wrong with a database file, as far as its backend can tell.
enum class Problem { Other, Missing, Locked, ReadOnly, Damaged };

// Every failure of the database layer; the text says what failed.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& what) : std::runtime_error(what) {}
    // A file with a known problem: the text (German) says which and names the file.
    DatabaseError(Problem problem, const std::string& path);
    Problem problem() const { return problem_; }

private:
    Problem problem_ = Problem::Other;
};

// A calendar date (the time of day is not kept).
struct Date {
    int year = 0, month = 0, day = 0;
    bool operator==(const Date&) const = default;
};

// A column value as the layer carries it: null, integer, floating point, text or date.
using Value = std::variant<std::monostate, int64_t, double, std::string, Date>;

// One column of the current row.
class Field {
public:
    Field(std::string name, Value* value, int width, bool writable)
        : name_(std::move(name)), value_(value), width_(width), writable_(writable) {}
    const std::string& name() const { return name_; }
    bool isNull() const;
    // Null reads as 0 and ""; a text that is no whole number raises DatabaseError.
    int32_t asInteger() const;
    std::string asString() const;
    // Null reads as the empty date (year 0).
    Date asDate() const;
    const Value& value() const { return *value_; }

    // Only while the table is in edit or append state. Texts are cut to the column's width.
    void setInteger(int32_t v);
    void setString(const std::string& v);
    void setDate(const Date& v);
    void clear();

private:
    void check() const;
    std::string name_;
    Value* value_;
    int width_;  // declared text width, 0 when unbounded
    bool writable_;
};

namespace engine {
class Database;
class Cursor;
}  // namespace engine

// The connection to one database file, given by an OLE DB connection string.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(const std::string& s);
    const std::string& connectionString() const { return connectionString_; }
    void setLoginPrompt(bool on) { loginPrompt_ = on; }
    bool loginPrompt() const { return loginPrompt_; }
    // Opens the database named by "Data Source" in the connection string; the file must exist.
    // A failure is kept: until the next open, every use of the connection raises it.
    void open();
    void close();
    bool connected() const;
    // Begins a write transaction, changes the database inside it and ends it keeping nothing;
    // raises DatabaseError saying what is wrong (locked, read-only, damaged) when it cannot.
    void requireWritable();
    // Names of the user tables and views (no system tables).
    std::vector<std::string> tableNames();

    engine::Database& database();  // raises DatabaseError when not connected

private:
    std::string connectionString_;
    bool loginPrompt_ = true;
    std::unique_ptr<engine::Database> db_;
    std::optional<DatabaseError> openError_;
};

// The "Data Source" of an OLE DB connection string; "" when it names none.
std::string DataSourceOf(const std::string& connectionString);

// Shared by tables and queries: a row set with a current row and fields by name.
class DataSet {
public:
    explicit DataSet(Connection& connection);
    virtual ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    bool active() const { return cursor_ != nullptr; }
    void close();
    void first();
    void next();
    bool eof() const;
    // At the end of the rows (or in an empty set) every field reads as null.
    Field fieldByName(const std::string& name);
    Field field(int index);  // by position in the row

protected:
    engine::Cursor& cursor() const;
    Connection& connection_;
    std::unique_ptr<engine::Cursor> cursor_;
};

// A table opened by name, with editing.
class Table : public DataSet {
public:
    using DataSet::DataSet;
    void setTableName(const std::string& name) { tableName_ = name; }
    const std::string& tableName() const { return tableName_; }
    void open();
    // Moves to the first row whose column equals the value (texts compare exactly);
    // false leaves the position where it was.
    bool locate(const std::string& column, const Value& value);
    void edit();
    void append();
    void post();
    void cancel();
    void deleteRecord();  // the current row; the next one becomes current
    void refresh();       // reads the rows again; the position is kept where the row still is

private:
    std::string tableName_;
};

// An SQL text run either as a statement (execSQL) or as a query whose rows are read.
class Query : public DataSet {
public:
    using DataSet::DataSet;
    // The text as lines, joined by line breaks, like a string list.
    std::vector<std::string> SQL;
    void execSQL();
    void open();

private:
    std::string text() const;
};

}  // namespace adodb
