// Host calls that return text as plain strings, settings, directory listing, program start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Host wrappers. Host errors give the fallback: empty text, -1 or false.

// The project directory with a trailing backslash.
std::string MyGetProjectDir();
// The host's procedure directory with a trailing backslash.
std::string MyGetVerfahrenDir();
// The project database file name as the host gives it.
std::string MyGetProjectDB();
// The name of object class OKL; Flag is the record's byte value (100 at every call).
// A host error is shown in a plain message box and gives "".
std::string MyGetObjectClassName(int32_t OKL, uint8_t Flag);
// The identifier of object ID, "" when it has none.
std::string MyGetKennungOfID(int32_t ID);
// The attribute of the table's current record as an integer; -1 if absent or not an integer.
int32_t MyGetIntValueByName(const std::string& Tabelle, const std::string& Attribut);
// The host's answer; when true Value receives the integer. False on any error.
bool MyGetIntValueByNameEx(const std::string& Tabelle, const std::string& Attribut, int32_t& Value);

// Integer strParam of section strSection in the procedure directory's applicat.ini;
// Default when the file, section or key is missing or the value is no integer.
int32_t ReadIntFromApplicatIni(const std::string& strSection, const std::string& strParam,
                               int32_t Default);
// False for texts beginning with f, F, n or N and for "0"; true for everything else.
bool MyStrToBool(const std::string& InStr);
// Appends the bare names of all entries matching WithSlash(Directory) + Filter, files and
// directories alike, in the order the file system gives them. List is not cleared.
void ReadDirectroyFiles(const std::string& Directory, const std::string& Filter,
                        std::vector<std::string>& List);
// The logon name of the user running the host (at most 252 characters).
std::string GetCurrentUserName();
// Runs "FileName" Params hidden in the program's own directory and waits for its end;
// returns whether the start succeeded.
bool ExecAndWait(const std::string& FileName, const std::string& Params);
// Starts "FileName" Params in a normal window and returns at once.
void Exec(const std::string& FileName, const std::string& Params);
