// Text to integer as settings files and host values hold them.
#pragma once

#include <cstdint>
#include <string>

namespace os {

// Decimal with optional sign, or hexadecimal with "$" or "0x"; leading blanks allowed,
// nothing after the digits. False (and value untouched) when the text is no 32-bit integer.
bool TryStrToInt(const std::string& text, int32_t& value);

}  // namespace os
