// The ADO backend on Windows: the host's Jet connection string on a file that no provider
// opens fails as the data module expects; where an ODBC route to SQLite is installed
// (Wine's OLE DB provider for ODBC over unixODBC), the table and query objects work through ADO.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <cstdio>
#include <cstdlib>

#include "platform/adodb/Database.h"
#include "platform/adodb/Engine.h"
#include "support/TempDir.h"

using adodb::Connection;
using adodb::DatabaseError;
using adodb::Value;

TEST(PhotoDbAdo, JetFileThatCannotBeOpenedFails) {
    testsupport::TempDir dir;
    dir.WriteFile("Projekt.mdb", std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(4096, '\0'));
    Connection c;
    c.setLoginPrompt(false);
    for (const std::string name : {"Projekt.mdb", "fehlt.mdb"}) {
        c.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.Win(name) +
                              ";Persist Security Info=False");
        EXPECT_THROW(c.open(), DatabaseError) << name;
        EXPECT_FALSE(c.connected());
    }
    EXPECT_THROW(c.tableNames(), DatabaseError);
    // A provider that does not exist at all is a database error as well, not a crash.
    EXPECT_THROW(adodb::engine::OpenAdo("Provider=Kein.Provider.1;Data Source=x"), DatabaseError);
}

TEST(PhotoDbAdo, SqliteFilesGoToSqliteWhateverTheProvider) {
    testsupport::TempDir dir;
    sqlite3* db = nullptr;
    sqlite3_open((dir / "Projekt.mdb").string().c_str(), &db);
    sqlite3_exec(db, "create table Objektphotos (PKEY integer primary key, PhotoID integer)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Connection c;
    c.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.Win("Projekt.mdb") + ";");
    ASSERT_NO_THROW(c.open());
    EXPECT_EQ(c.tableNames(), std::vector<std::string>{"Objektphotos"});
}

namespace {
// The ODBC data source over an SQLite file that the machine offers: VE1_ODBC_DSN names it and
// VE1_ODBC_DB is its database file (the Windows suite under Wine sets both up over unixODBC
// and the SQLite ODBC driver). The file is made anew with two links in Objektphotos.
bool OdbcSource(std::string& dsn, std::string& file) {
    const char* d = std::getenv("VE1_ODBC_DSN");
    const char* f = std::getenv("VE1_ODBC_DB");
    if (!d || !f || !*d || !*f)
        return false;
    dsn = d;
    file = f;
    std::remove(f);
    sqlite3* raw = nullptr;
    sqlite3_open(f, &raw);
    sqlite3_exec(raw,
                 "create table Objektphotos (PKEY integer primary key, PhotoID integer, FELDIXID integer, "
                 "Hauptphoto varchar(10));"
                 "insert into Objektphotos (PhotoID, FELDIXID, Hauptphoto) values (5, 1, 'FALSCH'), (5, 2, 'x');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    return true;
}

bool HasTable(const std::string& file, const std::string& table) {
    sqlite3* raw = nullptr;
    sqlite3_open(file.c_str(), &raw);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(raw, "select 1 from sqlite_master where name = ?", -1, &s, nullptr);
    sqlite3_bind_text(s, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    const bool found = sqlite3_step(s) == SQLITE_ROW;
    sqlite3_finalize(s);
    sqlite3_close(raw);
    return found;
}
}  // namespace

// The connection opens through ADO and the OLE DB provider for ODBC, and data definition runs.
TEST(PhotoDbAdo, ConnectionAndStatementsThroughOdbc) {
    std::string dsn, file;
    if (!OdbcSource(dsn, file))
        GTEST_SKIP() << "no ODBC data source over SQLite is set up (VE1_ODBC_DSN, VE1_ODBC_DB)";
    EXPECT_THROW(adodb::engine::OpenAdo("Provider=MSDASQL;Data Source=" + dsn + "Fehlt;"), DatabaseError);
    auto db = adodb::engine::OpenAdo("Provider=MSDASQL;Data Source=" + dsn + ";");
    db->execute("create table Fotos (FotoID integer, Kurzname varchar(50), Aufnahmedatum date)");
    // A driver that cannot read the data source's settings works on a temporary database.
    EXPECT_TRUE(HasTable(file, "Fotos")) << "the table went elsewhere: can the ODBC driver read " << dsn
                                         << "'s database from its configuration?";
    EXPECT_THROW(db->execute("create table Fotos (FotoID integer)"), DatabaseError);
}

// Rows through ADO: where the ADO of the machine delivers a provider's rows (not Wine's yet:
// its recordsets over the ODBC provider come back empty and it has no schema rowsets), set
// VE1_ODBC_ROWS as well.
TEST(PhotoDbAdo, TableAndQueryThroughOdbc) {
    std::string dsn, file;
    if (!std::getenv("VE1_ODBC_ROWS") || !OdbcSource(dsn, file))
        GTEST_SKIP() << "rows through ADO over ODBC are not checked here (VE1_ODBC_ROWS)";
    auto db = adodb::engine::OpenAdo(std::string("Provider=MSDASQL;Data Source=") + dsn + ";");
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"Objektphotos"});
    auto q = db->query("Select count (*) from Objektphotos\r\nwhere PhotoID = 5");
    ASSERT_FALSE(q->eof());
    EXPECT_EQ(std::get<int64_t>(q->row[0]), 2);
    db->execute("create table Fotos (FotoID integer, Kurzname varchar(50), Aufnahmedatum date)");
    auto t = db->table("Fotos");
    EXPECT_TRUE(t->eof());
    t->row.assign(t->columns.size(), Value{});
    t->state = adodb::engine::State::Insert;
    t->row[0] = int64_t{-1};
    t->row[1] = std::string("Grün €");
    t->row[2] = adodb::Date{2024, 2, 29};
    t->post();
    t->refresh();
    ASSERT_TRUE(t->locate(0, Value{int64_t{-1}}));
    EXPECT_EQ(std::get<std::string>(t->row[1]), "Grün €");
    EXPECT_EQ(std::get<adodb::Date>(t->row[2]), (adodb::Date{2024, 2, 29}));
    EXPECT_FALSE(t->locate(0, Value{int64_t{-2}}));
    t->remove();
    t->refresh();
    EXPECT_TRUE(t->eof());
}
