#include "signin/self_update.h"

#include "platform/files.h"
#include "platform/http_download.h"
#include "platform/program_file.h"
#include "platform/shell.h"

#include <algorithm>
#include <initializer_list>

namespace {

#ifdef _WIN32
constexpr char kScriptExtension[] = ".bat";
#else
constexpr char kScriptExtension[] = ".sh";
#endif

std::string programExecutableName()
{
#ifdef _WIN32
    return std::string(kProgramIdentity) + ".exe";
#else
    return platform::executableFileName();
#endif
}

std::string joinLines(std::initializer_list<const char*> lines, const char* ending)
{
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += ending;
    }
    return text;
}

// A text as one single-quoted shell word.
std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

} // namespace

std::string UpdateTemporaryFolder()
{
    return platform::joinPath(platform::programFolder(), {kUpdateTemporaryFolderName});
}

std::string UpdateDownloadTarget()
{
    return platform::joinPath(UpdateTemporaryFolder(), {programExecutableName()});
}

std::string UpdateScriptPath()
{
    return platform::joinPath(platform::programFolder(), {std::string(kProgramIdentity) + kScriptExtension});
}

UpdateDownload::UpdateDownload(const std::string& url, platform::DownloadLimits limits)
    : m_download(url, UpdateDownloadTarget(), limits)
{
}

UpdateDownloadResult UpdateDownload::run(const platform::DownloadProgress& progress)
{
    platform::createFolder(UpdateTemporaryFolder());
    const std::string target = UpdateDownloadTarget();
    platform::DownloadResult result = platform::DownloadResult::Failed;
    try {
        result = m_download.run(progress);
    } catch (...) { // a target that cannot be written (a full disk) keeps no part of the download
        platform::removeFileIfExists(target);
        throw;
    }
    if (result == platform::DownloadResult::Complete && platform::looksLikeProgram(target))
        return UpdateDownloadResult::Ready;
    platform::removeFileIfExists(target);
    return result == platform::DownloadResult::Cancelled ? UpdateDownloadResult::Cancelled
                                                         : UpdateDownloadResult::Unavailable;
}

bool DownloadUpdate(const std::string& url)
{
    return UpdateDownload(url).run() == UpdateDownloadResult::Ready;
}

std::string UpdateBatchText(int waitSeconds)
{
    // It works in its own folder (%~dp0, not %CD%: started from elsewhere it
    // must not touch another folder's tempQEL). "QEL 23.new" is the new build
    // beside the program, "QEL 23.old" the old program kept until the new one
    // is in place. Windows lets a running program's file be renamed but not
    // deleted, so the old program has ended once "QEL 23.old" can be deleted;
    // if it has not after the wait (one try a second, PING's one-second
    // pause), the swap is undone and the old program started again.
    // When the download cannot be copied, the old program's own copy takes
    // the place of the new build (QEL_KEEP): the same wait then keeps a second
    // program from starting while the old one still runs, and tempQEL stays
    // for another try. A ".new" still there after the renames means the swap
    // failed: tempQEL stays as well.
    const std::string tries = "SET QEL_WAIT=" + std::to_string(std::max(waitSeconds, 1));
    return joinLines({
        "@ECHO OFF",
        "SET QEL_PROG=QEL 23",
        "FOR %%F IN (\"%~dp0.\") DO SET \"QEL_HOME=%%~fF\"",
        "SET QEL_TEMP=%QEL_HOME%\\tempQEL",
        tries.c_str(),
        "SET QEL_KEEP=",
        "DEL /Q \"%QEL_HOME%\\%QEL_PROG%.new\" \"%QEL_HOME%\\%QEL_PROG%.old\" 2>NUL",
        "COPY /Y \"%QEL_TEMP%\\%QEL_PROG%.exe\" \"%QEL_HOME%\\%QEL_PROG%.new\" >NUL",
        "IF ERRORLEVEL 1 GOTO do_keep",
        "IF EXIST \"%QEL_HOME%\\%QEL_PROG%.new\" GOTO do_swap",
        ":do_keep",
        "SET QEL_KEEP=1",
        "DEL /Q \"%QEL_HOME%\\%QEL_PROG%.new\" 2>NUL",
        "COPY /Y \"%QEL_HOME%\\%QEL_PROG%.exe\" \"%QEL_HOME%\\%QEL_PROG%.new\" >NUL",
        "IF ERRORLEVEL 1 GOTO do_run",
        "IF NOT EXIST \"%QEL_HOME%\\%QEL_PROG%.new\" GOTO do_run",
        ":do_swap",
        "REN \"%QEL_HOME%\\%QEL_PROG%.exe\" \"%QEL_PROG%.old\"",
        "REN \"%QEL_HOME%\\%QEL_PROG%.new\" \"%QEL_PROG%.exe\"",
        "IF NOT EXIST \"%QEL_HOME%\\%QEL_PROG%.exe\" REN \"%QEL_HOME%\\%QEL_PROG%.old\" \"%QEL_PROG%.exe\"",
        ":do_wait",
        "DEL /Q \"%QEL_HOME%\\%QEL_PROG%.old\" 2>NUL",
        "IF NOT EXIST \"%QEL_HOME%\\%QEL_PROG%.old\" GOTO do_done",
        "SET /A QEL_WAIT-=1",
        "IF %QEL_WAIT% LEQ 0 GOTO do_undo",
        "PING -n 2 127.0.0.1 >NUL",
        "GOTO do_wait",
        ":do_undo",
        "REN \"%QEL_HOME%\\%QEL_PROG%.exe\" \"%QEL_PROG%.new\"",
        "REN \"%QEL_HOME%\\%QEL_PROG%.old\" \"%QEL_PROG%.exe\"",
        "GOTO do_run",
        ":do_done",
        "IF DEFINED QEL_KEEP GOTO do_run",
        "IF NOT EXIST \"%QEL_HOME%\\%QEL_PROG%.new\" RD /S /Q \"%QEL_TEMP%\"",
        ":do_run",
        "DEL /Q \"%QEL_HOME%\\%QEL_PROG%.new\" 2>NUL",
        "\"%QEL_HOME%\\%QEL_PROG%.exe\"",
    }, "\r\n");
}

std::string UpdateShellText(const std::string& home, long long pid, int waitSeconds)
{
    const std::string program = "QEL_PROG=" + shellQuoted(programExecutableName());
    const std::string folder = "QEL_HOME=" + shellQuoted(home);
    const std::string pidLine = "QEL_PID=" + std::to_string(pid);
    const std::string tries = "QEL_WAIT=" + std::to_string(std::max(waitSeconds, 1) * 10);
    return joinLines({
        "#!/bin/sh",
        program.c_str(),
        folder.c_str(),
        "QEL_TEMP=\"$QEL_HOME/tempQEL\"",
        pidLine.c_str(),
        tries.c_str(),
        // Ten tries a second; a program still running after the wait is left
        // in place and started again.
        "while kill -0 \"$QEL_PID\" 2>/dev/null && [ \"$QEL_WAIT\" -gt 0 ]; do sleep 0.1; QEL_WAIT=$((QEL_WAIT - 1)); done",
        "rm -f \"$QEL_HOME/$QEL_PROG.new\" \"$QEL_HOME/$QEL_PROG.old\"",
        "if ! kill -0 \"$QEL_PID\" 2>/dev/null && cp \"$QEL_TEMP/$QEL_PROG\" \"$QEL_HOME/$QEL_PROG.new\" && chmod +x \"$QEL_HOME/$QEL_PROG.new\"; then",
        "    mv -f \"$QEL_HOME/$QEL_PROG\" \"$QEL_HOME/$QEL_PROG.old\"",
        "    mv -f \"$QEL_HOME/$QEL_PROG.new\" \"$QEL_HOME/$QEL_PROG\" || mv -f \"$QEL_HOME/$QEL_PROG.old\" \"$QEL_HOME/$QEL_PROG\"",
        "    [ -e \"$QEL_HOME/$QEL_PROG.new\" ] || rm -rf \"$QEL_TEMP\"",
        "fi",
        "rm -f \"$QEL_HOME/$QEL_PROG.new\" \"$QEL_HOME/$QEL_PROG.old\"",
        "\"$QEL_HOME/$QEL_PROG\" </dev/null >/dev/null 2>&1 &",
    }, "\n");
}

std::string UpdateScriptText()
{
#ifdef _WIN32
    return UpdateBatchText();
#else
    return UpdateShellText(platform::programFolder(), platform::currentProcessId());
#endif
}

void WriteUpdateScript()
{
    platform::writeFile(UpdateScriptPath(), UpdateScriptText());
}

bool RemoveLeftoverUpdateScript()
{
    return platform::removeFileIfExists(UpdateScriptPath());
}
