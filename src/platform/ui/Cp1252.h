// Conversion between the system's Windows-1252 text and UTF-8 / UTF-16 at the edges.
#pragma once

#include <string>

namespace ui {

std::string Cp1252ToUtf8(const std::string& text);
// Characters that Windows-1252 cannot hold become '?'.
std::string Utf8ToCp1252(const std::string& text);
std::u16string Cp1252ToUtf16(const std::string& text);
std::string Utf16ToCp1252(const std::u16string& text);

// Compares ignoring letter case (Windows-1252 letters), then by bytes: the order of sorted lists.
int CompareText(const std::string& a, const std::string& b);

}  // namespace ui
