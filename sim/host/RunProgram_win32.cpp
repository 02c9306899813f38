#include "RunProgram.h"

#include <process.h>

#include <cstdint>

namespace sim {

int RunProgram(const std::vector<std::string>& argv) {
    if (argv.empty())
        return -1;
    // The runtime joins the arguments with blanks: each goes in quotes.
    std::vector<std::string> quoted;
    for (const std::string& a : argv)
        quoted.push_back("\"" + a + "\"");
    std::vector<const char*> args;
    for (const std::string& q : quoted)
        args.push_back(q.c_str());
    args.push_back(nullptr);
    const intptr_t rc = _spawnvp(_P_WAIT, argv[0].c_str(), args.data());
    return rc < 0 ? -1 : static_cast<int>(rc);
}

}  // namespace sim
