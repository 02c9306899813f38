// Table objects over the shared table files: definition, cursor, edit buffer and fields.
#include "platform/dbf/DbfTable.h"

#include <map>

#include "platform/dbf/FieldValue.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/Paths.h"
#include "platform/dbf/TableFile.h"

namespace dbf {

class FieldImpl;

class TableImpl {
public:
    enum class State { Browse, Edit, Insert };

    std::shared_ptr<io::FileSystem> fs = io::defaultFileSystem();
    std::string directory, tableName;
    TableType type = TableType::dBase;
    std::vector<FieldDef> defs;
    std::string indexName, indexFields;

    std::shared_ptr<TableFile> tf;
    int tag = -1;
    State state = State::Browse;
    // Opening leaves the walk unpositioned, as a lookup needs no first row: the first use of
    // the position goes to the first row then.
    bool positioned = false;
    uint32_t recno = 0;  // 0: no current row (eof)
    mdx::Cursor cursor;
    std::string buf;  // the row being edited or appended
    std::map<int, std::string> memoEdits;
    bool ranged = false;
    mdx::KeyBytes from, to;
    std::string cur, blank;
    uint32_t curRecno = 0;
    uint64_t curVersion = 0;
    std::vector<FieldImpl> fields;  // made at the open, in one allocation

    std::string path() const { return paths::join(directory, tableName); }
    TableFile& file() const {
        if (!tf) throw EngineError("Die Tabelle ist nicht geöffnet: " + path());
        return *tf;
    }
    void requireTag() const {
        file();
        if (tag < 0) throw EngineError("Für die Tabelle ist kein Index gesetzt: " + path());
    }
    const std::string& record();
    bool editing() const { return state != State::Browse; }

    // A Table that is not open works on the file through a short-lived shared state.
    template <typename F>
    auto withFile(F f) {
        if (tf) return f(*tf);
        auto tmp = TableFile::open(fs, path());
        return f(*tmp);
    }

    bool validRow(uint32_t r) { return r >= 1 && r <= tf->count() && !tf->deleted(r); }
    // Whether an entry of the current index leads to a live row; throws when that row
    // carries another key, as with an index file of another table or an out-of-date one.
    // The row is read into the current row's buffer, where reading its fields finds it.
    bool indexedRow(const mdx::Entry& e) {
        curRecno = 0;
        const bool live = tf->rowOfEntry(tag, e, cur);
        if (e.recno >= 1 && e.recno <= tf->count()) {
            curRecno = e.recno;
            curVersion = tf->version();
        }
        return live;
    }
    bool inRange(const mdx::KeyBytes& k) {
        if (!ranged) return true;
        const auto& t = tf->index()->tag(tag);
        return tf->index()->compareKeys(t, k, from) >= 0 && tf->index()->compareKeys(t, k, to) <= 0;
    }
    void physicalFrom(uint32_t start) {
        for (uint32_t r = start; r >= 1 && r <= tf->count(); ++r)
            if (!tf->deleted(r)) {
                recno = r;
                return;
            }
        recno = 0;
    }
    void settleIndex(bool found) {
        auto* mdx = tf->index();
        const auto& t = mdx->tag(tag);
        while (found) {
            if (ranged && mdx->compareKeys(t, cursor.current.key, to) > 0) break;
            if (indexedRow(cursor.current)) {
                recno = cursor.current.recno;
                return;
            }
            found = mdx->next(tag, cursor);
        }
        recno = 0;
    }
    void first() {
        checkBrowseMode();
        if (tag < 0) {
            physicalFrom(1);
        } else {
            bool found = ranged ? tf->index()->seek(tag, cursor, from, 0) : tf->index()->first(tag, cursor);
            settleIndex(found);
        }
        positioned = true;
    }
    // The current row as a walk from the first row would have it.
    void position() {
        if (!positioned) first();
    }
    void next() {
        checkBrowseMode();
        position();
        if (recno == 0) return;
        if (tag < 0) return physicalFrom(recno + 1);
        settleIndex(tf->index()->next(tag, cursor));
    }
    // Puts the index cursor on the current row (after an edit, or when the order changed).
    void syncCursor() {
        if (tag < 0 || recno == 0) return;
        std::string rec;
        tf->read(recno, rec);
        tf->index()->seek(tag, cursor, tf->keyOf(tag, rec), recno);
    }
    void selectIndex() {
        tag = -1;
        ranged = false;
        if (!indexName.empty() || !indexFields.empty()) tf->requireIndexFile();
        if (!indexName.empty()) {
            tag = tf->tagByName(indexName);
            if (tag < 0) throw EngineError("Der Index " + indexName + " wurde nicht gefunden: " + path());
        } else if (!indexFields.empty()) {
            tag = tf->tagByField(indexFields);
            if (tag < 0) throw EngineError("Für das Feld " + indexFields + " gibt es keinen Index: " + path());
        }
    }
    void changeIndex() {
        if (!tf) return;
        checkBrowseMode();
        uint32_t keep = recno;
        selectIndex();
        if (!positioned) return;  // the first row of the new order, when asked for
        if (keep != 0 && validRow(keep)) {
            recno = keep;
            syncCursor();
        } else {
            first();
        }
    }
    mdx::KeyBytes makeKey(const Key& key) const;
    void checkBrowseMode() {
        if (editing()) post();
    }
    void post();
    void cancel() {
        state = State::Browse;
        memoEdits.clear();
    }
};

// ---- fields ----

class FieldImpl : public Field {
public:
    FieldImpl(TableImpl& t, int index) : t_(t), index_(index) {
        const auto& f = t.tf->layout().fields[size_t(index)];
        name_ = f.name;
        type_ = f.logical;
    }
    const std::string& name() const override { return name_; }
    FieldType type() const override { return type_; }

    bool isNull() const override {
        if (memo()) return memoText().empty();
        return value::isNull(where(), rec());
    }
    std::string asString() const override { return memo() ? memoText() : value::text(where(), rec()); }
    int32_t asInteger() const override {
        if (memo()) {
            int64_t v;
            std::string s = memoText();
            if (s.empty()) return 0;
            if (!format::parseInteger(s, v) || v < INT32_MIN || v > INT32_MAX)
                throw EngineError("Feld " + name_ + ": Der Wert ist keine ganze Zahl: " + t_.path());
            return int32_t(v);
        }
        return int32_t(value::integer(where(), rec()));
    }
    double asFloat() const override {
        if (memo()) {
            double d = 0;
            if (!memoText().empty() && !format::parseNumber(memoText(), d))
                throw EngineError("Feld " + name_ + ": Der Wert ist keine Zahl: " + t_.path());
            return d;
        }
        return value::number(where(), rec());
    }
    Date asDate() const override {
        if (memo()) {
            Date d;
            if (!memoText().empty() && !value::parseDateText(memoText(), d))
                throw EngineError("Feld " + name_ + ": Der Wert ist kein Datum: " + t_.path());
            return d;
        }
        return value::date(where(), rec());
    }
    bool asBoolean() const override {
        if (memo()) throw EngineError("Feld " + name_ + ": Das Feld ist kein logisches Feld: " + t_.path());
        return value::boolean(where(), rec());
    }

    void setString(const std::string& v) override {
        if (memo()) {
            writable();
            t_.memoEdits[index_] = v;
            return;
        }
        value::setText(where(), writable(), v);
    }
    void setInteger(int32_t v) override {
        if (memo()) return setString(std::to_string(v));
        value::setInteger(where(), writable(), v);
    }
    void setFloat(double v) override {
        if (memo()) return setString(format::formatNumber(v, 6));
        value::setNumber(where(), writable(), v);
    }
    void setDate(const Date& d) override {
        if (memo()) throw EngineError("Feld " + name_ + ": Das Feld kann kein Datum aufnehmen: " + t_.path());
        value::setDate(where(), writable(), d);
    }
    void setBoolean(bool b) override {
        if (memo()) throw EngineError("Feld " + name_ + ": Das Feld kann keinen logischen Wert aufnehmen: " + t_.path());
        value::setBoolean(where(), writable(), b);
    }
    void clear() override {
        if (memo()) return setString(std::string());
        value::clear(where(), writable());
    }

private:
    value::Where where() const {
        const auto& layout = t_.file().layout();
        return value::Where{layout, layout.fields[size_t(index_)], t_.file().path()};
    }
    const uint8_t* rec() const { return reinterpret_cast<const uint8_t*>(t_.record().data()); }
    uint8_t* writable() const {
        if (!t_.editing()) throw EngineError("Die Tabelle ist nicht im Bearbeitungs- oder Anfügemodus: " + t_.path());
        return reinterpret_cast<uint8_t*>(t_.buf.data());
    }
    bool memo() const { return type_ == FieldType::Memo; }
    std::string memoText() const {
        if (t_.editing()) {
            auto it = t_.memoEdits.find(index_);
            if (it != t_.memoEdits.end()) return it->second;
        }
        return t_.file().readMemo(value::memoBlock(where(), rec()));
    }

    TableImpl& t_;
    int index_;
    std::string name_;
    FieldType type_;
};

const std::string& TableImpl::record() {
    TableFile& f = file();
    if (editing()) return buf;
    position();
    if (recno == 0 || recno > f.count()) {
        if (blank.size() != f.layout().recordLength) blank = value::blankRecord(f.layout());
        return blank;
    }
    if (curRecno != recno || curVersion != f.version()) {
        f.read(recno, cur);
        curRecno = recno;
        curVersion = f.version();
    }
    return cur;
}

mdx::KeyBytes TableImpl::makeKey(const Key& key) const {
    requireTag();
    const auto& spec = tf->index()->tag(tag).spec;
    auto mismatch = [&]() -> mdx::KeyBytes {
        throw EngineError("Der Suchschlüssel passt nicht zum Typ des Index " + spec.name + ": " + path());
    };
    switch (spec.keyType) {
    case 'C':
        if (auto* s = std::get_if<std::string>(&key)) return mdx::charKey(*s, spec.keyLength);
        if (auto* i = std::get_if<int32_t>(&key)) return mdx::charKey(std::to_string(*i), spec.keyLength);
        return mismatch();
    case 'N':
        if (auto* i = std::get_if<int32_t>(&key)) return mdx::numericKey(int64_t(*i));
        if (auto* s = std::get_if<std::string>(&key)) {
            try {
                return mdx::numericKey(*s);
            } catch (const EngineError&) {
                throw EngineError("Der Suchschlüssel '" + *s + "' für den Index " + spec.name + " ist keine Zahl: " + path());
            }
        }
        return mismatch();
    default:
        if (auto* d = std::get_if<Date>(&key)) return mdx::dateKey(d->year == 0 ? 0 : format::julianDay(*d));
        if (auto* s = std::get_if<std::string>(&key)) {
            Date d;
            if (!value::parseDateText(*s, d)) return mismatch();
            return mdx::dateKey(format::julianDay(d));
        }
        return mismatch();
    }
}

void TableImpl::post() {
    if (!editing()) return;
    TableFile& f = file();
    const auto& layout = f.layout();
    f.requireWritable(!memoEdits.empty());
    for (const auto& [index, text] : memoEdits) {
        uint32_t block = text.empty() ? 0 : f.writeMemo(text);
        value::Where w{layout, layout.fields[size_t(index)], f.path()};
        value::setMemoBlock(w, reinterpret_cast<uint8_t*>(buf.data()), block);
    }
    if (state == State::Insert) {
        recno = f.append(buf);
        positioned = true;
    } else {
        f.update(recno, buf);
    }
    state = State::Browse;
    memoEdits.clear();
    syncCursor();
}

// ---- Table ----

Table::Table() : impl_(std::make_unique<TableImpl>()) {}

Table::Table(const std::string& databaseName, const std::string& tableName, TableType type) : Table() {
    impl_->directory = databaseName;
    impl_->tableName = tableName;
    impl_->type = type;
}

Table::~Table() = default;

void Table::setDatabaseName(const std::string& directory) {
    close();
    impl_->directory = directory;
}
void Table::setTableName(const std::string& fileName) {
    close();
    impl_->tableName = fileName;
}
void Table::setTableType(TableType type) { impl_->type = type; }
void Table::setFileSystem(std::shared_ptr<io::FileSystem> fs) {
    close();
    impl_->fs = std::move(fs);
}
std::string Table::fileName() const { return impl_->path(); }
bool Table::exists() const {
    const std::string p = paths::normalize(impl_->path());
    // A name that differs in case only is found by resolving it, which checks what it finds.
    return impl_->fs->exists(p) || paths::resolve(*impl_->fs, p) != p;
}

void Table::clearFieldDefs() { impl_->defs.clear(); }
void Table::addFieldDef(const std::string& name, FieldType type, int size, int decimals) {
    impl_->defs.push_back(FieldDef{name, type, size, decimals});
}
void Table::createTable() {
    if (TableFile::isOpen(impl_->fs, impl_->path())) throw EngineError("Die Tabelle ist noch geöffnet: " + impl_->path());
    TableFile::create(*impl_->fs, impl_->path(), impl_->defs);
}
void Table::addIndex(const std::string& name, const std::string& fieldName) {
    impl_->checkBrowseMode();
    impl_->withFile([&](TableFile& f) {
        f.addIndex(name, fieldName);
        return 0;
    });
}
std::vector<std::string> Table::indexNames() const {
    if (!impl_->tf && !exists()) return {};
    return impl_->withFile([](TableFile& f) { return f.indexNames(); });
}
void Table::rebuildIndexes() {
    impl_->checkBrowseMode();
    impl_->withFile([](TableFile& f) {
        f.rebuildIndexes();
        return 0;
    });
}

std::vector<std::string> Table::checkIndexes() {
    impl_->checkBrowseMode();
    return impl_->withFile([](TableFile& f) { return f.checkIndexes(); });
}

void Table::setIndexName(const std::string& indexName) {
    impl_->indexName = indexName;
    impl_->indexFields.clear();
    impl_->changeIndex();
}
void Table::setIndexFieldNames(const std::string& fieldName) {
    impl_->indexFields = fieldName;
    impl_->indexName.clear();
    impl_->changeIndex();
}

void Table::open() { openFile(false); }

bool Table::openIfExists() { return openFile(true); }

bool Table::openFile(bool ifExists) {
    if (impl_->tf) return true;
    auto tf = TableFile::open(impl_->fs, impl_->path(), ifExists);
    if (!tf) return false;
    impl_->tf = tf;
    try {
        impl_->selectIndex();
        impl_->fields.clear();
        impl_->fields.reserve(tf->layout().fields.size());
        for (int i = 0; i < int(tf->layout().fields.size()); ++i) impl_->fields.emplace_back(*impl_, i);
        impl_->state = TableImpl::State::Browse;
        impl_->curRecno = 0;
        impl_->recno = 0;
        impl_->positioned = false;
    } catch (...) {
        impl_->tf.reset();
        throw;
    }
    return true;
}

void Table::close() {
    if (!impl_->tf) return;
    impl_->cancel();
    impl_->tf.reset();
    impl_->recno = 0;
    impl_->positioned = false;
    impl_->ranged = false;
    impl_->tag = -1;
    impl_->curRecno = 0;
}

bool Table::active() const { return impl_->tf != nullptr; }

std::vector<FieldDef> Table::fieldDefs() const {
    if (!impl_->tf) return impl_->defs;
    std::vector<FieldDef> out;
    for (const auto& f : impl_->tf->layout().fields) out.push_back(FieldDef{f.name, f.logical, f.length, f.decimals});
    return out;
}

Field& Table::fieldByName(const std::string& name) {
    Field* f = findField(name);
    if (!f) throw EngineError("Das Feld " + name + " wurde nicht gefunden: " + impl_->path());
    return *f;
}

Field* Table::findField(const std::string& name) {
    int i = impl_->file().fieldIndex(name);
    return i < 0 ? nullptr : &impl_->fields[size_t(i)];
}

int Table::recordCount() const {
    TableFile& f = impl_->file();
    if (!impl_->ranged) return int(f.count() - f.deletedCount());
    mdx::Cursor c;
    auto* mdx = f.index();
    const auto& t = mdx->tag(impl_->tag);
    int n = 0;
    for (bool ok = mdx->seek(impl_->tag, c, impl_->from, 0); ok; ok = mdx->next(impl_->tag, c)) {
        if (mdx->compareKeys(t, c.current.key, impl_->to) > 0) break;
        if (impl_->indexedRow(c.current)) ++n;
    }
    return n;
}

int Table::recordNumber() const {
    if (!impl_->tf) return 0;
    impl_->position();
    return int(impl_->recno);
}

void Table::first() {
    impl_->file();
    impl_->first();
}
void Table::next() {
    impl_->file();
    impl_->next();
}
bool Table::eof() const {
    if (!impl_->tf) return true;
    impl_->position();
    return impl_->recno == 0;
}

bool Table::findKey(const Key& key) {
    impl_->checkBrowseMode();
    auto k = impl_->makeKey(key);
    auto* mdx = impl_->tf->index();
    const auto& t = mdx->tag(impl_->tag);
    mdx::Cursor c;
    for (bool ok = mdx->seek(impl_->tag, c, k, 0); ok; ok = mdx->next(impl_->tag, c)) {
        if (mdx->compareKeys(t, c.current.key, k) != 0) break;
        if (impl_->indexedRow(c.current) && impl_->inRange(k)) {
            impl_->recno = c.current.recno;
            impl_->cursor = std::move(c);
            impl_->positioned = true;
            return true;
        }
    }
    return false;
}

void Table::setRange(const Key& from, const Key& to) {
    impl_->checkBrowseMode();
    impl_->from = impl_->makeKey(from);
    impl_->to = impl_->makeKey(to);
    impl_->ranged = true;
    impl_->first();
}

void Table::cancelRange() {
    impl_->ranged = false;
    if (impl_->tf && impl_->positioned && impl_->recno == 0) impl_->first();
}

void Table::append() {
    TableFile& f = impl_->file();
    impl_->checkBrowseMode();
    impl_->buf = value::blankRecord(f.layout());
    impl_->memoEdits.clear();
    impl_->state = TableImpl::State::Insert;
}

void Table::edit() {
    TableFile& f = impl_->file();
    if (impl_->editing()) return;
    impl_->position();
    if (impl_->recno == 0 || !impl_->validRow(impl_->recno)) throw EngineError("Es gibt keinen aktuellen Datensatz: " + impl_->path());
    f.read(impl_->recno, impl_->buf);
    impl_->memoEdits.clear();
    impl_->state = TableImpl::State::Edit;
}

void Table::post() {
    impl_->file();
    impl_->post();
}

void Table::cancel() { impl_->cancel(); }

void Table::deleteRecord() {
    TableFile& f = impl_->file();
    impl_->cancel();
    impl_->position();
    uint32_t r = impl_->recno;
    if (r == 0 || !impl_->validRow(r)) throw EngineError("Es gibt keinen aktuellen Datensatz: " + impl_->path());
    f.remove(r);
    if (impl_->tag < 0) impl_->physicalFrom(r + 1);
    else impl_->settleIndex(f.index()->next(impl_->tag, impl_->cursor));
}

void Table::requireWritable() const { impl_->file().requireWritable(true); }

void Table::emptyTable() {
    impl_->cancel();
    impl_->withFile([](TableFile& f) {
        f.empty();
        return 0;
    });
    impl_->recno = 0;
}

}  // namespace dbf
