// Files of the real file system, one implementation per platform.
#pragma once

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/FileIO.h"

namespace dbf::io {

[[noreturn]] inline void fail(const std::string& path, const std::string& what) {
    throw EngineError(what + ": " + path);
}

// What the system reported, in words for the user, for the failures a user can mend.
inline std::string reason(int error) {
    switch (error) {
    case ENOSPC: return " (kein Platz mehr auf dem Datenträger)";
    case EIO: return " (Ein-/Ausgabefehler des Datenträgers)";
    case EROFS: return " (der Datenträger ist schreibgeschützt)";
    case EACCES: case EPERM: return " (keine Berechtigung)";
    default: return "";
    }
}

// A failed write-type call, with the system's reason.
[[noreturn]] inline void failWrite(const std::string& path, const std::string& what, int error) {
    fail(path, what + reason(error));
}

// What the files of both platforms share: the name, the size as last known, whether it may
// be written, and the checks before a read or a write.
class NativeFileBase : public File {
public:
    NativeFileBase(std::string path, bool writable) : path_(std::move(path)), writable_(writable) {}
    const std::string& path() const override { return path_; }
    uint64_t size() override { return size_; }
    bool writable() const override { return writable_; }

protected:
    // False when there is nothing to read; throws for a read past the end.
    bool startRead(uint64_t offset, size_t n) const {
        if (n == 0) return false;
        if (offset + n > size_) fail(path_, "Lesezugriff hinter dem Dateiende");
        return true;
    }
    void requireWritable() const {
        if (!writable()) fail(path_, "Die Datei ist schreibgeschützt");
    }
    std::string path_;
    mutable bool writable_;  // a platform may learn it when it is first asked
    uint64_t size_ = 0;
};

// Opens a file as OpenMode says; throws EngineError naming the file when it cannot. With
// ifExists, a name that is no file (missing, or a directory) gives nullptr instead.
std::unique_ptr<File> openNativeFile(const std::string& path, OpenMode mode, bool ifExists);
// The file under the operating system's exclusive lock, as FileSystem::lockFile says.
std::unique_ptr<LockedFile> lockNativeFile(const std::string& path, bool create);
// The directory's entries on the disk itself (nothing to do where the system keeps them so).
void syncNativeDirectory(const std::string& directory);
// FileSystem::atOnce of the real file system.
void runNativeAtOnce(std::vector<std::function<void()>>& jobs);

}  // namespace dbf::io
