// Starting programs: one command line, no shell, optionally hidden and waited for.
#pragma once

#include <string>
#include <vector>

namespace os {

struct ProcessOptions {
    std::string workingDirectory;  // empty: the caller's
    bool hidden = false;           // window hidden, new console
    bool wait = false;             // block until the program ends, without time limit
};

// Starts the program named by the command line's first argument. Returns whether the start
// succeeded; the exit code is not examined. The program path and the working directory may be
// written with '\'; the other arguments reach the program unchanged.
bool StartProcess(const std::string& commandLine, const ProcessOptions& options);

// Splits a command line by the Windows rules (blanks separate arguments, double quotes group,
// backslashes escape quotes only before a quote).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// One argument for a command line, so that the Windows rules split it back as it is: a value
// with a blank, tab or quote is quoted (backslashes doubled before a quote); any other value,
// the empty one included, is returned unchanged.
std::string QuoteArgument(const std::string& value);

// The logon name of the user running the process, as the system reports it.
std::string LogonName();

}  // namespace os
