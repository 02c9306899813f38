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

// What fill reads before it goes to the pages: kept for the next fill up to this size, so
// that the header pages an open reads in one go cost no allocation.
constexpr size_t kKeptFillBytes = 64 * 1024;
uint8_t* FillBuffer(size_t n, std::unique_ptr<uint8_t[]>& own) {
    static std::unique_ptr<uint8_t[]> kept;
    if (n > kKeptFillBytes) {
        own.reset(new uint8_t[n]);
        return own.get();
    }
    if (!kept) kept.reset(new uint8_t[kKeptFillBytes]);
    return kept.get();
}
// Up to this many pages a look at each slot finds a page quicker than a hash table.
constexpr size_t kLinearSlots = 8;
// Slot arrays kept for the next file: as many as there are files open at a time, of the
// size a lookup needs.
constexpr size_t kMaxSpareSlotArrays = 16;
constexpr size_t kSpareSlotCapacity = 16;

[[noreturn]] void pastEnd(const std::string& path) {
    throw EngineError("Lesezugriff hinter dem Dateiende: " + path);
}
}  // namespace

CachedFile::CachedFile(std::unique_ptr<File> base, size_t pageSize, size_t maxPages, size_t partialReads)
    : base_(std::move(base)), pageSize_(pageSize), maxPages_(std::max<size_t>(1, maxPages)),
      partialReads_(partialReads), spare_(SparePages(pageSize)) {}

CachedFile::~CachedFile() { releaseSlots(); }

std::vector<std::vector<CachedFile::Slot>>& CachedFile::spareSlots() {
    static std::vector<std::vector<Slot>> spare;
    return spare;
}

void CachedFile::releaseSlots() {
    for (auto& s : slots_) {
        if (spare_.size() >= kMaxSparePages) break;
        spare_.push_back(std::move(s.data));
    }
    slots_.clear();
    auto& spare = spareSlots();
    if (slots_.capacity() > 0 && slots_.capacity() <= kSpareSlotCapacity && spare.size() < kMaxSpareSlotArrays)
        spare.push_back(std::move(slots_));
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

void CachedFile::touch(uint32_t slot) {
    if (slot == newest_) return;
    unlink(slot);
    link(slot);
}

CachedFile::Slot& CachedFile::page(uint64_t index) {
    const uint32_t s = find(index);
    if (s == kNone) return load(insertPage(index, base_->size()), index);
    touch(s);
    Slot& held = slots_[s];
    return held.from == 0 && held.to == held.size ? held : load(s, index);
}

CachedFile::Slot& CachedFile::load(uint32_t s, uint64_t index) {
    Slot& p = slots_[s];
    try {
        base_->read(index * pageSize_, p.data.get(), p.size);
    } catch (...) {
        drop(index);
        throw;
    }
    p.from = 0;
    p.to = p.size;
    return p;
}

const uint8_t* CachedFile::bytesAt(uint64_t offset, size_t n, uint64_t fileSize) {
    const uint64_t index = offset / pageSize_;
    const size_t inPage = size_t(offset % pageSize_);
    const uint32_t s = find(index);
    if (s != kNone && inPage >= slots_[s].from && inPage + n <= slots_[s].to) {
        touch(s);
        return slots_[s].data.get() + inPage;
    }
    if (s == kNone && partialReads_ > 0) {
        --partialReads_;
        Slot& p = slots_[insertPage(index, fileSize)];
        try {
            base_->read(offset, p.data.get() + inPage, n);
        } catch (...) {
            drop(index);
            throw;
        }
        p.from = inPage;
        p.to = inPage + n;
        return p.data.get() + inPage;
    }
    if (s != kNone) touch(s);
    const Slot& p = load(s != kNone ? s : insertPage(index, fileSize), index);
    if (inPage + n > p.size) pastEnd(path());
    return p.data.get() + inPage;
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
    releaseSlots();
    free_.clear();
    table_.clear();
    newest_ = oldest_ = kNone;
}

uint32_t CachedFile::insertPage(uint64_t index, uint64_t size) {
    const uint64_t start = index * pageSize_;
    uint32_t s;
    if (!free_.empty()) {
        s = free_.back();
        free_.pop_back();
    } else if (slots_.size() < maxPages_) {
        if (slots_.capacity() == 0) {
            if (auto& spare = spareSlots(); !spare.empty()) {
                slots_ = std::move(spare.back());
                spare.pop_back();
            } else {
                slots_.reserve(std::min(maxPages_, kLinearSlots));
            }
        }
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
    p.from = p.to = 0;
    link(s);
    if (table_.empty() ? slots_.size() > kLinearSlots : slots_.size() * 2 > table_.size()) rebuildTable();
    else if (!table_.empty()) addToTable(s);
    return s;
}

void CachedFile::fill(uint64_t first, uint64_t count) {
    const uint64_t start = first * pageSize_, size = base_->size();
    const size_t n = start >= size ? 0 : size_t(std::min<uint64_t>(count * pageSize_, size - start));
    std::unique_ptr<uint8_t[]> own;
    uint8_t* const filled = FillBuffer(n, own);
    base_->read(start, filled, n);  // before any page is made: a failure leaves none
    for (uint64_t i = 0; i < count; ++i) {
        Slot& p = slots_[insertPage(first + i, size)];
        std::memcpy(p.data.get(), filled + i * pageSize_, p.size);
        p.to = p.size;
    }
}

void CachedFile::read(uint64_t offset, void* data, size_t n) {
    if (n == 0) return;
    const uint64_t size = base_->size();
    if (offset + n > size) pastEnd(path());
    if (offset % pageSize_ + n <= pageSize_) {
        std::memcpy(data, bytesAt(offset, n, size), n);
        return;
    }
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
        if (inPage + take > p.size) pastEnd(path());
        std::memcpy(out, p.data.get() + inPage, take);
        out += take;
        offset += take;
        n -= take;
    }
}

const uint8_t* CachedFile::view(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) {
    if (n == 0 || offset % pageSize_ + n > pageSize_) return File::view(offset, n, scratch);
    const uint64_t size = base_->size();
    if (offset + n > size) pastEnd(path());
    return bytesAt(offset, n, size);
}

void CachedFile::prefetch(uint64_t offset, size_t n) {
    const uint64_t size = base_->size();
    if (n == 0 || offset >= size) return;
    const uint64_t first = offset / pageSize_, last = (offset + std::min<uint64_t>(n, size - offset) - 1) / pageSize_;
    for (uint64_t index = first; index <= last; ++index)
        if (find(index) != kNone) return;  // what is held stays; the reads load the rest
    if (last - first < maxPages_) fill(first, last - first + 1);
}

void CachedFile::write(uint64_t offset, const void* data, size_t n) {
    const uint64_t before = base_->size();
    try {
        base_->write(offset, data, n);
    } catch (...) {
        dropAll();
        throw;
    }
    const auto* in = static_cast<const uint8_t*>(data);
    uint64_t end = offset + n;
    // A write past the end leaves a gap behind the old last page, which held the file's end
    // and now holds more of it: read again when needed.
    if (offset > before && before % pageSize_ != 0 && before / pageSize_ < offset / pageSize_) drop(before / pageSize_);
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
        // The bytes written are held when they join those held; apart from them they are not.
        const size_t lo = size_t(from - pstart), hi = size_t(to - pstart);
        if (lo > pg.to || hi < pg.from) continue;
        std::memcpy(pg.data.get() + lo, in + (from - offset), hi - lo);
        pg.from = std::min(pg.from, lo);
        pg.to = std::max(pg.to, hi);
    }
}

void CachedFile::truncate(uint64_t size) {
    dropAll();
    base_->truncate(size);
}

size_t CachedFile::cachedBytes() const {
    size_t total = 0;
    for (const auto& s : slots_)
        if (s.index != kNoPage) total += s.to - s.from;
    return total;
}

}  // namespace dbf::io
