// The local tables of a project: their file names, and opening one in the project directory.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dbf/DbfTable.h"

inline constexpr const char* kTransactionList = "TA_LIST.DBF";
inline constexpr const char* kKennungList = "TA_KL.DBF";
inline constexpr const char* kTransactionIDs = "TA_ID.DBF";

// Whether the table's file exists in the project directory.
bool ProjectTableExists(const char* fileName);

// A local table of the project, opened shared on the given index (nullptr: file order).
class ProjectTable : public dbf::Table {
public:
    enum class Missing { Throw, LeaveClosed };
    // With Missing::LeaveClosed a project without the file gives a closed table (active() is
    // false) instead of the engine's error.
    ProjectTable(const char* fileName, const char* indexName, Missing missing = Missing::Throw);
};

// A field read as integer, an empty value (as other programs leave numbers) as 0.
int32_t IntegerOrZero(dbf::Field& field);

// Looks an identifier up on the current index; an empty identifier is never found.
bool FindKennung(dbf::Table& table, const std::string& kennung);
