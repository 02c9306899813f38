// The first characters of a string.
#pragma once

#include <cstdint>
#include <string>

// The first CharNum characters of SourceStr, or all of it when it is shorter.
std::string LeftStr(const std::string& SourceStr, uint8_t CharNum);
