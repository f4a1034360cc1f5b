#include "signin/self_update.h"

#include "platform/files.h"
#include "platform/http_download.h"
#include "platform/program_file.h"
#include "platform/shell.h"

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

bool DownloadUpdate(const std::string& url)
{
    platform::createFolder(UpdateTemporaryFolder());
    const std::string target = UpdateDownloadTarget();
    return platform::DownloadFile(url, target) && platform::looksLikeProgram(target);
}

std::string UpdateBatchText()
{
    // "QEL 23.new" is the new build beside the program, "QEL 23.old" the old
    // program kept until the new one is in place. A ".new" still there after
    // the renames means the swap failed: tempQEL stays for another try.
    return joinLines({
        "@ECHO OFF",
        "SET QEL_PROG=QEL 23",
        "FOR %%F IN (\"%~dp0.\") DO SET \"QEL_HOME=%%~fF\"",
        "SET QEL_TEMP=%QEL_HOME%\\tempQEL",
        "DEL /Q \"%QEL_HOME%\\%QEL_PROG%.new\" \"%QEL_HOME%\\%QEL_PROG%.old\" 2>NUL",
        "COPY /Y \"%QEL_TEMP%\\%QEL_PROG%.exe\" \"%QEL_HOME%\\%QEL_PROG%.new\" >NUL",
        "IF ERRORLEVEL 1 GOTO do_run",
        "IF NOT EXIST \"%QEL_HOME%\\%QEL_PROG%.new\" GOTO do_run",
        "REN \"%QEL_HOME%\\%QEL_PROG%.exe\" \"%QEL_PROG%.old\"",
        "REN \"%QEL_HOME%\\%QEL_PROG%.new\" \"%QEL_PROG%.exe\"",
        "IF NOT EXIST \"%QEL_HOME%\\%QEL_PROG%.exe\" REN \"%QEL_HOME%\\%QEL_PROG%.old\" \"%QEL_PROG%.exe\"",
        "IF NOT EXIST \"%QEL_HOME%\\%QEL_PROG%.new\" RD /S /Q \"%QEL_TEMP%\"",
        ":do_del",
        "DEL /Q \"%QEL_HOME%\\%QEL_PROG%.old\" 2>NUL",
        "IF EXIST \"%QEL_HOME%\\%QEL_PROG%.old\" GOTO do_del",
        ":do_run",
        "DEL /Q \"%QEL_HOME%\\%QEL_PROG%.new\" 2>NUL",
        "\"%QEL_HOME%\\%QEL_PROG%.exe\"",
    }, "\r\n");
}

std::string UpdateShellText(const std::string& home, long long pid)
{
    const std::string program = "QEL_PROG=" + shellQuoted(programExecutableName());
    const std::string folder = "QEL_HOME=" + shellQuoted(home);
    const std::string wait = "while kill -0 " + std::to_string(pid) + " 2>/dev/null; do sleep 0.1; done";
    return joinLines({
        "#!/bin/sh",
        program.c_str(),
        folder.c_str(),
        "QEL_TEMP=\"$QEL_HOME/tempQEL\"",
        wait.c_str(),
        "rm -f \"$QEL_HOME/$QEL_PROG.new\" \"$QEL_HOME/$QEL_PROG.old\"",
        "if cp \"$QEL_TEMP/$QEL_PROG\" \"$QEL_HOME/$QEL_PROG.new\" && chmod +x \"$QEL_HOME/$QEL_PROG.new\"; then",
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
