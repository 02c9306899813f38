// Creation of the project's local tables: transaction list, identifier pool, transaction table.
#pragma once

#include <string>

// Each creates its table in the project directory unless a file of that name exists there;
// an existing table is never altered.
void CreateTransactionList(const std::string& TListName);
void CreateKennungList();
void CreateTransactionIDTable();

// The same in a given directory (ending in a path delimiter).
void CreateTransactionListIn(const std::string& directory, const std::string& TListName);
void CreateKennungListIn(const std::string& directory);
void CreateTransactionIDTableIn(const std::string& directory);
