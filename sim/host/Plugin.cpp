#include "Plugin.h"

#include <algorithm>
#include <stdexcept>

#include "DynamicLibrary.h"

namespace sim {

namespace {
std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Stem(const std::string& name) {
    std::string base = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
    const size_t dot = base.find('.');
    return Lower(dot == std::string::npos ? base : base.substr(0, dot));
}
}  // namespace

Plugin::~Plugin() { Unload(); }

const std::vector<std::string>& Plugin::HookNames() {
    static const std::vector<std::string> names = {
        "VE1CustomImport", "VE1CustomExport", "MakeTransActionReport", "BeforeLoadProject",
        "AfterLoadProject", "BeforeCloseProject", "BeforeCreateObject", "InsertInTransActionList",
        "DeleteFromTransActionList", "AfterEditObject", "GeometryChanged", "OnTablePost",
        "CheckStatus", "BeforeChangeKennung", "AfterChangeKennung", "UpdateKennungPreCorrection",
        "SwitchKennung", "CreateListToAssign", "AssignToTransaction", "ProcessFoto",
        "CorrectHauptfoto", "AfterFELDIXCommand"};
    return names;
}

void Plugin::Load(const std::string& path) {
    Unload();
    std::string error;
    void* lib = OpenLibrary(path, error);
    if (!lib)
        throw std::runtime_error("cannot load the plug-in " + path + ": " + error);
    std::map<std::string, HookFn> hooks;
    for (const auto& name : HookNames()) {
        void* fn = FindSymbol(lib, name.c_str());
        if (!fn) {
            CloseLibrary(lib);
            throw std::runtime_error("the plug-in " + path + " does not export " + name);
        }
        hooks[name] = reinterpret_cast<HookFn>(fn);
    }
    library_ = lib;
    hooks_ = std::move(hooks);
    module_ = path.substr(path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1);
}

void Plugin::UseHooks(const std::string& moduleName, std::map<std::string, HookFn> hooks) {
    Unload();
    module_ = moduleName;
    hooks_ = std::move(hooks);
}

void Plugin::Unload() {
    hooks_.clear();
    if (library_) {
        CloseLibrary(library_);
        library_ = nullptr;
    }
}

bool Plugin::IsModule(const std::string& name) const { return Loaded() && Stem(name) == Stem(module_); }

HookFn Plugin::Find(const std::string& name) const {
    auto it = hooks_.find(name);
    return it == hooks_.end() ? nullptr : it->second;
}

int32_t Plugin::Call(const std::string& name, intptr_t a1, intptr_t a2, intptr_t a3) {
    HookFn fn = Find(name);
    if (!fn)
        throw std::runtime_error("the plug-in has no hook " + name);
    if (onCall)
        onCall(name, a1, a2, a3);
    const intptr_t raw = fn(a1, a2, a3);
    const int32_t result = static_cast<int16_t>(static_cast<uint16_t>(raw & 0xFFFF));
    if (onReturn)
        onReturn(name, result);
    return result;
}

Plugin& ThePlugin() {
    static Plugin plugin;
    return plugin;
}

}  // namespace sim
