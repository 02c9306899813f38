// Files of the real file system on POSIX: one system call per read or write at its offset,
// so that written data reaches the operating system at once and nothing is buffered here.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dbf/NativeFile.h"

namespace dbf::io {

namespace {

class PosixFile : public NativeFileBase {
public:
    PosixFile(std::string path, int fd, bool writable, uint64_t size)
        : NativeFileBase(std::move(path), writable), fd_(fd) {
        size_ = size;
    }
    ~PosixFile() override { close(fd_); }

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
        while (n > 0) {
            const ssize_t put = pwrite(fd_, p, n, off_t(offset));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) fail(path_, "Die Datei kann nicht geschrieben werden");
            p += put;
            offset += uint64_t(put);
            n -= size_t(put);
        }
        if (end > size_) size_ = end;
    }
    void truncate(uint64_t size) override {
        requireWritable();
        if (ftruncate(fd_, off_t(size)) != 0) fail(path_, "Die Datei kann nicht gekürzt werden");
        size_ = size;
    }
    void flush() override {}

private:
    int fd_;
};

}  // namespace

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
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        writable = true;
        break;
    }
    const bool missing = fd < 0 && (errno == ENOENT || errno == ENOTDIR || errno == EISDIR);
    if (fd < 0) {
        if (missing && ifExists) return nullptr;
        fail(path, mode == OpenMode::Create ? "Die Datei kann nicht erzeugt werden" : "Die Datei kann nicht geöffnet werden");
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
    // A file that nobody may write is read-only, also for the administrator, as the
    // read-only attribute is on Windows.
    if (mode == OpenMode::ReadWrite && (st.st_mode & 0222) == 0) writable = false;
    return std::make_unique<PosixFile>(path, fd, writable, uint64_t(st.st_size));
}

}  // namespace dbf::io
