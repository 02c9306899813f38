#include "photos/FVTools.h"

#include "host/fxAPI32.h"
#include "plugin/constants.h"
#include "util/Tools.h"

namespace {
constexpr char kLinks[] = "Objektphotos";
}

void ResetPreFVState() {
    if (lngFvFELDIXID <= 0)
        return;
    // HandleFoto keeps the edited object's class in lngFvOKL (the dialog's lngOKL); -1 when the
    // dialog was not opened, and then the class never changed.
    if (lngFvOKL != -1 && fxGetObjectClass() != lngFvOKL)
        fxSetObjectClass(lngFvOKL);
    fxActivateData();
    // Mended: the edited object, not object -1, becomes active again.
    if (fxGetActiveGeoObject() != lngFvFELDIXID)
        fxSetActiveObject(lngFvFELDIXID);
    // -1 also when no link was read for this edit (the shared-photo warning was declined): the
    // cursor stays where it is.
    if (iFvPKeyFoto >= 0) {
        fxTableFirst(kLinks);
        while (!fxTableEOF(kLinks) && MyGetIntValueByName(kLinks, "PKEY") != iFvPKeyFoto)
            if (fxTableNext(kLinks) == 0)
                break;
    }
}

void ResetFVGlobals() {
    lngFvFELDIXID = -1;
    lngFvOKL = -1;
    blnFotoVerwaltungAktiv = false;
}

void CloseFotoverwaltung() {
    // The photo state goes back to idle also when the host fails while it is brought back.
    struct Reset {
        ~Reset() { ResetFVGlobals(); }
    } reset;
    if (lngFvFELDIXID > 0)
        ResetPreFVState();
}
