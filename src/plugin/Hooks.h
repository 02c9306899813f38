// The work of the hooks that the plug-in boundary does itself: the identifier change protocol,
// the temporary object of coordinate picking, the status check and the identifier switch.
#pragma once

#include <cstdint>
#include <string>

#include "host/fxAPI32.h"

// UpdateKennungPreCorrection has run its first half.
extern bool blnBeforeChangeKennungDone;
// Identifier of the object before the current identifier change.
extern std::string strOldKennung;
// The plug-in itself is setting an identifier through fxSetKennung.
extern bool blnChangingKennungInternal;

// Renames an object in the host as the plug-in's own change (the change hooks let it pass).
void SetKennungInternal(int32_t GeoID, const std::string& Kennung);

int32_t UpdateKennungPreCorrectionProc(int32_t GeoID, int32_t LParam, int32_t WParam);
int32_t BeforeChangeKennungProc(int32_t GeoID, int32_t LParam, int32_t WParam);
int32_t AfterChangeKennungProc(int32_t GeoID, int32_t LParam, int32_t WParam);

int32_t BeforeLoadProjectProc();
int32_t InsertInTransActionListHookProc(int32_t Command, int32_t FELDIXID, int32_t WParam);
int32_t AfterFELDIXCommandProc(int32_t Command, int32_t LParam, int32_t WParam);
int32_t OnTablePostProc(const char* TableName, int32_t EventCode);
int32_t GeometryChangedProc(int32_t GeoID);
int32_t CheckStatusProc(int32_t GeoID);
int32_t SwitchKennungProc();
int32_t CreateListToAssignProc(const ObjectDataRecord* ObjectData);

// Library load and unload.
void LibraryLoaded();
void LibraryUnloaded();
