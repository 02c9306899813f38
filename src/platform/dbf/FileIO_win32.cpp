// Files of the real file system on Windows, through the C runtime's streams.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include <io.h>
#include <windows.h>

#include "platform/dbf/Faults.h"
#include "platform/dbf/NativeFile.h"

namespace dbf::io {

namespace {

// The errno value of a Win32 error, as far as the user's words for it go.
int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: return EACCES;
    default: return EIO;
    }
}

class StdFile : public NativeFileBase {
public:
    StdFile(std::string path, std::FILE* f, bool writable) : NativeFileBase(std::move(path), writable), f_(f) {
        const long end = std::fseek(f_, 0, SEEK_END) == 0 ? std::ftell(f_) : -1;
        if (end < 0) {
            std::fclose(f_);  // the destructor of an object not made does not run
            fail(path_, "Die Größe der Datei kann nicht ermittelt werden");
        }
        size_ = uint64_t(end);
    }
    ~StdFile() override { std::fclose(f_); }

    void read(uint64_t offset, void* data, size_t n) override {
        if (!startRead(offset, n)) return;
        seek(offset);
        if (std::fread(data, 1, n, f_) != n) fail(path_, "Die Datei kann nicht gelesen werden");
    }
    void write(uint64_t offset, const void* data, size_t n) override {
        requireWritable();
        if (n == 0) return;
        if (const int e = faults::before()) failWrite(path_, "Die Datei kann nicht geschrieben werden", e);
        seek(offset);
        if (std::fwrite(data, 1, n, f_) != n) failWrite(path_, "Die Datei kann nicht geschrieben werden", errno);
        // Written data reaches the operating system at once: no data waits in our buffers
        // when an operation ends, whatever happens afterwards.
        if (std::fflush(f_) != 0) failWrite(path_, "Die Datei kann nicht geschrieben werden", errno);
        size_ = std::max(size_, offset + n);
    }
    void truncate(uint64_t size) override {
        requireWritable();
        if (const int e = faults::before()) failWrite(path_, "Die Datei kann nicht gekürzt werden", e);
        if (std::fflush(f_) != 0) failWrite(path_, "Die Datei kann nicht geschrieben werden", errno);
        std::error_code ec;
        std::filesystem::resize_file(path_, size, ec);
        if (ec) fail(path_, "Die Datei kann nicht gekürzt werden");
        size_ = size;
    }
    void flush() override {
        if (writable_ && std::fflush(f_) != 0) failWrite(path_, "Die Datei kann nicht geschrieben werden", errno);
    }
    void sync() override {
        if (!writable_) return;
        flush();
        if (const int e = faults::before()) failWrite(path_, "Die Datei kann nicht auf den Datenträger geschrieben werden", e);
        if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f_)))))
            failWrite(path_, "Die Datei kann nicht auf den Datenträger geschrieben werden", errnoOf(GetLastError()));
    }

private:
    void seek(uint64_t offset) {
        if (offset > uint64_t(LONG_MAX)) fail(path_, "Die Datei ist zu groß");
        if (std::fseek(f_, long(offset), SEEK_SET) != 0) fail(path_, "In der Datei kann nicht positioniert werden");
    }
    std::FILE* f_;
};

// A file of Win32 handles with a byte locked far past its data; closing the handle ends the
// lock. Opened to be shared for deletion, so that it can be removed while it is held.
class Win32LockedFile : public LockedFile {
public:
    Win32LockedFile(std::string path, HANDLE h) : path_(std::move(path)), h_(h) {}
    ~Win32LockedFile() override {
        OVERLAPPED at = lockedByte();
        UnlockFileEx(h_, 0, 1, 0, &at);
        CloseHandle(h_);
    }
    static OVERLAPPED lockedByte() {
        OVERLAPPED at{};
        at.OffsetHigh = 0x40;
        return at;
    }
    const std::string& path() const override { return path_; }
    uint64_t size() override {
        LARGE_INTEGER n;
        if (!GetFileSizeEx(h_, &n)) fail(path_, "Die Größe der Datei kann nicht ermittelt werden");
        return uint64_t(n.QuadPart);
    }
    void read(uint64_t offset, void* data, size_t n) override {
        auto* p = static_cast<char*>(data);
        while (n > 0) {
            OVERLAPPED at = place(offset);
            DWORD got = 0;
            const DWORD want = DWORD(std::min<size_t>(n, 1u << 30));
            if (!ReadFile(h_, p, want, &got, &at) || got == 0) fail(path_, "Die Datei kann nicht gelesen werden");
            p += got;
            offset += got;
            n -= got;
        }
    }
    void write(uint64_t offset, const void* data, size_t n) override {
        if (n == 0) return;
        if (const int e = faults::before()) failWrite(path_, "Die Datei kann nicht geschrieben werden", e);
        auto* p = static_cast<const char*>(data);
        while (n > 0) {
            OVERLAPPED at = place(offset);
            DWORD put = 0;
            const DWORD want = DWORD(std::min<size_t>(n, 1u << 30));
            if (!WriteFile(h_, p, want, &put, &at) || put == 0)
                failWrite(path_, "Die Datei kann nicht geschrieben werden", errnoOf(GetLastError()));
            p += put;
            offset += put;
            n -= put;
        }
    }
    void truncate(uint64_t size) override {
        if (const int e = faults::before()) failWrite(path_, "Die Datei kann nicht gekürzt werden", e);
        cut(size);
    }
    void flush() override {}
    void sync() override {
        if (const int e = faults::before()) failWrite(path_, "Die Datei kann nicht auf den Datenträger geschrieben werden", e);
        if (!FlushFileBuffers(h_))
            failWrite(path_, "Die Datei kann nicht auf den Datenträger geschrieben werden", errnoOf(GetLastError()));
    }
    bool writable() const override { return true; }
    // Emptied first: a process that opened it before us finds nothing in it.
    void discard() override {
        if (const int e = faults::before()) failWrite(path_, "Die Datei kann nicht gelöscht werden", e);
        cut(0);
        if (!DeleteFileA(path_.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            failWrite(path_, "Die Datei kann nicht gelöscht werden", errnoOf(GetLastError()));
    }

private:
    static OVERLAPPED place(uint64_t offset) {
        OVERLAPPED at{};
        at.Offset = DWORD(offset & 0xFFFFFFFFu);
        at.OffsetHigh = DWORD(offset >> 32);
        return at;
    }
    void cut(uint64_t size) {
        LARGE_INTEGER to;
        to.QuadPart = LONGLONG(size);
        if (!SetFilePointerEx(h_, to, nullptr, FILE_BEGIN) || !SetEndOfFile(h_))
            failWrite(path_, "Die Datei kann nicht gekürzt werden", errnoOf(GetLastError()));
    }
    std::string path_;
    HANDLE h_;
};

}  // namespace

std::unique_ptr<LockedFile> lockNativeFile(const std::string& path, bool create) {
    if (create)
        if (const int e = faults::before()) failWrite(path, "Die Datei kann nicht erzeugt werden", e);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Not there, or being removed by its holder.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_ACCESS_DENIED) {
            if (!create) return nullptr;
            if (error == ERROR_ACCESS_DENIED) return nullptr;
        }
        failWrite(path, "Die Datei kann nicht geöffnet werden", errnoOf(error));
    }
    OVERLAPPED at = Win32LockedFile::lockedByte();
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return nullptr;
        failWrite(path, "Die Datei kann nicht gesperrt werden", errnoOf(error));
    }
    return std::make_unique<Win32LockedFile>(path, h);
}

// NTFS keeps its directory entries in its own log: nothing to do.
void syncNativeDirectory(const std::string&) {}

namespace {

// One job of a batch on a thread of its own, its error kept for the caller.
struct Job {
    std::function<void()>* work;
    std::exception_ptr error;
};

DWORD WINAPI RunJob(void* arg) {
    auto* job = static_cast<Job*>(arg);
    try {
        (*job->work)();
    } catch (...) {
        job->error = std::current_exception();
    }
    return 0;
}

}  // namespace

// Concurrent flushes cost the disk about one: every job but the first runs on a thread of its
// own, and all of them have ended when this returns.
void runNativeAtOnce(std::vector<std::function<void()>>& jobs) {
    std::vector<Job> state(jobs.size());
    std::vector<HANDLE> threads;
    for (size_t i = 0; i < jobs.size(); ++i) {
        state[i].work = &jobs[i];
        if (i == 0)
            continue;
        HANDLE t = CreateThread(nullptr, 0, RunJob, &state[i], 0, nullptr);
        if (t)
            threads.push_back(t);
        else
            RunJob(&state[i]);  // no thread to be had: in turn, then
    }
    if (!jobs.empty())
        RunJob(&state[0]);
    for (HANDLE t : threads) {
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    for (const auto& job : state)
        if (job.error)
            std::rethrow_exception(job.error);
}

std::unique_ptr<File> openNativeFile(const std::string& path, OpenMode mode, bool ifExists) {
    std::FILE* f = nullptr;
    bool writable = false;
    bool missing = false;
    switch (mode) {
    case OpenMode::Read:
    case OpenMode::ReadWrite: {
        // A file marked read-only is only read, whoever runs us: the administrator under Wine
        // could write it all the same. The same call tells a missing name or a directory.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = GetLastError();
            missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        } else {
            missing = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        }
        if (missing) break;
        if (mode == OpenMode::ReadWrite &&
            (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))) {
            f = std::fopen(path.c_str(), "r+b");
            writable = f != nullptr;
        }
        if (!f) f = std::fopen(path.c_str(), "rb");
        break;
    }
    case OpenMode::Create:
        if (const int e = faults::before()) failWrite(path, "Die Datei kann nicht erzeugt werden", e);
        f = std::fopen(path.c_str(), "w+b");
        writable = true;
        break;
    }
    if (missing && ifExists) return nullptr;
    if (!f && mode == OpenMode::Create) failWrite(path, "Die Datei kann nicht erzeugt werden", errno);
    if (!f) fail(path, mode == OpenMode::Create ? "Die Datei kann nicht erzeugt werden" : "Die Datei kann nicht geöffnet werden");
    return std::make_unique<StdFile>(path, f, writable);
}

}  // namespace dbf::io
