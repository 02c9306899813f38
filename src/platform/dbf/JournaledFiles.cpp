// The file system as the tables see it: files of a running unit's tables write through it.
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/Journal.h"
#include "platform/dbf/JournalUnit.h"

namespace dbf::journal {

namespace {

// A file of the engine. While a unit of its tables runs, its changes are held by the unit
// and its reads see them; otherwise it is the file itself.
class JournaledFile : public io::File {
public:
    JournaledFile(const io::FileSystem* fs, std::unique_ptr<io::File> base)
        : fs_(fs), base_(base.get()), own_(std::move(base)) {}
    JournaledFile(const io::FileSystem* fs, std::shared_ptr<io::File> base)
        : fs_(fs), base_(base.get()), shared_(std::move(base)) {}
    const std::string& path() const override { return base_->path(); }
    uint64_t size() override {
        FileState* f = state();
        return f ? f->size : base_->size();
    }
    void read(uint64_t offset, void* data, size_t n) override {
        if (FileState* f = state()) unit_->read(*f, offset, data, n);
        else base_->read(offset, data, n);
    }
    void write(uint64_t offset, const void* data, size_t n) override {
        if (Shared* s = unit()) s->write(touch(*s), offset, data, n);
        else base_->write(offset, data, n);
    }
    void truncate(uint64_t size) override {
        if (Shared* s = unit()) s->truncate(touch(*s), size);
        else base_->truncate(size);
    }
    void flush() override { base_->flush(); }
    // A unit syncs its files when it commits.
    void sync() override {
        if (!unit()) base_->sync();
    }
    bool writable() const override { return base_->writable(); }

private:
    // The running unit of this file's table, looked up again only when units changed. While
    // no unit runs, the file is passed through untouched.
    Shared* unit() {
        if (running().empty()) return nullptr;
        if (seen_ != generation()) {
            if (name_.empty()) split(base_->path(), directoryKey_, name_);
            unit_ = unitFor(fs_, directoryKey_, name_);
            state_ = unit_ ? unit_->find(name_) : nullptr;
            seen_ = generation();
        }
        return unit_;
    }
    FileState* state() { return unit() ? state_ : nullptr; }
    FileState& touch(Shared& s) {
        if (!base_->writable()) throw EngineError("Die Datei ist schreibgeschützt: " + path());
        if (state_) return *state_;
        // The unit keeps the file to write back what it holds: from here on shared with it.
        if (!shared_) shared_ = std::move(own_);
        return s.touch(name_, path(), shared_);
    }

    const io::FileSystem* fs_;
    io::File* base_;
    std::unique_ptr<io::File> own_;     // the file, until a unit shares it
    std::shared_ptr<io::File> shared_;  // the file, once made or touched under a unit
    std::string directoryKey_, name_;
    uint64_t seen_ = 0;
    Shared* unit_ = nullptr;
    FileState* state_ = nullptr;
};

class JournaledFileSystem : public io::FileSystem {
public:
    explicit JournaledFileSystem(std::shared_ptr<io::FileSystem> owner) : owner_(std::move(owner)), base_(owner_.get()) {}
    explicit JournaledFileSystem(io::FileSystem& base) : base_(&base) {}

    std::unique_ptr<io::File> open(const std::string& path, io::OpenMode mode) override {
        if (mode == io::OpenMode::Create)
            if (auto [s, name] = unitOf(path); s) {
                s->beforeCreate(name, path);
                std::shared_ptr<io::File> made(base_->open(path, mode));
                s->created(name, made);
                return std::make_unique<JournaledFile>(base_, std::move(made));
            }
        return std::make_unique<JournaledFile>(base_, base_->open(path, mode));
    }
    std::unique_ptr<io::File> openIfExists(const std::string& path, io::OpenMode mode) override {
        std::unique_ptr<io::File> file = base_->openIfExists(path, mode);
        if (!file) return nullptr;
        return std::make_unique<JournaledFile>(base_, std::move(file));
    }
    bool exists(const std::string& path) override { return base_->exists(path); }
    void remove(const std::string& path) override {
        auto [s, name] = unitOf(path);
        if (s) s->beforeRemove(name, path);
        base_->remove(path);
        if (s) s->removed(name);
    }
    std::vector<std::string> list(const std::string& directory) override { return base_->list(directory); }
    std::unique_ptr<io::LockedFile> lockFile(const std::string& path, bool create) override {
        return base_->lockFile(path, create);
    }
    void syncDirectory(const std::string& directory) override { base_->syncDirectory(directory); }
    void atOnce(std::vector<std::function<void()>>& jobs) override { base_->atOnce(jobs); }

private:
    std::pair<Shared*, std::string> unitOf(const std::string& path) const {
        if (running().empty()) return {nullptr, std::string()};
        std::string directoryKey, name;
        split(path, directoryKey, name);
        return {unitFor(base_, directoryKey, name), name};
    }
    std::shared_ptr<io::FileSystem> owner_;
    io::FileSystem* base_;
};

}  // namespace

std::shared_ptr<io::FileSystem> journaled(std::shared_ptr<io::FileSystem> fs) {
    return std::make_shared<JournaledFileSystem>(std::move(fs));
}

std::unique_ptr<io::FileSystem> journaled(io::FileSystem& fs) { return std::make_unique<JournaledFileSystem>(fs); }

}  // namespace dbf::journal
