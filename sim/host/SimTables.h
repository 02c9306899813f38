// The stand-in's own access to a project's transaction tables: seeding them as a checkout
// would leave them, and reading them back for assertions.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

using Row = std::map<std::string, std::string>;

// Appends a row to TA_ID.DBF, TA_KL.DBF or TA_LIST.DBF of the directory, or to a checkout's
// object list (a name ending in "t.dbf") or identifier list ("kl.dbf"), creating the table
// with its fields and indexes first if it does not exist. Fields not given stay empty.
void SeedRow(const std::string& dir, const std::string& table, const Row& values);
// Creates the table without rows if it does not exist.
void SeedTable(const std::string& dir, const std::string& table);
// Every row not deleted, in file order, each field read as text.
std::vector<Row> ReadRows(const std::string& dir, const std::string& table);
// Field names of the table in order.
std::vector<std::string> FieldNames(const std::string& dir, const std::string& table);
bool TableExists(const std::string& dir, const std::string& table);

}  // namespace sim
