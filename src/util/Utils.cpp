#include "util/Utils.h"

#include "platform/os/Files.h"

namespace {
size_t LastSeparator(const std::string& FileName)
{
    return FileName.find_last_of("\\/");
}
}  // namespace

std::string WithSlash(const std::string& s)
{
    if (!s.empty() && s.back() == '\\')
        return s;
    return s + '\\';
}

std::string WithOutSlash(const std::string& s)
{
    if (!s.empty() && s.back() == '\\')
        return s.substr(0, s.size() - 1);
    return s;
}

bool DirExists(const std::string& Name)
{
    return os::DirExists(Name);
}

bool FileExistsEx(const std::string& Name)
{
    return os::FileExistsWildcard(Name);
}

std::string ExtractFilePath(const std::string& FileName)
{
    const size_t pos = LastSeparator(FileName);
    return pos == std::string::npos ? std::string() : FileName.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& FileName)
{
    const size_t pos = LastSeparator(FileName);
    return pos == std::string::npos ? FileName : FileName.substr(pos + 1);
}

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return std::string();
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string AufzaehlungZeilen(const std::vector<std::string>& items, size_t max)
{
    std::string text;
    for (size_t i = 0; i < items.size() && i < max; ++i)
        text += "\r\n" + items[i];
    if (items.size() > max)
        text += "\r\n… und " + std::to_string(items.size() - max) + " weitere";
    return text;
}
