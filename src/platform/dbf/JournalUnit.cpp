// A unit's way to the disk: the journal first (original lengths and bytes, synced), then the
// tables (written and synced at once), then the journal removed; or everything undone.
#include <algorithm>
#include <chrono>

#include "platform/dbf/DbfTable.h"
#include "platform/dbf/JournalFormat.h"
#include "platform/dbf/JournalUnit.h"
#include "platform/dbf/Paths.h"

namespace dbf::journal {

namespace {
// The companions a table's file may have beside it.
constexpr const char* kCompanions[] = {".DBF", ".MDX", ".DBT"};
}  // namespace

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
        rollBack();
        throw EngineError(kStepFailed + journalPath);
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

}  // namespace dbf::journal
