// What a row of the transaction list sends: its rows of the action list, and whether its host
// object goes into the host's geodata and attribute export.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Identifier and action letter ("N", "U", "D", "I") of one row of the action list.
using AktionsZeile = std::pair<std::string, std::string>;
// The action list rows of one list row that goes out (SCHREIBEND not 0): its identifier, its
// checkout identifier and its change status.
std::vector<AktionsZeile> AktionenDerZeile(const std::string& strKennung, const std::string& strOrgKennung,
                                           std::string strAction);
// Whether a row of the exported transaction puts its host object into the host's geodata and
// attribute export: write-locked or new, and updated or new.
bool WirdExportiert(int32_t SCHREIBEND, const std::string& CHANGED);
