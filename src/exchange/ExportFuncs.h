// The export of a transaction's changes; here the photo exchange table and directory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dbf/DbfTable.h"

// Prefix + "pc.dbf" in ExportDir, emptied if it exists, else created with the exchange fields;
// returned open, or none when any step fails.
std::unique_ptr<dbf::Table> CreateFotoTabelle(const std::string& FileNamePrefix, const std::string& ExportDir);
// Writes one row per link between a listed object and a locally captured photo, and copies
// the pictures into prefix + "_Fotos" without overwriting any picture there.
void ExportFotoTabelle(const std::string& FileNamePrefix, const std::string& ExportDir,
                       const std::vector<std::string>& slObjectsWithFotos);
