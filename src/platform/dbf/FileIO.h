// The small I/O interface the engine reads and writes through: real files, memory, failures.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace dbf::io {

// One open file. Every failure throws dbf::EngineError naming the file.
class File {
public:
    virtual ~File() = default;
    virtual const std::string& path() const = 0;
    virtual uint64_t size() = 0;
    // Reads exactly n bytes at offset; a read past the end is an error.
    virtual void read(uint64_t offset, void* data, size_t n) = 0;
    // The n bytes at offset as read() gives them: where this file holds them already, in
    // place (valid until its next call), else read into scratch.
    virtual const uint8_t* view(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) {
        scratch.resize(n);
        read(offset, scratch.data(), n);
        return scratch.data();
    }
    // The n bytes at offset are about to be read: a file that keeps what it reads reads them
    // in one go. Past the end it reads nothing.
    virtual void prefetch(uint64_t offset, size_t n) {
        (void)offset;
        (void)n;
    }
    virtual void write(uint64_t offset, const void* data, size_t n) = 0;
    virtual void truncate(uint64_t size) = 0;
    virtual void flush() = 0;
    // Everything written so far on the disk itself (fdatasync, FlushFileBuffers).
    virtual void sync() { flush(); }
    virtual bool writable() const = 0;
};

// A file under the operating system's exclusive lock while it is open: another process
// cannot take the lock until this object goes.
class LockedFile : public File {
public:
    // Makes the file void for every later reader and removes it.
    virtual void discard() = 0;
};

enum class OpenMode { Read, ReadWrite, Create };

// The directory operations the engine needs. Paths use the platform's separators.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Read opens read-only; ReadWrite opens an existing file, falling back to read-only
    // when it cannot be written; Create makes a new empty file (replacing one).
    virtual std::unique_ptr<File> open(const std::string& path, OpenMode mode) = 0;
    // As open with Read or ReadWrite, but nullptr when there is no file of that name, so that
    // opening an existing file asks nothing of the system before the open itself.
    virtual std::unique_ptr<File> openIfExists(const std::string& path, OpenMode mode) {
        return exists(path) ? open(path, mode) : nullptr;
    }
    virtual bool exists(const std::string& path) = 0;
    virtual void remove(const std::string& path) = 0;
    // Names of the entries of a directory; empty when it does not exist.
    virtual std::vector<std::string> list(const std::string& directory) = 0;
    // The file under an exclusive lock, made when missing if create is set; nullptr when it
    // does not exist (and create is not set) or another process holds its lock.
    virtual std::unique_ptr<LockedFile> lockFile(const std::string& path, bool create);
    // The files made and removed in a directory on the disk itself.
    virtual void syncDirectory(const std::string& directory);
    // Runs the jobs (the writes and syncs of one change, each of another file) at once where
    // the system can merge their flushes. The first failure travels once every job has ended.
    virtual void atOnce(std::vector<std::function<void()>>& jobs);
};

// The real file system (stdio and std::filesystem).
std::shared_ptr<FileSystem> standardFileSystem();
// The file system tables use unless one is set on them: the real one, or the one given here
// (nullptr gives the real one back), so that tests can watch what the system's own code asks.
std::shared_ptr<FileSystem> defaultFileSystem();
void setDefaultFileSystem(std::shared_ptr<FileSystem> fs);

// Files in memory, for tests. A write budget makes every write fail once the given number
// of bytes has been written in total; the failing write keeps the bytes that fit.
class MemoryFileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
    std::unique_ptr<File> openIfExists(const std::string& path, OpenMode mode) override;
    bool exists(const std::string& path) override;
    void remove(const std::string& path) override;
    std::vector<std::string> list(const std::string& directory) override;
    // Locks are held per file object, as the operating system holds them per open file.
    std::unique_ptr<LockedFile> lockFile(const std::string& path, bool create) override;
    void syncDirectory(const std::string&) override {}

    // A read-only file opens for reading only, as OpenMode::ReadWrite falls back to.
    void setReadOnly(const std::string& path, bool readOnly);
    void setWriteBudget(int64_t bytes) { budget_ = bytes; }  // negative: unlimited
    void clearWriteBudget() { budget_ = -1; }
    int64_t bytesWritten() const { return written_; }
    std::vector<uint8_t>& data(const std::string& path);  // creates an empty file if missing
    std::map<std::string, std::vector<uint8_t>> snapshot() const;
    void restore(const std::map<std::string, std::vector<uint8_t>>& files);

private:
    friend class MemoryFile;
    friend class MemoryLockedFile;
    std::map<std::string, std::shared_ptr<std::vector<uint8_t>>> files_;
    std::set<std::string> readOnly_;
    std::set<std::string> locked_;
    int64_t budget_ = -1;
    int64_t written_ = 0;
};

}  // namespace dbf::io
