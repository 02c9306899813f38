// The ADO backend: an OLE DB provider (Jet for .mdb files) driven through ADO's interfaces.
#include <windows.h>
#include <oleauto.h>
#include <adoint.h>  // its coclass declarations need -fpermissive (see src/CMakeLists.txt)

#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/adodb/Engine.h"
#include "platform/os/WinText.h"

namespace adodb::engine {

namespace {

// ADO's class and interface ids (msado15).
constexpr GUID kClsidConnection = {0x00000514, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr GUID kIidConnection = {0x00000550, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr GUID kClsidRecordset = {0x00000535, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr GUID kIidRecordset = {0x00000556, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

// COM for the lifetime of an object that holds COM references (calls nest and count).
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (ok_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};

// A reference to a COM object, released at the end.
template <class T>
class Ref {
public:
    Ref() = default;
    ~Ref() { reset(); }
    Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    void reset() {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    ~Var() { VariantClear(&v); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
};

struct Bstr {
    explicit Bstr(const std::string& s) : b(SysAllocString(os::WideFromCp1252(s).c_str())) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR b = nullptr;
};

// What failed, with the description the provider left, if any.
std::string FailureText(HRESULT hr, const std::string& what) {
    std::string text = what;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        Bstr d;
        if (SUCCEEDED(info->GetDescription(&d.b)) && d.b && *d.b)
            text += ": " + os::Cp1252FromWide(d.b);
        info->Release();
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    return text + " (" + code + ")";
}

// The error of a failed call.
void Check(HRESULT hr, const std::string& what) {
    if (FAILED(hr))
        throw DatabaseError(FailureText(hr, what));
}

// The problem behind a provider's native error number: Jet's own (3000 and up) or, through
// the ODBC route, SQLite's result codes.
Problem ProblemOf(long native) {
    switch (native) {
    case 3024:  // could not find file
    case 3044:  // not a valid path
        return Problem::Missing;
    case 3006:  // database exclusively locked
    case 3008:  // table exclusively locked
    case 3045:  // file already in use
    case 3050:  // could not lock file
    case 3051:  // opened exclusively by another user, or no permission
    case 3218:  // could not update; currently locked
    case 3260:
    case 3261:
    case 3262:
    case 3734:  // placed in a state by another user that prevents it from being opened
        return Problem::Locked;
    case 3027:  // database or object is read-only
    case 3112:  // no permission
        return Problem::ReadOnly;
    case 3049:  // cannot open database, may be corrupt
    case 3343:  // unrecognized database format
        return Problem::Damaged;
    default:
        break;
    }
    switch (native & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        return native < 3000 ? Problem::Locked : Problem::Other;
    case 8:  // SQLITE_READONLY
        return native < 3000 ? Problem::ReadOnly : Problem::Other;
    case 11:  // SQLITE_CORRUPT
    case 26:  // SQLITE_NOTADB
        return native < 3000 ? Problem::Damaged : Problem::Other;
    default:
        return Problem::Other;
    }
}

VARIANT Missing() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

VARIANT Index(long i) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = i;
    return v;
}

Value FromVariant(const VARIANT& in) {
    VARIANT* src = const_cast<VARIANT*>(&in);  // the conversions read it only
    switch (in.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return std::monostate{};
    case VT_BSTR:
        return os::Cp1252FromWide(in.bstrVal ? in.bstrVal : L"");
    case VT_DATE:
        return FromDayNumber(std::floor(in.date));
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL: {
        Var d;
        VariantChangeType(&d.v, src, 0, VT_R8);
        return d.v.dblVal;
    }
    default: {
        Var n;
        if (FAILED(VariantChangeType(&n.v, src, 0, VT_I8)))
            return std::monostate{};
        return static_cast<int64_t>(n.v.llVal);
    }
    }
}

void ToVariant(const Value& value, Var& out) {
    VARIANT& v = out.v;
    if (auto* n = std::get_if<int64_t>(&value)) {
        v.vt = VT_I4;
        v.lVal = static_cast<long>(*n);
    } else if (auto* f = std::get_if<double>(&value)) {
        v.vt = VT_R8;
        v.dblVal = *f;
    } else if (auto* s = std::get_if<std::string>(&value)) {
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(os::WideFromCp1252(*s).c_str());
    } else if (auto* d = std::get_if<Date>(&value)) {
        v.vt = VT_DATE;
        v.date = DayNumber(*d);
    } else {
        v.vt = VT_NULL;
    }
}

// A recordset: a table opened keyset-driven for editing, or a query's rows read only.
class AdoCursor : public Cursor {
public:
    AdoCursor(Ref<_ADORecordset> rs, bool writable) : rs_(std::move(rs)), writable_(writable) {
        Ref<ADOFields> fields;
        Check(rs_->get_Fields(fields.put()), "Die Felder sind nicht lesbar");
        long n = 0;
        Check(fields->get_Count(&n), "Die Felder sind nicht lesbar");
        for (long i = 0; i < n; ++i) {
            Ref<ADOField> f;
            Check(fields->get_Item(Index(i), f.put()), "Ein Feld ist nicht lesbar");
            Bstr name;
            DataTypeEnum type = adEmpty;
            long size = 0;
            Check(f->get_Name(&name.b), "Ein Feld ist nicht lesbar");
            Check(f->get_Type(&type), "Ein Feld ist nicht lesbar");
            f->get_DefinedSize(&size);
            const bool text = type == adChar || type == adWChar || type == adVarChar || type == adVarWChar;
            columns.push_back(Column{os::Cp1252FromWide(name.b ? name.b : L""), text ? static_cast<int>(size) : 0});
        }
        first();
    }

    void first() override {
        if (!empty())
            Check(rs_->MoveFirst(), "Der erste Datensatz ist nicht erreichbar");
        load();
    }
    void next() override {
        if (!eof())
            Check(rs_->MoveNext(), "Der nächste Datensatz ist nicht erreichbar");
        load();
    }
    bool eof() const override { return flag(true) || flag(false); }

    bool locate(int column, const Value& value) override {
        if (empty())
            return false;
        Var mark;
        const bool hadRow = !eof();
        if (hadRow)
            Check(rs_->get_Bookmark(&mark.v), "Die Position ist nicht lesbar");
        for (first(); !eof(); next())
            if (SameValue(row[column], value))
                return true;
        if (hadRow)
            Check(rs_->put_Bookmark(mark.v), "Die Position ist nicht wiederherstellbar");
        load();
        return false;
    }

    void post() override {
        writableOrFail();
        if (state == State::Insert)
            Check(rs_->AddNew(Missing(), Missing()), "Der Datensatz kann nicht angelegt werden");
        try {
            Ref<ADOFields> fields;
            Check(rs_->get_Fields(fields.put()), "Die Felder sind nicht lesbar");
            for (size_t i = 0; i < columns.size(); ++i) {
                if (state == State::Edit && i < stored_.size() && stored_[i] == row[i])
                    continue;
                Ref<ADOField> f;
                Check(fields->get_Item(Index(static_cast<long>(i)), f.put()), "Ein Feld ist nicht lesbar");
                Var v;
                ToVariant(row[i], v);
                Check(f->put_Value(v.v), "Das Feld " + columns[i].name + " kann nicht geschrieben werden");
            }
            Check(rs_->Update(Missing(), Missing()), "Der Datensatz kann nicht gespeichert werden");
        } catch (...) {
            rs_->CancelUpdate();
            throw;
        }
        state = State::Browse;
        load();
    }

    void cancel() override {
        state = State::Browse;
        load();
    }

    void remove() override {
        writableOrFail();
        Check(rs_->Delete(adAffectCurrent), "Der Datensatz kann nicht gelöscht werden");
        Check(rs_->MoveNext(), "Der nächste Datensatz ist nicht erreichbar");
        load();
    }

    void refresh() override {
        Check(rs_->Requery(adOptionUnspecified), "Die Datensätze können nicht neu gelesen werden");
        load();
    }

private:
    bool flag(bool end) const {
        VARIANT_BOOL b = VARIANT_FALSE;
        Check(end ? rs_->get_EOF(&b) : rs_->get_BOF(&b), "Die Position ist nicht lesbar");
        return b != VARIANT_FALSE;
    }
    bool empty() const { return flag(true) && flag(false); }

    void writableOrFail() const {
        if (!writable_)
            throw DatabaseError("Die Datenmenge kann nicht geändert werden.");
    }

    void load() {
        stored_.assign(columns.size(), Value{});
        if (!eof()) {
            Ref<ADOFields> fields;
            Check(rs_->get_Fields(fields.put()), "Die Felder sind nicht lesbar");
            for (size_t i = 0; i < columns.size(); ++i) {
                Ref<ADOField> f;
                Check(fields->get_Item(Index(static_cast<long>(i)), f.put()), "Ein Feld ist nicht lesbar");
                Var v;
                Check(f->get_Value(&v.v), "Das Feld " + columns[i].name + " ist nicht lesbar");
                stored_[i] = FromVariant(v.v);
            }
        }
        row = stored_;
    }

    ComScope com_;  // declared first: released last
    Ref<_ADORecordset> rs_;
    bool writable_;
    std::vector<Value> stored_;
};

class AdoDatabase : public Database {
public:
    explicit AdoDatabase(const std::string& connectionString) : path_(DataSourceOf(connectionString)) {
        Check(CoCreateInstance(kClsidConnection, nullptr, CLSCTX_INPROC_SERVER, kIidConnection,
                               reinterpret_cast<void**>(conn_.put())),
              "ADO ist auf diesem Rechner nicht verfügbar");
        Bstr cs(connectionString);
        Check(conn_->put_ConnectionString(cs.b), "Die Verbindungszeichenfolge wird nicht angenommen");
        Classified(conn_->Open(cs.b, nullptr, nullptr, adOptionUnspecified), "Die Datenbank kann nicht geöffnet werden");
        opened_ = true;
    }
    ~AdoDatabase() override {
        if (opened_)
            conn_->Close();
    }

    std::vector<std::string> tableNames() override {
        Ref<_ADORecordset> rs;
        Check(conn_->OpenSchema(adSchemaTables, Missing(), Missing(), rs.put()), "Die Tabellen sind nicht lesbar");
        AdoCursor c(std::move(rs), false);
        const int name = c.columnIndex("TABLE_NAME"), type = c.columnIndex("TABLE_TYPE");
        std::vector<std::string> names;
        for (; !c.eof(); c.next()) {
            const auto* kind = std::get_if<std::string>(&c.row[type]);
            if (kind && (*kind == "TABLE" || *kind == "VIEW"))
                names.push_back(std::get<std::string>(c.row[name]));
        }
        return names;
    }

    void execute(const std::string& sql) override {
        Bstr text(sql);
        Ref<_ADORecordset> none;
        Classified(conn_->Execute(text.b, nullptr, static_cast<long>(adCmdText) | static_cast<long>(adExecuteNoRecords),
                                  none.put()),
                   "Fehler in der SQL-Anweisung");
    }

    // A table made and dropped inside a transaction that is rolled back: nothing stays, whether
    // or not the provider takes data definition into its transactions.
    void requireWritable() override {
        // A file the provider could only open for reading is a read-only database.
        ConnectModeEnum mode = adModeUnknown;
        if (SUCCEEDED(conn_->get_Mode(&mode)) && mode == adModeRead)
            throw DatabaseError(Problem::ReadOnly, path_);
        long level = 0;
        Classified(conn_->BeginTrans(&level), "Die Datenbank kann keine Transaktion beginnen");
        try {
            execute("create table [ve1 Schreibprobe] (x integer)");
            execute("drop table [ve1 Schreibprobe]");
        } catch (...) {
            conn_->RollbackTrans();
            throw;
        }
        Classified(conn_->RollbackTrans(), "Die Transaktion kann nicht beendet werden");
    }

    std::unique_ptr<Cursor> query(const std::string& sql) override {
        return open(sql, adOpenStatic, adLockReadOnly, adCmdText, false);
    }

    std::unique_ptr<Cursor> table(const std::string& name) override {
        return open(name, adOpenKeyset, adLockOptimistic, adCmdTable, true);
    }

private:
    std::unique_ptr<Cursor> open(const std::string& source, CursorTypeEnum cursor, LockTypeEnum lock, long options,
                                 bool writable) {
        Ref<_ADORecordset> rs;
        Check(CoCreateInstance(kClsidRecordset, nullptr, CLSCTX_INPROC_SERVER, kIidRecordset,
                               reinterpret_cast<void**>(rs.put())),
              "ADO ist auf diesem Rechner nicht verfügbar");
        Var src;
        src.v.vt = VT_BSTR;
        src.v.bstrVal = SysAllocString(os::WideFromCp1252(source).c_str());
        VARIANT active;
        VariantInit(&active);
        active.vt = VT_DISPATCH;
        active.pdispVal = static_cast<IDispatch*>(conn_.get());  // borrowed
        Check(rs->Open(src.v, active, cursor, lock, options), "Die Datenmenge '" + source + "' kann nicht geöffnet werden");
        return std::make_unique<AdoCursor>(std::move(rs), writable);
    }

    // A failed call: the file's problem when the provider's native error names one, else the
    // provider's description.
    void Classified(HRESULT hr, const std::string& what) {
        if (SUCCEEDED(hr))
            return;
        const std::string text = FailureText(hr, what);  // before the error collection is asked
        Ref<ADOErrors> errors;
        long count = 0, native = 0;
        if (SUCCEEDED(conn_->get_Errors(errors.put())) && errors.get() && SUCCEEDED(errors->get_Count(&count)) &&
            count > 0) {
            Ref<ADOError> first;
            if (SUCCEEDED(errors->get_Item(Index(0), first.put())) && first.get())
                first->get_NativeError(&native);
        }
        const Problem problem = ProblemOf(native);
        if (problem != Problem::Other)
            throw DatabaseError(problem, path_);
        throw DatabaseError(text);
    }

    ComScope com_;  // declared first: released last
    std::string path_;
    Ref<_ADOConnection> conn_;
    bool opened_ = false;
};

}  // namespace

std::unique_ptr<Database> OpenAdo(const std::string& connectionString) {
    return std::make_unique<AdoDatabase>(connectionString);
}

}  // namespace adodb::engine
