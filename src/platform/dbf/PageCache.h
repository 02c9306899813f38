// A bounded, write-through page cache over a file, shared by all handles of one table.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/dbf/FileIO.h"

namespace dbf::io {

class CachedFile : public File {
public:
    explicit CachedFile(std::unique_ptr<File> base, size_t pageSize = 4096, size_t maxPages = 256);
    ~CachedFile() override;
    const std::string& path() const override { return base_->path(); }
    uint64_t size() override { return base_->size(); }
    bool writable() const override { return base_->writable(); }
    void read(uint64_t offset, void* data, size_t n) override;
    // In the page that holds the bytes, when one does.
    const uint8_t* view(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) override;
    void write(uint64_t offset, const void* data, size_t n) override;
    void truncate(uint64_t size) override;
    void flush() override { base_->flush(); }
    size_t cachedBytes() const;

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    static constexpr uint64_t kNoPage = UINT64_MAX;
    // A page held in a slot of an array: its buffer always holds pageSize_ bytes, size says how
    // many of them the file has. The slots in use are linked from the most recently used on.
    struct Slot {
        uint64_t index = kNoPage;
        std::unique_ptr<uint8_t[]> data;
        size_t size = 0;
        uint32_t newer = kNone, older = kNone;
    };
    uint32_t find(uint64_t index) const;  // the slot of a page held, kNone if it is not
    Slot& page(uint64_t index);
    // A slot for page index, its size set, its bytes not yet read.
    Slot& insertPage(uint64_t index);
    // Reads count pages that are all missing, from first on, with one read of the file.
    void fill(uint64_t first, uint64_t count);
    void drop(uint64_t index);
    void dropAll();
    void link(uint32_t slot);    // as the most recently used
    void unlink(uint32_t slot);
    // A few pages are found by looking at each; more through a hash table of slot numbers
    // (open addressing, linear probing; 0 marks an empty bucket, else slot + 1).
    size_t bucket(uint64_t index) const;
    void addToTable(uint32_t slot);
    void removeFromTable(uint64_t index);
    void rebuildTable();

    std::unique_ptr<File> base_;
    size_t pageSize_, maxPages_;
    std::vector<std::unique_ptr<uint8_t[]>>& spare_;  // buffers of closed files of this page size
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;   // slots of pages dropped, used again first
    std::vector<uint32_t> table_;  // empty while a look at each slot is quicker
    uint32_t newest_ = kNone, oldest_ = kNone;
    std::vector<uint8_t> scratch_;  // what fill reads
};

}  // namespace dbf::io
