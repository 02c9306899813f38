// The dBase table engine: .DBF tables with .DBT/.FPT memo files and a production .MDX index.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dbf/DbfTypes.h"

namespace dbf {

namespace io {
class FileSystem;
}

enum class TableType { dBase };

// One field of the current record of an open table.
class Field {
public:
    virtual ~Field() = default;
    virtual const std::string& name() const = 0;
    virtual FieldType type() const = 0;
    virtual bool isNull() const = 0;
    // "read as text": trimmed of trailing blanks; a number as its decimal text.
    virtual std::string asString() const = 0;
    // "read as integer": throws EngineError when the value is not an integer.
    virtual int32_t asInteger() const = 0;
    virtual double asFloat() const = 0;
    virtual Date asDate() const = 0;
    virtual bool asBoolean() const = 0;
    // Setters work while the table is in append or edit state.
    virtual void setString(const std::string& value) = 0;
    virtual void setInteger(int32_t value) = 0;
    virtual void setFloat(double value) = 0;
    virtual void setDate(const Date& value) = 0;
    virtual void setBoolean(bool value) = 0;
    virtual void clear() = 0;
};

class TableImpl;

// A table object in the manner of the host's database components: point it at a directory
// and a file name, then either define fields and create it, or open it.
// Several Table objects on the same file in one process see each other's changes at once.
// The destructor closes the table.
class Table {
public:
    Table();
    Table(const std::string& databaseName, const std::string& tableName,
          TableType type = TableType::dBase);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    void setDatabaseName(const std::string& directory);
    void setTableName(const std::string& fileName);
    void setTableType(TableType type);
    std::string fileName() const;  // directory joined with the table name
    // The files the table lives in; the real file system unless set (tests hand in memory).
    void setFileSystem(std::shared_ptr<io::FileSystem> fs);
    bool exists() const;           // a file of that name exists

    // Definition, before createTable.
    void clearFieldDefs();
    void addFieldDef(const std::string& name, FieldType type, int size = 0, int decimals = 0);
    void createTable();
    // A maintained single-field index, stored as a tag of the production index.
    void addIndex(const std::string& name, const std::string& fieldName);
    std::vector<std::string> indexNames() const;
    // Rebuilds every tag of the production index from the table's rows.
    void rebuildIndexes();
    // A structure check of the production index against the rows, for tests and for
    // diagnosing a damaged file: what is wrong, in German; empty when the index is sound.
    std::vector<std::string> checkIndexes();

    // Order of walks and the index for findKey/setRange: by index name, by the name of the
    // indexed field, or physical order when both are empty.
    void setIndexName(const std::string& indexName);
    void setIndexFieldNames(const std::string& fieldName);

    void open();   // shared
    // Opens as open() does; false, leaving the table closed, when there is no file of its name.
    bool openIfExists();
    void close();
    bool active() const;

    std::vector<FieldDef> fieldDefs() const;
    Field& fieldByName(const std::string& name);
    Field* findField(const std::string& name);  // nullptr if the table has no such field
    int recordCount() const;                    // rows not deleted (within the range, if set)
    int recordNumber() const;                   // physical number of the current row, 0 at eof

    void first();
    void next();
    bool eof() const;
    // Positions on the first row in index order with this key; false leaves the position
    // where it was.
    bool findKey(const Key& key);
    // Restricts walks and counts to keys from..to, inclusive.
    void setRange(const Key& from, const Key& to);
    void cancelRange();

    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord();  // the current row; moves to the next one
    // Throws when a change could not write every file of the open table (table, index, memo
    // file): asked before a change that writes to several tables writes to the first.
    void requireWritable() const;
    void emptyTable();    // removes every row, keeps the structure

private:
    bool openFile(bool ifExists);
    std::unique_ptr<TableImpl> impl_;
};

}  // namespace dbf
