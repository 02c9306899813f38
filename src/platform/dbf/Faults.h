// Fault injection in the real file layer, for tests: the Nth write-type call fails or stops
// the process, in the manner of SQLite's test file system.
#pragma once

#include <cstdint>

namespace dbf::io::faults {

enum class Action { Fail, Stop };

// Exit code of a process stopped by the plan.
constexpr int kStopped = 86;

// From now on, counts the write-type calls of the real file layer (writes, truncations,
// syncs, creations, removals); the Nth of them fails with the error given (an errno value:
// EIO, ENOSPC, ...) or ends the process at once with kStopped, before it reaches the disk.
// A failure happens once; the calls after it succeed.
void arm(int64_t n, Action action, int error = 0);
// Counts on without a plan (for the number of calls an operation makes).
void disarm();
// Write-type calls since the last arm() or disarm().
int64_t calls();

// For the platform files: counts a write-type call; the errno it must fail with (0: go on).
int before();

}  // namespace dbf::io::faults
