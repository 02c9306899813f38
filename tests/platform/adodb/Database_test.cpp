// The database objects over SQLite: Jet's data definition, case of table names, widths,
// values of every kind, and the table's walk, locate and edits.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/adodb/Database.h"
#include "platform/adodb/Engine.h"
#include "support/TempDir.h"

using adodb::Connection;
using adodb::DatabaseError;
using adodb::Date;
using adodb::Query;
using adodb::Table;
using adodb::Value;

namespace {

// An empty SQLite database file in the test's directory; its name holds a blank.
std::string NewDatabase(const testsupport::TempDir& dir, const std::string& name = "Projekt DB.sqlite") {
    sqlite3* db = nullptr;
    sqlite3_open((dir / name).string().c_str(), &db);
    sqlite3_exec(db, "create table Objektphotos (PKEY integer primary key autoincrement, PhotoID integer, "
                     "FELDIXID integer, Hauptphoto varchar(10))",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return dir.Win(name);
}

void Open(Connection& c, const std::string& path) {
    c.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Persist Security Info=False");
    c.open();
}

void Exec(Connection& c, std::vector<std::string> lines) {
    Query q(c);
    q.SQL = std::move(lines);
    q.execSQL();
}

// A value straight from the file, bypassing the layer.
std::string Raw(const std::string& winPath, const std::string& sql) {
    std::string path = winPath;
    for (char& ch : path)
        if (ch == '\\')
            ch = '/';
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW &&
        sqlite3_column_text(s, 0))
        out = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

}  // namespace

TEST(PhotoDbConnection, DataSourceIsTakenFromTheConnectionString) {
    EXPECT_EQ(adodb::DataSourceOf("Provider=X;Data Source=C:\\a b\\p.mdb;Persist Security Info=False"),
              "C:\\a b\\p.mdb");
    EXPECT_EQ(adodb::DataSourceOf("data source = x.db"), "x.db");
    EXPECT_EQ(adodb::DataSourceOf("Provider=X;Persist Security Info=False"), "");
}

TEST(PhotoDbConnection, MissingOrForeignFileDoesNotOpen) {
    testsupport::TempDir dir;
    Connection c;
    c.setConnectionString("Data Source=" + dir.Win("fehlt.mdb"));
    EXPECT_THROW(c.open(), DatabaseError);
    EXPECT_FALSE(c.connected());
    EXPECT_FALSE(std::filesystem::exists(dir / "fehlt.mdb"));  // opening never creates a database
    dir.WriteFile("jet.mdb", std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(2000, 'x'));
    c.setConnectionString("Data Source=" + dir.Win("jet.mdb"));
    EXPECT_THROW(c.open(), DatabaseError);
    EXPECT_FALSE(c.connected());
    EXPECT_FALSE(adodb::engine::IsSqliteFile(dir.Win("jet.mdb")));
    EXPECT_THROW(c.tableNames(), DatabaseError);
}

TEST(PhotoDbConnection, TableNamesListUserTablesAndViewsOnly) {
    testsupport::TempDir dir;
    Connection c;
    Open(c, NewDatabase(dir));
    Exec(c, {"create view Links as select * from Objektphotos"});
    // The autoincrement key made SQLite keep a system table of its own.
    EXPECT_EQ(c.tableNames(), (std::vector<std::string>{"Links", "Objektphotos"}));
}

TEST(PhotoDbSql, JetDataDefinitionIsTranslated) {
    testsupport::TempDir dir;
    const std::string path = NewDatabase(dir);
    Connection c;
    Open(c, path);
    Exec(c, {"create table Bilder", " (ID integer, ", "Name text(12), ", "Tag date, ", "Text memo) "});
    Exec(c, {"Create unique index PrimaryKey on Bilder", "(ID) with primary"});
    Table t(c);
    t.setTableName("bilder");  // table names compare without case, as in Jet
    t.open();
    t.append();
    t.fieldByName("ID").setInteger(1);
    t.fieldByName("Name").setString("ABCDEFGHIJKLMNOP");
    t.fieldByName("Text").setString("0123");  // a memo keeps digits as text
    t.post();
    EXPECT_EQ(t.fieldByName("Name").asString(), "ABCDEFGHIJKL");
    EXPECT_EQ(Raw(path, "select typeof(Text) from Bilder"), "text");
    t.append();
    t.fieldByName("ID").setInteger(1);
    EXPECT_THROW(t.post(), DatabaseError);  // the primary index is unique
    t.cancel();
    // The index belongs to its table: another table may have a "PrimaryKey" of its own.
    Exec(c, {"create table Andere (ID integer)"});
    EXPECT_NO_THROW(Exec(c, {"create unique index PrimaryKey on Andere (ID) with primary"}));
    EXPECT_THROW(Exec(c, {"create table BILDER (X integer)"}), DatabaseError);
}

TEST(PhotoDbSql, QueryWithJetSpacingCountsRows) {
    testsupport::TempDir dir;
    Connection c;
    Open(c, NewDatabase(dir));
    Exec(c, {"insert into Objektphotos (PhotoID, FELDIXID) values (7, 1), (7, 2), (8, 2)"});
    Query q(c);
    q.SQL = {"Select count (*) from Objektphotos", "where PhotoID = 7"};
    q.open();
    EXPECT_EQ(q.field(0).asInteger(), 2);
    q.close();
    q.SQL = {"select PhotoID", "from Objektphotos", "where FELDIXID = 2"};
    q.open();
    std::vector<int> ids;
    for (q.first(); !q.eof(); q.next())
        ids.push_back(q.fieldByName("photoid").asInteger());
    EXPECT_EQ(ids, (std::vector<int>{7, 8}));
    EXPECT_TRUE(q.fieldByName("PhotoID").isNull());  // past the end every field is null
    EXPECT_THROW(q.fieldByName("Kennung"), DatabaseError);
}

TEST(PhotoDbTable, ValuesOfEveryKindRoundTrip) {
    testsupport::TempDir dir;
    const std::string path = NewDatabase(dir);
    Connection c;
    Open(c, path);
    Exec(c, {"create table T (N integer, S text(255), D date, M memo)"});
    Table t(c);
    t.setTableName("T");
    t.open();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.fieldByName("N").asInteger(), 0);  // an empty table reads null as 0
    EXPECT_THROW(t.fieldByName("N").setInteger(1), DatabaseError);  // not in edit state
    t.append();
    t.fieldByName("N").setInteger(-2147483647 - 1);
    t.fieldByName("S").setString("Grün € \"x\"");
    t.fieldByName("D").setDate(Date{1899, 12, 30});
    t.fieldByName("M").setString("Zeile 1\r\nZeile ä");
    t.post();
    t.append();
    t.post();  // a row of nulls
    Connection c2;
    Open(c2, path);
    Table u(c2);
    u.setTableName("T");
    u.open();
    EXPECT_EQ(u.fieldByName("N").asInteger(), -2147483647 - 1);
    EXPECT_EQ(u.fieldByName("S").asString(), "Grün € \"x\"");
    EXPECT_EQ(u.fieldByName("D").asDate(), (Date{1899, 12, 30}));
    EXPECT_EQ(u.fieldByName("M").asString(), "Zeile 1\r\nZeile ä");
    u.next();
    EXPECT_TRUE(u.fieldByName("N").isNull());
    EXPECT_TRUE(u.fieldByName("D").isNull());
    EXPECT_EQ(u.fieldByName("D").asDate(), Date{});
    // Text is UTF-8 in the file, so that other programs read it.
    EXPECT_EQ(Raw(path, "select S from T"), "Gr\xC3\xBCn \xE2\x82\xAC \"x\"");
    EXPECT_EQ(Raw(path, "select D from T"), "1899-12-30");
}

TEST(PhotoDbTable, DayNumbersFollowJetsCalendar) {
    using adodb::engine::DayNumber;
    using adodb::engine::FromDayNumber;
    EXPECT_EQ(DayNumber(Date{1899, 12, 30}), 0);
    EXPECT_EQ(DayNumber(Date{1900, 3, 1}), 61);
    EXPECT_EQ(DayNumber(Date{2024, 2, 29}), 45351);
    for (double d : {-1.0, 0.0, 59.0, 60.0, 45351.0, 2958465.0})
        EXPECT_EQ(DayNumber(FromDayNumber(d)), d);
}

TEST(PhotoDbTable, LocateEditDeleteRefresh) {
    testsupport::TempDir dir;
    Connection c;
    Open(c, NewDatabase(dir));
    Exec(c, {"insert into Objektphotos (PhotoID, FELDIXID, Hauptphoto) values (5, 1, 'FALSCH'), (-3, 2, 'x'), "
             "(9, 3, '-3')"});
    Table t(c);
    t.setTableName("Objektphotos");
    t.open();
    EXPECT_TRUE(t.locate("PhotoID", Value{int64_t{-3}}));
    EXPECT_EQ(t.fieldByName("FELDIXID").asInteger(), 2);
    EXPECT_FALSE(t.locate("PhotoID", Value{int64_t{4}}));
    EXPECT_EQ(t.fieldByName("FELDIXID").asInteger(), 2);  // a failed locate keeps the row
    EXPECT_TRUE(t.locate("Hauptphoto", Value{std::string("-3")}));  // texts compare as texts
    EXPECT_EQ(t.fieldByName("FELDIXID").asInteger(), 3);
    EXPECT_FALSE(t.locate("Hauptphoto", Value{std::string("falsch")}));
    t.edit();
    t.fieldByName("Hauptphoto").setString("WAHR und noch viel mehr");
    t.post();
    EXPECT_EQ(t.fieldByName("Hauptphoto").asString(), "WAHR und n");  // varchar(10)
    t.first();
    t.deleteRecord();
    EXPECT_EQ(t.fieldByName("FELDIXID").asInteger(), 2);  // the next row became current
    // Rows another connection adds appear after a refresh; the position stays on its row.
    Connection other;
    Open(other, adodb::DataSourceOf(c.connectionString()));
    Exec(other, {"insert into Objektphotos (PhotoID, FELDIXID) values (11, 4)"});
    EXPECT_FALSE(t.locate("PhotoID", Value{int64_t{11}}));
    t.refresh();
    EXPECT_EQ(t.fieldByName("FELDIXID").asInteger(), 2);
    EXPECT_TRUE(t.locate("PhotoID", Value{int64_t{11}}));
    // An edit that is not posted is dropped by a move.
    t.edit();
    t.fieldByName("FELDIXID").setInteger(99);
    t.first();
    EXPECT_FALSE(t.locate("FELDIXID", Value{int64_t{99}}));
}

TEST(PhotoDbTable, IntegerReadOfTextFailsUnlessItIsANumber) {
    testsupport::TempDir dir;
    Connection c;
    Open(c, NewDatabase(dir));
    Exec(c, {"insert into Objektphotos (PhotoID, Hauptphoto) values (1, 'FALSCH'), (2, ' 12 ')"});
    Table t(c);
    t.setTableName("Objektphotos");
    t.open();
    EXPECT_THROW(t.fieldByName("Hauptphoto").asInteger(), DatabaseError);
    t.next();
    EXPECT_EQ(t.fieldByName("Hauptphoto").asInteger(), 12);
    t.setTableName("Fehlt");
    t.close();
    EXPECT_THROW(t.open(), DatabaseError);
    EXPECT_FALSE(t.active());
}

// Each problem of a database file is told apart and the file named, at the opening or at the
// write check; a sound file takes the check and keeps nothing of it.
TEST(PhotoDbConnection, ProblemsOfTheFileAreToldApartAndNamed) {
    testsupport::TempDir dir;
    const std::string sound = NewDatabase(dir, "gut.sqlite");
    const std::string damaged = dir.Win("kaputt.sqlite");
    dir.WriteFile("kaputt.sqlite", std::string(4096, 'x'));
    // A database whose header asks for a newer writer than SQLite is read-only to it.
    const std::string readOnly = NewDatabase(dir, "alt.sqlite");
    std::string bytes = dir.ReadFile("alt.sqlite");
    bytes[18] = 3;
    dir.WriteFile("alt.sqlite", bytes);
    const std::string locked = NewDatabase(dir, "belegt.sqlite");
    sqlite3* writer = nullptr;
    sqlite3_open((dir / "belegt.sqlite").string().c_str(), &writer);
    sqlite3_exec(writer, "begin immediate; insert into Objektphotos (PhotoID) values (1)", nullptr, nullptr, nullptr);

    struct Case {
        std::string path;
        adodb::Problem problem;
        bool atOpening;
        const char* says;
    };
    for (const Case& k : {Case{dir.Win("fehlt.sqlite"), adodb::Problem::Missing, true, "wurde nicht gefunden."},
                          Case{damaged, adodb::Problem::Damaged, true, "ist beschädigt oder keine Datenbank."},
                          Case{readOnly, adodb::Problem::ReadOnly, false, "ist schreibgeschützt."},
                          Case{locked, adodb::Problem::Locked, false, "ist von einem anderen Programm gesperrt."}}) {
        Connection c;
        try {
            Open(c, k.path);
            EXPECT_FALSE(k.atOpening) << k.path;
            c.requireWritable();
            ADD_FAILURE() << "no problem found: " << k.path;
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.problem(), k.problem) << k.path;
            EXPECT_NE(std::string(e.what()).find(k.says), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(k.path.substr(k.path.rfind('\\') + 1)), std::string::npos) << e.what();
        }
        if (k.atOpening) {
            // The opening's reason stays with the connection instead of "not open".
            Table t(c);
            t.setTableName("Objektphotos");
            try {
                t.open();
                ADD_FAILURE() << k.path;
            } catch (const DatabaseError& e) {
                EXPECT_EQ(e.problem(), k.problem) << e.what();
            }
        }
    }
    sqlite3_exec(writer, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    Connection c;
    Open(c, sound);
    EXPECT_NO_THROW(c.requireWritable());
    EXPECT_EQ(c.tableNames(), std::vector<std::string>{"Objektphotos"});
    Exec(c, {"insert into Objektphotos (PhotoID) values (5)"});  // no transaction is left open
    EXPECT_EQ(Raw(sound, "select count(*) from Objektphotos"), "1");
}
