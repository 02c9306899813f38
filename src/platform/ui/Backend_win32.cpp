#include <cstdlib>
#include <cstring>

#include "platform/ui/Scripted.h"
#include "platform/ui/Win32Forms.h"

namespace ui {

// Real windows, unless VE1_UI=scripted asks for the script (test runs under Wine).
std::unique_ptr<Backend> MakeDefaultBackend() {
    const char* choice = std::getenv("VE1_UI");
    if (choice && std::strcmp(choice, "scripted") == 0)
        return std::make_unique<ScriptedBackend>();
    return std::make_unique<Win32Backend>();
}

}  // namespace ui
