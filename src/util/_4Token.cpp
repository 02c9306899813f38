#include "util/_4Token.h"

#include <vector>

bool StrCharIsNotInArray(const char* Chars, char C)
{
    if (Chars == nullptr)
        return true;
    for (const char* p = Chars; *p != '\0'; ++p) {
        if (*p == C)
            return false;
    }
    return true;
}

int32_t StrGetTNum(const char* S, const char* SepChars)
{
    if (S == nullptr || *S == '\0')
        return 0;
    int32_t count = 1;
    for (const char* p = S; *p != '\0'; ++p) {
        if (!StrCharIsNotInArray(SepChars, *p))
            ++count;
    }
    return count;
}

char* StrGetToken(const char* S, const char* SepChars, char* Buffer, uint16_t TargetPos)
{
    char* out = Buffer;
    if (S != nullptr) {
        // Wider than the position, so that the count cannot wrap before the loop ends.
        uint32_t counter = 1;
        for (const char* p = S; *p != '\0' && counter <= TargetPos; ++p) {
            if (!StrCharIsNotInArray(SepChars, *p))
                ++counter;
            else if (counter == TargetPos)
                *out++ = *p;
        }
    }
    *out = '\0';
    return Buffer;
}

int32_t GetTNum(const std::string& SourceStr, const std::string& SepChars)
{
    return StrGetTNum(SourceStr.c_str(), SepChars.c_str());
}

std::string GetToken(const std::string& SourceStr, const std::string& StringSep, uint8_t TargetPos)
{
    std::vector<char> buffer(SourceStr.size() + 1, '\0');
    return StrGetToken(SourceStr.c_str(), StringSep.c_str(), buffer.data(), TargetPos);
}
