// Removes the check-in settings of the current user, so that a test starts without them.
#pragma once

void ClearCheckInSettings();
