// The current user's registry on POSIX: one INI file, a section per key and subkey.
// Every access reads the file afresh and every write saves it at once, so nothing is cached.
#include "platform/os/Registry.h"

#include "platform/os/Convert.h"
#include "platform/os/OsError.h"

// Bytes only (the texts are cp1252, no conversion library); the templates compiled here.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace os {

namespace {

std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return ".";
}

std::string HiveFileName()
{
    if (const char* file = std::getenv("VE1_REGISTRY_FILE"); file && *file)
        return file;
    return HomeDirectory() + "/.ve1-registry.ini";
}

// Values are stored as they are unless the INI syntax would change them (blanks at either end,
// line breaks, a leading quote); those are written quoted with C-style escapes.
bool NeedsQuoting(const std::string& value)
{
    if (value.empty())
        return false;
    auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    if (isSpace(value.front()) || isSpace(value.back()) || value.front() == '"' ||
        value.compare(0, 3, "<<<") == 0)
        return true;
    for (char c : value) {
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    }
    return false;
}

std::string Encode(const std::string& value)
{
    if (!NeedsQuoting(value))
        return value;
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 0x0F];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Decode(const std::string& stored)
{
    if (stored.size() < 2 || stored.front() != '"' || stored.back() != '"')
        return stored;
    std::string out;
    const size_t end = stored.size() - 1;
    for (size_t i = 1; i < end; ++i) {
        if (stored[i] != '\\' || i + 1 >= end) {
            out += stored[i];
        } else if (stored[i + 1] == 'x' && i + 3 < end && HexDigit(stored[i + 2]) >= 0 &&
                   HexDigit(stored[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(stored[i + 2]) * 16 + HexDigit(stored[i + 3]));
            i += 3;
        } else {
            out += stored[++i];
        }
    }
    return out;
}

std::string TrimBackslashes(const std::string& key)
{
    size_t first = key.find_first_not_of('\\');
    if (first == std::string::npos)
        return std::string();
    size_t last = key.find_last_not_of('\\');
    return key.substr(first, last - first + 1);
}

}  // namespace

// The hive file of this process; loaded for every access, saved after every write.
class RegistryStore {
public:
    RegistryStore() : fileName_(HiveFileName()) {}

    void Load(CSimpleIniA& ini) const
    {
        Configure(ini);
        std::ifstream in(fileName_, std::ios::binary);
        if (!in)
            return;
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad() || ini.LoadData(content) < 0)
            ini.Reset();
    }

    // Writes a new file beside the old one and renames it over, so readers never see half a file.
    void Save(const CSimpleIniA& ini) const
    {
        std::string text;
        if (ini.Save(text) < 0)
            throw OsError("Registrierung " + fileName_ + " kann nicht erzeugt werden");
        const std::string temp = fileName_ + ".tmp" + std::to_string(getpid());
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.close();
            if (!out) {
                std::remove(temp.c_str());
                throw OsError("Registrierung " + fileName_ + " kann nicht geschrieben werden");
            }
        }
        if (std::rename(temp.c_str(), fileName_.c_str()) != 0) {
            const int error = errno;
            std::remove(temp.c_str());
            throw OsError("Registrierung " + fileName_ + " kann nicht geschrieben werden: " +
                          std::strerror(error));
        }
    }

private:
    static void Configure(CSimpleIniA& ini)
    {
        ini.SetUnicode(false);
        ini.SetMultiKey(false);
        ini.SetMultiLine(false);
        ini.SetQuotes(false);
        ini.SetSpaces(false);
    }

    std::string fileName_;
};

RegIniFile::RegIniFile(const std::string& key)
    : key_(TrimBackslashes(key)), store_(std::make_unique<RegistryStore>())
{
}

RegIniFile::~RegIniFile() = default;

namespace {

std::string SectionName(const std::string& key, const std::string& section)
{
    const std::string sub = TrimBackslashes(section);
    if (sub.empty())
        return key;
    if (key.empty())
        return sub;
    return key + "\\" + sub;
}

}  // namespace

namespace {

bool Lookup(const RegistryStore& store, const std::string& section, const std::string& name,
            std::string& value)
{
    CSimpleIniA ini;
    store.Load(ini);
    const char* stored = ini.GetValue(section.c_str(), name.c_str(), nullptr);
    if (!stored)
        return false;
    value = Decode(stored);
    return true;
}

}  // namespace

std::string RegIniFile::ReadString(const std::string& section, const std::string& name,
                                   const std::string& defaultValue) const
{
    std::string value;
    return Lookup(*store_, SectionName(key_, section), name, value) ? value : defaultValue;
}

int32_t RegIniFile::ReadInteger(const std::string& section, const std::string& name,
                                int32_t defaultValue) const
{
    std::string text;
    int32_t value = defaultValue;
    if (Lookup(*store_, SectionName(key_, section), name, text) && TryStrToInt(text, value))
        return value;
    return defaultValue;
}

bool RegIniFile::ReadBool(const std::string& section, const std::string& name, bool defaultValue) const
{
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

bool RegIniFile::ValueExists(const std::string& section, const std::string& name) const
{
    std::string value;
    return Lookup(*store_, SectionName(key_, section), name, value);
}

void RegIniFile::WriteString(const std::string& section, const std::string& name, const std::string& value)
{
    CSimpleIniA ini;
    store_->Load(ini);
    if (ini.SetValue(SectionName(key_, section).c_str(), name.c_str(), Encode(value).c_str()) < 0)
        throw OsError("Registrierungswert " + name + " kann nicht gesetzt werden");
    store_->Save(ini);
}

void RegIniFile::WriteInteger(const std::string& section, const std::string& name, int32_t value)
{
    WriteString(section, name, std::to_string(value));
}

void RegIniFile::WriteBool(const std::string& section, const std::string& name, bool value)
{
    WriteInteger(section, name, value ? 1 : 0);
}

}  // namespace os
