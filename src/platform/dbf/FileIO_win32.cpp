// Files of the real file system on Windows, through the C runtime's streams.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <windows.h>

#include "platform/dbf/NativeFile.h"

namespace dbf::io {

namespace {

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
        seek(offset);
        if (std::fwrite(data, 1, n, f_) != n) fail(path_, "Die Datei kann nicht geschrieben werden");
        // Written data reaches the operating system at once: no data waits in our buffers
        // when an operation ends, whatever happens afterwards.
        if (std::fflush(f_) != 0) fail(path_, "Die Datei kann nicht geschrieben werden");
        size_ = std::max(size_, offset + n);
    }
    void truncate(uint64_t size) override {
        requireWritable();
        if (std::fflush(f_) != 0) fail(path_, "Die Datei kann nicht geschrieben werden");
        std::error_code ec;
        std::filesystem::resize_file(path_, size, ec);
        if (ec) fail(path_, "Die Datei kann nicht gekürzt werden");
        size_ = size;
    }
    void flush() override {
        if (writable_ && std::fflush(f_) != 0) fail(path_, "Die Datei kann nicht geschrieben werden");
    }

private:
    void seek(uint64_t offset) {
        if (offset > uint64_t(LONG_MAX)) fail(path_, "Die Datei ist zu groß");
        if (std::fseek(f_, long(offset), SEEK_SET) != 0) fail(path_, "In der Datei kann nicht positioniert werden");
    }
    std::FILE* f_;
};

}  // namespace

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
        f = std::fopen(path.c_str(), "w+b");
        writable = true;
        break;
    }
    if (missing && ifExists) return nullptr;
    if (!f) fail(path, mode == OpenMode::Create ? "Die Datei kann nicht erzeugt werden" : "Die Datei kann nicht geöffnet werden");
    return std::make_unique<StdFile>(path, f, writable);
}

}  // namespace dbf::io
