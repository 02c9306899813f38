// A bounded, write-through page cache over a file, shared by all handles of one table.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/dbf/FileIO.h"

namespace dbf::io {

class CachedFile : public File {
public:
    // The first partialReads reads of less than a page that find nothing of their page held
    // read only their own bytes, as a lookup's header and row need; later ones, as those of a
    // walk, whole pages.
    explicit CachedFile(std::unique_ptr<File> base, size_t pageSize = 4096, size_t maxPages = 256,
                        size_t partialReads = 0);
    ~CachedFile() override;
    const std::string& path() const override { return base_->path(); }
    uint64_t size() override { return base_->size(); }
    bool writable() const override { return base_->writable(); }
    void read(uint64_t offset, void* data, size_t n) override;
    // In the page that holds the bytes, when one does.
    const uint8_t* view(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) override;
    // The whole pages of the bytes, in one read when none of them is held.
    void prefetch(uint64_t offset, size_t n) override;
    void write(uint64_t offset, const void* data, size_t n) override;
    void truncate(uint64_t size) override;
    void flush() override { base_->flush(); }
    size_t cachedBytes() const;

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    static constexpr uint64_t kNoPage = UINT64_MAX;
    // A page held in a slot of an array: its buffer always holds pageSize_ bytes, size says how
    // many of them the file has, from..to which of them are read (all of them, but for a
    // partial read). The slots in use are linked from the most recently used on.
    struct Slot {
        uint64_t index = kNoPage;
        std::unique_ptr<uint8_t[]> data;
        size_t size = 0, from = 0, to = 0;
        uint32_t newer = kNone, older = kNone;
    };
    // Slot arrays of closed files, used again as their buffers are.
    static std::vector<std::vector<Slot>>& spareSlots();
    void releaseSlots();  // the buffers and the array to the spares
    uint32_t find(uint64_t index) const;  // the slot of a page held, kNone if it is not
    void touch(uint32_t slot);            // as the most recently used
    Slot& page(uint64_t index);  // the whole page, read when needed
    // Reads all of page index into its slot, held partly or made for it.
    Slot& load(uint32_t slot, uint64_t index);
    // The n bytes at offset, all within one page of a file of fileSize bytes: where they are
    // held, else read.
    const uint8_t* bytesAt(uint64_t offset, size_t n, uint64_t fileSize);
    // The slot for page index, made, its size set, none of its bytes read yet.
    uint32_t insertPage(uint64_t index, uint64_t fileSize);
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
    size_t pageSize_, maxPages_, partialReads_;
    std::vector<std::unique_ptr<uint8_t[]>>& spare_;  // buffers of closed files of this page size
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;   // slots of pages dropped, used again first
    std::vector<uint32_t> table_;  // empty while a look at each slot is quicker
    uint32_t newest_ = kNone, oldest_ = kNone;
};

}  // namespace dbf::io
