// Windows: the settings live in the real registry of the suite's own Wine prefix, shared by
// every test of the run, so each test that writes them starts and ends without them.
#include <windows.h>

#include "exchange/CheckInSettings.h"
#include "util/Settings.h"

void ClearCheckInSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, settings::kCheckInKey); }

void ClearPluginSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, settings::kPluginKey); }
