#include <windows.h>

#include "platform/ui/Channel.h"

namespace ui {

// The stand-in host offers the responder from its interface library; the real host has none.
CResponder FindHostResponder() {
    HMODULE host = GetModuleHandleW(L"fxAPI32.dll");
    if (!host)
        return nullptr;
    return reinterpret_cast<CResponder>(reinterpret_cast<void*>(GetProcAddress(host, "fxSimUiEvent")));
}

CPumpReceiver FindHostPumpReceiver() {
    HMODULE host = GetModuleHandleW(L"fxAPI32.dll");
    if (!host)
        return nullptr;
    return reinterpret_cast<CPumpReceiver>(reinterpret_cast<void*>(GetProcAddress(host, "fxSimUiSetPump")));
}

}  // namespace ui
