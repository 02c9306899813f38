#include "util/_4passtr.h"

#include "util/_4pchar.h"

#include <vector>

std::string LeftStr(const std::string& SourceStr, uint8_t CharNum)
{
    std::vector<char> copy(SourceStr.c_str(), SourceStr.c_str() + SourceStr.size() + 1);
    return StrLeft(copy.data(), CharNum);
}
