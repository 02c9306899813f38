// INI files through SimpleIni; the same code on every platform.
#include "platform/os/IniFile.h"

#include "platform/os/Convert.h"
#include "platform/os/Files.h"
#include "platform/os/OsError.h"

// Bytes only (the texts are cp1252, no conversion library); the templates compiled here.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <fstream>
#include <iterator>

namespace os {

class IniData {
public:
    IniData()
    {
        // Bytes as they are (cp1252), one value per key, quotes stripped as Windows does.
        ini.SetUnicode(false);
        ini.SetMultiKey(false);
        ini.SetMultiLine(false);
        ini.SetQuotes(true);
        ini.SetSpaces(false);
    }
    CSimpleIniA ini;
};

namespace {

std::string WithCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

}  // namespace

IniFile::IniFile(const std::string& fileName) : fileName_(fileName), data_(std::make_unique<IniData>())
{
    std::ifstream in(NativePath(fileName_), std::ios::binary);
    if (!in)
        return;
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || data_->ini.LoadData(content) < 0)
        data_->ini.Reset();
}

IniFile::~IniFile() = default;

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    const char* value = data_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return value ? std::string(value) : defaultValue;
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                             int32_t defaultValue) const
{
    const char* text = data_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    int32_t value = defaultValue;
    if (text && TryStrToInt(text, value))
        return value;
    return defaultValue;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    if (data_->ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0)
        throw OsError("INI-Wert " + section + "/" + key + " kann nicht gesetzt werden");
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::UpdateFile()
{
    std::string text;
    if (data_->ini.Save(text) < 0)
        throw OsError("INI-Datei " + fileName_ + " kann nicht erzeugt werden");
    text = WithCrLf(text);
    std::ofstream out(NativePath(fileName_), std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out)
        throw OsError("INI-Datei " + fileName_ + " kann nicht geschrieben werden");
}

}  // namespace os
