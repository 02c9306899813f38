// The rollback journal's file: segments, their checksums, and playing them back.
#include "platform/dbf/JournalFormat.h"

#include <array>
#include <cstring>
#include <set>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/Paths.h"

namespace dbf::journal {

namespace {

constexpr char kMagic[8] = {'D', 'B', 'F', 'J', 'R', 'N', 'L', '1'};
constexpr size_t kHeader = 32;
constexpr uint8_t kFile = 'F', kBytes = 'P';

void putLe64(std::vector<uint8_t>& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void putLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// One record of a segment; its bytes stay in the journal's buffer.
struct Record {
    uint8_t kind = 0;
    std::string name;
    bool existed = true;
    uint64_t value = 0;  // the length before the unit, or the offset of the bytes
    const uint8_t* data = nullptr;
    uint32_t count = 0;
};

// Reads the records of a segment body; false when they do not add up. Bytes may belong only
// to a file whose record came before.
bool parseBody(const uint8_t* p, size_t n, std::set<std::string>& known, std::vector<Record>& out) {
    size_t at = 0;
    auto have = [&](size_t k) { return n - at >= k; };
    while (at < n) {
        Record r;
        r.kind = p[at++];
        if (!have(1)) return false;
        const size_t len = p[at++];
        if (!have(len)) return false;
        r.name.assign(reinterpret_cast<const char*>(p + at), len);
        at += len;
        if (r.kind == kFile) {
            if (!have(9)) return false;
            r.existed = p[at] != 0;
            r.value = bytes::le64(p + at + 1);
            at += 9;
            known.insert(r.name);
        } else if (r.kind == kBytes) {
            if (!have(12) || !known.count(r.name)) return false;
            r.value = bytes::le64(p + at);
            r.count = bytes::le32(p + at + 8);
            at += 12;
            if (!have(r.count)) return false;
            r.data = p + at;
            at += r.count;
        } else {
            return false;
        }
        out.push_back(std::move(r));
    }
    return true;
}

}  // namespace

uint32_t crc32(const uint8_t* data, size_t n) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void Segment::name(const std::string& name) {
    if (name.empty() || name.size() > 255) throw EngineError("Ungültiger Dateiname im Journal: " + name);
    body_.push_back(uint8_t(name.size()));
    body_.insert(body_.end(), name.begin(), name.end());
}

void Segment::file(const std::string& n, bool existed, uint64_t length) {
    body_.push_back(kFile);
    name(n);
    body_.push_back(existed ? 1 : 0);
    putLe64(body_, length);
}

void Segment::bytes(const std::string& n, uint64_t offset, const uint8_t* data, size_t count) {
    body_.push_back(kBytes);
    name(n);
    putLe64(body_, offset);
    putLe32(body_, uint32_t(count));
    body_.insert(body_.end(), data, data + count);
}

std::vector<uint8_t> Segment::encode(uint32_t index, uint32_t salt) const {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    putLe32(out, index);
    putLe32(out, salt);
    putLe64(out, body_.size());
    putLe32(out, crc32(body_.data(), body_.size()));
    putLe32(out, crc32(out.data(), out.size()));
    out.insert(out.end(), body_.begin(), body_.end());
    return out;
}

size_t playBack(io::FileSystem& fs, const std::string& directory, io::File& journal) {
    std::vector<uint8_t> all(size_t(journal.size()));
    journal.read(0, all.data(), all.size());
    std::vector<Record> records;
    std::set<std::string> known;
    size_t segments = 0;
    uint32_t salt = 0;
    for (size_t at = 0; all.size() - at >= kHeader;) {
        const uint8_t* h = all.data() + at;
        if (std::memcmp(h, kMagic, sizeof kMagic) != 0 || bytes::le32(h + 28) != crc32(h, 28)) break;
        const uint64_t length = bytes::le64(h + 16);
        if (bytes::le32(h + 8) != segments || (segments > 0 && bytes::le32(h + 12) != salt)) break;
        if (length > all.size() - at - kHeader || bytes::le32(h + 24) != crc32(h + kHeader, size_t(length))) break;
        // A segment is taken whole or not at all.
        std::set<std::string> nowKnown = known;
        std::vector<Record> body;
        if (!parseBody(h + kHeader, size_t(length), nowKnown, body)) break;
        known = std::move(nowKnown);
        records.insert(records.end(), std::make_move_iterator(body.begin()), std::make_move_iterator(body.end()));
        salt = bytes::le32(h + 12);
        ++segments;
        at += kHeader + size_t(length);
    }
    // Each file as its first record found it, with its original bytes.
    std::set<std::string> done;
    bool entriesChanged = false;
    for (const Record& file : records) {
        if (file.kind != kFile || !done.insert(file.name).second) continue;
        const std::string path = paths::join(directory, file.name);
        if (!file.existed) {
            if (fs.exists(path)) {
                fs.remove(path);
                entriesChanged = true;
            }
            continue;
        }
        const bool there = fs.exists(path);
        entriesChanged = entriesChanged || !there;
        auto f = fs.open(path, there ? io::OpenMode::ReadWrite : io::OpenMode::Create);
        if (!f->writable()) throw EngineError("Die Datei ist schreibgeschützt: " + path);
        for (const Record& r : records)
            if (r.kind == kBytes && r.name == file.name) f->write(r.value, r.data, r.count);
        if (f->size() != file.value) f->truncate(file.value);
        f->sync();
    }
    if (entriesChanged) fs.syncDirectory(directory);
    return segments;
}

}  // namespace dbf::journal
