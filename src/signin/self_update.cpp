#include "signin/self_update.h"

#include "platform/files.h"
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

std::string UpdateBatchText()
{
    return joinLines({
        "@ECHO OFF",
        "SET QEL_PROG=QEL 23",
        "SET QEL_HOME=%CD%",
        "SET QEL_TEMP=%QEL_HOME%\\tempQEL",
        ":do_del",
        "DEL /Q \"%QEL_HOME%\\%QEL_PROG%.exe\"",
        "IF EXIST \"%QEL_HOME%\\%QEL_PROG%.exe\" GOTO do_del",
        "COPY \"%QEL_TEMP%\\%QEL_PROG%.exe\" \"%QEL_HOME%\\%QEL_PROG%.exe\"",
        "RD /S /Q \"%QEL_TEMP%\"",
        "\"%QEL_HOME%\\%QEL_PROG%.exe\"",
    }, "\r\n");
}

std::string UpdateShellText(long long pid)
{
    const std::string program = "QEL_PROG=" + shellQuoted(programExecutableName());
    const std::string wait = "while kill -0 " + std::to_string(pid) + " 2>/dev/null; do sleep 0.1; done";
    return joinLines({
        "#!/bin/sh",
        program.c_str(),
        "QEL_HOME=\"$PWD\"",
        "QEL_TEMP=\"$QEL_HOME/tempQEL\"",
        wait.c_str(),
        "rm -f \"$QEL_HOME/$QEL_PROG\"",
        "cp \"$QEL_TEMP/$QEL_PROG\" \"$QEL_HOME/$QEL_PROG\"",
        "chmod +x \"$QEL_HOME/$QEL_PROG\"",
        "rm -rf \"$QEL_TEMP\"",
        "\"$QEL_HOME/$QEL_PROG\" </dev/null >/dev/null 2>&1 &",
    }, "\n");
}

std::string UpdateScriptText()
{
#ifdef _WIN32
    return UpdateBatchText();
#else
    return UpdateShellText(platform::currentProcessId());
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
