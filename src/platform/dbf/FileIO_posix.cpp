// Files of the real file system on POSIX: one system call per read or write at its offset,
// so that written data reaches the operating system at once and nothing is buffered here.
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <system_error>
#include <thread>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dbf/Faults.h"
#include "platform/dbf/NativeFile.h"

namespace dbf::io {

namespace {

// A plain file that somebody may write. One that nobody may write is read-only, also for the
// administrator, as the read-only attribute is on Windows.
bool writableMode(const struct stat& st) { return S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0; }

class PosixFile : public NativeFileBase {
public:
    // modeKnown false: opened for writing; whether its mode lets anybody write it is asked the
    // first time it matters, which a lookup never does.
    PosixFile(std::string path, int fd, bool writable, uint64_t size, bool modeKnown = true)
        : NativeFileBase(std::move(path), writable), fd_(fd), modeKnown_(modeKnown) {
        size_ = size;
    }
    ~PosixFile() override {
        if (fd_ >= 0) close(fd_);
    }
    bool writable() const override {
        if (!modeKnown_) {
            modeKnown_ = true;
            struct stat st {};
            if (fstat(fd_, &st) != 0 || !writableMode(st)) writable_ = false;
        }
        return writable_;
    }

    void read(uint64_t offset, void* data, size_t n) override {
        if (!startRead(offset, n)) return;
        auto* p = static_cast<char*>(data);
        while (n > 0) {
            const ssize_t got = pread(fd_, p, n, off_t(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) fail(path_, "Die Datei kann nicht gelesen werden");
            p += got;
            offset += uint64_t(got);
            n -= size_t(got);
        }
    }
    void write(uint64_t offset, const void* data, size_t n) override {
        requireWritable();
        if (n == 0) return;
        const uint64_t end = offset + n;
        auto* p = static_cast<const char*>(data);
        if (const int e = faults::before()) failWrite(path_, "Die Datei kann nicht geschrieben werden", e);
        while (n > 0) {
            const ssize_t put = pwrite(fd_, p, n, off_t(offset));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) failWrite(path_, "Die Datei kann nicht geschrieben werden", put < 0 ? errno : ENOSPC);
            p += put;
            offset += uint64_t(put);
            n -= size_t(put);
        }
        if (end > size_) size_ = end;
    }
    void truncate(uint64_t size) override {
        requireWritable();
        int e = faults::before();
        if (e == 0 && ftruncate(fd_, off_t(size)) != 0) e = errno;
        if (e) failWrite(path_, "Die Datei kann nicht gekürzt werden", e);
        size_ = size;
    }
    void flush() override {}
    void sync() override {
        if (!writable()) return;
        int e = faults::before();
        while (e == 0 && fdatasync(fd_) != 0)
            if (errno != EINTR) e = errno;
        if (e) failWrite(path_, "Die Datei kann nicht auf den Datenträger geschrieben werden", e);
    }

private:
    int fd_;
    mutable bool modeKnown_;
};

// The file and its flock: closing the file descriptor releases the lock.
class PosixLockedFile : public LockedFile {
public:
    PosixLockedFile(const std::string& path, int fd, uint64_t size) : file_(path, fd, true, size) {}
    const std::string& path() const override { return file_.path(); }
    uint64_t size() override { return file_.size(); }
    void read(uint64_t offset, void* data, size_t n) override { file_.read(offset, data, n); }
    void write(uint64_t offset, const void* data, size_t n) override { file_.write(offset, data, n); }
    void truncate(uint64_t size) override { file_.truncate(size); }
    void flush() override {}
    void sync() override { file_.sync(); }
    bool writable() const override { return true; }
    // Removed while locked: whoever opened it before and locks it after us finds it unlinked.
    void discard() override {
        int e = faults::before();
        if (e == 0 && unlink(path().c_str()) != 0 && errno != ENOENT) e = errno;
        if (e) failWrite(path(), "Die Datei kann nicht gelöscht werden", e);
    }

private:
    PosixFile file_;
};

// Whether the descriptor still stands for the file of that name (not one removed meanwhile);
// its size then.
bool stillNamed(int fd, const std::string& path, uint64_t& size) {
    struct stat held {}, named {};
    if (fstat(fd, &held) != 0 || stat(path.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev)
        return false;
    size = uint64_t(held.st_size);
    return true;
}

}  // namespace

std::unique_ptr<LockedFile> lockNativeFile(const std::string& path, bool create) {
    // Between our open and our lock the holder may remove the file: then open it anew.
    for (int attempt = 0; attempt < 16; ++attempt) {
        int fd;
        if (create) {
            if (const int e = faults::before()) failWrite(path, "Die Datei kann nicht erzeugt werden", e);
            fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        } else {
            fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT) return nullptr;
        }
        if (fd < 0) failWrite(path, "Die Datei kann nicht geöffnet werden", errno);
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            close(fd);
            if (e == EWOULDBLOCK || e == EINTR) return nullptr;
            failWrite(path, "Die Datei kann nicht gesperrt werden", e);
        }
        if (uint64_t size = 0; stillNamed(fd, path, size)) return std::make_unique<PosixLockedFile>(path, fd, size);
        close(fd);
    }
    fail(path, "Die Datei kann nicht gesperrt werden");
}

void syncNativeDirectory(const std::string& directory) {
    const std::string dir = directory.empty() ? "." : directory;
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) failWrite(dir, "Das Verzeichnis kann nicht geöffnet werden", errno);
    int e = faults::before();
    while (e == 0 && fsync(fd) != 0)
        if (errno != EINTR) e = errno;
    close(fd);
    if (e) failWrite(dir, "Das Verzeichnis kann nicht auf den Datenträger geschrieben werden", e);
}

std::unique_ptr<File> openNativeFile(const std::string& path, OpenMode mode, bool ifExists) {
    int fd = -1;
    bool writable = false;
    switch (mode) {
    case OpenMode::Read:
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        break;
    case OpenMode::ReadWrite:
        fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        writable = fd >= 0;
        // Not writable by us: read-only. A missing name or a directory needs no second try.
        if (fd < 0 && errno != ENOENT && errno != ENOTDIR && errno != EISDIR)
            fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        break;
    case OpenMode::Create:
        if (const int e = faults::before()) failWrite(path, "Die Datei kann nicht erzeugt werden", e);
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        writable = true;
        break;
    }
    const bool missing = fd < 0 && (errno == ENOENT || errno == ENOTDIR || errno == EISDIR);
    if (fd < 0 && mode == OpenMode::Create) failWrite(path, "Die Datei kann nicht erzeugt werden", errno);
    if (fd < 0) {
        if (missing && ifExists) return nullptr;
        fail(path, mode == OpenMode::Create ? "Die Datei kann nicht erzeugt werden" : "Die Datei kann nicht geöffnet werden");
    }
    if (mode == OpenMode::ReadWrite && writable) {
        // Opened for writing, so no directory: the size, where only a file has one, is all a
        // lookup needs; the mode is asked before the first write.
        const off_t end = lseek(fd, 0, SEEK_END);
        if (end >= 0) return std::make_unique<PosixFile>(path, fd, true, uint64_t(end), false);
        close(fd);
        if (ifExists) return nullptr;
        fail(path, "Die Datei kann nicht geöffnet werden");
    }
    // One call for the size, the kind of file and its write bits.
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        close(fd);
        fail(path, "Die Größe der Datei kann nicht ermittelt werden");
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        if (ifExists) return nullptr;
        fail(path, "Die Datei kann nicht geöffnet werden");
    }
    if (mode == OpenMode::ReadWrite && !writableMode(st)) writable = false;
    return std::make_unique<PosixFile>(path, fd, writable, uint64_t(st.st_size));
}

// Concurrent syncs cost the disk about one flush: every job but the first runs on a thread of
// its own, and all of them have ended when this returns.
void runNativeAtOnce(std::vector<std::function<void()>>& jobs) {
    std::vector<std::exception_ptr> errors(jobs.size());
    auto run = [&](size_t i) {
        try {
            jobs[i]();
        } catch (...) {
            errors[i] = std::current_exception();
        }
    };
    std::vector<std::thread> others;
    others.reserve(jobs.size());
    for (size_t i = 1; i < jobs.size(); ++i) {
        try {
            others.emplace_back(run, i);
        } catch (const std::system_error&) {
            run(i);  // no thread to be had: in turn, then
        }
    }
    if (!jobs.empty()) run(0);
    for (auto& t : others) t.join();
    for (auto& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace dbf::io
