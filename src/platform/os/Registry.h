// Settings of the current user: a registry key whose sections are subkeys holding named values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace os {

class RegistryStore;

// A key under the current user's hive ("Software\kalvero\feldix\3.2\VESTRA2", "Vestra"),
// open while the object lives. Reads of absent keys or values give the default; writes
// create missing keys and sections. On POSIX the hive is a file; the variable
// VE1_REGISTRY_FILE names it (default: ~/.ve1-registry.ini).
class RegIniFile {
public:
    explicit RegIniFile(const std::string& key);
    ~RegIniFile();
    RegIniFile(const RegIniFile&) = delete;
    RegIniFile& operator=(const RegIniFile&) = delete;

    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& defaultValue) const;
    int32_t ReadInteger(const std::string& section, const std::string& name,
                        int32_t defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& name, bool defaultValue) const;
    bool ValueExists(const std::string& section, const std::string& name) const;

    void WriteString(const std::string& section, const std::string& name, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& name, int32_t value);
    void WriteBool(const std::string& section, const std::string& name, bool value);

private:
    std::string key_;
    std::unique_ptr<RegistryStore> store_;
};

}  // namespace os
