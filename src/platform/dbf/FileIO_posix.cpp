// Files of the real file system on POSIX: one system call per read or write at its offset,
// so that written data reaches the operating system at once and nothing is buffered here.
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dbf/Faults.h"
#include "platform/dbf/NativeFile.h"

namespace dbf::io {

namespace {

// Threads kept for the syncs that run at once: started when first needed, then waiting for
// the next batch, so that a batch's syncs begin together.
struct SyncThreads {
    std::mutex m;
    std::condition_variable ready;
    std::deque<std::function<void()>> jobs;
    size_t idle = 0;
    const pid_t owner = getpid();

    void post(std::function<void()> job) {
        std::lock_guard<std::mutex> lock(m);
        jobs.push_back(std::move(job));
        if (jobs.size() > idle) std::thread([this] { serve(); }).detach();
        else ready.notify_one();
    }
    void serve() {
        std::unique_lock<std::mutex> lock(m);
        for (;;) {
            ++idle;
            ready.wait(lock, [this] { return !jobs.empty(); });
            --idle;
            auto job = std::move(jobs.front());
            jobs.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
    }
};

SyncThreads& syncThreads() {
    static SyncThreads* threads = nullptr;
    // A child process made by fork has none of its parent's threads: it starts its own.
    if (!threads || threads->owner != getpid()) threads = new SyncThreads;
    return *threads;
}

class PosixFile : public NativeFileBase {
public:
    PosixFile(std::string path, int fd, bool writable) : NativeFileBase(std::move(path), writable), fd_(fd) {
        struct stat st {};
        if (fstat(fd_, &st) != 0) {
            close(fd_);
            fail(path_, "Die Größe der Datei kann nicht ermittelt werden");
        }
        size_ = uint64_t(st.st_size);
    }
    ~PosixFile() override {
        if (fd_ >= 0) close(fd_);
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
        if (!writable_) return;
        int e = faults::before();
        while (e == 0 && fdatasync(fd_) != 0)
            if (errno != EINTR) e = errno;
        if (e) failWrite(path_, "Die Datei kann nicht auf den Datenträger geschrieben werden", e);
    }
    // The descriptor, no longer closed by this object.
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// The file and its flock: closing the file descriptor releases the lock.
class PosixLockedFile : public LockedFile {
public:
    PosixLockedFile(const std::string& path, int fd) : file_(path, fd, true) {}
    // Once removed, the file is released by a kept thread: the system frees its blocks meanwhile.
    ~PosixLockedFile() override {
        if (!discarded_) return;
        const int fd = file_.release();
        syncThreads().post([fd] { close(fd); });
    }
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
        discarded_ = true;
    }

private:
    PosixFile file_;
    bool discarded_ = false;
};

// Whether the descriptor still stands for the file of that name (not one removed meanwhile).
bool stillNamed(int fd, const std::string& path) {
    struct stat held {}, named {};
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
           held.st_dev == named.st_dev;
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
        if (stillNamed(fd, path)) return std::make_unique<PosixLockedFile>(path, fd);
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

std::unique_ptr<File> openNativeFile(const std::string& path, OpenMode mode) {
    int fd = -1;
    bool writable = false;
    switch (mode) {
    case OpenMode::Read:
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        break;
    case OpenMode::ReadWrite: {
        // A file that nobody may write is read-only, also for the administrator, as the
        // read-only attribute is on Windows.
        struct stat st {};
        const bool noWriteBits = stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
        fd = noWriteBits ? -1 : open(path.c_str(), O_RDWR | O_CLOEXEC);
        writable = fd >= 0;
        if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        break;
    }
    case OpenMode::Create:
        if (const int e = faults::before()) failWrite(path, "Die Datei kann nicht erzeugt werden", e);
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        writable = true;
        break;
    }
    if (fd < 0 && mode == OpenMode::Create) failWrite(path, "Die Datei kann nicht erzeugt werden", errno);
    if (fd < 0)
        fail(path, mode == OpenMode::Create ? "Die Datei kann nicht erzeugt werden" : "Die Datei kann nicht geöffnet werden");
    return std::make_unique<PosixFile>(path, fd, writable);
}

// Concurrent syncs cost the disk about one flush: all jobs but the first run on kept threads.
void runNativeAtOnce(std::vector<std::function<void()>>& jobs) {
    if (jobs.empty()) return;
    std::vector<std::exception_ptr> errors(jobs.size());
    auto run = [&](size_t i) {
        try {
            jobs[i]();
        } catch (...) {
            errors[i] = std::current_exception();
        }
    };
    std::mutex m;
    std::condition_variable finished;
    size_t left = jobs.size() - 1;
    for (size_t i = 1; i < jobs.size(); ++i)
        syncThreads().post([&, i] {
            run(i);
            std::lock_guard<std::mutex> lock(m);
            if (--left == 0) finished.notify_one();
        });
    run(0);
    {
        std::unique_lock<std::mutex> lock(m);
        finished.wait(lock, [&] { return left == 0; });
    }
    for (auto& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace dbf::io
