#pragma once
// The byte-level parts of the self-update: where the new build comes from and
// goes to, and the script that swaps it in after the program has ended. The
// window (StartSelfUpdate) strings these together with DownloadFile and
// StartScriptHidden. All texts are Windows-1251 bytes.
//
// On Windows the script is the fixed ten-line batch file "QEL 23.bat". Other
// systems get "QEL 23.sh", a shell script doing the same steps; there the
// running program can be deleted while it runs, so the script waits for the
// program's process id to end instead of retrying the delete.
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

// The Windows batch file: ten lines, each ended by carriage return and line feed.
std::string UpdateBatchText();

// The POSIX script: with the folder it runs in as home, waits until process
// `pid` has ended, deletes home/<executable>, copies tempQEL/<executable> into
// home (executable), removes tempQEL with everything in it and starts the new
// program detached. <executable> is the running executable's file name.
std::string UpdateShellText(long long pid);

// The platform's script for this process: UpdateBatchText() on Windows,
// UpdateShellText(own process id) elsewhere.
std::string UpdateScriptText();

// Writes UpdateScriptText() to UpdateScriptPath(), replacing a file of that
// name. Throws platform::FileError on failure.
void WriteUpdateScript();

// Deletes the script an earlier update left behind; a missing file is fine.
// Returns whether a file went.
bool RemoveLeftoverUpdateScript();
