// Real and in-memory files behind the engine's I/O interface.
#include "platform/dbf/FileIO.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "platform/dbf/DbfTypes.h"
#include "platform/dbf/Faults.h"
#include "platform/dbf/NativeFile.h"

namespace dbf::io {

namespace {

using dbf::io::fail;

class StdFileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override { return openNativeFile(path, mode, false); }
    std::unique_ptr<File> openIfExists(const std::string& path, OpenMode mode) override {
        return openNativeFile(path, mode, true);
    }
    bool exists(const std::string& path) override {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    }
    void remove(const std::string& path) override {
        std::error_code ec;
        if (faults::before() == 0) std::filesystem::remove(path, ec);
        else ec = std::make_error_code(std::errc::io_error);
        if (ec) fail(path, "Die Datei kann nicht gelöscht werden");
    }
    std::vector<std::string> list(const std::string& directory) override {
        std::vector<std::string> names;
        std::error_code ec;
        std::filesystem::directory_iterator it(directory.empty() ? "." : directory, ec);
        if (ec) return names;
        for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
            if (ec) break;
            names.push_back(it->path().filename().string());
        }
        return names;
    }
    std::unique_ptr<LockedFile> lockFile(const std::string& path, bool create) override {
        return lockNativeFile(path, create);
    }
    void syncDirectory(const std::string& directory) override { syncNativeDirectory(directory); }
    void atOnce(std::vector<std::function<void()>>& jobs) override { runNativeAtOnce(jobs); }
};

}  // namespace

std::unique_ptr<LockedFile> FileSystem::lockFile(const std::string& path, bool) {
    fail(path, "Das Dateisystem kann keine Datei sperren");
}

void FileSystem::syncDirectory(const std::string&) {}

void FileSystem::atOnce(std::vector<std::function<void()>>& jobs) {
    std::exception_ptr first;
    for (auto& job : jobs) {
        try {
            job();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

std::shared_ptr<FileSystem> standardFileSystem() {
    static std::shared_ptr<FileSystem> fs = std::make_shared<StdFileSystem>();
    return fs;
}

namespace {
std::shared_ptr<FileSystem>& chosenFileSystem() {
    static std::shared_ptr<FileSystem> fs;
    return fs;
}
}  // namespace

std::shared_ptr<FileSystem> defaultFileSystem() {
    const auto& chosen = chosenFileSystem();
    return chosen ? chosen : standardFileSystem();
}

void setDefaultFileSystem(std::shared_ptr<FileSystem> fs) { chosenFileSystem() = std::move(fs); }

// ---- memory ----

class MemoryFile : public File {
public:
    MemoryFile(MemoryFileSystem& fs, std::string path, std::shared_ptr<std::vector<uint8_t>> data,
               bool writable)
        : fs_(fs), path_(std::move(path)), data_(std::move(data)), writable_(writable) {}
    const std::string& path() const override { return path_; }
    uint64_t size() override { return data_->size(); }
    bool writable() const override { return writable_; }
    void read(uint64_t offset, void* out, size_t n) override {
        if (n == 0) return;
        if (offset + n > data_->size()) fail(path_, "Lesezugriff hinter dem Dateiende");
        std::copy_n(data_->data() + offset, n, static_cast<uint8_t*>(out));
    }
    void write(uint64_t offset, const void* in, size_t n) override {
        if (!writable_) fail(path_, "Die Datei ist schreibgeschützt");
        size_t allowed = n;
        if (fs_.budget_ >= 0) allowed = size_t(std::min<int64_t>(int64_t(n), std::max<int64_t>(0, fs_.budget_ - fs_.written_)));
        if (allowed > 0) {
            if (data_->size() < offset + allowed) data_->resize(offset + allowed);
            std::copy_n(static_cast<const uint8_t*>(in), allowed, data_->data() + offset);
            fs_.written_ += int64_t(allowed);
        }
        if (allowed < n) fail(path_, "Die Datei kann nicht geschrieben werden (Schreibgrenze erreicht)");
    }
    void truncate(uint64_t size) override {
        if (!writable_) fail(path_, "Die Datei ist schreibgeschützt");
        if (fs_.budget_ >= 0 && fs_.written_ >= fs_.budget_) fail(path_, "Die Datei kann nicht geschrieben werden (Schreibgrenze erreicht)");
        data_->resize(size);
    }
    void flush() override {}

private:
    MemoryFileSystem& fs_;
    std::string path_;
    std::shared_ptr<std::vector<uint8_t>> data_;
    bool writable_;
};

// The memory file under the file system's lock of its name, released when the object goes.
class MemoryLockedFile : public LockedFile {
public:
    MemoryLockedFile(MemoryFileSystem& fs, std::string path, std::unique_ptr<File> file)
        : fs_(fs), path_(std::move(path)), file_(std::move(file)) {}
    ~MemoryLockedFile() override { fs_.locked_.erase(path_); }
    const std::string& path() const override { return path_; }
    uint64_t size() override { return file_->size(); }
    void read(uint64_t offset, void* data, size_t n) override { file_->read(offset, data, n); }
    void write(uint64_t offset, const void* data, size_t n) override { file_->write(offset, data, n); }
    void truncate(uint64_t size) override { file_->truncate(size); }
    void flush() override {}
    bool writable() const override { return true; }
    void discard() override { fs_.remove(path_); }

private:
    MemoryFileSystem& fs_;
    std::string path_;
    std::unique_ptr<File> file_;
};

std::unique_ptr<LockedFile> MemoryFileSystem::lockFile(const std::string& path, bool create) {
    if (locked_.count(path)) return nullptr;
    if (!files_.count(path)) {
        if (!create) return nullptr;
        data(path);
    }
    auto file = std::make_unique<MemoryFile>(*this, path, files_[path], true);
    locked_.insert(path);
    return std::make_unique<MemoryLockedFile>(*this, path, std::move(file));
}

std::unique_ptr<File> MemoryFileSystem::open(const std::string& path, OpenMode mode) {
    auto it = files_.find(path);
    if (mode == OpenMode::Create) {
        if (budget_ >= 0 && written_ >= budget_) fail(path, "Die Datei kann nicht erzeugt werden");
        auto data = std::make_shared<std::vector<uint8_t>>();
        files_[path] = data;
        return std::make_unique<MemoryFile>(*this, path, data, true);
    }
    if (it == files_.end()) fail(path, "Die Datei kann nicht geöffnet werden");
    return std::make_unique<MemoryFile>(*this, path, it->second, mode == OpenMode::ReadWrite && !readOnly_.count(path));
}

std::unique_ptr<File> MemoryFileSystem::openIfExists(const std::string& path, OpenMode mode) {
    return files_.count(path) ? open(path, mode) : nullptr;
}

void MemoryFileSystem::setReadOnly(const std::string& path, bool readOnly) {
    if (readOnly) readOnly_.insert(path);
    else readOnly_.erase(path);
}

bool MemoryFileSystem::exists(const std::string& path) { return files_.count(path) != 0; }

void MemoryFileSystem::remove(const std::string& path) { files_.erase(path); }

std::vector<std::string> MemoryFileSystem::list(const std::string& directory) {
    std::vector<std::string> names;
    std::string prefix = directory;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    for (const auto& [path, data] : files_) {
        if (path.compare(0, prefix.size(), prefix) != 0) continue;
        std::string rest = path.substr(prefix.size());
        if (!rest.empty() && rest.find('/') == std::string::npos) names.push_back(rest);
    }
    return names;
}

std::vector<uint8_t>& MemoryFileSystem::data(const std::string& path) {
    auto& slot = files_[path];
    if (!slot) slot = std::make_shared<std::vector<uint8_t>>();
    return *slot;
}

std::map<std::string, std::vector<uint8_t>> MemoryFileSystem::snapshot() const {
    std::map<std::string, std::vector<uint8_t>> copy;
    for (const auto& [path, data] : files_) copy[path] = *data;
    return copy;
}

void MemoryFileSystem::restore(const std::map<std::string, std::vector<uint8_t>>& files) {
    files_.clear();
    for (const auto& [path, data] : files) files_[path] = std::make_shared<std::vector<uint8_t>>(data);
}

}  // namespace dbf::io
