#include "platform/ui/Scripted.h"

namespace ui {

// Without a window system of its own the native build always shows through the script.
std::unique_ptr<Backend> MakeDefaultBackend() { return std::make_unique<ScriptedBackend>(); }

}  // namespace ui
