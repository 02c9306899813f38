// Programs that a scenario runs beside the host (the VESTRA stand-ins), waited for.
#pragma once

#include <string>
#include <vector>

namespace sim {

// Runs argv[0] with the other arguments (UTF-8) and waits for it; its exit code, or -1 when
// it could not be started.
int RunProgram(const std::vector<std::string>& argv);

}  // namespace sim
