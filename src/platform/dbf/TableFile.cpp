// One open table file in the process, shared by every Table object on it.
#include "platform/dbf/TableFile.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "platform/dbf/FieldValue.h"
#include "platform/dbf/Journal.h"
#include "platform/dbf/PageCache.h"
#include "platform/dbf/Paths.h"

namespace dbf {

namespace {

// The table files open in the process, each once: a process has a few open at a time.
std::vector<TableFile*>& registry() {
    static std::vector<TableFile*> open;
    return open;
}

// Whether two names of files stand for one file: however their case is spelt on Windows.
bool sameFile(const std::string& a, const std::string& b) {
#ifdef _WIN32
    return paths::equalNoCase(a, b);
#else
    return a == b;
#endif
}

std::string_view stem(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.rfind('.'));
}

constexpr size_t kScanChunk = 256;

}  // namespace

std::shared_ptr<TableFile> TableFile::opened(const io::FileSystem* fs, const std::string& path) {
    for (TableFile* t : registry())
        if (t->owner_ == fs && sameFile(t->path_, path)) return t->shared_from_this();
    return nullptr;
}

std::shared_ptr<TableFile> TableFile::open(const std::shared_ptr<io::FileSystem>& fs, const std::string& path,
                                           bool ifExists) {
    // A table is known by its name as given, or by the one differing in case only where the
    // given one is no file; the open of the file is the first thing asked of the system.
    std::string converted;
    const std::string& normalized = path.find('\\') == std::string::npos ? path : (converted = paths::normalize(path));
    if (auto shared = opened(fs.get(), normalized)) return shared;
    // The table's files write through a running unit of the journal.
    auto journaledFs = journal::journaled(fs);
    auto file = paths::openExisting(*journaledFs, normalized, io::OpenMode::ReadWrite);
    if (!file) {
        if (ifExists) return nullptr;
        throw EngineError("Die Tabelle wurde nicht gefunden: " + path);
    }
    if (file->path() != normalized)
        if (auto shared = opened(fs.get(), file->path())) return shared;
    auto tf = std::make_shared<TableFile>(Opening{}, journaledFs, std::move(file));
    tf->owner_ = fs.get();
    registry().push_back(tf.get());
    return tf;
}

bool TableFile::isOpen(const std::shared_ptr<io::FileSystem>& fs, const std::string& path) {
    return opened(fs.get(), paths::resolve(*fs, paths::normalize(path))) != nullptr;
}

TableFile::TableFile(Opening, std::shared_ptr<io::FileSystem> fs, std::unique_ptr<io::File> dbf)
    : fs_(std::move(fs)), path_(dbf->path()) {
    tagFields_.fill(kFieldUnknown);
    // A lookup reads the header and a row: only their bytes, not their pages.
    dbf_ = std::make_unique<io::CachedFile>(std::move(dbf), 4096, 256, 2);
    layout_ = format::parse(*dbf_);
    if (layout_.memo != format::MemoKind::None) {
        bool fox = layout_.memo == format::MemoKind::Fpt;
        std::string memoPath = paths::withExtension(path_, fox ? ".FPT" : ".DBT");
        auto memoFile = paths::openExisting(*fs_, memoPath, io::OpenMode::ReadWrite);
        if (!memoFile) {
            memoFile = paths::openExisting(*fs_, paths::withExtension(path_, fox ? ".DBT" : ".FPT"), io::OpenMode::ReadWrite);
            if (!memoFile) throw EngineError("Die Memodatei fehlt: " + memoPath);
            layout_.memo = fox ? format::MemoKind::Dbt4 : format::MemoKind::Fpt;
        }
        memo_ = std::make_unique<memo::MemoFile>(std::make_unique<io::CachedFile>(std::move(memoFile), 4096, 64),
                                                 layout_.memo);
    }
    if (layout_.productionIndex) {
        const std::string mdxPath = paths::withExtension(path_, ".MDX");
        auto mdxFile = paths::openExisting(*fs_, mdxPath, io::OpenMode::ReadWrite);
        if (!mdxFile) {
            missingIndex_ = mdxPath;  // an error when an index is asked for or to be kept up
            return;
        }
        mdx_ = std::make_unique<mdx::MdxFile>(std::make_unique<io::CachedFile>(std::move(mdxFile), 1024, 2048));
        // A copy of another table's index file would point at rows of ours by its numbers.
        // (The file keeps the name in upper case, cut to 16 characters.)
        const std::string_view own = stem(path_).substr(0, 16);
        if (!mdx_->tableName().empty() && !paths::equalNoCase(mdx_->tableName(), own))
            throw EngineError("Die Indexdatei gehört zur Tabelle " + mdx_->tableName() + ", nicht zu " +
                              paths::upper(std::string(own)) + ": " + mdx_->path());
    }
}

TableFile::~TableFile() {
    auto& reg = registry();
    reg.erase(std::remove(reg.begin(), reg.end(), this), reg.end());
}

void TableFile::bad(const std::string& what) const { throw EngineError(what + ": " + path_); }

void TableFile::create(io::FileSystem& plain, const std::string& pathIn, const std::vector<FieldDef>& defs) {
    const auto through = journal::journaled(plain);
    io::FileSystem& fs = *through;
    std::string path = paths::resolve(fs, paths::normalize(pathIn));
    if (defs.empty()) throw EngineError("Die Tabelle hat keine Felder: " + path);
    std::vector<format::FieldInfo> fields;
    std::set<std::string> names;
    bool withMemo = false;
    for (const auto& d : defs) {
        if (d.name.empty() || d.name.size() > 10 || d.name.find('\0') != std::string::npos)
            throw EngineError("Ungültiger Feldname '" + d.name + "': " + path);
        if (!names.insert(paths::upper(d.name)).second) throw EngineError("Das Feld " + d.name + " ist doppelt vorhanden: " + path);
        if (d.type == FieldType::Character && (d.size < 1 || d.size > 255))  // one byte holds the width
            throw EngineError("Ungültige Breite des Feldes " + d.name + ": " + path);
        if ((d.type == FieldType::Numeric || d.type == FieldType::Float) &&
            (d.size < 1 || d.size > 20 || d.decimals < 0 || (d.decimals > 0 && d.decimals > d.size - 2)))
            throw EngineError("Ungültige Breite des Feldes " + d.name + ": " + path);
        withMemo = withMemo || d.type == FieldType::Memo;
        fields.push_back(format::physicalField(d));
    }
    std::string mdxPath = paths::resolve(fs, paths::withExtension(path, ".MDX"));
    if (fs.exists(mdxPath)) fs.remove(mdxPath);
    if (withMemo)
        memo::MemoFile::create(fs, paths::resolve(fs, paths::withExtension(path, ".DBT")), format::MemoKind::Dbt4,
                               std::string(stem(path)));
    auto header = format::buildHeader(fields, withMemo);
    header.push_back(format::kEndOfFile);
    auto f = fs.open(path, io::OpenMode::Create);
    f->write(0, header.data(), header.size());
}

int TableFile::fieldIndex(const std::string& name) const {
    std::string n = format::trimBoth(name);
    for (size_t i = 0; i < layout_.fields.size(); ++i)
        if (paths::equalNoCase(layout_.fields[i].name, n)) return int(i);
    return -1;
}

void TableFile::read(uint32_t recno, std::string& rec) {
    if (recno < 1 || recno > layout_.recordCount) bad("Der Datensatz " + std::to_string(recno) + " liegt außerhalb der Tabelle");
    rec.resize(layout_.recordLength);
    dbf_->read(layout_.headerLength + uint64_t(recno - 1) * layout_.recordLength, rec.data(), rec.size());
}

bool TableFile::deleted(uint32_t recno) {
    if (recno < 1 || recno > layout_.recordCount) return true;
    char flag;
    dbf_->read(layout_.headerLength + uint64_t(recno - 1) * layout_.recordLength, &flag, 1);
    return flag == '*';
}

uint32_t TableFile::deletedCount() {
    if (!deleted_) {
        uint32_t n = 0;
        std::string buf;
        for (uint32_t first = 1; first <= layout_.recordCount; first += kScanChunk) {
            uint32_t k = std::min<uint32_t>(kScanChunk, layout_.recordCount - first + 1);
            buf.resize(size_t(k) * layout_.recordLength);
            dbf_->read(layout_.headerLength + uint64_t(first - 1) * layout_.recordLength, buf.data(), buf.size());
            for (uint32_t i = 0; i < k; ++i)
                if (buf[size_t(i) * layout_.recordLength] == '*') ++n;
        }
        deleted_ = n;
    }
    return *deleted_;
}

void TableFile::writeHeaderCount(uint32_t count) {
    uint8_t b[7];
    format::putDateAndCount(b, count);
    dbf_->write(1, b, sizeof b);  // the count's bytes in ascending order: a cut leaves it lower
}

void TableFile::requireWritable(bool memo) const {
    auto check = [](io::File& f) {
        if (!f.writable()) throw EngineError("Die Datei ist schreibgeschützt: " + f.path());
    };
    check(*dbf_);
    if (mdx_ && mdx_->tagCount() > 0 && !mdx_->writable())
        throw EngineError("Die Datei ist schreibgeschützt: " + mdx_->path());
    if (memo && memo_ && !memo_->writable()) throw EngineError("Die Datei ist schreibgeschützt: " + memo_->path());
}

bool TableFile::writable(bool memo) const {
    try {
        requireWritable(memo);
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

void TableFile::indexOutOfStep(int tag, uint32_t recno) const {
    throw EngineError("Der Index " + mdx_->tagName(tag) +
                      " gehört nicht zu dieser Tabelle oder ist veraltet (Satz " + std::to_string(recno) +
                      "): " + mdx_->path());
}

void TableFile::requireEntries(uint32_t recno, const std::string& old, const std::string* now) {
    if (!mdx_) return;
    for (int t = 0; t < mdx_->tagCount(); ++t) {
        const auto before = keyOf(t, old);
        if (now && before == keyOf(t, *now)) continue;
        if (!mdx_->contains(t, before, recno, layout_.recordCount)) indexOutOfStep(t, recno);
    }
}

bool TableFile::rowOfEntry(int tag, const mdx::Entry& entry, std::string& row) {
    if (entry.recno < 1 || entry.recno > layout_.recordCount) return false;
    read(entry.recno, row);  // the whole row at once: its deletion flag and its key
    if (row[0] == '*') return false;
    const auto& spec = mdx_->tag(tag);
    if (tagField(tag) >= 0 && mdx_->compareKeys(spec, keyOf(tag, row), entry.key) != 0)
        indexOutOfStep(tag, entry.recno);
    return true;
}

uint32_t TableFile::append(const std::string& recIn) {
    requireMaintainable();
    requireWritable(false);
    if (layout_.recordCount == 0xFFFFFFFFu) bad("Die Tabelle ist voll");
    std::string rec = recIn;
    rec.resize(layout_.recordLength, ' ');
    rec[0] = ' ';
    uint32_t recno = layout_.recordCount + 1;
    // The index's pages on the way to the new entries are read, and found sound, first.
    if (mdx_)
        for (int t = 0; t < mdx_->tagCount(); ++t) mdx_->prepareInsert(t, keyOf(t, rec), recno, recno);
    // Record bytes, then the end mark, then the count: a cut at any byte keeps all rows before.
    std::string bytes = rec;
    bytes.push_back(char(format::kEndOfFile));
    dbf_->write(layout_.headerLength + uint64_t(recno - 1) * layout_.recordLength, bytes.data(), bytes.size());
    writeHeaderCount(recno);
    layout_.recordCount = recno;
    ++version_;
    if (mdx_)
        for (int t = 0; t < mdx_->tagCount(); ++t) mdx_->insert(t, keyOf(t, rec), recno, layout_.recordCount);
    return recno;
}

void TableFile::update(uint32_t recno, const std::string& recIn) {
    requireMaintainable();
    requireWritable(false);
    std::string old;
    read(recno, old);
    std::string rec = recIn;
    rec.resize(layout_.recordLength, ' ');
    rec[0] = old[0];
    if (old[0] != '*') requireEntries(recno, old, &rec);
    dbf_->write(layout_.headerLength + uint64_t(recno - 1) * layout_.recordLength, rec.data(), rec.size());
    ++version_;
    if (mdx_ && old[0] != '*') {
        for (int t = 0; t < mdx_->tagCount(); ++t) {
            auto before = keyOf(t, old), after = keyOf(t, rec);
            if (before == after) continue;
            mdx_->remove(t, before, recno, layout_.recordCount);
            mdx_->insert(t, after, recno, layout_.recordCount);
        }
    }
}

void TableFile::remove(uint32_t recno) {
    requireMaintainable();
    requireWritable(false);
    std::string old;
    read(recno, old);
    if (old[0] == '*') return;
    requireEntries(recno, old, nullptr);
    char flag = '*';
    dbf_->write(layout_.headerLength + uint64_t(recno - 1) * layout_.recordLength, &flag, 1);
    ++version_;
    if (deleted_) ++*deleted_;
    if (mdx_)
        for (int t = 0; t < mdx_->tagCount(); ++t) mdx_->remove(t, keyOf(t, old), recno, layout_.recordCount);
}

void TableFile::empty() {
    requireWritable(true);
    writeHeaderCount(0);
    layout_.recordCount = 0;
    deleted_ = 0;
    ++version_;
    dbf_->truncate(layout_.headerLength);
    uint8_t mark = format::kEndOfFile;
    dbf_->write(layout_.headerLength, &mark, 1);
    if (memo_) memo_->clear();
    if (mdx_) mdx_->rebuild({});
}

std::string TableFile::readMemo(uint32_t block) {
    if (block == 0) return {};
    if (!memo_) bad("Die Tabelle hat keine Memodatei");
    return memo_->read(block);
}

uint32_t TableFile::writeMemo(const std::string& text) {
    if (!memo_) bad("Die Tabelle hat keine Memodatei");
    requireWritable(true);
    ++version_;
    return memo_->write(text);
}

std::vector<std::string> TableFile::indexNames() const {
    std::vector<std::string> names;
    if (mdx_)
        for (int t = 0; t < mdx_->tagCount(); ++t) names.push_back(mdx_->tagName(t));
    return names;
}

int TableFile::tagByName(const std::string& name) const { return mdx_ ? mdx_->findTag(name) : -1; }

int TableFile::tagByField(const std::string& fieldName) const {
    int f = fieldIndex(fieldName);
    if (f < 0 || !mdx_) return -1;
    for (int t = 0; t < mdx_->tagCount(); ++t)
        if (tagField(t) == f) return t;
    return -1;
}

int TableFile::tagField(int tag) const {
    // Asked for every key made: found once per tag, until the tags change.
    if (size_t(tag) < tagFields_.size() && tagFields_[size_t(tag)] != kFieldUnknown) return tagFields_[size_t(tag)];
    const auto& spec = mdx_->tag(tag).spec;
    int f = fieldIndex(spec.expression);
    if (f >= 0) {
        const char type = layout_.fields[size_t(f)].type;
        const bool fits = spec.keyType == 'C'   ? type == 'C'
                          : spec.keyType == 'N' ? (type == 'N' || type == 'F' || type == 'I' || type == '+')
                          : spec.keyType == 'D' && type == 'D';
        if (!fits) f = -1;
    }
    if (size_t(tag) < tagFields_.size()) tagFields_[size_t(tag)] = f;
    return f;
}

void TableFile::requireIndexFile() const {
    if (!missingIndex_.empty()) throw EngineError("Die Indexdatei fehlt: " + missingIndex_);
}

void TableFile::requireMaintainable() const {
    requireIndexFile();
    if (!mdx_) return;
    for (int t = 0; t < mdx_->tagCount(); ++t)
        if (tagField(t) < 0) {
            const auto& spec = mdx_->tag(t).spec;
            throw EngineError("Der Index " + spec.name + " (" + spec.expression + ") kann nicht aktuell gehalten werden: " +
                              mdx_->path());
        }
}

namespace {
mdx::KeyBytes makeKey(const value::Where& w, const mdx::TagSpec& spec, const uint8_t* r) {
    switch (spec.keyType) {
    case 'C': return mdx::charKey(value::fieldBytes(w, r), spec.keyLength);
    case 'N':
        if (value::isNull(w, r)) return mdx::numericKey(int64_t(0));
        if (w.field.type == 'I' || w.field.type == '+') return mdx::numericKey(value::integer(w, r));
        try {
            return mdx::numericKey(value::text(w, r));
        } catch (const EngineError&) {
            throw EngineError("Feld " + w.field.name + ": Der Wert '" + value::text(w, r) + "' ist keine Zahl: " + w.file);
        }
    default:
        if (value::isNull(w, r)) return mdx::dateKey(0);
        return mdx::dateKey(format::julianDay(value::date(w, r)));
    }
}
}  // namespace

mdx::KeyBytes TableFile::keyOf(int tag, const std::string& rec) const {
    int f = tagField(tag);
    const auto& spec = mdx_->tag(tag).spec;
    if (f < 0) throw EngineError("Der Index " + spec.name + " kann nicht ausgewertet werden: " + mdx_->path());
    value::Where w{layout_, layout_.fields[size_t(f)], path_};
    return makeKey(w, spec, reinterpret_cast<const uint8_t*>(rec.data()));
}

std::vector<mdx::Entry> TableFile::entriesFor(int f, const mdx::TagSpec& spec) {
    std::vector<mdx::Entry> entries;
    entries.reserve(layout_.recordCount);
    value::Where w{layout_, layout_.fields[size_t(f)], path_};
    std::string buf;
    for (uint32_t first = 1; first <= layout_.recordCount; first += kScanChunk) {
        uint32_t k = std::min<uint32_t>(kScanChunk, layout_.recordCount - first + 1);
        buf.resize(size_t(k) * layout_.recordLength);
        dbf_->read(layout_.headerLength + uint64_t(first - 1) * layout_.recordLength, buf.data(), buf.size());
        for (uint32_t i = 0; i < k; ++i) {
            const auto* r = reinterpret_cast<const uint8_t*>(buf.data()) + size_t(i) * layout_.recordLength;
            if (r[0] != '*') entries.push_back({makeKey(w, spec, r), first + i});
        }
    }
    mdx::Tag order;
    order.spec = spec;
    mdx_->sortEntries(order, entries);
    return entries;
}

void TableFile::addIndex(const std::string& name, const std::string& fieldName) {
    int f = fieldIndex(fieldName);
    if (f < 0) bad("Das Feld " + fieldName + " wurde nicht gefunden");
    const auto& field = layout_.fields[size_t(f)];
    mdx::TagSpec spec;
    spec.name = paths::upper(format::trimBoth(name));
    if (spec.name.empty() || spec.name.size() > 10) bad("Ungültiger Indexname '" + name + "'");
    spec.expression = field.name;
    switch (field.type) {
    case 'C':
        if (field.length > 100) bad("Das Feld " + field.name + " ist für einen Index zu lang");
        spec.keyType = 'C';
        spec.keyLength = field.length;
        break;
    case 'N': case 'F': case 'I': case '+': spec.keyType = 'N'; spec.keyLength = 12; break;
    case 'D': spec.keyType = 'D'; spec.keyLength = 8; break;
    default: bad("Das Feld " + field.name + " kann nicht indiziert werden");
    }
    if (!dbf_->writable()) bad("Die Datei ist schreibgeschützt");
    if (!mdx_) {
        std::string mdxPath = paths::resolve(*fs_, paths::withExtension(path_, ".MDX"));
        mdx::MdxFile::create(*fs_, mdxPath, std::string(stem(path_)));
        mdx_ = std::make_unique<mdx::MdxFile>(
            std::make_unique<io::CachedFile>(fs_->open(mdxPath, io::OpenMode::ReadWrite), 1024, 2048));
        missingIndex_.clear();
    }
    if (mdx_->findTag(spec.name) >= 0) bad("Der Index " + spec.name + " existiert bereits");
    auto entries = entriesFor(f, spec);
    tagFields_.fill(kFieldUnknown);
    mdx_->addTag(spec, std::move(entries));
    // Only now does the table point at its production index and the field at its tag.
    uint8_t one = 1;
    dbf_->write(28, &one, 1);
    int flagAt = layout_.flavor == format::Flavor::dBase7 ? 37 : 31;
    dbf_->write(uint64_t(layout_.descriptorStart + f * layout_.descriptorSize + flagAt), &one, 1);
    layout_.productionIndex = true;
    layout_.fields[size_t(f)].mdxFlag = true;
    ++version_;
}

void TableFile::rebuildIndexes() {
    if (!mdx_) return;
    requireMaintainable();
    std::vector<std::vector<mdx::Entry>> all;
    for (int t = 0; t < mdx_->tagCount(); ++t) all.push_back(entriesFor(tagField(t), mdx_->tag(t).spec));
    tagFields_.fill(kFieldUnknown);
    mdx_->rebuild(std::move(all));
    ++version_;
}

std::vector<std::string> TableFile::checkIndexes() {
    std::vector<std::string> problems;
    if (!mdx_) return problems;
    std::string rec;
    for (int t = 0; t < mdx_->tagCount(); ++t) {
        const auto& tag = mdx_->tag(t);
        auto result = mdx_->check(t);
        problems.insert(problems.end(), result.problems.begin(), result.problems.end());
        if (tagField(t) < 0) continue;  // a key we cannot evaluate cannot be compared
        std::vector<int> seen(size_t(layout_.recordCount) + 1, 0);
        for (const auto& e : result.entries) {
            const std::string which = "Index " + tag.spec.name + ", Satz " + std::to_string(e.recno);
            if (e.recno < 1 || e.recno > layout_.recordCount) {
                problems.push_back(which + " liegt außerhalb der Tabelle");
                continue;
            }
            if (++seen[e.recno] == 2) problems.push_back(which + " steht mehrfach im Index");
            if (deleted(e.recno)) continue;  // other programs keep deleted rows in their indexes
            read(e.recno, rec);
            if (mdx_->compareKeys(tag, keyOf(t, rec), e.key) != 0)
                problems.push_back(which + " steht unter einem anderen Schlüssel im Index");
        }
        for (uint32_t r = 1; r <= layout_.recordCount; ++r)
            if (seen[r] == 0 && !deleted(r))
                problems.push_back("Index " + tag.spec.name + ", Satz " + std::to_string(r) + " fehlt im Index");
    }
    return problems;
}

}  // namespace dbf
