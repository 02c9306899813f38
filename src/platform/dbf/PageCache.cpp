// A bounded, write-through page cache over a file.
#include "platform/dbf/PageCache.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/dbf/DbfTypes.h"

namespace dbf::io {

namespace {
// Page buffers of closed files, used again by the next file: tables are opened and closed
// by every operation, and allocating their pages anew each time costs more than reading them.
// Kept per page size: table files and index files use pages of different sizes.
std::vector<std::unique_ptr<uint8_t[]>>& SparePages(size_t pageSize) {
    static std::map<size_t, std::vector<std::unique_ptr<uint8_t[]>>> spare;
    return spare[pageSize];
}
constexpr size_t kMaxSparePages = 512;
}  // namespace

CachedFile::CachedFile(std::unique_ptr<File> base, size_t pageSize, size_t maxPages)
    : base_(std::move(base)), pageSize_(pageSize), maxPages_(maxPages) {}

CachedFile::~CachedFile() {
    auto& spare = SparePages(pageSize_);
    for (auto& [index, p] : pages_) {
        if (spare.size() >= kMaxSparePages)
            break;
        spare.push_back(std::move(p.data));
    }
}

CachedFile::Page& CachedFile::page(uint64_t index) {
    auto it = pages_.find(index);
    if (it != pages_.end()) {
        lru_.splice(lru_.begin(), lru_, it->second.lru);
        return it->second;
    }
    Page& p = insertPage(index);
    try {
        base_->read(index * pageSize_, p.data.get(), p.size);
    } catch (...) {
        drop(index);
        throw;
    }
    return p;
}

void CachedFile::drop(uint64_t index) {
    auto it = pages_.find(index);
    if (it == pages_.end()) return;
    lru_.erase(it->second.lru);
    pages_.erase(it);
}

CachedFile::Page& CachedFile::insertPage(uint64_t index) {
    if (pages_.size() >= maxPages_) {
        pages_.erase(lru_.back());
        lru_.pop_back();
    }
    uint64_t start = index * pageSize_;
    uint64_t size = base_->size();
    Page p;
    auto& spare = SparePages(pageSize_);
    if (!spare.empty()) {
        p.data = std::move(spare.back());
        spare.pop_back();
    } else {
        p.data.reset(new uint8_t[pageSize_]);
    }
    p.size = start >= size ? 0 : size_t(std::min<uint64_t>(pageSize_, size - start));
    lru_.push_front(index);
    p.lru = lru_.begin();
    return pages_.emplace(index, std::move(p)).first->second;
}

void CachedFile::fill(uint64_t first, uint64_t count) {
    const uint64_t start = first * pageSize_, size = base_->size();
    const size_t n = start >= size ? 0 : size_t(std::min<uint64_t>(count * pageSize_, size - start));
    scratch_.resize(n);
    base_->read(start, scratch_.data(), n);  // before any page is made: a failure leaves none
    for (uint64_t i = 0; i < count; ++i) {
        Page& p = insertPage(first + i);
        std::memcpy(p.data.get(), scratch_.data() + i * pageSize_, p.size);
    }
}

void CachedFile::read(uint64_t offset, void* data, size_t n) {
    if (n == 0) return;
    if (offset + n > base_->size()) throw EngineError("Lesezugriff hinter dem Dateiende: " + path());
    // The pages a read spans that are not here yet come in one read of the file, as a row
    // that crosses a page boundary does.
    const uint64_t last = (offset + n - 1) / pageSize_;
    for (uint64_t index = offset / pageSize_; index < last;) {
        uint64_t end = index;
        while (end <= last && !pages_.count(end)) ++end;
        if (end - index > 1 && end - index <= maxPages_) fill(index, end - index);
        index = std::max(end, index + 1);
    }
    auto* out = static_cast<uint8_t*>(data);
    while (n > 0) {
        uint64_t index = offset / pageSize_;
        size_t inPage = size_t(offset % pageSize_);
        Page& p = page(index);
        size_t take = std::min(n, pageSize_ - inPage);
        if (inPage + take > p.size) throw EngineError("Lesezugriff hinter dem Dateiende: " + path());
        std::memcpy(out, p.data.get() + inPage, take);
        out += take;
        offset += take;
        n -= take;
    }
}

void CachedFile::write(uint64_t offset, const void* data, size_t n) {
    try {
        base_->write(offset, data, n);
    } catch (...) {
        pages_.clear();
        lru_.clear();
        throw;
    }
    const auto* in = static_cast<const uint8_t*>(data);
    uint64_t end = offset + n;
    for (uint64_t index = offset / pageSize_; index * pageSize_ < end; ++index) {
        auto it = pages_.find(index);
        if (it == pages_.end()) continue;
        uint64_t pstart = index * pageSize_;
        uint64_t from = std::max(offset, pstart);
        uint64_t to = std::min(end, pstart + pageSize_);
        Page& pg = it->second;
        if (from - pstart > pg.size) {  // a gap in the page: read it again when needed
            drop(index);
            continue;
        }
        if (pg.size < to - pstart) pg.size = size_t(to - pstart);
        std::memcpy(pg.data.get() + (from - pstart), in + (from - offset), size_t(to - from));
    }
}

void CachedFile::truncate(uint64_t size) {
    pages_.clear();
    lru_.clear();
    base_->truncate(size);
}

size_t CachedFile::cachedBytes() const {
    size_t total = 0;
    for (const auto& [i, p] : pages_) total += p.size;
    return total;
}

}  // namespace dbf::io
