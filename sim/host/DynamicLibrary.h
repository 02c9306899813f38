// Loading a library by file name and finding its exports by name.
#pragma once

#include <string>

namespace sim {

// nullptr on failure, with the system's reason in error.
void* OpenLibrary(const std::string& path, std::string& error);
void* FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);

}  // namespace sim
