#include "plugin/constants.h"

bool blnFotoVerwaltungAktiv = false;
bool blnTempObjectCreation = false;
int32_t TempObjectFELDIXID = 0;
int32_t lngFvFELDIXID = -1;
int32_t lngFvOKL = -1;
int32_t iFvPKeyFoto = 0;
int32_t iFvFotoID = 0;

void ResetConstants() {
    blnFotoVerwaltungAktiv = false;
    blnTempObjectCreation = false;
    TempObjectFELDIXID = 0;
    lngFvFELDIXID = -1;
    lngFvOKL = -1;
    iFvPKeyFoto = 0;
    iFvFotoID = 0;
}
