// The photo part of an export set: the photo exchange table and the pictures of the objects
// that go out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbf/DbfTable.h"

// Prefix + "pc.dbf" in ExportDir, emptied if it exists, else created with the exchange fields;
// returned open, or none when any step fails.
std::unique_ptr<dbf::Table> CreateFotoTabelle(const std::string& FileNamePrefix, const std::string& ExportDir);
class TdmFotoverwaltung;
// The links of the listed objects to photos captured here (IsNew 3), in list and link order:
// the object's identifier and the photo's id. Leaves Fotos on no particular record.
std::vector<std::pair<std::string, int32_t>> LokaleFotoLinks(TdmFotoverwaltung& dm,
                                                             const std::vector<std::string>& slObjectsWithFotos);
// Writes one row per link between a listed object and a locally captured photo, and copies
// the pictures into prefix + "_Fotos" without overwriting any picture there.
void ExportFotoTabelle(const std::string& FileNamePrefix, const std::string& ExportDir,
                       const std::vector<std::string>& slObjectsWithFotos);
