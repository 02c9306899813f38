// Keeps errors from crossing into the host: an escaping exception becomes an error message.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "plugin/Export.h"

// Shows the error text in an error message box (never throws).
void ShowHookError(const char* text) noexcept;

// Runs the hook's work; its -1/0 result goes to the host as all bits set / zero.
// An exception shows its text and gives 0.
template <class F>
HookResult Guarded(F&& work) noexcept {
    try {
        return static_cast<HookResult>(static_cast<int32_t>(work()));
    } catch (const std::exception& e) {
        ShowHookError(e.what());
    } catch (...) {
        ShowHookError("Unbekannter Fehler im Transaktionsmodul.");
    }
    return 0;
}
