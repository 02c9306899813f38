// Windows: the check-in settings live in the real registry of the suite's own Wine prefix, shared
// by every test of the run, so each check-in test starts and ends without them.
#include <windows.h>

#include "exchange/CheckInSettings.h"

void ClearCheckInSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, "Vestra"); }
