// Process environment of the stand-in: variables and a scratch directory per run.
#pragma once

#include <string>

namespace sim {

void SetEnvironment(const std::string& name, const std::string& value);
// A new empty directory under the system's temporary directory.
std::string MakeScratchDir();
void RemoveTree(const std::string& dir);

}  // namespace sim
