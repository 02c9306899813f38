// The check-in program's arguments: the flags the check-in dialog passes, one value each.
#pragma once

#include <string>
#include <vector>

namespace vestra {

struct CheckInArgs {
    bool Trial = false;     // "-l"
    std::string Server;     // "-s"
    std::string User;       // "-u"
    std::string Password;   // "-p"
    std::string Database;   // "-D": the central store's file
    std::string Directory;  // "-d": the exchange file set's directory
    std::string Name;       // "-n": the set's prefix
    // Irregularities for the log: a value that arrived as several arguments (a blank in it),
    // a flag given twice, arguments outside any flag. They name no values.
    std::vector<std::string> Notes;
};

// Reads the arguments after the program name. Flags are case-sensitive ("-d" is the
// directory, "-D" the database); the arguments after a flag up to the next flag are its value,
// joined by single blanks.
CheckInArgs ParseCheckInArgs(const std::vector<std::string>& args);

}  // namespace vestra
