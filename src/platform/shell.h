#pragma once
// Starting a script that outlives the program, and the program's own process id.
#include <string>

namespace platform {

// Starts the script at `path` without a visible window and without waiting
// for it; it runs in the program's current folder. Whether it started is not
// reported.
// Windows: ShellExecuteA with the verb "open", no parameters, no working
// folder, SW_HIDE. POSIX: "/bin/sh path" in a new session, detached from the
// program (stdin, stdout and stderr on /dev/null).
void StartScriptHidden(const std::string& path);

// Id of the running process, as the system's tools name it.
long long currentProcessId();

} // namespace platform
