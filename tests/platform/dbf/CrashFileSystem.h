// Files in memory that tell, before every write-type call, what a crash at that point leaves
// on the disk: the files as they are (the process killed) or as last synced (a power cut).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/dbf/FileIO.h"

namespace dbftest {

class CrashFileSystem : public dbf::io::FileSystem {
public:
    using Image = std::map<std::string, std::vector<uint8_t>>;

    // Called before each write-type call (numbered from 1) with what it is.
    std::function<void(int64_t call, const std::string& what)> before;
    int64_t calls = 0;

    // The files as a killed process leaves them.
    Image killImage() const { return mem_.snapshot(); }
    // The files as a power cut leaves them: those whose directory entry was synced, each with
    // the bytes of its last sync (worst case: nothing else reached the disk).
    Image powerImage() const {
        return mixedImage([](const std::string&) { return true; });
    }
    // A power cut where only some files lost what was not synced: those for which lost() holds
    // are as last synced, the others as they are.
    Image mixedImage(const std::function<bool(const std::string&)>& lost) const {
        Image out;
        for (const auto& [name, data] : mem_.snapshot())
            if (!lost(name)) out[name] = data;
        for (const auto& name : durableNames_) {
            if (!lost(name)) continue;
            auto it = durable_.find(name);
            out[name] = it == durable_.end() ? std::vector<uint8_t>() : it->second;
        }
        return out;
    }
    // Everything so far is on the disk.
    void settle() {
        durable_ = mem_.snapshot();
        durableNames_.clear();
        for (const auto& [name, data] : durable_) durableNames_.insert(name);
    }

    std::unique_ptr<dbf::io::File> open(const std::string& path, dbf::io::OpenMode mode) override {
        if (mode == dbf::io::OpenMode::Create) tick("create " + path);
        return std::make_unique<Watched<dbf::io::File>>(*this, mem_.open(path, mode));
    }
    bool exists(const std::string& path) override { return mem_.exists(path); }
    void remove(const std::string& path) override {
        tick("remove " + path);
        mem_.remove(path);
    }
    std::vector<std::string> list(const std::string& directory) override { return mem_.list(directory); }
    std::unique_ptr<dbf::io::LockedFile> lockFile(const std::string& path, bool create) override {
        if (create && !mem_.exists(path)) tick("create " + path);
        auto f = mem_.lockFile(path, create);
        if (!f) return nullptr;
        return std::make_unique<Watched<dbf::io::LockedFile>>(*this, std::move(f));
    }
    void syncDirectory(const std::string&) override {
        tick("sync directory");
        const Image now = mem_.snapshot();
        durableNames_.clear();
        for (const auto& [name, data] : now) durableNames_.insert(name);
    }

private:
    void tick(const std::string& what) {
        ++calls;
        if (before) before(calls, what);
    }
    void synced(const std::string& path) {
        const Image now = mem_.snapshot();
        auto it = now.find(path);
        if (it != now.end()) durable_[path] = it->second;
    }

    // A file whose write-type calls are told first and whose syncs are remembered.
    template <class Base>
    class Watched : public Base {
    public:
        Watched(CrashFileSystem& fs, std::unique_ptr<Base> inner) : fs_(fs), inner_(std::move(inner)) {}
        const std::string& path() const override { return inner_->path(); }
        uint64_t size() override { return inner_->size(); }
        void read(uint64_t offset, void* data, size_t n) override { inner_->read(offset, data, n); }
        void write(uint64_t offset, const void* data, size_t n) override {
            fs_.tick("write " + path());
            inner_->write(offset, data, n);
        }
        void truncate(uint64_t size) override {
            fs_.tick("truncate " + path());
            inner_->truncate(size);
        }
        void flush() override {}
        void sync() override {
            fs_.tick("sync " + path());
            fs_.synced(path());
        }
        bool writable() const override { return inner_->writable(); }
        void discard() {
            fs_.tick("discard " + path());
            inner_->discard();
        }

    private:
        CrashFileSystem& fs_;
        std::unique_ptr<Base> inner_;
    };

    dbf::io::MemoryFileSystem mem_;
    Image durable_;
    std::set<std::string> durableNames_;
};

}  // namespace dbftest
