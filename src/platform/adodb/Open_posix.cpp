// The backend on POSIX: every project database is an SQLite file.
#include "platform/adodb/Engine.h"

namespace adodb::engine {

std::unique_ptr<Database> Open(const std::string& connectionString) {
    return OpenSqlite(DataSourceOf(connectionString));
}

}  // namespace adodb::engine
