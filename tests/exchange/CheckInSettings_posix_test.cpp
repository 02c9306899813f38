// POSIX: every test session has a registry file of its own, so there is nothing to clear.
#include "exchange/CheckInSettings.h"

void ClearCheckInSettings() {}

void ClearPluginSettings() {}
