// The photo hooks' work: starting the photo edit of the host's current photo link, removing a
// local photo with its last link, keeping the main-photo mark on one link.
#pragma once

#include <cstdint>

class TFormEditFoto;

// The one photo edit dialog, created on the first edit of a project; none before.
extern TFormEditFoto* fvControlForm;

// Hook ProcessFoto: starts the photo edit unless one is under way. Returns -1.
int32_t ProcessFoto();
// Opens the dialog for the active object's current photo link (after the shared-photo warning).
void HandleFoto();
// A link of Objektphotos was posted: a local photo that no other link uses goes, record and file.
void DeleteFoto();
// Hook CorrectHauptfoto: copies Value to NewValue (at most MaxLen characters and a terminator);
// a true value takes the main-photo mark from every other link the host's cursor presents.
void CorrectHauptfoto(const char* Value, char* NewValue, int32_t MaxLen);
// Destroys the dialog and releases the photo data module; errors are ignored.
void FreeControlForm();
