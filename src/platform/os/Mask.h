// Matching names against masks with '*' and '?', as Windows file masks and scripts use them.
#pragma once

#include <string>

namespace os {

// '*' stands for any run of characters, '?' for one; letters compare ignoring ASCII case
// (as Windows matches file names) unless caseSensitive is set.
bool MatchMask(const std::string& mask, const std::string& name, bool caseSensitive = false);

}  // namespace os
