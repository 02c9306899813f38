// The check before an export: what VESTRA's check-in will refuse in the transaction's set, or
// what will not reach VESTRA, found in the project before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One kind of finding and the objects it names (none for a finding about the transaction).
struct ExportMangel {
    std::string Art;
    std::vector<std::string> Objekte;
};

// The findings for transaction TID, by kind in a fixed order, kinds without a finding left
// out; empty for a clean transaction. Reads the local tables, the host's objects and, for the
// objects whose photos go out, the photo links and the photo directory.
std::vector<ExportMangel> ExportMaengel(int32_t TID);
// The question that shows the findings: each kind with up to 20 names, then the count of the
// rest; last "Trotzdem exportieren?".
std::string ExportMaengelFrage(int32_t TID, const std::vector<ExportMangel>& maengel);
// Asks when the transaction has findings; true to go on (at once for a clean transaction).
bool ExportTrotzMaengeln(int32_t TID);
