// Files and directories, addressed by Windows-style paths ('\' separates on every platform).
#pragma once

#include <string>
#include <vector>

namespace os {

// The path as the platform's file functions take it (on POSIX every '\' becomes '/').
std::string NativePath(const std::string& path);

bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
// Whether a pattern with '*' and '?' in its last component matches at least one entry
// (names compare ignoring case, as on Windows).
// System error boxes for unreadable drives are suppressed while it tests.
bool FileExistsWildcard(const std::string& pattern);
// Bare names of all entries matching the pattern, files and directories alike, in the order
// the file system gives them ("*.*" also yields "." and "..").
std::vector<std::string> ListDirectory(const std::string& pattern);
// Whether both paths name one existing directory, however each is spelt (letter case where the
// file system ignores it, "..", a trailing delimiter, links).
bool SameDirectory(const std::string& a, const std::string& b);
bool CreateDir(const std::string& path);
bool CopyFileTo(const std::string& from, const std::string& to, bool failIfExists);
bool DeleteFileAt(const std::string& path);
// Removes an empty directory.
bool RemoveDir(const std::string& path);
// Gives the file the name `to` in one step, replacing a file of that name; both lie on one
// volume. False when it cannot.
bool MoveFileOver(const std::string& from, const std::string& to);
// Creates or replaces the file with these bytes; false when it cannot be written completely.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// The whole content of a file of at most maxBytes bytes; false when it cannot be read or is larger.
bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes);

}  // namespace os
