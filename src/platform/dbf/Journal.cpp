// Units of change of a directory's tables: holding back, journaling, commit and rollback.
#include "platform/dbf/Journal.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/dbf/DbfTable.h"
#include "platform/dbf/JournalFormat.h"
#include "platform/dbf/JournalUnit.h"
#include "platform/dbf/Paths.h"

namespace dbf::journal {

namespace {

// Bytes a unit holds back at most before it writes them (journal first): an import of a
// large checkout stays within bounded memory.
uint64_t& holdBack() {
    static uint64_t bytes = 8u << 20;
    return bytes;
}

std::string stemOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    return paths::upper(dot == std::string::npos ? name : name.substr(0, dot));
}

std::string withoutTrailingSlash(std::string dir) {
    dir = paths::normalize(dir);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// The companions a table's file may have beside it.
constexpr const char* kCompanions[] = {".DBF", ".MDX", ".DBT"};

}  // namespace

std::vector<Shared*>& running() {
    static std::vector<Shared*> units;
    return units;
}

uint64_t& generation() {
    static uint64_t g = 1;
    return g;
}

std::string keyOf(const std::string& s) {
#ifdef _WIN32
    return paths::upper(s);
#else
    return s;
#endif
}

void split(const std::string& pathIn, std::string& directoryKey, std::string& name) {
    const std::string path = paths::normalize(pathIn);
    const size_t slash = path.rfind('/');
    directoryKey = keyOf(slash == std::string::npos ? std::string() : withoutTrailingSlash(path.substr(0, slash + 1)));
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

Shared* unitFor(const io::FileSystem* fs, const std::string& directoryKey, const std::string& name) {
    for (Shared* s : running())
        if (s->fs.get() == fs && s->directoryKey == directoryKey && s->stems.count(stemOf(name))) return s;
    return nullptr;
}

// ---- the state of a unit ----

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
    if (doomed)
        throw EngineError("Ein Schritt dieser Änderung ist fehlgeschlagen; sie wird als Ganzes nicht ausgeführt: " +
                          journalPath);
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

void Shared::original(FileState& f, const std::vector<uint64_t>& pages, Segment& seg, std::vector<uint64_t>& added) {
    if (!f.existed || !f.handle) return;
    // Pages on disk that the unit has not yet journaled still hold their original bytes; those
    // held back were read when the unit first changed them.
    const uint64_t limit = std::min(f.original, f.disk);
    auto wanted = [&](uint64_t p) { return p * kPage < limit && !f.journaled.count(p); };
    std::vector<uint8_t> run;
    for (size_t i = 0; i < pages.size();) {
        const uint64_t first = pages[i];
        if (!wanted(first)) {
            ++i;
            continue;
        }
        run.clear();
        uint64_t p = first;
        for (; i < pages.size() && pages[i] == p && wanted(p); ++i, ++p) {
            const size_t n = size_t(std::min<uint64_t>(kPage, limit - p * kPage));
            if (auto it = f.originals.find(p); it != f.originals.end()) {
                run.insert(run.end(), it->second.begin(), it->second.end());
            } else {
                run.resize(run.size() + n);
                f.handle->read(p * kPage, run.data() + run.size() - n, n);
            }
            added.push_back(p);
        }
        seg.bytes(f.name, first * kPage, run.data(), run.size());
    }
}

void Shared::originalAll(FileState& f, Segment& seg, std::vector<uint64_t>& added) {
    std::vector<uint64_t> pages;
    for (uint64_t p = 0; p * kPage < std::min(f.original, f.disk); ++p) pages.push_back(p);
    original(f, pages, seg, added);
}

void Shared::openJournal() {
    if (journal) return;
    auto file = fs->lockFile(journalPath, true);
    if (!file)
        throw EngineError("Die Tabellen werden gerade von einem anderen Programm geändert (ihr Journal ist gesperrt): " +
                          journalPath);
    if (file->size() > 0) {
        // Left by a writer that is gone: its tables come first.
        if (playBack(*fs, directory, *file) > 0) {
            file->discard();
            throw EngineError("Eine unterbrochene Änderung der Tabellen wurde eben rückgängig gemacht; "
                              "diese Änderung wird daher nicht ausgeführt: " + journalPath);
        }
        file->truncate(0);
    }
    journal = std::move(file);
    journalEnd = 0;
    segments = 0;
    salt = uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           uint32_t(reinterpret_cast<uintptr_t>(this));
}

void Shared::journaled(const std::vector<std::pair<FileState*, std::vector<uint64_t>>>& added) {
    for (auto& [f, pages] : added) {
        f->recorded = true;
        f->journaled.insert(pages.begin(), pages.end());
        for (uint64_t p : pages) f->originals.erase(p);
    }
}

void Shared::write(Segment& seg) {
    openJournal();
    const auto bytes = seg.encode(segments, salt);
    journal->write(journalEnd, bytes.data(), bytes.size());
    // The journal's bytes, and its own entry, are on the disk before any table is written.
    std::vector<std::function<void()>> syncs{[this] { journal->sync(); }};
    if (segments == 0) syncs.push_back([this] { fs->syncDirectory(directory); });
    fs->atOnce(syncs);
    journalEnd += bytes.size();
    ++segments;
}

void Shared::beforeCreate(const std::string& name, const std::string& path) {
    requireLive();
    changed = true;
    Segment seg;
    std::vector<std::pair<FileState*, std::vector<uint64_t>>> added;
    auto record = [&](FileState& f) {
        if (!f.recorded) seg.file(f.name, f.existed, f.original);
        added.emplace_back(&f, std::vector<uint64_t>());
        originalAll(f, seg, added.back().second);
    };
    if (FileState* f = find(name)) {
        record(*f);
    } else if (fs->exists(path)) {
        record(touch(name, path, std::shared_ptr<io::File>(fs->open(path, io::OpenMode::ReadWrite))));
    } else {
        // A new table: its companions that are not there either are recorded with it.
        std::vector<std::string> names{name};
        for (const char* ext : kCompanions) {
            std::string other = paths::withExtension(name, ext);
            if (keyOf(other) != keyOf(name)) names.push_back(other);
        }
        const std::string dir = path.substr(0, path.size() - name.size());
        for (const std::string& n : names) {
            if (find(n) || (n != name && fs->exists(dir + n))) continue;
            FileState& f = files[keyOf(n)];
            f.name = n;
            f.path = dir + n;
            f.existed = false;
            ++generation();
            record(f);
        }
    }
    if (!seg.empty()) write(seg);
    journaled(added);
}

void Shared::created(const std::string& name, std::shared_ptr<io::File> handle) {
    FileState* f = find(name);
    if (!f) return;
    pendingBytes -= f->pending.size() * kPage;
    f->pending.clear();
    f->originals.clear();
    f->handle = std::move(handle);
    f->size = f->disk = f->keep = 0;
    f->written = true;
    entriesChanged = true;
}

void Shared::beforeRemove(const std::string& name, const std::string& path) {
    beforeCreate(name, path);
    // The file must be closed to be removed where the system says so.
    if (FileState* f = find(name)) f->handle.reset();
}

void Shared::removed(const std::string& name) {
    FileState* f = find(name);
    if (!f) return;
    pendingBytes -= f->pending.size() * kPage;
    f->pending.clear();
    f->originals.clear();
    f->handle.reset();
    f->size = f->disk = f->keep = 0;
    f->written = false;
    entriesChanged = true;
}

std::vector<FileState*> Shared::journalFirst() {
    requireLive();
    Segment seg;
    std::vector<std::pair<FileState*, std::vector<uint64_t>>> added;
    std::vector<FileState*> work;
    for (auto& [key, f] : files) {
        const bool cuts = f.keep < f.disk;
        if (f.pending.empty() && !cuts && f.size == f.disk) continue;
        if (!f.handle) throw EngineError("Die Datei wurde entfernt: " + f.path);
        work.push_back(&f);
        if (!f.recorded) seg.file(f.name, f.existed, f.original);
        std::vector<uint64_t> pages;
        for (const auto& [index, bytes] : f.pending) pages.push_back(index);
        if (cuts)
            for (uint64_t p = f.keep / kPage; p * kPage < f.disk; ++p) pages.push_back(p);
        std::sort(pages.begin(), pages.end());
        pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
        added.emplace_back(&f, std::vector<uint64_t>());
        original(f, pages, seg, added.back().second);
    }
    if (!seg.empty()) write(seg);
    journaled(added);
    return work;
}

void Shared::writeBack(FileState& f) {
    if (f.keep < f.disk) {
        f.handle->truncate(f.keep);
        f.disk = f.keep;
    }
    uint64_t end = f.disk;
    std::vector<uint8_t> run;
    for (auto it = f.pending.begin(); it != f.pending.end();) {
        // Pages in a row go in one write.
        const uint64_t from = it->first * kPage;
        run.clear();
        uint64_t next = it->first;
        for (; it != f.pending.end() && it->first == next; ++it, ++next)
            run.insert(run.end(), it->second.begin(), it->second.end());
        const uint64_t to = std::min(from + run.size(), f.size);
        if (to > from) {
            f.handle->write(from, run.data(), size_t(to - from));
            end = std::max(end, to);
        }
    }
    if (end != f.size) f.handle->truncate(f.size);
    f.disk = f.keep = f.size;
    f.pending.clear();
    f.written = true;
}

void Shared::flush() {
    for (FileState* f : journalFirst()) writeBack(*f);
    pendingBytes = 0;
}

void Shared::commit() {
    if (doomed) {
        const std::string what = "Ein Schritt dieser Änderung ist fehlgeschlagen; sie wird als Ganzes nicht ausgeführt: ";
        rollBack();
        throw EngineError(what + journalPath);
    }
    try {
        // With the journal on the disk, each file is written back and synced, all at once.
        const std::vector<FileState*> work = journalFirst();
        std::vector<std::function<void()>> jobs;
        for (auto& [key, f] : files) {
            const bool changes = std::find(work.begin(), work.end(), &f) != work.end();
            if (!f.handle || (!changes && !f.written)) continue;
            FileState* state = &f;
            jobs.push_back([this, state, changes] {
                if (changes) writeBack(*state);
                state->handle->sync();
            });
        }
        if (entriesChanged) jobs.push_back([this] { fs->syncDirectory(directory); });
        fs->atOnce(jobs);
        pendingBytes = 0;
        if (journal) {
            journal->discard();
            journal.reset();
        }
    } catch (...) {
        rollBack();
        throw;
    }
    files.clear();
    ++generation();
}

void Shared::rollBack() noexcept {
    failure.clear();
    pendingBytes = 0;
    files.clear();  // closes the unit's own handles
    ++generation();
    if (!journal) return;
    try {
        playBack(*fs, directory, *journal);
        journal->discard();
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "Unbekannter Fehler";
    }
    journal.reset();  // the lock goes; a journal left behind waits for recovery
}

// ---- units ----

Unit::Unit(std::shared_ptr<io::FileSystem> fs, const std::string& directory, const std::string& journalName,
           const std::vector<std::string>& tables)
    : exceptions_(std::uncaught_exceptions()) {
    const std::string dir = withoutTrailingSlash(directory);
    for (Shared* s : running())
        if (s->fs == fs && s->directoryKey == keyOf(dir)) {
            // The outermost unit owns the state and outlives the units that join it.
            shared_ = std::shared_ptr<Shared>(s, [](Shared*) {});
            ++s->depth;
            joined_ = true;
            return;
        }
    auto s = std::make_shared<Shared>();
    s->fs = std::move(fs);
    s->directory = dir;
    s->directoryKey = keyOf(dir);
    s->journalPath = paths::join(directory, journalName);
    for (const auto& t : tables) s->stems.insert(stemOf(t));
    running().push_back(s.get());
    ++generation();
    shared_ = std::move(s);
}

Unit::~Unit() {
    if (!done_ && joined_ && std::uncaught_exceptions() == exceptions_) done_ = true;
    if (!done_) rollBack();
    if (joined_) {
        --shared_->depth;
        return;
    }
    auto& units = running();
    units.erase(std::remove(units.begin(), units.end(), shared_.get()), units.end());
    ++generation();
}

void Unit::commit() {
    if (done_) return;
    done_ = true;
    if (joined_) return;
    try {
        shared_->commit();
    } catch (...) {
        undone_ = true;
        failure_ = shared_->failure;
        throw;
    }
}

bool Unit::rollBack() noexcept {
    if (done_) return undone_;
    done_ = true;
    if (joined_) {
        shared_->doomed = true;
        undone_ = true;
        return true;
    }
    undone_ = shared_->changed;
    shared_->rollBack();
    failure_ = shared_->failure;
    return undone_;
}

void setHoldBack(uint64_t bytes) { holdBack() = bytes; }

// ---- recovery ----

Recovery recover(io::FileSystem& fs, const std::string& directory, const std::string& journalName) {
    const std::string path = paths::join(directory, journalName);
    if (!fs.exists(path)) return Recovery::Nothing;
    auto file = fs.lockFile(path, false);
    if (!file) return fs.exists(path) ? Recovery::InUse : Recovery::Nothing;
    const size_t segments = file->size() > 0 ? playBack(fs, withoutTrailingSlash(directory), *file) : 0;
    file->discard();
    return segments > 0 ? Recovery::RolledBack : Recovery::Nothing;
}

}  // namespace dbf::journal
