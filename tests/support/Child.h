// The sweeps' child process, which the fault plan may stop at a write: forked on POSIX; on
// Windows this test program started again for the running test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

namespace testsupport {

using ChildWork = std::function<void(const std::filesystem::path& dir, int64_t n)>;

// Runs work(dir, n) in a child process and returns its exit code; work ends the process. On
// Windows the child runs the same test, which calls ChildTurn before anything else.
int RunChild(const std::filesystem::path& dir, int64_t n, const ChildWork& work);

// In a child started for the running test: runs work with the parent's directory and number,
// and does not return. Anywhere else it does nothing.
void ChildTurn(const ChildWork& work);

// Whether a child costs little (a fork) rather than a start of the whole program.
extern const bool kCheapChild;

}  // namespace testsupport
