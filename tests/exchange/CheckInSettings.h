// Removes settings of the current user that a test writes, so that the next test starts
// without them.
#pragma once

// The check-in dialog's settings.
void ClearCheckInSettings();
// The plug-in's own settings (export path and prefix, the strip, the import directory).
void ClearPluginSettings();
