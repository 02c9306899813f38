// The plug-in as the host holds it: loaded by file name, its 22 hooks found by name.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/fxAPI32.h"

namespace sim {

typedef intptr_t(FXAPI* HookFn)(intptr_t, intptr_t, intptr_t);

class Plugin {
public:
    ~Plugin();
    // The names of the hooks a plug-in of this kind exports.
    static const std::vector<std::string>& HookNames();

    // Loads the library and resolves every hook; throws std::runtime_error naming what failed.
    void Load(const std::string& path);
    // Uses hooks linked into this process instead of a library (unit tests).
    void UseHooks(const std::string& moduleName, std::map<std::string, HookFn> hooks);
    void Unload();
    bool Loaded() const { return !hooks_.empty(); }
    // The library's file name without directory, e.g. "VE1TransAction.dll".
    const std::string& ModuleName() const { return module_; }
    // Whether a module name given by the plug-in (fxIterateObjects) means this library.
    bool IsModule(const std::string& name) const;

    HookFn Find(const std::string& name) const;
    // Calls a hook and returns its result as the host reads it: the low 16 bits, signed.
    int32_t Call(const std::string& name, intptr_t a1, intptr_t a2, intptr_t a3);

    // Called before and after every hook call (the runner logs them).
    std::function<void(const std::string& name, intptr_t a1, intptr_t a2, intptr_t a3)> onCall;
    std::function<void(const std::string& name, int32_t result)> onReturn;

private:
    void* library_ = nullptr;
    std::string module_;
    std::map<std::string, HookFn> hooks_;
};

Plugin& ThePlugin();

}  // namespace sim
