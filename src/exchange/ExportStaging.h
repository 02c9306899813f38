// The export's own members written aside first and put in place at the end, the action list
// last: a set in the export directory is complete only once its action list is there.
#pragma once

#include <string>

class ExportStaging {
public:
    // Removes the set's action list first (from here on the set is incomplete) and what an
    // interrupted export left aside; copies aside the members that the export updates rather
    // than writes anew (the transaction file, the photo table with its companion files).
    // Throws, with nothing written, when the old action list cannot be removed.
    ExportStaging(const std::string& ExportDir, const std::string& FileNamePrefix);
    // Removes whatever was not put in place: after a failure, everything written aside.
    ~ExportStaging();
    ExportStaging(const ExportStaging&) = delete;
    ExportStaging& operator=(const ExportStaging&) = delete;

    // The directory the members are written to, ending in a delimiter; the members keep their
    // names there.
    const std::string& Dir() const { return dir_; }
    // Puts every member in place under its name, each file in one step: the photo directory's
    // pictures only where the export directory has none of that name, the action list last.
    void Commit();

private:
    std::string exportDir_, prefix_, dir_;
};
