#include "util/Tools.h"

#include "host/fxAPI32.h"
#include "platform/os/Convert.h"
#include "platform/os/Cursor.h"
#include "platform/os/Files.h"
#include "platform/os/IniFile.h"
#include "platform/os/Process.h"
#include "platform/ui/Dialogs.h"
#include "util/Settings.h"
#include "util/Utils.h"

#include <cstring>
#include <exception>
#include <optional>

namespace {

// Path buffers of the host: 256 bytes, size passed as 255.
constexpr int32_t PathBufferSize = 256;
// Attribute values: 1024 bytes, size passed as 1023.
constexpr int32_t ValueBufferSize = 1024;
// The host writes the identifier without a size; the tables hold up to 50 characters,
// so the buffer leaves room for any of them.
constexpr size_t KennungBufferSize = 256;
// The class name and description buffers.
constexpr size_t ClassNameBufferSize = 255;
constexpr size_t ClassDescriptionBufferSize = 256;

// The text of a buffer the host filled, never read past its end.
std::string BufferText(const char* buffer, size_t size)
{
    return std::string(buffer, strnlen(buffer, size));
}

// The path the host writes, or nothing when the host call fails.
template <typename HostCall>
std::optional<std::string> HostPath(HostCall call)
{
    try {
        char buffer[PathBufferSize] = {};
        call(buffer, PathBufferSize - 1);
        const size_t length = strnlen(buffer, sizeof buffer);
        std::string path;
        path.reserve(length + 1);  // room for the separator a directory gets
        path.assign(buffer, length);
        return path;
    } catch (...) {
        return std::nullopt;
    }
}

std::string CommandLine(const std::string& FileName, const std::string& Params)
{
    return "\"" + FileName + "\" " + Params;
}

}  // namespace

std::string MyGetProjectDir()
{
    // Asked by every hook that opens a table: the separator added in place.
    auto dir = HostPath(fxGetProjectDir);
    if (!dir)
        return std::string();
    if (dir->empty() || dir->back() != '\\')
        dir->push_back('\\');
    return std::move(*dir);
}

std::string MyGetVerfahrenDir()
{
    const auto dir = HostPath(fxGetVerfahrenDir);
    return dir ? WithSlash(*dir) : std::string();
}

std::string MyGetProjectDB()
{
    return HostPath(fxGetProjectDB).value_or(std::string());
}

std::string MyGetObjectClassName(int32_t OKL, uint8_t Flag)
{
    char name[ClassNameBufferSize] = {};
    char description[ClassDescriptionBufferSize] = {};
    ClassDataRecord data;
    data.ClassID = OKL;
    data.Name = name;
    data.Description = description;
    data.Flag = Flag;
    try {
        if (fxGetObjectClassData(&data) != 0)
            return BufferText(name, sizeof name);
    } catch (const std::exception& e) {
        ui::ShowMessage(e.what());
    } catch (...) {
        // an error without a text: nothing to show
    }
    return std::string();
}

std::string MyGetKennungOfID(int32_t ID)
{
    char kennung[KennungBufferSize] = {};
    ObjectDataRecord data;
    data.Reserved1 = 0;
    data.Kennung = kennung;
    data.Reserved2 = 0;
    data.ID = ID;
    try {
        fxGetObjectData(&data);
        return BufferText(kennung, sizeof kennung);
    } catch (...) {
        return std::string();
    }
}

bool MyGetIntValueByNameEx(const std::string& Tabelle, const std::string& Attribut, int32_t& Value)
{
    try {
        char buffer[ValueBufferSize] = {};
        if (fxGetValueByName(Tabelle.c_str(), Attribut.c_str(), buffer, ValueBufferSize - 1) == 0)
            return false;
        return os::TryStrToInt(BufferText(buffer, sizeof buffer), Value);
    } catch (...) {
        return false;
    }
}

int32_t MyGetIntValueByName(const std::string& Tabelle, const std::string& Attribut)
{
    int32_t value = -1;
    return MyGetIntValueByNameEx(Tabelle, Attribut, value) ? value : -1;
}

int32_t ReadIntFromApplicatIni(const std::string& strSection, const std::string& strParam,
                               int32_t Default)
{
    try {
        const std::string dir = MyGetVerfahrenDir();
        if (dir.empty())
            return Default;
        const os::IniFile ini(WithSlash(dir) + settings::kApplicatIni);
        return ini.ReadInteger(strSection, strParam, Default);
    } catch (...) {
        return Default;
    }
}

bool MyStrToBool(const std::string& InStr)
{
    const char first = InStr.empty() ? '\0' : InStr[0];
    if (first == 'f' || first == 'F')
        return false;
    if (first == 'n' || first == 'N')
        return false;
    return InStr != "0";
}

void ReadDirectroyFiles(const std::string& Directory, const std::string& Filter,
                        std::vector<std::string>& List)
{
    for (std::string& name : os::ListDirectory(WithSlash(Directory) + Filter))
        List.push_back(std::move(name));
}

std::string GetCurrentUserName()
{
    std::string name = os::LogonName();
    if (name.size() > 252)
        name.resize(252);
    return name;
}

bool ExecAndWait(const std::string& FileName, const std::string& Params)
{
    os::BusyCursor busy;
    os::ProcessOptions options;
    options.workingDirectory = ExtractFilePath(FileName);
    options.hidden = true;
    options.wait = true;
    return os::StartProcess(CommandLine(FileName, Params), options);
}

void Exec(const std::string& FileName, const std::string& Params)
{
    os::BusyCursor busy;
    os::ProcessOptions options;
    options.hidden = false;
    options.wait = false;
    os::StartProcess(CommandLine(FileName, Params), options);
}
