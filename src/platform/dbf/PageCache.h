// A bounded, write-through page cache over a file, shared by all handles of one table.
#pragma once

#include <list>
#include <memory>
#include <unordered_map>
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
    void write(uint64_t offset, const void* data, size_t n) override;
    void truncate(uint64_t size) override;
    void flush() override { base_->flush(); }
    size_t cachedBytes() const;

private:
    // A page's buffer always holds pageSize_ bytes; size says how many of them the file has.
    struct Page {
        std::unique_ptr<uint8_t[]> data;
        size_t size = 0;
        std::list<uint64_t>::iterator lru;
    };
    Page& page(uint64_t index);
    // A new page for index, its size set, its bytes not yet read.
    Page& insertPage(uint64_t index);
    // Reads count pages that are all missing, from first on, with one read of the file.
    void fill(uint64_t first, uint64_t count);
    void drop(uint64_t index);
    std::unique_ptr<File> base_;
    size_t pageSize_, maxPages_;
    std::unordered_map<uint64_t, Page> pages_;
    std::list<uint64_t> lru_;  // most recently used first
    std::vector<uint8_t> scratch_;  // what fill reads
};

}  // namespace dbf::io
