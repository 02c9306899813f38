// Cutting a zero-terminated text in place to its first characters.
#pragma once

#include <cstdint>

// Writes a terminator at position CharNum when CharNum is less than the length of S
// (and S is given); returns S.
char* StrLeft(char* S, uint16_t CharNum);
