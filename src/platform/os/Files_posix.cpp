// Files and directories on POSIX: Windows-style paths and wildcard rules over dirent and stat.
#include "platform/os/Files.h"
#include "platform/os/Mask.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace os {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Closes a file descriptor on every path.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { if (fd_ >= 0) close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    // Closes now and reports whether the close succeeded (a late write error shows here).
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }
private:
    int fd_;
};

bool StatPath(const std::string& path, struct stat& st)
{
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0;
}

}  // namespace

std::string NativePath(const std::string& path)
{
    std::string result = path;
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return StatPath(path, st) && !S_ISDIR(st.st_mode);
}

bool DirExists(const std::string& path)
{
    struct stat st;
    return StatPath(path, st) && S_ISDIR(st.st_mode);
}

std::vector<std::string> ListDirectory(const std::string& pattern)
{
    std::vector<std::string> names;
    const std::string native = NativePath(pattern);
    const size_t slash = native.rfind('/');
    std::string dir;
    std::string mask;
    if (slash == std::string::npos) {
        dir = ".";
        mask = native;
    } else {
        dir = slash == 0 ? "/" : native.substr(0, slash);
        mask = native.substr(slash + 1);
    }
    if (mask.empty())
        return names;
    if (mask == "*.*")  // Windows: every name, with or without a dot
        mask = "*";

    DirHandle handle(opendir(dir.c_str()));
    if (!handle)
        return names;
    while (const dirent* entry = readdir(handle.get())) {
        const std::string name = entry->d_name;
        if (MatchMask(mask, name))
            names.push_back(name);
    }

    // Windows lists "." and ".." first for masks that match them; some file systems omit them.
    const char* dotNames[] = {"..", "."};
    for (const char* dot : dotNames) {
        if (MatchMask(mask, dot) && std::find(names.begin(), names.end(), dot) == names.end())
            names.insert(names.begin(), dot);
    }
    return names;
}

bool FileExistsWildcard(const std::string& pattern)
{
    return !ListDirectory(pattern).empty();
}

bool SameDirectory(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return StatPath(a, sa) && StatPath(b, sb) && S_ISDIR(sa.st_mode) && S_ISDIR(sb.st_mode) &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool CreateDir(const std::string& path)
{
    return !path.empty() && mkdir(NativePath(path).c_str(), 0777) == 0;
}

bool CopyFileTo(const std::string& from, const std::string& to, bool failIfExists)
{
    Fd in(open(NativePath(from).c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.ok())
        return false;
    struct stat st;
    if (fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;

    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    Fd out(open(NativePath(to).c_str(), flags, st.st_mode & 0777));
    if (!out.ok())
        return false;

    char buffer[65536];
    for (;;) {
        const ssize_t got = read(in.get(), buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = write(out.get(), buffer + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += put;
        }
    }
    // The copy keeps the time of last change, as on Windows.
    const timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out.get(), times);
    return out.Close();
}

bool DeleteFileAt(const std::string& path)
{
    return !path.empty() && unlink(NativePath(path).c_str()) == 0;
}

bool RemoveDir(const std::string& path)
{
    return !path.empty() && rmdir(NativePath(path).c_str()) == 0;
}

bool MoveFileOver(const std::string& from, const std::string& to)
{
    return !from.empty() && !to.empty() && rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    Fd out(open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!out.ok())
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(out.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return out.Close();
}

bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes)
{
    Fd in(open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.ok())
        return false;
    struct stat st {};
    if (fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes)
        return false;
    bytes.assign(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = read(in.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return true;
}

}  // namespace os
