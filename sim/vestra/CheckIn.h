// The check-in: checks an exported exchange file set against the central store, writes the
// run's log, and in the live run applies the set's changes to the store.
#pragma once

#include <string>
#include <vector>

#include "vestra/CheckInArgs.h"

namespace vestra {

struct CheckInResult {
    int Sachdatenfehler = 0;
    int Grafikfehler = 0;
    bool Applied = false;            // the store was changed
    std::vector<std::string> Lines;  // the log's lines, last the two counts
};

// Runs the checks (and the changes in a live run without errors) for the set named by
// args.Directory and args.Name, with the store file args.Database. Errors of the set or the
// store are counted, never thrown. Writes nothing itself.
CheckInResult RunCheckIn(const CheckInArgs& args);

// Replaces the file by the lines (CRLF), written under a temporary name and renamed, so that
// the file is either the old one or the complete new one.
void WriteLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace vestra
