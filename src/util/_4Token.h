// Splitting a text into tokens at any of a set of separator characters.
#pragma once

#include <cstdint>
#include <string>

// True when C occurs nowhere in Chars (the terminator does not count).
bool StrCharIsNotInArray(const char* Chars, char C);
// Number of tokens: 0 for an empty S, else 1 plus the characters of S found in SepChars.
int32_t StrGetTNum(const char* S, const char* SepChars);
// Writes token TargetPos (from 1) of S into Buffer, which holds at least strlen(S) + 1 bytes,
// and returns Buffer. Every separator ends a token; position 0 or past the end gives "".
char* StrGetToken(const char* S, const char* SepChars, char* Buffer, uint16_t TargetPos);

int32_t GetTNum(const std::string& SourceStr, const std::string& SepChars);
std::string GetToken(const std::string& SourceStr, const std::string& StringSep, uint8_t TargetPos);
