#pragma once
// The byte-level parts of the self-update: where the new build comes from and
// goes to, and the script that swaps it in after the program has ended. The
// window (StartSelfUpdate) strings these together with UpdateDownload and
// StartScriptHidden. All texts are Windows-1251 bytes.
//
// On Windows the script is the batch file "QEL 23.bat"; other systems get
// "QEL 23.sh", a shell script doing the same steps. Either works in the program
// folder whatever the current folder is, and swaps safely: the new build is
// copied beside the program under a temporary name, the program is renamed to
// a backup name and the new build renamed into its place (the backup renamed
// back if that fails); tempQEL goes only when the new build is in place, and
// the script ends by starting whatever program is there, old or new.
#include "platform/http_download.h"

#include <string>

// The name the program gives itself to the database server and the update server.
inline constexpr char kProgramIdentity[] = "QEL 23";
// Folder beside the executable that receives the download.
inline constexpr char kUpdateTemporaryFolderName[] = "tempQEL";
// The new build on the organisation's update web server (plain HTTP; the space
// belongs to the path).
inline constexpr char kUpdateUrl[] = "http://qelupdate/qelprogs/QEL 23.exe";

// Program folder + separator + "tempQEL".
std::string UpdateTemporaryFolder();

// The temporary folder + separator + the executable's name: "QEL 23.exe" on
// Windows, the running executable's file name elsewhere.
std::string UpdateDownloadTarget();

// Program folder + separator + "QEL 23.bat" on Windows, "QEL 23.sh" elsewhere.
std::string UpdateScriptPath();

enum class UpdateDownloadResult {
    Ready,       // the new build is in UpdateDownloadTarget()
    Unavailable, // the "server unreachable" case: nothing usable came
    Cancelled,   // the user stopped it
};

// The new build's download from `url` into UpdateDownloadTarget(), the
// temporary folder created first. A window runs run() on a thread of its own,
// showing the progress it reports, and calls cancel() from its Cancel button
// (see platform::Download).
//
// Ready only when the whole body arrived (see platform::Download) and it is a
// program for this system, whole (see platform::looksLikeProgram). Anything
// else is removed from the temporary folder, so that nothing but a checked
// build is ever there for the update script to install. Downloads given up
// (stalled, too long or too slow: see platform::DownloadLimits) are
// Unavailable, like an unreachable server. run() throws platform::FileError
// when the target cannot be written (a full disk), what was written removed.
class UpdateDownload {
public:
    explicit UpdateDownload(const std::string& url, platform::DownloadLimits limits = {});

    UpdateDownloadResult run(const platform::DownloadProgress& progress = {});
    void cancel() { m_download.cancel(); }

private:
    platform::Download m_download;
};

// UpdateDownload(url).run() == UpdateDownloadResult::Ready, on the calling thread.
bool DownloadUpdate(const std::string& url);

// How long the update script waits for the old program to end before it
// gives up, leaves the old program in place and starts it again.
inline constexpr int kUpdateWaitSeconds = 60;

// The Windows batch file, each line ended by carriage return and line feed.
// Its home is the folder the batch file lies in (%~dp0), which is the program
// folder it is written to. It waits for the old program to end by deleting
// the renamed old program until that succeeds (Windows lets a running
// program's file be renamed but not deleted), once a second for about
// `waitSeconds`; then it undoes the swap and starts the old program.
std::string UpdateBatchText(int waitSeconds = kUpdateWaitSeconds);

// The POSIX script for the program folder `home`: waits until process `pid`
// has ended, then swaps home/<executable> for tempQEL/<executable> as above
// and starts the program detached. <executable> is the running executable's
// file name. After about `waitSeconds` it gives up waiting, swaps nothing and
// starts the old program.
std::string UpdateShellText(const std::string& home, long long pid, int waitSeconds = kUpdateWaitSeconds);

// The platform's script for this process: UpdateBatchText() on Windows,
// UpdateShellText(program folder, own process id) elsewhere.
std::string UpdateScriptText();

// Writes UpdateScriptText() to UpdateScriptPath(), replacing a file of that
// name. Throws platform::FileError on failure.
void WriteUpdateScript();

// Deletes the script an earlier update left behind; a missing file is fine.
// Returns whether a file went.
bool RemoveLeftoverUpdateScript();
