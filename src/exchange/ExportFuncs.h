// The export of a transaction's changes as an exchange file set for VESTRA's check-in:
// change report, transaction file, geodata and attribute data through the host, action list,
// photo exchange table; then the check-in dialog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/ExportFotos.h"
#include "exchange/ExportRows.h"

// The export command. -1 when the file set was written, 0 when the export stopped early.
int32_t VE1CustomExportProc(int32_t command, int32_t LParam, int32_t WParam);
// The full path entered in the save dialog; empty when it was cancelled.
std::string getExportName();

// Width of KENNUNG in the action list, as VESTRA reads it.
inline constexpr size_t kAktionKennungWidth = 41;
// The action list rows of transaction TID, in the physical order of TA_LIST.DBF.
std::vector<AktionsZeile> ActionListRows(int32_t TID);
// Writes FileNamePrefix + "_aktion.dbf" in ExportDir (ending in a delimiter) anew.
void CreateActionList(const std::string& FileNamePrefix, const std::string& ExportDir, int32_t TID);
// Opens the check-in dialog for the file set when applicat.ini enables it.
void StartVestraCheckIn(const std::string& ExportDir, const std::string& FileNamePrefix);
