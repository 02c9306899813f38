// A file system that counts what the engine asks of the one beneath it.
#include "platform/dbf/CountingFile.h"

namespace dbf::io {

namespace {

class CountingFile : public File {
public:
    CountingFile(std::unique_ptr<File> base, std::shared_ptr<FileCalls> calls)
        : base_(std::move(base)), calls_(std::move(calls)) {}
    ~CountingFile() override { ++calls_->closes; }
    const std::string& path() const override { return base_->path(); }
    uint64_t size() override { return base_->size(); }  // known since the open
    void read(uint64_t offset, void* data, size_t n) override {
        ++calls_->reads;
        base_->read(offset, data, n);
    }
    void write(uint64_t offset, const void* data, size_t n) override {
        ++calls_->writes;
        base_->write(offset, data, n);
    }
    void truncate(uint64_t size) override {
        ++calls_->truncates;
        base_->truncate(size);
    }
    void flush() override {
        ++calls_->flushes;
        base_->flush();
    }
    void sync() override {
        ++calls_->syncs;
        base_->sync();
    }
    bool writable() const override { return base_->writable(); }

private:
    std::unique_ptr<File> base_;
    std::shared_ptr<FileCalls> calls_;
};

class CountingLockedFile : public LockedFile {
public:
    CountingLockedFile(std::unique_ptr<LockedFile> base, std::shared_ptr<FileCalls> calls)
        : base_(std::move(base)), calls_(std::move(calls)) {}
    ~CountingLockedFile() override { ++calls().closes; }
    const std::string& path() const override { return base_->path(); }
    uint64_t size() override { return base_->size(); }
    void read(uint64_t offset, void* data, size_t n) override {
        ++calls().reads;
        base_->read(offset, data, n);
    }
    void write(uint64_t offset, const void* data, size_t n) override {
        ++calls().writes;
        base_->write(offset, data, n);
    }
    void truncate(uint64_t size) override {
        ++calls().truncates;
        base_->truncate(size);
    }
    void flush() override { base_->flush(); }
    void sync() override {
        ++calls().syncs;
        base_->sync();
    }
    bool writable() const override { return base_->writable(); }
    void discard() override {
        ++calls().removes;
        base_->discard();
    }

private:
    FileCalls& calls() { return *calls_; }
    std::unique_ptr<LockedFile> base_;
    std::shared_ptr<FileCalls> calls_;
};

}  // namespace

CountingFileSystem::CountingFileSystem(std::shared_ptr<FileSystem> base) : base_(std::move(base)) {}

std::unique_ptr<File> CountingFileSystem::open(const std::string& path, OpenMode mode) {
    ++calls_->opens;
    return std::make_unique<CountingFile>(base_->open(path, mode), calls_);
}

std::unique_ptr<File> CountingFileSystem::openIfExists(const std::string& path, OpenMode mode) {
    auto file = base_->openIfExists(path, mode);
    if (!file) {
        ++calls_->misses;
        return nullptr;
    }
    ++calls_->opens;
    return std::make_unique<CountingFile>(std::move(file), calls_);
}

bool CountingFileSystem::exists(const std::string& path) {
    ++calls_->stats;
    return base_->exists(path);
}

void CountingFileSystem::remove(const std::string& path) {
    ++calls_->removes;
    base_->remove(path);
}

std::vector<std::string> CountingFileSystem::list(const std::string& directory) {
    ++calls_->lists;
    return base_->list(directory);
}

}  // namespace dbf::io

namespace dbf::io {

std::unique_ptr<LockedFile> CountingFileSystem::lockFile(const std::string& path, bool create) {
    ++calls_->locks;
    auto file = base_->lockFile(path, create);
    if (!file) return nullptr;
    return std::make_unique<CountingLockedFile>(std::move(file), calls_);
}

void CountingFileSystem::syncDirectory(const std::string& directory) {
    ++calls_->directorySyncs;
    base_->syncDirectory(directory);
}

void CountingFileSystem::atOnce(std::vector<std::function<void()>>& jobs) { base_->atOnce(jobs); }

}  // namespace dbf::io
