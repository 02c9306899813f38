// Text at the edge of the Win32 API: the system's cp1252 strings as UTF-16 and back, error texts.
#pragma once

#include <string>

namespace os {

std::wstring WideFromCp1252(const std::string& text);
// Characters that cp1252 cannot hold become '?'.
std::string Cp1252FromWide(const std::wstring& text);
// The system's message for a Win32 error code, in cp1252, without trailing line breaks.
std::string WindowsErrorText(unsigned long code);

}  // namespace os
