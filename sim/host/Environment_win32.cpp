#include <cstdlib>

#include "Environment.h"

namespace sim {

// The C runtime's copy (getenv) and the process's (child processes, the plug-in) alike.
void SetEnvironment(const std::string& name, const std::string& value) { _putenv_s(name.c_str(), value.c_str()); }

}  // namespace sim
