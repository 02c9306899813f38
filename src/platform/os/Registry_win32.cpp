// The current user's registry on Win32: the key under HKEY_CURRENT_USER, sections as subkeys.
// Every access opens the subkey it needs and closes it again, so nothing is cached.
#include "platform/os/Registry.h"

#include "platform/os/Convert.h"
#include "platform/os/OsError.h"
#include "platform/os/WinText.h"

#include <windows.h>

#include <vector>

namespace os {

namespace {

// An open registry key, closed on every path.
class Key {
public:
    Key() = default;
    ~Key() { if (key_) RegCloseKey(key_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }
private:
    HKEY key_ = nullptr;
};

std::string TrimBackslashes(const std::string& key)
{
    const size_t first = key.find_first_not_of('\\');
    if (first == std::string::npos)
        return std::string();
    const size_t last = key.find_last_not_of('\\');
    return key.substr(first, last - first + 1);
}

std::wstring SubkeyPath(const std::string& key, const std::string& section)
{
    const std::string sub = TrimBackslashes(section);
    if (sub.empty())
        return WideFromCp1252(key);
    if (key.empty())
        return WideFromCp1252(sub);
    return WideFromCp1252(key + "\\" + sub);
}

// The value as text: strings as stored, numbers in decimal. False when absent or unreadable.
bool QueryText(const std::wstring& path, const std::string& name, std::string& text)
{
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
        return false;
    const std::wstring valueName = WideFromCp1252(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> data(size + sizeof(wchar_t));
    LONG rc;
    for (;;) {
        size = static_cast<DWORD>(data.size() - sizeof(wchar_t));
        rc = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, data.data(), &size);
        if (rc != ERROR_MORE_DATA)
            break;
        data.resize(size + sizeof(wchar_t));
    }
    if (rc != ERROR_SUCCESS)
        return false;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::wstring wide(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
        while (!wide.empty() && wide.back() == L'\0')
            wide.pop_back();
        text = Cp1252FromWide(wide);
        return true;
    }
    case REG_DWORD:
        if (size < sizeof(DWORD))
            return false;
        text = std::to_string(static_cast<int32_t>(*reinterpret_cast<const DWORD*>(data.data())));
        return true;
    default:
        return false;
    }
}

}  // namespace

// Nothing is held between accesses; the class exists for the common interface.
class RegistryStore {};

RegIniFile::RegIniFile(const std::string& key)
    : key_(TrimBackslashes(key)), store_(std::make_unique<RegistryStore>())
{
}

RegIniFile::~RegIniFile() = default;

std::string RegIniFile::ReadString(const std::string& section, const std::string& name,
                                   const std::string& defaultValue) const
{
    std::string text;
    return QueryText(SubkeyPath(key_, section), name, text) ? text : defaultValue;
}

int32_t RegIniFile::ReadInteger(const std::string& section, const std::string& name,
                                int32_t defaultValue) const
{
    std::string text;
    int32_t value = defaultValue;
    if (QueryText(SubkeyPath(key_, section), name, text) && TryStrToInt(text, value))
        return value;
    return defaultValue;
}

bool RegIniFile::ReadBool(const std::string& section, const std::string& name, bool defaultValue) const
{
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

bool RegIniFile::ValueExists(const std::string& section, const std::string& name) const
{
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SubkeyPath(key_, section).c_str(), 0, KEY_QUERY_VALUE,
                      key.out()) != ERROR_SUCCESS)
        return false;
    return RegQueryValueExW(key.get(), WideFromCp1252(name).c_str(), nullptr, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

void RegIniFile::WriteString(const std::string& section, const std::string& name, const std::string& value)
{
    const std::wstring path = SubkeyPath(key_, section);
    Key key;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE, nullptr, key.out(), nullptr);
    if (rc != ERROR_SUCCESS)
        throw OsError("Registrierungsschlüssel " + Cp1252FromWide(path) + " kann nicht erzeugt werden: " +
                      WindowsErrorText(static_cast<unsigned long>(rc)));
    const std::wstring wide = WideFromCp1252(value);
    rc = RegSetValueExW(key.get(), WideFromCp1252(name).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(wide.c_str()),
                        static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS)
        throw OsError("Registrierungswert " + name + " kann nicht gesetzt werden: " +
                      WindowsErrorText(static_cast<unsigned long>(rc)));
}

// Integers are stored as text, as the settings have always been.
void RegIniFile::WriteInteger(const std::string& section, const std::string& name, int32_t value)
{
    WriteString(section, name, std::to_string(value));
}

void RegIniFile::WriteBool(const std::string& section, const std::string& name, bool value)
{
    WriteInteger(section, name, value ? 1 : 0);
}

}  // namespace os
