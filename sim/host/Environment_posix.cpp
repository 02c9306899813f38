#include <cstdlib>

#include "Environment.h"

namespace sim {

void SetEnvironment(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }

}  // namespace sim
