// The rollback journal of a directory's tables: units of change that reach the files whole or
// not at all, also after a crash, a write error or a power cut.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbf/FileIO.h"

namespace dbf::journal {

struct Shared;

// A unit of change of some tables of a directory (each with its index and memo file). While
// it runs, what the engine writes to those files is held back. commit() writes the original
// bytes and lengths to the journal beside the tables and syncs it, then writes and syncs the
// tables, then removes the journal: that removal is the commit. Files are made and removed at
// once, each after its original state is in the journal. A unit begun on the same directory
// while another runs joins that one. The journal is locked while it exists.
class Unit {
public:
    Unit(std::shared_ptr<io::FileSystem> fs, const std::string& directory, const std::string& journalName,
         const std::vector<std::string>& tables);
    // Rolls back unless committed. A joined unit left without commit and without an error
    // leaves its changes to the unit it joined; left by an error, it dooms that one.
    ~Unit();
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    // The outermost unit's changes reach the disk; when that fails, they are rolled back and
    // the error travels on. A joined unit's changes wait for the outermost one.
    void commit();
    // Undoes the unit now, if it is not done; a joined unit dooms the one it joined, whose
    // changes are then undone as a whole. Whether changes were (or will be) undone.
    bool rollBack() noexcept;
    bool joined() const { return joined_; }
    // Why changes already written could not be undone (the journal stays for recovery).
    const std::string& failure() const { return failure_; }

private:
    std::shared_ptr<Shared> shared_;
    bool joined_ = false, done_ = false, undone_ = false;
    int exceptions_ = 0;  // errors under way when the unit began
    std::string failure_;
};

enum class Recovery { Nothing, RolledBack, InUse };

// Plays back a journal that a writer which is gone left in the directory, and removes it:
// RolledBack when it held changes. InUse when another process holds its lock; Nothing when
// there is none, or nothing whole in it.
Recovery recover(io::FileSystem& fs, const std::string& directory, const std::string& journalName);

// Bytes a unit holds back in memory at most; beyond them it writes what it holds, journal
// first (8 MB; tests make it small).
void setHoldBack(uint64_t bytes);

// The file system as the engine's tables use it: the files of a running unit's tables are
// written through the unit.
std::shared_ptr<io::FileSystem> journaled(std::shared_ptr<io::FileSystem> fs);
// The same for the duration of a call that holds fs.
std::unique_ptr<io::FileSystem> journaled(io::FileSystem& fs);

}  // namespace dbf::journal
