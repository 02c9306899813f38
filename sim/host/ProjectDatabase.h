// The project database of the simulated host: an SQLite file holding the host's table
// Objektphotos (and whatever the plug-in keeps there), seeded and read back by the stand-in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SimTables.h"

namespace sim {

// Creates the database file with the host's table Objektphotos unless the file exists.
void CreateProjectDatabase(const std::string& path);
// Appends a row; values are cp1252 texts that the column's type converts, "" stores null.
// Returns the new row's key (PKEY in Objektphotos).
int64_t InsertDbRow(const std::string& path, const std::string& table, const Row& values);
// Every row in the order of the table's keys, each column as text ("" for null).
std::vector<Row> ReadDbRows(const std::string& path, const std::string& table);
// Whether the database has the table (names compare without case).
bool DbTableExists(const std::string& path, const std::string& table);
// The data definition of a table as the database keeps it; "" when it has none.
std::string DbTableSql(const std::string& path, const std::string& table);

// The host's records of Objektphotos as its cursor presents them: the links of one object.
std::vector<int64_t> LinkKeys(const std::string& path, int32_t feldixId);
std::optional<std::string> LinkValue(const std::string& path, int64_t pkey, const std::string& field);
bool SetLinkValue(const std::string& path, int64_t pkey, const std::string& field, const std::string& value);
// A new link of the object without a photo; returns its PKEY.
int64_t AppendLink(const std::string& path, int32_t feldixId);

// The PhotoIDs of the object's links in key order; links without a photo are left out.
std::vector<int32_t> LinkedPhotos(const std::string& path, int32_t feldixId);
// The photos linked to one object, the first of them its main photo.
struct ObjectLinks {
    int32_t feldixId = 0;
    std::vector<int32_t> photos;
};
// Replaces every listed object's links by new ones ("Hauptphoto" "WAHR" for the first,
// "FALSCH" for the rest), all in one database transaction: on an error nothing changes.
void ReplaceLinks(const std::string& path, const std::vector<ObjectLinks>& links);

}  // namespace sim
