// A file system that counts what the engine asks of the one beneath it, for tests of the open path.
// It counts in the system calls that the real files make for each request.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbf/FileIO.h"

namespace dbf::io {

// What was asked, by kind. On the real file system an open is two system calls (the open and
// the query of the size), a listing of a directory three (open, read, close), the sync of a
// directory three (open, sync, close), taking a lock four (open, lock, and the two queries that
// make sure the file still has its name), everything else one each.
struct FileCalls {
    int opens = 0;
    int misses = 0;     // names tried to open that were no file
    int stats = 0;      // exists()
    int reads = 0;
    int writes = 0;
    int truncates = 0;
    int flushes = 0;
    int closes = 0;
    int lists = 0;
    int removes = 0;
    int syncs = 0;           // of a file's data to the disk
    int directorySyncs = 0;
    int locks = 0;
    int writeTypeCalls() const { return writes + truncates + syncs + directorySyncs + locks + removes; }
    int systemCalls() const {
        return 2 * opens + misses + stats + reads + writes + truncates + flushes + closes + 3 * lists + removes +
               syncs + 3 * directorySyncs + 4 * locks;
    }
};

class CountingFileSystem : public FileSystem {
public:
    explicit CountingFileSystem(std::shared_ptr<FileSystem> base);
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    std::unique_ptr<File> openIfExists(const std::string& path, OpenMode mode) override;
    bool exists(const std::string& path) override;
    void remove(const std::string& path) override;
    std::vector<std::string> list(const std::string& directory) override;
    std::unique_ptr<LockedFile> lockFile(const std::string& path, bool create) override;
    void syncDirectory(const std::string& directory) override;
    void atOnce(std::vector<std::function<void()>>& jobs) override;

    const FileCalls& calls() const { return *calls_; }
    void reset() { *calls_ = FileCalls{}; }

private:
    std::shared_ptr<FileSystem> base_;
    // Shared with the files handed out, which may outlive a reset but not the counts.
    std::shared_ptr<FileCalls> calls_ = std::make_shared<FileCalls>();
};

}  // namespace dbf::io
