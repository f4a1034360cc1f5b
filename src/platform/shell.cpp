#include "platform/shell.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

void StartScriptHidden(const std::string& path)
{
    ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_HIDE);
}

long long currentProcessId()
{
    return static_cast<long long>(GetCurrentProcessId());
}

#else

namespace {

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void runDetached(const char* script)
{
    setsid();
    // The grandchild runs the script; the child ends at once, so the script is
    // adopted by init and never becomes a zombie of this program.
    if (fork() != 0)
        _exit(0);
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
    }
    // Nothing else of the program (sockets, database files) goes with it.
    close_range(STDERR_FILENO + 1, ~0U, 0);
    execl("/bin/sh", "sh", script, static_cast<char*>(nullptr));
    _exit(127);
}

} // namespace

void StartScriptHidden(const std::string& path)
{
    const pid_t child = fork();
    if (child == 0)
        runDetached(path.c_str());
    if (child > 0)
        waitpid(child, nullptr, 0); // the intermediate child, which ends at once
}

long long currentProcessId()
{
    return static_cast<long long>(getpid());
}

#endif

} // namespace platform
