// Sweep children on POSIX: forked.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include "support/Child.h"

namespace testsupport {

const bool kCheapChild = true;

int RunChild(const std::filesystem::path& dir, int64_t n, const ChildWork& work) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        work(dir, n);
        std::_Exit(0);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildTurn(const ChildWork&) {}

}  // namespace testsupport
