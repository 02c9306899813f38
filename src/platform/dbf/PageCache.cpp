// A bounded, write-through page cache over a file.
#include "platform/dbf/PageCache.h"

#include <algorithm>
#include <bit>
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
// Up to this many pages a look at each slot finds a page quicker than a hash table.
constexpr size_t kLinearSlots = 8;
}  // namespace

CachedFile::CachedFile(std::unique_ptr<File> base, size_t pageSize, size_t maxPages)
    : base_(std::move(base)), pageSize_(pageSize), maxPages_(std::max<size_t>(1, maxPages)),
      spare_(SparePages(pageSize)) {}

CachedFile::~CachedFile() {
    for (auto& s : slots_) {
        if (spare_.size() >= kMaxSparePages) break;
        spare_.push_back(std::move(s.data));
    }
}

size_t CachedFile::bucket(uint64_t index) const {
    // Fibonacci hashing: neighbouring pages land far apart.
    const int bits = std::countr_zero(table_.size());
    return size_t((index * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

uint32_t CachedFile::find(uint64_t index) const {
    if (table_.empty()) {
        for (uint32_t s = 0; s < slots_.size(); ++s)
            if (slots_[s].index == index) return s;
        return kNone;
    }
    const size_t mask = table_.size() - 1;
    for (size_t b = bucket(index);; b = (b + 1) & mask) {
        const uint32_t e = table_[b];
        if (e == 0) return kNone;
        if (slots_[e - 1].index == index) return e - 1;
    }
}

void CachedFile::addToTable(uint32_t slot) {
    const size_t mask = table_.size() - 1;
    size_t b = bucket(slots_[slot].index);
    while (table_[b] != 0) b = (b + 1) & mask;
    table_[b] = slot + 1;
}

void CachedFile::removeFromTable(uint64_t index) {
    if (table_.empty()) return;
    const size_t mask = table_.size() - 1;
    size_t hole = bucket(index);
    while (table_[hole] != 0 && slots_[table_[hole] - 1].index != index) hole = (hole + 1) & mask;
    if (table_[hole] == 0) return;
    // Entries after the hole that could not take their own bucket move up into it, so that
    // every entry stays reachable from its bucket without a gap.
    for (size_t next = (hole + 1) & mask; table_[next] != 0; next = (next + 1) & mask) {
        const size_t home = bucket(slots_[table_[next] - 1].index);
        const bool homeAfterHole = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (homeAfterHole) continue;
        table_[hole] = table_[next];
        hole = next;
    }
    table_[hole] = 0;
}

void CachedFile::rebuildTable() {
    size_t size = 32;
    while (size < slots_.size() * 4) size *= 2;
    table_.assign(size, 0);
    for (uint32_t s = 0; s < slots_.size(); ++s)
        if (slots_[s].index != kNoPage) addToTable(s);
}

void CachedFile::link(uint32_t slot) {
    Slot& s = slots_[slot];
    s.newer = kNone;
    s.older = newest_;
    if (newest_ != kNone) slots_[newest_].newer = slot;
    else oldest_ = slot;
    newest_ = slot;
}

void CachedFile::unlink(uint32_t slot) {
    Slot& s = slots_[slot];
    if (s.newer != kNone) slots_[s.newer].older = s.older;
    else newest_ = s.older;
    if (s.older != kNone) slots_[s.older].newer = s.newer;
    else oldest_ = s.newer;
    s.newer = s.older = kNone;
}

CachedFile::Slot& CachedFile::page(uint64_t index) {
    if (const uint32_t s = find(index); s != kNone) {
        if (s != newest_) {
            unlink(s);
            link(s);
        }
        return slots_[s];
    }
    Slot& p = insertPage(index);
    try {
        base_->read(index * pageSize_, p.data.get(), p.size);
    } catch (...) {
        drop(index);
        throw;
    }
    return p;
}

void CachedFile::drop(uint64_t index) {
    const uint32_t s = find(index);
    if (s == kNone) return;
    removeFromTable(index);
    unlink(s);
    slots_[s].index = kNoPage;
    slots_[s].size = 0;
    free_.push_back(s);
}

void CachedFile::dropAll() {
    for (auto& s : slots_) {
        if (spare_.size() >= kMaxSparePages) break;
        spare_.push_back(std::move(s.data));
    }
    slots_.clear();
    free_.clear();
    table_.clear();
    newest_ = oldest_ = kNone;
}

CachedFile::Slot& CachedFile::insertPage(uint64_t index) {
    const uint64_t start = index * pageSize_, size = base_->size();
    uint32_t s;
    if (!free_.empty()) {
        s = free_.back();
        free_.pop_back();
    } else if (slots_.size() < maxPages_) {
        if (slots_.empty()) slots_.reserve(std::min(maxPages_, kLinearSlots));
        s = uint32_t(slots_.size());
        Slot& fresh = slots_.emplace_back();
        if (!spare_.empty()) {
            fresh.data = std::move(spare_.back());
            spare_.pop_back();
        } else {
            fresh.data.reset(new uint8_t[pageSize_]);
        }
    } else {
        s = oldest_;  // the least recently used page gives way
        removeFromTable(slots_[s].index);
        unlink(s);
    }
    Slot& p = slots_[s];
    p.index = index;
    p.size = start >= size ? 0 : size_t(std::min<uint64_t>(pageSize_, size - start));
    link(s);
    if (table_.empty() ? slots_.size() > kLinearSlots : slots_.size() * 2 > table_.size()) rebuildTable();
    else if (!table_.empty()) addToTable(s);
    return p;
}

void CachedFile::fill(uint64_t first, uint64_t count) {
    const uint64_t start = first * pageSize_, size = base_->size();
    const size_t n = start >= size ? 0 : size_t(std::min<uint64_t>(count * pageSize_, size - start));
    scratch_.resize(n);
    base_->read(start, scratch_.data(), n);  // before any page is made: a failure leaves none
    for (uint64_t i = 0; i < count; ++i) {
        Slot& p = insertPage(first + i);
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
        while (end <= last && find(end) == kNone) ++end;
        if (end - index > 1 && end - index <= maxPages_) fill(index, end - index);
        index = std::max(end, index + 1);
    }
    auto* out = static_cast<uint8_t*>(data);
    while (n > 0) {
        uint64_t index = offset / pageSize_;
        size_t inPage = size_t(offset % pageSize_);
        Slot& p = page(index);
        size_t take = std::min(n, pageSize_ - inPage);
        if (inPage + take > p.size) throw EngineError("Lesezugriff hinter dem Dateiende: " + path());
        std::memcpy(out, p.data.get() + inPage, take);
        out += take;
        offset += take;
        n -= take;
    }
}

const uint8_t* CachedFile::view(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) {
    const size_t inPage = size_t(offset % pageSize_);
    if (n == 0 || inPage + n > pageSize_) return File::view(offset, n, scratch);
    if (offset + n > base_->size()) throw EngineError("Lesezugriff hinter dem Dateiende: " + path());
    const Slot& p = page(offset / pageSize_);
    if (inPage + n > p.size) throw EngineError("Lesezugriff hinter dem Dateiende: " + path());
    return p.data.get() + inPage;
}

void CachedFile::write(uint64_t offset, const void* data, size_t n) {
    try {
        base_->write(offset, data, n);
    } catch (...) {
        dropAll();
        throw;
    }
    const auto* in = static_cast<const uint8_t*>(data);
    uint64_t end = offset + n;
    for (uint64_t index = offset / pageSize_; index * pageSize_ < end; ++index) {
        const uint32_t s = find(index);
        if (s == kNone) continue;
        uint64_t pstart = index * pageSize_;
        uint64_t from = std::max(offset, pstart);
        uint64_t to = std::min(end, pstart + pageSize_);
        Slot& pg = slots_[s];
        if (from - pstart > pg.size) {  // a gap in the page: read it again when needed
            drop(index);
            continue;
        }
        if (pg.size < to - pstart) pg.size = size_t(to - pstart);
        std::memcpy(pg.data.get() + (from - pstart), in + (from - offset), size_t(to - from));
    }
}

void CachedFile::truncate(uint64_t size) {
    dropAll();
    base_->truncate(size);
}

size_t CachedFile::cachedBytes() const {
    size_t total = 0;
    for (const auto& s : slots_)
        if (s.index != kNoPage) total += s.size;
    return total;
}

}  // namespace dbf::io
