#include "platform/adodb/Database.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/adodb/Engine.h"

namespace adodb {

namespace {
std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}
std::string DateText(const Date& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year);
    return buf;
}
}  // namespace

// ---- DatabaseError ----

namespace {
std::string ProblemText(Problem problem, const std::string& path) {
    if (path.empty() && problem == Problem::Missing)
        return "Es wurde keine Datenbank angegeben.";
    const std::string file = "Die Datenbank \"" + path + "\" ";
    switch (problem) {
    case Problem::Missing:
        return file + "wurde nicht gefunden.";
    case Problem::Locked:
        return file + "ist von einem anderen Programm gesperrt.";
    case Problem::ReadOnly:
        return file + "ist schreibgeschützt.";
    case Problem::Damaged:
        return file + "ist beschädigt oder keine Datenbank.";
    case Problem::Other:
        break;
    }
    return file + "kann nicht verwendet werden.";
}
}  // namespace

DatabaseError::DatabaseError(Problem problem, const std::string& path)
    : std::runtime_error(ProblemText(problem, path)), problem_(problem) {}

// ---- Field ----

bool Field::isNull() const { return std::holds_alternative<std::monostate>(*value_); }

int32_t Field::asInteger() const {
    const Value& v = *value_;
    if (auto* i = std::get_if<int64_t>(&v)) {
        if (*i < INT32_MIN || *i > INT32_MAX)
            throw DatabaseError("Der Wert des Feldes " + name_ + " ist keine 32-Bit-Zahl.");
        return static_cast<int32_t>(*i);
    }
    if (auto* d = std::get_if<double>(&v))
        return static_cast<int32_t>(*d);
    if (auto* s = std::get_if<std::string>(&v)) {
        const std::string t = trim(*s);
        if (t.empty())
            return 0;
        char* end = nullptr;
        const long long n = std::strtoll(t.c_str(), &end, 10);
        if (*end || n < INT32_MIN || n > INT32_MAX)
            throw DatabaseError("'" + *s + "' ist kein gültiger Integerwert für das Feld " + name_ + ".");
        return static_cast<int32_t>(n);
    }
    if (std::holds_alternative<Date>(v))
        return static_cast<int32_t>(engine::DayNumber(std::get<Date>(v)));
    return 0;
}

std::string Field::asString() const {
    const Value& v = *value_;
    if (auto* s = std::get_if<std::string>(&v))
        return *s;
    if (auto* i = std::get_if<int64_t>(&v))
        return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.15g", *d);
        return buf;
    }
    if (auto* d = std::get_if<Date>(&v))
        return DateText(*d);
    return "";
}

Date Field::asDate() const {
    const Value& v = *value_;
    if (auto* d = std::get_if<Date>(&v))
        return *d;
    if (auto* i = std::get_if<int64_t>(&v))
        return engine::FromDayNumber(static_cast<double>(*i));
    if (auto* d = std::get_if<double>(&v))
        return engine::FromDayNumber(*d);
    if (auto* s = std::get_if<std::string>(&v)) {
        Date d;
        if (s->empty())
            return d;
        if (std::sscanf(s->c_str(), "%4d-%2d-%2d", &d.year, &d.month, &d.day) == 3 ||
            std::sscanf(s->c_str(), "%2d.%2d.%4d", &d.day, &d.month, &d.year) == 3)
            return d;
        throw DatabaseError("'" + *s + "' ist kein gültiges Datum für das Feld " + name_ + ".");
    }
    return Date{};
}

void Field::check() const {
    if (!writable_)
        throw DatabaseError("Das Feld " + name_ + " kann nur im Bearbeitungsmodus geändert werden.");
}

void Field::setInteger(int32_t v) {
    check();
    *value_ = int64_t{v};
}

void Field::setString(const std::string& v) {
    check();
    // Jet cuts a text to the width of its column.
    *value_ = width_ > 0 && v.size() > static_cast<size_t>(width_) ? v.substr(0, width_) : v;
}

void Field::setDate(const Date& v) {
    check();
    if (v.year == 0)
        *value_ = std::monostate{};
    else
        *value_ = v;
}

void Field::clear() {
    check();
    *value_ = std::monostate{};
}

// ---- Connection ----

std::string DataSourceOf(const std::string& cs) {
    size_t start = 0;
    while (start <= cs.size()) {
        size_t end = cs.find(';', start);
        if (end == std::string::npos)
            end = cs.size();
        const std::string part = cs.substr(start, end - start);
        const size_t eq = part.find('=');
        if (eq != std::string::npos && lower(trim(part.substr(0, eq))) == "data source")
            return trim(part.substr(eq + 1));
        start = end + 1;
    }
    return "";
}

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::setConnectionString(const std::string& s) {
    if (db_)
        throw DatabaseError("Die Verbindungszeichenfolge kann bei geöffneter Verbindung nicht geändert werden.");
    connectionString_ = s;
    openError_.reset();
}

void Connection::open() {
    if (db_)
        return;
    try {
        db_ = engine::Open(connectionString_);
        openError_.reset();
    } catch (const DatabaseError& e) {
        openError_ = e;
        throw;
    }
}

void Connection::close() {
    db_.reset();
    openError_.reset();
}

void Connection::requireWritable() { database().requireWritable(); }

bool Connection::connected() const { return db_ != nullptr; }

std::vector<std::string> Connection::tableNames() { return database().tableNames(); }

engine::Database& Connection::database() {
    // The reason an opening failed says more than that the connection is closed.
    if (!db_ && openError_)
        throw *openError_;
    if (!db_)
        throw DatabaseError("Die Verbindung zur Datenbank ist nicht geöffnet.");
    return *db_;
}

// ---- DataSet ----

int engine::Cursor::columnIndex(const std::string& name) const {
    const std::string n = lower(name);
    for (size_t i = 0; i < columns.size(); ++i)
        if (lower(columns[i].name) == n)
            return static_cast<int>(i);
    return -1;
}

DataSet::DataSet(Connection& connection) : connection_(connection) {}
DataSet::~DataSet() = default;

void DataSet::close() { cursor_.reset(); }

engine::Cursor& DataSet::cursor() const {
    if (!cursor_)
        throw DatabaseError("Die Datenmenge ist geschlossen.");
    return *cursor_;
}

void DataSet::first() {
    cursor().cancel();
    cursor().first();
}

void DataSet::next() {
    cursor().cancel();
    cursor().next();
}

bool DataSet::eof() const { return cursor().eof(); }

Field DataSet::fieldByName(const std::string& name) {
    const int i = cursor().columnIndex(name);
    if (i < 0)
        throw DatabaseError("Feld '" + name + "' nicht gefunden.");
    return field(i);
}

Field DataSet::field(int index) {
    engine::Cursor& c = cursor();
    if (index < 0 || static_cast<size_t>(index) >= c.columns.size())
        throw DatabaseError("Feldindex " + std::to_string(index) + " außerhalb des gültigen Bereichs.");
    return Field(c.columns[index].name, &c.row[index], c.columns[index].width,
                 c.state != engine::State::Browse);
}

// ---- Table ----

void Table::open() {
    if (cursor_)
        return;
    if (tableName_.empty())
        throw DatabaseError("Fehlender Tabellenname.");
    cursor_ = connection_.database().table(tableName_);
}

bool Table::locate(const std::string& column, const Value& value) {
    engine::Cursor& c = cursor();
    const int i = c.columnIndex(column);
    if (i < 0)
        throw DatabaseError("Feld '" + column + "' nicht gefunden.");
    c.cancel();
    return c.locate(i, value);
}

void Table::edit() {
    engine::Cursor& c = cursor();
    if (c.eof())
        throw DatabaseError("Kein aktueller Datensatz zum Bearbeiten.");
    if (c.state == engine::State::Browse)
        c.state = engine::State::Edit;
}

void Table::append() {
    engine::Cursor& c = cursor();
    c.cancel();
    c.row.assign(c.columns.size(), Value{});
    c.state = engine::State::Insert;
}

void Table::post() {
    engine::Cursor& c = cursor();
    if (c.state != engine::State::Browse)
        c.post();
    c.state = engine::State::Browse;
}

void Table::cancel() { cursor().cancel(); }

void Table::deleteRecord() {
    engine::Cursor& c = cursor();
    c.cancel();
    if (c.eof())
        throw DatabaseError("Kein aktueller Datensatz zum Löschen.");
    c.remove();
}

void Table::refresh() {
    cursor().cancel();
    cursor().refresh();
}

// ---- Query ----

std::string Query::text() const {
    std::string s;
    for (size_t i = 0; i < SQL.size(); ++i) {
        if (i)
            s += "\r\n";
        s += SQL[i];
    }
    return s;
}

void Query::execSQL() { connection_.database().execute(text()); }

void Query::open() {
    if (!cursor_)
        cursor_ = connection_.database().query(text());
}

}  // namespace adodb
