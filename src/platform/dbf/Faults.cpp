// Fault injection in the real file layer.
#include "platform/dbf/Faults.h"

#include <atomic>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace dbf::io::faults {

namespace {
// Set while no file is written; counted also by syncs that run at once.
struct Plan {
    int64_t at = 0;  // 0: none
    Action action = Action::Fail;
    int error = 0;
    std::atomic<int64_t> calls{0};
};
Plan& plan() {
    static Plan p;
    return p;
}
}  // namespace

void arm(int64_t n, Action action, int error) {
    Plan& p = plan();
    p.at = n;
    p.action = action;
    p.error = error;
    p.calls = 0;
}

void disarm() { arm(0, Action::Fail, 0); }

int64_t calls() { return plan().calls; }

int before() {
    Plan& p = plan();
    if (++p.calls != p.at)
        return 0;
    if (p.action == Action::Stop) {
        // As a crash ends a process: on Windows, _Exit would still let the C runtime's library
        // write out the buffers of its streams, also those a thread ended in the middle of a write.
#ifdef _WIN32
        TerminateProcess(GetCurrentProcess(), kStopped);
#endif
        std::_Exit(kStopped);
    }
    return p.error;
}

}  // namespace dbf::io::faults
