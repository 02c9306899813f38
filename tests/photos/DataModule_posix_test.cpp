// The table Fotos as SQLite's command-line tool reads it back from the project database.
#include <gtest/gtest.h>

#include <cstdio>

#include "photos/EnsureDataBase.h"
#include "support/Session.h"

namespace {

// The output of a command line, or "" when it cannot run.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (size_t n = fread(buf, 1, sizeof buf, p))
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

}  // namespace

TEST(PhotoDataModuleSchema, FotosAsTheCommandLineToolReadsIt) {
    testsupport::Session session;
    EnsureTableFotos();
    const std::string schema = Output("sqlite3 '" + session.Database() + "' '.schema Fotos'");
    // The lines of the data definition as written (Jet's types translated), with the line
    // breaks of the host's string lists.
    EXPECT_EQ(schema,
              "CREATE TABLE Fotos\r\n"
              " (FotoID integer, \r\n"
              "Kurzname varchar(50), \r\n"
              "RW integer, \r\n"
              "HW integer, \r\n"
              "Blickrichtung integer, \r\n"
              "Aufnahmedatum date, \r\n"
              "Quelle varchar(255), \r\n"
              "IsNew integer, \r\n"
              "PicFileName varchar(50), \r\n"
              "Bildbeschreibung text);\n"
              "CREATE UNIQUE INDEX \"Fotos_PrimaryKey\" on Fotos (FotoID);\n");
    EXPECT_EQ(Output("sqlite3 '" + session.Database() + "' 'pragma table_info(Fotos)' | cut -d'|' -f2,3 | tr '\\n' ' '"),
              "FotoID|INTEGER Kurzname|varchar(50) RW|INTEGER HW|INTEGER Blickrichtung|INTEGER "
              "Aufnahmedatum|date Quelle|varchar(255) IsNew|INTEGER PicFileName|varchar(50) Bildbeschreibung|TEXT ");
}
