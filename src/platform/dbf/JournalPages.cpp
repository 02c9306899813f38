// The pages a unit holds back: reads of its files see them, writes go into them.
#include <algorithm>
#include <cstring>

#include "platform/dbf/DbfTable.h"
#include "platform/dbf/JournalUnit.h"

namespace dbf::journal {

FileState* Shared::find(const std::string& name) {
    auto it = files.find(keyOf(name));
    return it == files.end() ? nullptr : &it->second;
}

FileState& Shared::touch(const std::string& name, const std::string& path, std::shared_ptr<io::File> handle) {
    if (FileState* f = find(name)) return *f;
    FileState& f = files[keyOf(name)];
    f.name = name;
    f.path = path;
    f.original = f.size = f.disk = f.keep = handle->size();
    f.handle = std::move(handle);
    ++generation();
    return f;
}

void Shared::requireLive() const {
    if (doomed) throw EngineError(kStepFailed + journalPath);
}

void Shared::readDisk(FileState& f, uint64_t offset, uint8_t* out, size_t n) {
    // What the unit cut off reads as zeros, as after a truncation and a later extension.
    const uint64_t end = std::min(f.disk, f.keep);
    const size_t fromDisk = offset >= end ? 0 : size_t(std::min<uint64_t>(n, end - offset));
    if (fromDisk > 0) f.handle->read(offset, out, fromDisk);
    std::memset(out + fromDisk, 0, n - fromDisk);
}

std::vector<uint8_t>& Shared::page(FileState& f, uint64_t index, bool whole) {
    auto it = f.pending.find(index);
    if (it != f.pending.end()) return it->second;
    std::vector<uint8_t> bytes(kPage, 0);
    const uint64_t start = index * kPage;
    if (f.existed && f.handle && start < std::min(f.original, f.disk) && !f.journaled.count(index)) {
        // One read gives the page as the unit sees it and, for the journal, as it found it.
        std::vector<uint8_t> was(size_t(std::min<uint64_t>(kPage, f.disk - start)));
        f.handle->read(start, was.data(), was.size());
        const uint64_t seen = std::min(f.disk, f.keep);
        if (start < seen) std::copy_n(was.begin(), size_t(std::min<uint64_t>(was.size(), seen - start)), bytes.begin());
        was.resize(size_t(std::min<uint64_t>(was.size(), f.original - start)));
        f.originals.emplace(index, std::move(was));
    } else if (!whole && f.handle) {
        readDisk(f, start, bytes.data(), kPage);
    }
    pendingBytes += kPage;
    return f.pending.emplace(index, std::move(bytes)).first->second;
}

void Shared::read(FileState& f, uint64_t offset, void* data, size_t n) {
    if (n == 0) return;
    if (offset + n > f.size) throw EngineError("Lesezugriff hinter dem Dateiende: " + f.path);
    auto* out = static_cast<uint8_t*>(data);
    while (n > 0) {
        const uint64_t index = offset / kPage;
        const size_t inPage = size_t(offset % kPage);
        auto next = f.pending.lower_bound(index);
        size_t take;
        if (next != f.pending.end() && next->first == index) {
            take = std::min<size_t>(n, size_t(kPage) - inPage);
            std::memcpy(out, next->second.data() + inPage, take);
        } else {
            // Up to the next page held back, from the disk.
            const uint64_t until = next == f.pending.end() ? offset + n : std::min(offset + n, next->first * kPage);
            take = size_t(until - offset);
            readDisk(f, offset, out, take);
        }
        out += take;
        offset += take;
        n -= take;
    }
}

void Shared::load(FileState& f, uint64_t first, uint64_t last) {
    // The pages the unit found on disk and changes now for the first time, in one read.
    const uint64_t found = f.existed && f.handle ? std::min(f.original, f.disk) : 0;
    last = std::min(last, found == 0 ? 0 : (found - 1) / kPage);
    while (first <= last && (f.pending.count(first) || f.journaled.count(first))) ++first;
    uint64_t end = first;
    while (end <= last && !f.pending.count(end) && !f.journaled.count(end)) ++end;
    if (end - first < 2 || first * kPage >= found) return;
    std::vector<uint8_t> run(size_t(std::min(end * kPage, f.disk) - first * kPage));
    f.handle->read(first * kPage, run.data(), run.size());
    const uint64_t seen = std::min(f.disk, f.keep);
    for (uint64_t p = first; p < end; ++p) {
        const size_t at = size_t((p - first) * kPage);
        std::vector<uint8_t> was(run.begin() + long(at), run.begin() + long(std::min(run.size(), at + size_t(kPage))));
        std::vector<uint8_t> bytes(kPage, 0);
        if (p * kPage < seen) std::copy_n(was.begin(), size_t(std::min<uint64_t>(was.size(), seen - p * kPage)), bytes.begin());
        was.resize(size_t(std::min<uint64_t>(was.size(), f.original - p * kPage)));
        f.originals.emplace(p, std::move(was));
        f.pending.emplace(p, std::move(bytes));
        pendingBytes += kPage;
    }
}

void Shared::write(FileState& f, uint64_t offset, const void* data, size_t n) {
    requireLive();
    if (n == 0) return;
    changed = true;
    const auto* in = static_cast<const uint8_t*>(data);
    const uint64_t end = offset + n;
    load(f, offset / kPage, (end - 1) / kPage);
    for (uint64_t at = offset; at < end;) {
        const uint64_t index = at / kPage;
        const size_t inPage = size_t(at % kPage);
        const size_t take = size_t(std::min<uint64_t>(end - at, kPage - inPage));
        std::memcpy(page(f, index, inPage == 0 && take == kPage).data() + inPage, in + (at - offset), take);
        at += take;
    }
    f.size = std::max(f.size, end);
    if (pendingBytes >= holdBack()) flush();
}

void Shared::truncate(FileState& f, uint64_t size) {
    requireLive();
    changed = true;
    for (auto it = f.pending.lower_bound((size + kPage - 1) / kPage); it != f.pending.end();) {
        it = f.pending.erase(it);
        pendingBytes -= kPage;
    }
    if (size % kPage != 0)
        if (auto it = f.pending.find(size / kPage); it != f.pending.end())
            std::fill(it->second.begin() + long(size % kPage), it->second.end(), uint8_t(0));
    f.size = size;
    f.keep = std::min(f.keep, size);
}

}  // namespace dbf::journal
