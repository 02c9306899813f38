// A dBase table as the data set of a report: its records in the table's current order.
#pragma once

#include "platform/dbf/DbfTable.h"
#include "platform/report/Report.h"

namespace report {

class TableDataSet : public DataSet {
public:
    explicit TableDataSet(dbf::Table& table) : table_(table) {}
    void First() override { table_.first(); }
    bool Eof() override { return table_.eof(); }
    void Next() override { table_.next(); }
    std::string FieldText(const std::string& field) override { return table_.fieldByName(field).asString(); }

private:
    dbf::Table& table_;
};

}  // namespace report
