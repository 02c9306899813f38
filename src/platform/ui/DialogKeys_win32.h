// Dialog keys of the Win32 forms (Tab, Enter, Esc), for modal loops and, through a message hook
// on the thread, for the modeless windows; included by the Win32 backend's files only.
#pragma once

#include <windows.h>

namespace ui::dialogkeys {

// Gives a message of a form's window the dialog keys and dispatches it, as IsDialogMessage
// does; false for a message of another window.
bool DialogMessage(HWND form, MSG& msg);
// A modeless window to give its keys to; the thread's hook is there while there is one.
// Throws when the hook cannot be set.
void AddModeless(HWND form);
void RemoveModeless(HWND form);
// The hook (an HHOOK); null while no modeless window exists.
void* ModelessHook();

}  // namespace ui::dialogkeys
