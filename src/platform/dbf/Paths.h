// File names of tables and their companions: Windows-style paths, case-insensitive lookup.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/dbf/FileIO.h"

namespace dbf::paths {

// Backslashes become slashes (Windows accepts both; POSIX only the latter).
std::string normalize(const std::string& path);
// The directory (with or without trailing separator) joined with a file name.
std::string join(const std::string& directory, const std::string& name);
// The path itself when it exists; otherwise the entry of its directory whose name equals
// it apart from case; otherwise the path unchanged.
std::string resolve(io::FileSystem& fs, const std::string& path);
// Opens the path as resolve would name it, asking the system nothing before the open when the
// path itself exists; nullptr when neither it nor a name differing in case only is a file.
std::unique_ptr<io::File> openExisting(io::FileSystem& fs, const std::string& path, io::OpenMode mode);
// The path with its extension replaced by ext (".MDX"), in the case of the old extension.
std::string withExtension(const std::string& path, const std::string& ext);
bool equalNoCase(std::string_view a, std::string_view b);
std::string upper(const std::string& s);

}  // namespace dbf::paths
