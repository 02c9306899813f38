// Files of the real file system, one implementation per platform.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/FileIO.h"

namespace dbf::io {

[[noreturn]] inline void fail(const std::string& path, const std::string& what) {
    throw EngineError(what + ": " + path);
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
        if (!writable_) fail(path_, "Die Datei ist schreibgeschützt");
    }
    std::string path_;
    bool writable_;
    uint64_t size_ = 0;
};

// Opens a file as OpenMode says; throws EngineError naming the file when it cannot. With
// ifExists, a name that is no file (missing, or a directory) gives nullptr instead.
std::unique_ptr<File> openNativeFile(const std::string& path, OpenMode mode, bool ifExists);

}  // namespace dbf::io
