#include "platform/files.h"
#include "platform/shell.h"
#include "signin/self_update.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A program folder of its own for each test.
class UpdateFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        testBinaryFolder = platform::programFolder();
        folder = fs::temp_directory_path()
            / ("qel-update-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-"
               + std::to_string(platform::currentProcessId()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        platform::overrideProgramFolder(folder.string());
    }
    void TearDown() override
    {
        platform::overrideProgramFolder({});
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::string testBinaryFolder;
    fs::path folder;
};

const char* const kBatchLines[] = {
    "@ECHO OFF",
    "SET QEL_PROG=QEL 23",
    "SET QEL_HOME=%CD%",
    R"(SET QEL_TEMP=%QEL_HOME%\tempQEL)",
    ":do_del",
    R"(DEL /Q "%QEL_HOME%\%QEL_PROG%.exe")",
    R"(IF EXIST "%QEL_HOME%\%QEL_PROG%.exe" GOTO do_del)",
    R"(COPY "%QEL_TEMP%\%QEL_PROG%.exe" "%QEL_HOME%\%QEL_PROG%.exe")",
    R"(RD /S /Q "%QEL_TEMP%")",
    R"("%QEL_HOME%\%QEL_PROG%.exe")",
};

std::string expectedBatchBytes()
{
    std::string bytes;
    for (const char* line : kBatchLines)
        bytes += std::string(line) + "\r\n";
    return bytes;
}

TEST(UpdateBatch, IsExactlyTheTenLinesEachEndedByCrLf)
{
    const std::string text = UpdateBatchText();
    EXPECT_EQ(text, expectedBatchBytes());
    EXPECT_EQ(text.size(), 293u);
    size_t lineEnds = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++lineEnds;
    EXPECT_EQ(lineEnds, 10u);
}

TEST_F(UpdateFolder, PathsLieBesideTheExecutable)
{
    const std::string sep(1, platform::kPathSeparator);
    EXPECT_EQ(UpdateTemporaryFolder(), folder.string() + sep + "tempQEL");
#ifdef _WIN32
    EXPECT_EQ(UpdateDownloadTarget(), folder.string() + sep + "tempQEL" + sep + "QEL 23.exe");
    EXPECT_EQ(UpdateScriptPath(), folder.string() + sep + "QEL 23.bat");
#else
    EXPECT_EQ(UpdateDownloadTarget(), folder.string() + sep + "tempQEL" + sep + platform::executableFileName());
    EXPECT_EQ(UpdateScriptPath(), folder.string() + sep + "QEL 23.sh");
#endif
}

TEST_F(UpdateFolder, WrittenScriptReplacesAnOlderOneAndGoesAgain)
{
    platform::writeFile(UpdateScriptPath(), std::string(1000, 'x'));
    WriteUpdateScript();
#ifdef _WIN32
    EXPECT_EQ(fileBytes(UpdateScriptPath()), expectedBatchBytes());
#else
    EXPECT_EQ(fileBytes(UpdateScriptPath()), UpdateShellText(platform::currentProcessId()));
#endif
    EXPECT_TRUE(RemoveLeftoverUpdateScript());
    EXPECT_FALSE(fs::exists(UpdateScriptPath()));
    EXPECT_FALSE(RemoveLeftoverUpdateScript());
}

TEST_F(UpdateFolder, ScriptInAMissingFolderIsAFileError)
{
    platform::overrideProgramFolder((folder / "gone").string());
    EXPECT_THROW(WriteUpdateScript(), platform::FileError);
}

// The program still running while the update script starts: a copy of the
// update_dummy helper in the program folder, held until release() is called.
class RunningDummy {
public:
    RunningDummy(const fs::path& executable, const fs::path& releaseFile) : releaseFile_(releaseFile)
    {
#ifdef _WIN32
        std::string commandLine = "\"" + executable.string() + "\" hold \"" + releaseFile.string() + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &process_);
        if (started_)
            CloseHandle(process_.hThread);
#else
        const std::string program = executable.string();
        const std::string release = releaseFile.string();
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("hold"),
                        const_cast<char*>(release.c_str()), nullptr};
        started_ = posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, environ) == 0;
#endif
    }
    ~RunningDummy()
    {
        if (started_) {
            release();
            waitForEnd();
        }
    }
    bool started() const { return started_; }
    long long pid() const
    {
#ifdef _WIN32
        return process_.dwProcessId;
#else
        return pid_;
#endif
    }
    void release() { std::ofstream(releaseFile_) << "go"; }
    void waitForEnd()
    {
        if (!started_)
            return;
#ifdef _WIN32
        WaitForSingleObject(process_.hProcess, INFINITE);
        CloseHandle(process_.hProcess);
#else
        waitpid(pid_, nullptr, 0); // reaped: the script's wait for the pid ends here
#endif
        started_ = false;
    }

private:
    fs::path releaseFile_;
    bool started_ = false;
#ifdef _WIN32
    PROCESS_INFORMATION process_{};
#else
    pid_t pid_ = 0;
#endif
};

// Runs `action` with the process's current folder set to `folder`.
template <typename Action>
void inFolder(const fs::path& folder, Action action)
{
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    action();
    fs::current_path(before);
}

template <typename Condition>
bool becomesTrueWithin(std::chrono::milliseconds limit, Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// The whole hand-over, for real: the script is started hidden from the
// program folder while the old program runs, waits for it to end, puts the
// downloaded build in its place, removes tempQEL and starts the new build.
TEST_F(UpdateFolder, ScriptReplacesTheProgramOnceItHasEndedAndStartsTheNewOne)
{
#ifdef _WIN32
    const fs::path helper = fs::path(testBinaryFolder) / "update_dummy.exe";
#else
    const fs::path helper = fs::path(testBinaryFolder) / "update_dummy";
#endif
    const std::string oldBuild = fileBytes(helper);
    ASSERT_FALSE(oldBuild.empty()) << helper;
    const std::string newBuild = oldBuild + "\nnew build\n"; // still runs: trailing bytes are ignored

    const fs::path installed = folder / fs::path(UpdateDownloadTarget()).filename();
    fs::copy_file(helper, installed);
    ASSERT_TRUE(platform::createFolder(UpdateTemporaryFolder()));
    platform::writeFile(UpdateDownloadTarget(), newBuild); // as the download leaves it, not executable
    platform::writeFile((fs::path(UpdateTemporaryFolder()) / "partial.tmp").string(), "leftover");
    const fs::path started = folder / "qel-update-started.txt";

    RunningDummy oldProgram(installed, folder / "release");
    ASSERT_TRUE(oldProgram.started());
#ifdef _WIN32
    WriteUpdateScript();
#else
    platform::writeFile(UpdateScriptPath(), UpdateShellText(oldProgram.pid()));
#endif
    inFolder(folder, [] { platform::StartScriptHidden(UpdateScriptPath()); });

    // While the old program runs, its file stays and nothing new starts.
    EXPECT_FALSE(becomesTrueWithin(300ms, [&] { return fs::exists(started); }));
    EXPECT_EQ(fileBytes(installed), oldBuild);
    EXPECT_TRUE(fs::exists(UpdateTemporaryFolder()));

    oldProgram.release();
    oldProgram.waitForEnd();
    ASSERT_TRUE(becomesTrueWithin(20s, [&] { return fs::exists(started); })) << "the new build was not started";
    EXPECT_EQ(fileBytes(started), "started");
    EXPECT_EQ(fileBytes(installed), newBuild);
    EXPECT_TRUE(becomesTrueWithin(5s, [&] { return !fs::exists(UpdateTemporaryFolder()); }));
    EXPECT_TRUE(fs::exists(UpdateScriptPath())); // left for the next start to delete

    // The script and the new build end on their own; let them go before cleaning up.
    becomesTrueWithin(5s, [&] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        return !fs::exists(folder);
    });
}

} // namespace
