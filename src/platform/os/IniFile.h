// INI text files: read values with defaults, update values keeping every other section and key.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace os {

class IniData;

// Loads the file at construction (a missing or unreadable file reads as empty);
// UpdateFile writes the whole file back with CRLF line ends.
class IniFile {
public:
    explicit IniFile(const std::string& fileName);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // The default also when the value is not an integer.
    int32_t ReadInteger(const std::string& section, const std::string& key,
                        int32_t defaultValue) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    void UpdateFile();

private:
    std::string fileName_;
    std::unique_ptr<IniData> data_;
};

}  // namespace os
