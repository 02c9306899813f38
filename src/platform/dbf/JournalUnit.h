// The state of a running unit of the journal: the files it changes and the bytes it holds
// back, shared by the unit objects that joined it and the files that write through it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/dbf/FileIO.h"

namespace dbf::journal {

class Segment;

inline constexpr uint64_t kPage = 512;

// The error of a unit one of whose steps failed (then all of it is undone), before the journal's path.
inline constexpr const char* kStepFailed = "Ein Schritt dieser Änderung ist fehlgeschlagen; sie wird als Ganzes nicht ausgeführt: ";

// One file of the unit's tables, from its first change on.
struct FileState {
    std::string name;              // in the directory, as the journal records it
    std::string path;
    bool existed = true;           // before the unit
    uint64_t original = 0;         // its length before the unit
    bool recorded = false;         // the journal on disk holds existed and original
    std::set<uint64_t> journaled;  // pages whose original bytes the journal on disk holds
    std::shared_ptr<io::File> handle;  // reads what is on disk, writes back; none while removed
    uint64_t size = 0;             // as the unit sees it
    uint64_t disk = 0;             // on disk now
    uint64_t keep = 0;             // bytes on disk from here on were cut off by the unit
    std::map<uint64_t, std::vector<uint8_t>> pending;  // pages held back, kPage bytes each
    // The bytes on disk of pages held back as the unit found them, for the journal: read once.
    std::map<uint64_t, std::vector<uint8_t>> originals;
    bool written = false;          // written back: synced at commit
};

struct Shared {
    std::shared_ptr<io::FileSystem> fs;
    std::string directory, directoryKey, journalPath;
    std::set<std::string> stems;            // of the unit's tables, upper case
    std::map<std::string, FileState> files;  // by key of the name
    std::unique_ptr<io::LockedFile> journal;
    uint64_t journalEnd = 0;
    uint32_t segments = 0, salt = 0;
    uint64_t pendingBytes = 0;
    int depth = 1;
    bool changed = false, doomed = false, entriesChanged = false;
    std::string failure;  // of the last rollback

    // The unit's state of a file of its tables, made at its first change.
    FileState* find(const std::string& name);
    FileState& touch(const std::string& name, const std::string& path, std::shared_ptr<io::File> handle);

    void read(FileState& f, uint64_t offset, void* data, size_t n);
    void write(FileState& f, uint64_t offset, const void* data, size_t n);
    void truncate(FileState& f, uint64_t size);
    // A file of the tables made anew or removed: its original state reaches the journal first.
    void beforeCreate(const std::string& name, const std::string& path);
    void created(const std::string& name, std::shared_ptr<io::File> handle);
    void beforeRemove(const std::string& name, const std::string& path);
    void removed(const std::string& name);

    // Journal first, then the tables: what is held back reaches the disk.
    void flush();
    void commit();
    // Undoes everything; failure says why when written changes could not be undone.
    void rollBack() noexcept;

private:
    void requireLive() const;
    std::vector<uint8_t>& page(FileState& f, uint64_t index, bool whole);
    // Holds back the pages first..last that the unit found on disk and has not yet, read at once.
    void load(FileState& f, uint64_t first, uint64_t last);
    void readDisk(FileState& f, uint64_t offset, uint8_t* out, size_t n);
    // Adds the original bytes of the pages of f (those at risk, not yet journaled) to seg.
    void original(FileState& f, const std::vector<uint64_t>& pages, Segment& seg, std::vector<uint64_t>& added);
    void originalAll(FileState& f, Segment& seg, std::vector<uint64_t>& added);
    void write(Segment& seg);
    // Writes and syncs the journal of what the files hold back; the files with changes to write.
    std::vector<FileState*> journalFirst();
    // The pages f holds back, and its length, onto the disk.
    void writeBack(FileState& f);
    // What a segment written holds: the files' states and their pages.
    void journaled(const std::vector<std::pair<FileState*, std::vector<uint64_t>>>& added);
    void openJournal();
};

// Bytes a unit holds back in memory at most (setHoldBack).
uint64_t holdBack();
// A directory as units name it: with forward slashes, without a trailing one.
std::string withoutTrailingSlash(std::string dir);
// The units running now, and a number that changes whenever they or their files do. Asked on
// every call of a file of the tables: plain variables, no function-local statics.
inline std::vector<Shared*> runningUnits;
inline uint64_t unitsGeneration = 1;
inline std::vector<Shared*>& running() { return runningUnits; }
inline uint64_t& generation() { return unitsGeneration; }
// The key of a name or directory: case-insensitive where the file system is.
std::string keyOf(const std::string& s);
// Splits a path into its directory's key and the file's name.
void split(const std::string& path, std::string& directoryKey, std::string& name);
// The running unit whose tables hold the file, if any.
Shared* unitFor(const io::FileSystem* fs, const std::string& directoryKey, const std::string& name);

}  // namespace dbf::journal
