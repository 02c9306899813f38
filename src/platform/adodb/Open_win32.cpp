// The backend on Windows: SQLite for a database file that is one, ADO for everything else
// (the Jet .mdb files of the host's projects).
#include <fstream>

#include "platform/adodb/Engine.h"
#include "platform/os/Files.h"

namespace adodb::engine {

namespace {
// Jet's and ACE's files carry their engine's name from byte 4 on.
bool IsJetFile(const std::string& path) {
    std::ifstream in(os::NativePath(path), std::ios::binary);
    char head[20] = {};
    in.read(head, sizeof head);
    const std::string name(head + 4, in.gcount() >= 20 ? 15 : 0);
    return name == "Standard Jet DB" || name == "Standard ACE DB";
}
}  // namespace

std::unique_ptr<Database> Open(const std::string& connectionString) {
    const std::string path = DataSourceOf(connectionString);
    // A data source that names no file, or a file that is not there (an ODBC source is a name).
    if (path.empty() || (path.find_first_of("\\/") != std::string::npos && !os::FileExists(path)))
        throw DatabaseError(Problem::Missing, path);
    if (IsSqliteFile(path))
        return OpenSqlite(path);
    // A file that is neither SQLite's nor Jet's is no database: damaged, whatever provider is named.
    if (os::FileExists(path) && !IsJetFile(path))
        throw DatabaseError(Problem::Damaged, path);
    return OpenAdo(connectionString);
}

}  // namespace adodb::engine
