// The end of a photo edit: the host brought back to the edited object and its photo link, and
// the photo state reset.
#pragma once

// After the dialog: the edited object's class and the object itself current again in the host,
// its attribute data shown, the Objektphotos cursor on the link that was edited.
void ResetPreFVState();
// lngFvFELDIXID and lngFvOKL := -1, blnFotoVerwaltungAktiv := false.
void ResetFVGlobals();
// Ends a photo edit: ResetPreFVState when an object was being edited, then ResetFVGlobals.
void CloseFotoverwaltung();
