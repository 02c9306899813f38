#include "util/_4pchar.h"

#include <cstring>

char* StrLeft(char* S, uint16_t CharNum)
{
    if (S != nullptr && CharNum < std::strlen(S))
        S[CharNum] = '\0';
    return S;
}
