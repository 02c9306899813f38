// Programs and the logon name on POSIX: posix_spawn without a shell, waitpid, the password file.
#include "platform/os/Process.h"

#include "platform/os/Files.h"

#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace os {

namespace {

class SpawnActions {
public:
    SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() { if (ok_) posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }
private:
    posix_spawn_file_actions_t actions_;
    bool ok_;
};

class SpawnAttributes {
public:
    SpawnAttributes() { ok_ = posix_spawnattr_init(&attr_) == 0; }
    ~SpawnAttributes() { if (ok_) posix_spawnattr_destroy(&attr_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    bool ok() const { return ok_; }
    posix_spawnattr_t* get() { return &attr_; }
private:
    posix_spawnattr_t attr_;
    bool ok_;
};

std::string CurrentDirectory()
{
    std::string buffer(256, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr)
            return buffer.c_str();
        if (errno != ERANGE)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

void WaitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

bool StartProcess(const std::string& commandLine, const ProcessOptions& options)
{
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty())
        return false;
    args[0] = NativePath(args[0]);
    std::string program = args[0];
    const std::string workingDirectory = NativePath(options.workingDirectory);

    // A relative program path means the caller's directory, not the child's new one.
    if (!workingDirectory.empty() && program.find('/') != std::string::npos && program[0] != '/') {
        const std::string cwd = CurrentDirectory();
        if (cwd.empty())
            return false;
        program = cwd + "/" + program;
    }

    SpawnActions actions;
    SpawnAttributes attributes;
    if (!actions.ok() || !attributes.ok())
        return false;
    if (!workingDirectory.empty() &&
        posix_spawn_file_actions_addchdir_np(actions.get(), workingDirectory.c_str()) != 0)
        return false;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // The child inherits no handles beyond the standard streams.
    if (posix_spawn_file_actions_addclosefrom_np(actions.get(), 3) != 0)
        return false;
#endif

    // Default signal handling and no blocked signals in the child; hidden: a session of its own.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (options.hidden)
        flags |= POSIX_SPAWN_SETSID;
    if (posix_spawnattr_setsigdefault(attributes.get(), &all) != 0 ||
        posix_spawnattr_setsigmask(attributes.get(), &none) != 0 ||
        posix_spawnattr_setflags(attributes.get(), flags) != 0)
        return false;

    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const bool searchPath = program.find('/') == std::string::npos;
    const int rc = searchPath
        ? posix_spawnp(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(), environ)
        : posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(), environ);
    if (rc != 0)
        return false;

    if (options.wait) {
        WaitFor(pid);
    } else {
        // Nobody waits for it: reap it in the background so that it leaves no zombie.
        try {
            std::thread([pid] { WaitFor(pid); }).detach();
        } catch (const std::system_error&) {
            // Without a thread the child stays a zombie until this process ends.
        }
    }
    return true;
}

std::string LogonName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return found->pw_name;

    char login[256] = {};
    if (getlogin_r(login, sizeof login) == 0 && login[0])
        return login;
    if (const char* user = std::getenv("USER"))
        return user;
    return std::string();
}

}  // namespace os
