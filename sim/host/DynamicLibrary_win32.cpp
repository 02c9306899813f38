#include <windows.h>

#include <string>

#include "DynamicLibrary.h"

namespace sim {

namespace {
std::string ErrorText(DWORD code) {
    char* raw = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&raw), 0, nullptr);
    std::string text = n && raw ? std::string(raw, n) : std::string();
    if (raw)
        LocalFree(raw);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return (text.empty() ? std::string("error") : text) + " (" + std::to_string(code) + ")";
}
}  // namespace

void* OpenLibrary(const std::string& path, std::string& error) {
    HMODULE handle = LoadLibraryA(path.c_str());
    if (!handle)
        error = ErrorText(GetLastError());
    return reinterpret_cast<void*>(handle);
}

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace sim
