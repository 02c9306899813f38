// The backend on Windows: SQLite for a database file that is one, ADO for everything else
// (the Jet .mdb files of the host's projects).
#include "platform/adodb/Engine.h"

namespace adodb::engine {

std::unique_ptr<Database> Open(const std::string& connectionString) {
    const std::string path = DataSourceOf(connectionString);
    if (IsSqliteFile(path))
        return OpenSqlite(path);
    return OpenAdo(connectionString);
}

}  // namespace adodb::engine
