// Flags and ids of photo management and of the temporary object used for coordinate picking.
#pragma once

#include <cstdint>

// Photo management has been started.
extern bool blnFotoVerwaltungAktiv;
// A temporary object for coordinate picking is being created.
extern bool blnTempObjectCreation;
// Host id of that temporary object; -1 = creation cancelled.
extern int32_t TempObjectFELDIXID;
// Photo state of the photo edit: object, its class, photo key and photo id. lngFvOKL holds the
// edited object's class while the dialog is open, so that it can be restored afterwards;
// ResetFVGlobals of FVTools resets the first two.
extern int32_t lngFvFELDIXID;
extern int32_t lngFvOKL;
extern int32_t iFvPKeyFoto;
extern int32_t iFvFotoID;

// Sets every flag and id to its value at library load.
void ResetConstants();
