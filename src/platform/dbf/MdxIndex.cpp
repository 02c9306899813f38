// The production index file .MDX in dBase IV layout.
//
// Page numbers count 512-byte pages; a node is one block (two pages by default). A node holds
// its key count, four unused bytes, then entries of a 4-byte pointer and the key. Leaves point
// at records; an inner node with n keys has n+1 child pointers, key i being the last key of
// child i. A node whose pointer after its last key is zero is a leaf.
#include <array>
#include "platform/dbf/MdxIndex.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "platform/dbf/Bytes.h"
#include "platform/dbf/DbfFormat.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/Paths.h"

namespace dbf::mdx {

namespace {

constexpr uint32_t kPage = 512;
constexpr size_t kHeaderBytes = 2048;  // file header and tag table: pages 0..3
constexpr size_t kTagTable = 544;
constexpr int kMaxTags = 47;

// Powers of ten for the exponents a key can carry (sig - digits lies within -72..+203);
// keys are compared on every step of a descent, so the powers are computed once.
long double powerOfTen(int e) {
    static const auto table = [] {
        std::array<long double, 300> t{};
        for (int i = 0; i < 300; ++i) t[size_t(i)] = std::pow(10.0L, i - 100);
        return t;
    }();
    return e >= -100 && e < 200 ? table[size_t(e + 100)] : std::pow(10.0L, e);
}

long double bcdValue(const uint8_t* p) {
    int sig = int(p[0]) - 52;
    int digits = (p[1] >> 2) & 0x1F;
    if (digits > 20) digits = 20;
    long double v = 0;
    for (int i = 0; i < digits; ++i) {
        int d = (i % 2 == 0) ? (p[2 + i / 2] >> 4) : (p[2 + i / 2] & 0x0F);
        v = v * 10 + d;
    }
    v *= powerOfTen(sig - digits);
    return (p[1] & 0x80) ? -v : v;
}

void putDate(uint8_t* p) {
    std::time_t now = std::time(nullptr);
    std::tm* t = std::localtime(&now);
    p[0] = uint8_t(t ? t->tm_year : 124);
    p[1] = uint8_t(t ? t->tm_mon + 1 : 1);
    p[2] = uint8_t(t ? t->tm_mday : 1);
}

}  // namespace

KeyBytes numericKey(const std::string& numberText) {
    std::string t = format::trimBoth(numberText);
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t.erase(0, 1);
    }
    if (t.find_first_of("eE") != std::string::npos) {
        double d;
        if (!format::parseNumber(t, d)) throw EngineError("Der Wert ist keine Zahl: " + numberText);
        t = format::formatNumber(d, 10);
    }
    size_t dot = t.find('.');
    std::string whole = dot == std::string::npos ? t : t.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : t.substr(dot + 1);
    if ((whole + frac).empty() || (whole + frac).find_first_not_of("0123456789") != std::string::npos)
        throw EngineError("Der Wert ist keine Zahl: " + numberText);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (dot != std::string::npos) frac.erase(frac.find_last_not_of('0') + 1);
    int sig;
    std::string digits;
    if (!whole.empty()) {
        sig = int(whole.size());
        digits = whole + frac;
    } else {
        size_t zeros = std::min(frac.find_first_not_of('0'), frac.size());
        sig = -int(zeros);
        digits = frac.substr(zeros);
        if (digits.empty()) sig = 0;
    }
    if (digits.size() > 20) digits.resize(20);
    KeyBytes k(12, '\0');
    k[0] = char(52 + sig);
    k[1] = char((digits.size() << 2) | 0x01 | (negative && !digits.empty() ? 0x80 : 0));
    for (size_t i = 0; i < digits.size(); ++i) {
        int d = digits[i] - '0';
        if (i % 2 == 0) k[2 + i / 2] = char(d << 4);
        else k[2 + i / 2] = char(k[2 + i / 2] | d);
    }
    return k;
}

KeyBytes numericKey(int64_t value) { return numericKey(std::to_string(value)); }

KeyBytes dateKey(int64_t julianDay) {
    KeyBytes k(8, '\0');
    bytes::putLeDouble(reinterpret_cast<uint8_t*>(k.data()), double(julianDay));
    return k;
}

KeyBytes charKey(const std::string& text, int keyLength) {
    KeyBytes k = text.substr(0, size_t(keyLength));
    k.resize(size_t(keyLength), ' ');
    return k;
}

// ---- file ----

MdxFile::MdxFile(std::unique_ptr<io::File> file) : file_(std::move(file)), learnt_(learntFor(file_->path())) {
    load();
}

void MdxFile::bad(const std::string& what) const {
    throw EngineError("Die Indexdatei ist beschädigt (" + what + "): " + file_->path());
}

void MdxFile::reachedTwice(const Tag& tag, uint32_t page) const {
    bad("Seite " + std::to_string(page) + " des Index " + tag.spec.name + " wird mehrfach erreicht");
}

void MdxFile::create(io::FileSystem& fs, const std::string& path, const std::string& tableBaseName) {
    std::vector<uint8_t> h(kHeaderBytes, 0);
    h[0] = 2;
    putDate(h.data() + 1);
    std::string name = paths::upper(tableBaseName);
    for (size_t i = 0; i < name.size() && i < 16; ++i) h[4 + i] = uint8_t(name[i]);
    bytes::putLe16(h.data() + 20, 2);     // pages per block
    bytes::putLe16(h.data() + 22, 1024);  // bytes per block
    h[24] = 1;                            // production index
    h[25] = 48;
    h[26] = 32;
    h[31] = 0x1B;
    bytes::putLe32(h.data() + 32, 4);
    putDate(h.data() + 44);
    auto f = fs.open(path, io::OpenMode::Create);
    f->write(0, h.data(), h.size());
    learntFor(f->path())->clear();  // a file made anew under the name of an old one
}

void MdxFile::load() {
    nodes_.clear();
    uint64_t size = file_->size();
    if (size < kHeaderBytes) bad("Datei kürzer als der Dateikopf");
    std::vector<uint8_t> h(kHeaderBytes);
    file_->read(0, h.data(), h.size());
    tableName_.clear();
    for (size_t i = 4; i < 20 && h[i] != 0; ++i) tableName_.push_back(char(h[i]));
    tableName_ = paths::upper(format::trimBoth(tableName_));
    blockSize_ = bytes::le16(h.data() + 22);
    if (blockSize_ < kPage || blockSize_ % kPage != 0 || blockSize_ > 32768) bad("Blockgröße");
    if (h[26] != 32) bad("Länge der Indexeinträge");
    int inUse = bytes::le16(h.data() + 28);
    if (inUse > kMaxTags || inUse > h[25]) bad("Anzahl der Indizes");
    // Pages are added at the page count: a count past the file's end would have them
    // written far out, or after wrapping over the header.
    pageCount_ = bytes::le32(h.data() + 32);
    const uint64_t filePages = (size + kPage - 1) / kPage;
    if (pageCount_ > filePages) bad("Seitenzahl hinter dem Dateiende");
    pageCount_ = uint32_t(std::max<uint64_t>({pageCount_, filePages, kHeaderBytes / kPage}));
    for (int i = 0; i < inUse; ++i) {
        const uint8_t* e = h.data() + kTagTable + size_t(i) * 32;
        Tag t;
        t.slot = i;
        t.headerPage = bytes::le32(e);
        int n = 0;
        while (n < 11 && e[4 + n] != 0) ++n;
        if (n == 11 || n == 0) bad("Indexname");
        t.spec.name.assign(reinterpret_cast<const char*>(e + 4), size_t(n));
        t.spec.name = format::trimRight(t.spec.name);
        if (t.headerPage < kHeaderBytes / kPage || uint64_t(t.headerPage) * kPage + kPage > size)
            bad("Kopfseite des Index " + t.spec.name);
        uint8_t th[kPage];
        file_->read(uint64_t(t.headerPage) * kPage, th, kPage);
        t.rootPage = bytes::le32(th);
        uint8_t keyFormat = th[8];
        t.spec.keyType = char(th[9]);
        t.spec.keyLength = bytes::le16(th + 12);
        t.maxKeys = bytes::le16(th + 14);
        t.itemLength = bytes::le16(th + 18);
        t.spec.descending = (keyFormat & 0x08) != 0;
        t.spec.unique = (keyFormat & 0x40) != 0 || th[23] != 0;
        if (t.spec.keyType == 'F') t.spec.keyType = 'N';
        int m = 0;
        while (24 + m < 244 && th[24 + m] != 0) ++m;
        t.spec.expression = format::trimBoth(std::string(reinterpret_cast<const char*>(th + 24), size_t(m)));
        if (th[245] != 0) t.spec.expression += " FOR ...";  // filtered tags cannot be maintained
        bool typeOk = (t.spec.keyType == 'C' && t.spec.keyLength >= 1) ||
                      (t.spec.keyType == 'N' && t.spec.keyLength == 12) ||
                      (t.spec.keyType == 'D' && t.spec.keyLength == 8);
        if (!typeOk) bad("Schlüsseltyp oder -länge des Index " + t.spec.name);
        if (t.itemLength < t.spec.keyLength + 4 || t.maxKeys < 1 ||
            12 + uint64_t(t.maxKeys) * uint64_t(t.itemLength) > blockSize_)
            bad("Schlüsselgrößen des Index " + t.spec.name);
        if (t.rootPage < kHeaderBytes / kPage || uint64_t(t.rootPage) * kPage + blockSize_ > size)
            bad("Wurzelseite des Index " + t.spec.name);
        tags_.push_back(t);
    }
}

int MdxFile::findTag(const std::string& name) const {
    for (size_t i = 0; i < tags_.size(); ++i)
        if (paths::equalNoCase(tags_[i].spec.name, format::trimBoth(name))) return int(i);
    return -1;
}

int MdxFile::compareKeys(const Tag& tag, std::string_view a, std::string_view b) const {
    int c = 0;
    switch (tag.spec.keyType) {
    case 'N': {
        // Equal numbers are stored alike; runs of equal keys make this the common case.
        if (a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0) {
            c = 0;
            break;
        }
        long double x = bcdValue(reinterpret_cast<const uint8_t*>(a.data()));
        long double y = bcdValue(reinterpret_cast<const uint8_t*>(b.data()));
        c = x < y ? -1 : (x > y ? 1 : 0);
        break;
    }
    case 'D': {
        double x = bytes::leDouble(reinterpret_cast<const uint8_t*>(a.data()));
        double y = bytes::leDouble(reinterpret_cast<const uint8_t*>(b.data()));
        c = x < y ? -1 : (x > y ? 1 : 0);
        break;
    }
    default:
        c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
        if (c == 0) c = a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        break;
    }
    return tag.spec.descending ? -c : c;
}

int MdxFile::compareEntry(const Tag& tag, std::string_view k1, uint32_t r1, std::string_view k2,
                          uint32_t r2) const {
    int c = compareKeys(tag, k1, k2);
    if (c != 0) return c;
    return r1 < r2 ? -1 : (r1 > r2 ? 1 : 0);
}

void MdxFile::sortEntries(const Tag& tag, std::vector<Entry>& entries) const {
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return compareEntry(tag, a.key, a.recno, b.key, b.recno) < 0;
    });
}

MdxFile::Node MdxFile::readNode(const Tag& tag, uint32_t page) const {
    if (page < kHeaderBytes / kPage || uint64_t(page) * kPage + blockSize_ > file_->size())
        bad("Seite " + std::to_string(page) + " des Index " + tag.spec.name + " außerhalb der Datei");
    std::vector<uint8_t>& buf = scratch_;
    buf.resize(blockSize_);
    file_->read(uint64_t(page) * kPage, buf.data(), buf.size());
    uint32_t count = bytes::le32(buf.data());
    uint32_t capacity = (blockSize_ - 12) / uint32_t(tag.itemLength);
    if (count > capacity) bad("Schlüsselanzahl der Seite " + std::to_string(page));
    const size_t keyLength = size_t(tag.spec.keyLength);
    const uint8_t* e = buf.data() + 8;
    Node n(keyLength, bytes::le32(e + size_t(count) * size_t(tag.itemLength)) == 0);
    n.page = page;
    n.keys.resize(size_t(count) * keyLength);
    n.ptrs.reserve(count + 1);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = e + size_t(i) * size_t(tag.itemLength);
        n.ptrs.push_back(bytes::le32(p));
        std::memcpy(n.keys.data() + size_t(i) * keyLength, p + 4, keyLength);
    }
    if (!n.leaf) {
        n.ptrs.push_back(bytes::le32(e + size_t(count) * size_t(tag.itemLength)));
        for (uint32_t p : n.ptrs)
            if (p == 0) bad("fehlender Verweis in Seite " + std::to_string(page));
    }
    return n;
}

std::shared_ptr<const MdxFile::Node> MdxFile::node(const Tag& tag, uint32_t page) const {
    auto it = nodes_.find(page);
    if (it != nodes_.end())
        return it->second;
    // Bounded: a walk over a large index must not keep every page it passed.
    if (nodes_.size() >= 4096)
        nodes_.clear();
    auto parsed = std::make_shared<const Node>(readNode(tag, page));
    if (!parsed->leaf) learnInner(parsed);
    return nodes_.emplace(page, std::move(parsed)).first->second;
}

std::vector<uint8_t> MdxFile::encodeNode(const Tag& tag, const Node& n) const {
    std::vector<uint8_t> buf(blockSize_, 0);
    const size_t count = n.count();
    bytes::putLe32(buf.data(), uint32_t(count));
    uint8_t* e = buf.data() + 8;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = e + i * size_t(tag.itemLength);
        bytes::putLe32(p, n.ptrs[i]);
        const std::string_view k = n.key(i);
        std::memcpy(p + 4, k.data(), std::min(k.size(), size_t(tag.spec.keyLength)));
    }
    if (!n.leaf) bytes::putLe32(e + count * size_t(tag.itemLength), n.ptrs.back());
    return buf;
}

void MdxFile::writeNode(const Tag& tag, const Node& n) {
    auto buf = encodeNode(tag, n);
    nodes_.erase(n.page);
    learnInner(std::make_shared<const Node>(n));
    file_->write(uint64_t(n.page) * kPage, buf.data(), buf.size());
}

uint32_t MdxFile::allocate() {
    uint32_t page = pageCount_;
    if (page > UINT32_MAX - 2 * (blockSize_ / kPage)) bad("Seitenzahl");
    // The block exists before the count says so: a count never lies past the file's end.
    std::vector<uint8_t> zero(blockSize_, 0);
    file_->write(uint64_t(page) * kPage, zero.data(), zero.size());
    pageCount_ += blockSize_ / kPage;
    uint8_t b[4];
    bytes::putLe32(b, pageCount_);
    file_->write(32, b, 4);
    return page;
}

Entry MdxFile::lastEntry(const Tag& tag, uint32_t page) const {
    // Reads only the few bytes on the way down the right edge, not whole pages: descents
    // through long runs of equal keys look at many subtrees this way.
    std::array<uint32_t, kMaxDepth> way{};
    for (size_t depth = 0; depth < kMaxDepth; ++depth) {
        if (std::find(way.begin(), way.begin() + long(depth), page) != way.begin() + long(depth))
            reachedTwice(tag, page);
        way[depth] = page;
        if (auto it = nodes_.find(page); it != nodes_.end()) {
            const Node& n = *it->second;
            if (n.leaf) return n.empty() ? Entry{} : Entry{KeyBytes(n.lastKey()), n.ptrs.back()};
            page = n.ptrs.back();
            continue;
        }
        if (page < kHeaderBytes / kPage || uint64_t(page) * kPage + blockSize_ > file_->size())
            bad("Seite " + std::to_string(page) + " des Index " + tag.spec.name + " außerhalb der Datei");
        const uint64_t base = uint64_t(page) * kPage;
        uint8_t b[4];
        file_->read(base, b, 4);
        const uint32_t count = bytes::le32(b);
        if (count > (blockSize_ - 12) / uint32_t(tag.itemLength))
            bad("Schlüsselanzahl der Seite " + std::to_string(page));
        const uint64_t items = base + 8;
        file_->read(items + uint64_t(count) * uint64_t(tag.itemLength), b, 4);
        const uint32_t after = bytes::le32(b);
        if (after != 0) {  // an inner page: its last pointer leads on
            page = after;
            continue;
        }
        if (count == 0) return Entry{};
        Entry last;
        const uint64_t item = items + uint64_t(count - 1) * uint64_t(tag.itemLength);
        file_->read(item, b, 4);
        last.recno = bytes::le32(b);
        last.key.resize(size_t(tag.spec.keyLength));
        file_->read(item + 4, last.key.data(), last.key.size());
        return last;
    }
    bad("Baum des Index " + tag.spec.name + " zu tief");
}

uint32_t MdxFile::edgeLeaf(const Tag& tag, bool rightmost) const {
    uint32_t page = tag.rootPage;
    for (size_t depth = 0; depth < kMaxDepth; ++depth) {
        const auto held = node(tag, page);
        const Node& n = *held;
        if (n.leaf) return page;
        page = rightmost ? n.ptrs.back() : n.ptrs.front();
    }
    bad("Baum des Index " + tag.spec.name + " zu tief");
}

bool MdxFile::settle(const Tag& tag, Cursor& c) {
    while (!c.path.empty()) {
        if (c.path.size() > kMaxDepth) bad("Baum des Index " + tag.spec.name + " zu tief");
        auto [page, slot] = c.path.back();
        const auto held = node(tag, page);
        const Node& n = *held;
        size_t limit = n.leaf ? n.count() : n.ptrs.size();
        if (size_t(slot) >= limit) {
            c.path.pop_back();
            if (!c.path.empty()) c.path.back().second++;
            continue;
        }
        if (n.leaf) {
            c.current = Entry{KeyBytes(n.key(size_t(slot))), n.ptrs[size_t(slot)]};
            c.valid = true;
            c.generation = generation_;
            return true;
        }
        const uint32_t child = n.ptrs[size_t(slot)];
        // A page reached twice means pages that share children or a cycle: a walk over them
        // would take ever longer.
        if (!c.seen.insert(child).second) reachedTwice(tag, child);
        c.path.emplace_back(child, 0);
    }
    c.valid = false;
    return false;
}

bool MdxFile::seek(int tagIndex, Cursor& c, const KeyBytes& key, uint32_t recno) {
    const Tag& tag = tags_.at(size_t(tagIndex));
    auto path = descend(tag, key, recno);
    c.path.clear();
    c.seen.clear();
    for (const auto& step : path) {
        c.path.emplace_back(step.view().page, step.slot);
        c.seen.insert(step.view().page);
    }
    return settle(tag, c);
}

bool MdxFile::first(int tagIndex, Cursor& c) {
    const Tag& tag = tags_.at(size_t(tagIndex));
    c.path.assign(1, {tag.rootPage, 0});
    c.seen.clear();
    c.seen.insert(tag.rootPage);
    return settle(tag, c);
}

bool MdxFile::next(int tagIndex, Cursor& c) {
    if (!c.valid) return false;
    const Tag& tag = tags_.at(size_t(tagIndex));
    if (c.generation != generation_ || c.path.empty()) {
        if (c.current.recno == 0xFFFFFFFFu) return c.valid = false;
        return seek(tagIndex, c, c.current.key, c.current.recno + 1);
    }
    c.path.back().second++;
    return settle(tag, c);
}

void MdxFile::setRoot(Tag& tag, uint32_t root) {
    tag.rootPage = root;
    uint8_t b[4];
    bytes::putLe32(b, root);
    file_->write(uint64_t(tag.headerPage) * kPage, b, 4);
}

void MdxFile::updateEdges(const Tag& tag) {
    uint8_t b[10] = {};
    const auto root = node(tag, tag.rootPage);
    b[0] = root->empty() && root->leaf ? 0 : 1;  // byte 246: the tag has keys
    bytes::putLe32(b + 2, edgeLeaf(tag, false));
    bytes::putLe32(b + 6, edgeLeaf(tag, true));
    file_->write(uint64_t(tag.headerPage) * kPage + 246, b, sizeof b);
}

void MdxFile::insert(int tagIndex, const KeyBytes& key, uint32_t recno, uint32_t recordCount) {
    Tag& tag = tags_.at(size_t(tagIndex));
    auto path = takeLocated(tagIndex, key, recno, true);
    if (tag.spec.unique) {
        Cursor c;
        if (seek(tagIndex, c, key, 0) && compareKeys(tag, c.current.key, key) == 0) return;
    }
    ++generation_;
    RunSearch search{recordCount, false, true};
    if (path.empty()) path = descend(tag, key, recno, &search);
    forgetPath(path, false);
    bool wasEmpty = path.size() == 1 && path[0].view().empty();
    Node& leaf = path.back().edit();
    size_t slot = size_t(path.back().slot);
    leaf.insertKey(slot, key);
    leaf.ptrs.insert(leaf.ptrs.begin() + long(slot), recno);
    size_t level = path.size() - 1;
    bool split = false;
    while (true) {
        Node& cur = path[level].edit();
        if (cur.count() <= size_t(tag.maxKeys)) {
            writeNode(tag, cur);
            break;
        }
        if (tag.maxKeys < 2) bad("Schlüssel des Index " + tag.spec.name + " zu lang zum Teilen einer Seite");
        split = true;
        Node left(cur.keyLength, cur.leaf), right(cur.keyLength, cur.leaf);
        left.page = cur.page;
        const size_t count = cur.count();
        KeyBytes up;
        if (cur.leaf) {
            size_t mid = count / 2;
            left.assignKeys(cur, 0, mid);
            left.ptrs.assign(cur.ptrs.begin(), cur.ptrs.begin() + long(mid));
            right.assignKeys(cur, mid, count);
            right.ptrs.assign(cur.ptrs.begin() + long(mid), cur.ptrs.end());
            up = KeyBytes(left.lastKey());
        } else {
            size_t m = count / 2;
            left.assignKeys(cur, 0, m);
            left.ptrs.assign(cur.ptrs.begin(), cur.ptrs.begin() + long(m) + 1);
            up = KeyBytes(cur.key(m));
            right.assignKeys(cur, m + 1, count);
            right.ptrs.assign(cur.ptrs.begin() + long(m) + 1, cur.ptrs.end());
        }
        right.page = allocate();
        writeNode(tag, right);
        writeNode(tag, left);
        if (level == 0) {
            Node root(cur.keyLength, false);
            root.page = allocate();
            root.pushKey(up);
            root.ptrs = {left.page, right.page};
            writeNode(tag, root);
            setRoot(tag, root.page);
            break;
        }
        Node& parent = path[level - 1].edit();
        size_t c = size_t(path[level - 1].slot);
        parent.insertKey(c, up);
        parent.ptrs.insert(parent.ptrs.begin() + long(c) + 1, right.page);
        --level;
    }
    if (split || wasEmpty) updateEdges(tag);
}

std::vector<MdxFile::PathStep> MdxFile::locate(const Tag& tag, const KeyBytes& key, uint32_t recno,
                                                 uint32_t recordCount) const {
    // The entry is there to be found: the descent may go by what earlier descents learnt of
    // the inner pages and of the runs of equal keys, read afresh is only the leaf. It is done
    // again from the file alone when the leaf does not hold the entry, as after a change by
    // another program, and when the pages above the leaf are to change too.
    RunSearch search{recordCount, true, false};
    std::vector<PathStep> path;
    try {
        path = descend(tag, key, recno, &search);
    } catch (const EngineError&) {
        path.clear();  // what was learnt led astray
    }
    if (path.empty() || !holds(tag, path, key, recno) || size_t(path.back().slot) + 1 == path.back().view().count()) {
        search.useHints = false;
        path = descend(tag, key, recno, &search);
    }
    return path;
}

bool MdxFile::contains(int tagIndex, const KeyBytes& key, uint32_t recno, uint32_t recordCount) {
    const Tag& tag = tags_.at(size_t(tagIndex));
    auto path = locate(tag, key, recno, recordCount);
    if (!holds(tag, path, key, recno)) {
        located_.erase(tagIndex);
        return false;
    }
    located_[tagIndex] = Located{key, recno, std::move(path), false};
    return true;
}

std::vector<MdxFile::PathStep> MdxFile::takeLocated(int tagIndex, const KeyBytes& key, uint32_t recno,
                                                      bool inserting) {
    std::vector<PathStep> path;
    if (auto it = located_.find(tagIndex); it != located_.end()) {
        const Located& l = it->second;
        if (l.recno == recno && l.key == key && l.inserting == inserting) path = std::move(it->second.path);
        located_.erase(it);
    }
    return path;
}

void MdxFile::prepareInsert(int tagIndex, const KeyBytes& key, uint32_t recno, uint32_t recordCount) {
    const Tag& tag = tags_.at(size_t(tagIndex));
    RunSearch search{recordCount, false, true};
    located_[tagIndex] = Located{key, recno, descend(tag, key, recno, &search), true};
}

bool MdxFile::remove(int tagIndex, const KeyBytes& key, uint32_t recno, uint32_t recordCount) {
    Tag& tag = tags_.at(size_t(tagIndex));
    std::vector<PathStep> path = takeLocated(tagIndex, key, recno, false);
    if (path.empty()) path = locate(tag, key, recno, recordCount);
    if (!holds(tag, path, key, recno))
        return false;
    forgetPath(path, true);
    const size_t slot = size_t(path.back().slot);
    ++generation_;
    Node& leaf = path.back().edit();
    leaf.eraseKey(slot);
    leaf.ptrs.erase(leaf.ptrs.begin() + long(slot));
    if (!leaf.empty() || path.size() == 1) {
        writeNode(tag, leaf);
        if (slot == leaf.count() && !leaf.empty()) {
            // The leaf's last key changed: so does the separator above it.
            for (size_t level = path.size() - 1; level-- > 0;) {
                size_t c = size_t(path[level].slot);
                if (c < path[level].view().count()) {
                    Node& p = path[level].edit();
                    p.setKey(c, leaf.lastKey());
                    writeNode(tag, p);
                    break;
                }
            }
        }
        if (leaf.empty()) updateEdges(tag);
        return true;
    }
    // The leaf is empty: take it out of its parent, and so on upwards while a page empties.
    // When the page taken out was its parent's last child, the parent's subtree now ends
    // with the entry its last separator stood for, and so do the subtrees above it up to the
    // first one that is not a last child: that separator is lowered to it.
    size_t level = path.size() - 1;
    while (level-- > 0) {
        Node& p = path[level].edit();
        const size_t c = size_t(path[level].slot);
        const bool lastChild = c + 1 == p.ptrs.size();
        KeyBytes newLast;
        p.ptrs.erase(p.ptrs.begin() + long(c));
        if (!lastChild) {
            p.eraseKey(c);
        } else if (!p.empty()) {
            newLast = KeyBytes(p.lastKey());
            p.eraseKey(p.count() - 1);
        }
        if (p.ptrs.empty()) {
            if (level == 0) {
                p.leaf = true;
                p.keys.clear();
                writeNode(tag, p);
                break;
            }
            continue;
        }
        if (level == 0 && p.ptrs.size() == 1) {
            setRoot(tag, p.ptrs[0]);
            break;
        }
        writeNode(tag, p);
        if (lastChild) {
            for (size_t up = level; up-- > 0;) {
                const size_t s = size_t(path[up].slot);
                if (s < path[up].view().count()) {
                    Node& a = path[up].edit();
                    a.setKey(s, newLast);
                    writeNode(tag, a);
                    break;
                }
            }
        }
        break;
    }
    updateEdges(tag);
    return true;
}

void MdxFile::writeTagHeader(const Tag& tag, uint32_t firstLeaf, uint32_t lastLeaf, bool hasKeys) {
    std::vector<uint8_t> th(blockSize_, 0);
    bytes::putLe32(th.data(), tag.rootPage);
    bytes::putLe32(th.data() + 4, blockSize_ / kPage);
    th[8] = uint8_t(0x10 | (tag.spec.descending ? 0x08 : 0) | (tag.spec.unique ? 0x40 : 0));
    th[9] = uint8_t(tag.spec.keyType);
    th[11] = 0x1B;
    bytes::putLe16(th.data() + 12, uint16_t(tag.spec.keyLength));
    bytes::putLe16(th.data() + 14, uint16_t(tag.maxKeys));
    bytes::putLe16(th.data() + 16, tag.spec.keyType == 'D' ? 1 : 0);
    bytes::putLe16(th.data() + 18, uint16_t(tag.itemLength));
    th[20] = 1;
    th[23] = tag.spec.unique ? 1 : 0;
    for (size_t i = 0; i < tag.spec.expression.size() && i < 219; ++i) th[24 + i] = uint8_t(tag.spec.expression[i]);
    th[246] = hasKeys ? 1 : 0;
    bytes::putLe32(th.data() + 248, firstLeaf);
    bytes::putLe32(th.data() + 252, lastLeaf);
    putDate(th.data() + 257);
    th[480] = 0x01;  // the key is a plain field
    file_->write(uint64_t(tag.headerPage) * kPage, th.data(), th.size());
}

void MdxFile::writeDirectory() {
    std::vector<uint8_t> table(kMaxTags * 32, 0);
    // The tag table is threaded as a binary search tree on the names (1-based entries).
    std::vector<int> left(tags_.size(), 0), right(tags_.size(), 0), parent(tags_.size(), 0);
    for (size_t i = 1; i < tags_.size(); ++i) {
        size_t w = 0;
        while (true) {
            auto& link = tags_[i].spec.name < tags_[w].spec.name ? left[w] : right[w];
            if (link == 0) {
                link = int(i) + 1;
                parent[i] = int(w) + 1;
                break;
            }
            w = size_t(link - 1);
        }
    }
    for (size_t i = 0; i < tags_.size(); ++i) {
        uint8_t* e = table.data() + i * 32;
        bytes::putLe32(e, tags_[i].headerPage);
        for (size_t k = 0; k < tags_[i].spec.name.size() && k < 10; ++k) e[4 + k] = uint8_t(tags_[i].spec.name[k]);
        e[15] = 0x10;
        e[16] = uint8_t(left[i]);
        e[17] = uint8_t(right[i]);
        e[18] = uint8_t(parent[i]);
        e[19] = 0x02;
        e[20] = uint8_t(tags_[i].spec.keyType);
    }
    file_->write(kTagTable, table.data(), table.size());
    uint8_t h[4] = {};
    bytes::putLe16(h, uint16_t(tags_.size()));
    h[2] = uint8_t(tags_.size() + 1);
    h[3] = 0x1B;
    file_->write(28, h, 4);  // the new tag counts from here on
    uint8_t d[3];
    putDate(d);
    file_->write(44, d, 3);
}

void MdxFile::addTag(const TagSpec& specIn, std::vector<Entry> entries) {
    nodes_.clear();
    located_.clear();
    learnt_->clear();
    if (int(tags_.size()) >= kMaxTags) throw EngineError("Die Indexdatei kann keine weiteren Indizes aufnehmen: " + path());
    Tag tag;
    tag.spec = specIn;
    tag.spec.name = paths::upper(format::trimBoth(specIn.name)).substr(0, 10);
    if (tag.spec.name.empty()) throw EngineError("Der Index hat keinen Namen: " + path());
    if (findTag(tag.spec.name) >= 0) throw EngineError("Der Index " + tag.spec.name + " existiert bereits: " + path());
    tag.slot = int(tags_.size());
    tag.itemLength = (tag.spec.keyLength + 4 + 3) / 4 * 4;
    tag.maxKeys = int((blockSize_ - 12) / uint32_t(tag.itemLength));
    if (tag.maxKeys < 2) throw EngineError("Der Schlüssel des Index " + tag.spec.name + " ist zu lang: " + path());
    ++generation_;
    tag.headerPage = allocate();

    // Bulk build: full leaves, then the levels above them, written level by level.
    struct Child {
        uint32_t page;
        KeyBytes last;
    };
    std::vector<Child> level;
    auto writeLevel = [&](std::vector<Node>& nodes) {
        std::vector<uint8_t> buf;
        buf.reserve(nodes.size() * blockSize_);
        for (const auto& n : nodes) {
            auto b = encodeNode(tag, n);
            buf.insert(buf.end(), b.begin(), b.end());
        }
        if (!nodes.empty()) file_->write(uint64_t(nodes.front().page) * kPage, buf.data(), buf.size());
    };
    auto reserve = [&](size_t count) {
        uint32_t firstPage = pageCount_;
        pageCount_ += uint32_t(count) * (blockSize_ / kPage);
        return firstPage;
    };
    {
        size_t per = size_t(tag.maxKeys);
        size_t count = std::max<size_t>(1, (entries.size() + per - 1) / per);
        uint32_t page = reserve(count);
        std::vector<Node> nodes;
        for (size_t i = 0; i < count; ++i) {
            Node n(size_t(tag.spec.keyLength));
            n.page = page + uint32_t(i) * (blockSize_ / kPage);
            size_t from = i * per, to = std::min(entries.size(), from + per);
            for (size_t k = from; k < to; ++k) {
                n.pushKey(entries[k].key);
                n.ptrs.push_back(entries[k].recno);
            }
            level.push_back({n.page, n.empty() ? KeyBytes() : KeyBytes(n.lastKey())});
            nodes.push_back(std::move(n));
            if (nodes.size() == 4096) {
                writeLevel(nodes);
                nodes.clear();
            }
        }
        writeLevel(nodes);
        entries.clear();
        entries.shrink_to_fit();
    }
    uint32_t firstLeaf = level.front().page, lastLeaf = level.back().page;
    bool hasKeys = !level.front().last.empty();
    while (level.size() > 1) {
        size_t fan = size_t(tag.maxKeys) + 1;
        size_t groups = (level.size() + fan - 1) / fan;
        size_t per = (level.size() + groups - 1) / groups;
        uint32_t page = reserve(groups);
        std::vector<Node> nodes;
        std::vector<Child> upper;
        for (size_t g = 0; g < groups; ++g) {
            Node n(size_t(tag.spec.keyLength), false);
            n.page = page + uint32_t(g) * (blockSize_ / kPage);
            size_t from = g * per, to = std::min(level.size(), from + per);
            for (size_t k = from; k < to; ++k) {
                n.ptrs.push_back(level[k].page);
                if (k + 1 < to) n.pushKey(level[k].last);
            }
            upper.push_back({n.page, level[to - 1].last});
            nodes.push_back(std::move(n));
        }
        writeLevel(nodes);
        level = std::move(upper);
    }
    tag.rootPage = level.front().page;
    uint8_t b[4];
    bytes::putLe32(b, pageCount_);
    file_->write(32, b, 4);
    writeTagHeader(tag, firstLeaf, lastLeaf, hasKeys);
    tags_.push_back(tag);
    writeDirectory();
}

void MdxFile::rebuild(std::vector<std::vector<Entry>> entriesPerTag) {
    nodes_.clear();
    located_.clear();
    learnt_->clear();
    std::vector<TagSpec> specs;
    for (const auto& t : tags_) specs.push_back(t.spec);
    ++generation_;
    uint8_t zero[4] = {};
    file_->write(28, zero, 2);  // no tags while the file is rebuilt
    uint8_t count[4];
    bytes::putLe32(count, kHeaderBytes / kPage);
    file_->write(32, count, 4);  // nor pages past the header
    file_->truncate(kHeaderBytes);
    std::vector<uint8_t> table(kMaxTags * 32, 0);
    file_->write(kTagTable, table.data(), table.size());
    pageCount_ = kHeaderBytes / kPage;
    tags_.clear();
    for (size_t i = 0; i < specs.size(); ++i)
        addTag(specs[i], i < entriesPerTag.size() ? std::move(entriesPerTag[i]) : std::vector<Entry>());
}

}  // namespace dbf::mdx
