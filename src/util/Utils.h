// Path and file-existence functions on Windows-style paths; texts for messages.
#pragma once

#include <string>
#include <vector>

// s with one backslash appended unless it already ends with one ("" gives "\").
std::string WithSlash(const std::string& s);
// s without its trailing backslash, if it has one.
std::string WithOutSlash(const std::string& s);
bool DirExists(const std::string& Name);
// Whether Name, which may hold wildcards, matches at least one file-system entry.
bool FileExistsEx(const std::string& Name);

// The directory part of a file name with its trailing separator ('\' or '/'); "" if none.
std::string ExtractFilePath(const std::string& FileName);
// The file name without its directory part.
std::string ExtractFileName(const std::string& FileName);
// s without the blanks at its start and end.
std::string Trim(const std::string& s);

// The items for a message, each on a line of its own (every line begun with CR LF); after the
// first max items one line "… und n weitere".
std::string AufzaehlungZeilen(const std::vector<std::string>& items, size_t max = 20);
