#include "loopback_http_server.h"
#include "platform/files.h"
#include "platform/program_file.h"
#include "platform/shell.h"
#include "signin/self_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

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

// A program folder of its own for each test, named with an apostrophe, which
// the update script must quote.
class UpdateFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        testBinaryFolder = platform::programFolder();
        folder = fs::temp_directory_path()
            / ("qel-update-d'Arc-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-"
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

// cmd reads a batch file in the OEM code page, and a line ended by LF alone
// can make it misread a label; the home folder comes from the batch file's
// own place, never from the current folder.
TEST(UpdateBatch, EveryLineEndsInCrLfAndTheHomeIsTheBatchFilesFolder)
{
    const std::string text = UpdateBatchText();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        EXPECT_EQ(text[at - 1], '\r') << "a line ended by LF alone at " << at;
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    EXPECT_EQ(text.find("%CD%"), std::string::npos);
    EXPECT_NE(text.find("%~dp0"), std::string::npos);
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
    EXPECT_EQ(fileBytes(UpdateScriptPath()), UpdateBatchText());
#else
    EXPECT_EQ(fileBytes(UpdateScriptPath()), UpdateShellText(folder.string(), platform::currentProcessId()));
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

// The whole hand-over, for real, with the old program still running while the
// script starts: a copy of the update_dummy helper in the program folder. The
// script is started from another current folder, which has a tempQEL of its
// own that must survive.
class UpdateRun : public UpdateFolder {
protected:
    void SetUp() override
    {
        UpdateFolder::SetUp();
#ifdef _WIN32
        helper = fs::path(testBinaryFolder) / "update_dummy.exe";
#else
        helper = fs::path(testBinaryFolder) / "update_dummy";
#endif
        oldBuild = fileBytes(helper);
        ASSERT_FALSE(oldBuild.empty()) << helper;
        newBuild = oldBuild + "\nnew build\n"; // still runs: trailing bytes are ignored
        installed = folder / fs::path(UpdateDownloadTarget()).filename();
        fs::copy_file(helper, installed);
        ASSERT_TRUE(platform::createFolder(UpdateTemporaryFolder()));

        elsewhere = folder / "elsewhere";
        fs::create_directories(elsewhere / "tempQEL");
        platform::writeFile((elsewhere / "tempQEL" / "keep.txt").string(), "not the program's");
    }
    void TearDown() override
    {
        // The script and the started build end on their own; let them go first.
        becomesTrueWithin(5s, [&] {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
            return !fs::exists(folder);
        });
        UpdateFolder::TearDown();
    }

    // Starts the script from `elsewhere` while the old program runs, checks
    // that nothing happens before it ends, ends it, and waits until a program
    // has been started from the program folder.
    void runScriptAndEndTheOldProgram()
    {
        RunningDummy oldProgram(installed, folder / "release");
        ASSERT_TRUE(oldProgram.started());
#ifdef _WIN32
        WriteUpdateScript();
#else
        platform::writeFile(UpdateScriptPath(), UpdateShellText(folder.string(), oldProgram.pid()));
#endif
        inFolder(elsewhere, [] { platform::StartScriptHidden(UpdateScriptPath()); });

        EXPECT_FALSE(becomesTrueWithin(300ms, [&] { return fs::exists(started()); }))
            << "a program started while the old one still ran";
        EXPECT_TRUE(fs::exists(installed));

        oldProgram.release();
        oldProgram.waitForEnd();
        // The started program writes its own name into the marker.
        EXPECT_TRUE(becomesTrueWithin(20s, [&] { return fileBytes(started()) == installed.filename().string(); }))
            << "no program, or another one, was started: \"" << fileBytes(started()) << '"';
    }
    fs::path started() const { return folder / "qel-update-started.txt"; }
    // Names in the program folder besides the program, the script, tempQEL,
    // the marker and the other folder ("QEL 23.new", "QEL 23.old"...).
    std::string leftovers() const
    {
        std::string names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const fs::path path = entry.path();
            if (path != installed && path != started() && path != fs::path(UpdateScriptPath()) && path != elsewhere
                && path != fs::path(UpdateTemporaryFolder()) && path.filename() != "release")
                names += path.filename().string() + " ";
        }
        return names;
    }

    fs::path helper, installed, elsewhere;
    std::string oldBuild, newBuild;
};

TEST_F(UpdateRun, ReplacesTheProgramInItsOwnFolderAndStartsTheNewOne)
{
    platform::writeFile(UpdateDownloadTarget(), newBuild); // as the download leaves it, not executable
    platform::writeFile((fs::path(UpdateTemporaryFolder()) / "partial.tmp").string(), "leftover");

    runScriptAndEndTheOldProgram();
    EXPECT_EQ(fileBytes(installed), newBuild);
    EXPECT_TRUE(becomesTrueWithin(5s, [&] { return !fs::exists(UpdateTemporaryFolder()); }));
    EXPECT_TRUE(becomesTrueWithin(5s, [&] { return leftovers().empty(); })) << leftovers();
    EXPECT_TRUE(fs::exists(UpdateScriptPath())); // left for the next start to delete
    EXPECT_EQ(fileBytes(elsewhere / "tempQEL" / "keep.txt"), "not the program's");
    EXPECT_FALSE(fs::exists(elsewhere / "qel-update-started.txt"));
}

// A copy that fails (here: a folder where the download should be) leaves the
// old program in place, starts it, and keeps tempQEL for another try.
TEST_F(UpdateRun, FailedCopyKeepsAndStartsTheOldProgram)
{
    ASSERT_TRUE(platform::createFolder(UpdateDownloadTarget()));

    runScriptAndEndTheOldProgram();
    EXPECT_EQ(fileBytes(installed), oldBuild);
    EXPECT_TRUE(fs::is_directory(UpdateDownloadTarget()));
    EXPECT_TRUE(becomesTrueWithin(5s, [&] { return leftovers().empty(); })) << leftovers();
}

// An old program that does not end within the script's wait (shortened here
// to a second) stays in place and is started again; the download stays in
// tempQEL. The old program is still running when the other one starts.
TEST_F(UpdateRun, AnOldProgramThatDoesNotEndIsKeptAndStartedAgain)
{
    platform::writeFile(UpdateDownloadTarget(), newBuild);
    RunningDummy oldProgram(installed, folder / "release");
    ASSERT_TRUE(oldProgram.started());
#ifdef _WIN32
    platform::writeFile(UpdateScriptPath(), UpdateBatchText(1));
#else
    platform::writeFile(UpdateScriptPath(), UpdateShellText(folder.string(), oldProgram.pid(), 1));
#endif
    inFolder(elsewhere, [] { platform::StartScriptHidden(UpdateScriptPath()); });

    EXPECT_TRUE(becomesTrueWithin(20s, [&] { return fileBytes(started()) == installed.filename().string(); }))
        << "no program, or another one, was started: \"" << fileBytes(started()) << '"';
    EXPECT_EQ(fileBytes(installed), oldBuild);
    EXPECT_EQ(fileBytes(UpdateDownloadTarget()), newBuild);
    EXPECT_TRUE(becomesTrueWithin(5s, [&] { return leftovers().empty(); })) << leftovers();
    oldProgram.release();
}

// An old program that ends halfway through the script's wait (three seconds
// here) is replaced: the script waits the whole time it is given.
TEST_F(UpdateRun, AnOldProgramEndingWithinTheWaitIsReplaced)
{
    platform::writeFile(UpdateDownloadTarget(), newBuild);
    RunningDummy oldProgram(installed, folder / "release");
    ASSERT_TRUE(oldProgram.started());
#ifdef _WIN32
    platform::writeFile(UpdateScriptPath(), UpdateBatchText(3));
#else
    platform::writeFile(UpdateScriptPath(), UpdateShellText(folder.string(), oldProgram.pid(), 3));
#endif
    inFolder(elsewhere, [] { platform::StartScriptHidden(UpdateScriptPath()); });

    EXPECT_FALSE(becomesTrueWithin(1500ms, [&] { return fs::exists(started()); }))
        << "a program started while the old one still ran";
    oldProgram.release();
    oldProgram.waitForEnd();
    EXPECT_TRUE(becomesTrueWithin(20s, [&] { return fileBytes(started()) == installed.filename().string(); }))
        << "no program, or another one, was started: \"" << fileBytes(started()) << '"';
    EXPECT_TRUE(fileBytes(installed) == newBuild) << "the old build is still in place";
    EXPECT_TRUE(becomesTrueWithin(5s, [&] { return !fs::exists(UpdateTemporaryFolder()); }));
}

// The download check: only a whole body that is a program for this system
// counts; anything else is the "server unreachable" case.
class UpdateDownload : public UpdateFolder {
protected:
    static void SetUpTestSuite()
    {
        testing_support::bypassProxyForLoopback();
    }
    std::string smallProgram() const
    {
#ifdef _WIN32
        return fileBytes(fs::path(testBinaryFolder) / "update_dummy.exe");
#else
        return fileBytes(fs::path(testBinaryFolder) / "update_dummy");
#endif
    }
    testing_support::LoopbackHttpServer server;
};

TEST_F(UpdateDownload, AValidSmallProgramIsAccepted)
{
    const std::string program = smallProgram();
    ASSERT_GE(program.size(), platform::kSmallestProgramSize);
    server.setReply("/qelprogs/QEL 23.exe", {200, program, {}});
    EXPECT_TRUE(DownloadUpdate(server.url("/qelprogs/QEL 23.exe")));
    EXPECT_EQ(fileBytes(UpdateDownloadTarget()), program);
}

TEST_F(UpdateDownload, BodiesThatAreNoProgramAreRefused)
{
    const std::string program = smallProgram();
    const std::string portalPage = "<html><body>" + std::string(40000, 'x') + "</body></html>";
    std::string wrongKind = program; // a program's header, but a library's or another system's
#ifdef _WIN32
    wrongKind[0] = '\x7F';
    wrongKind.replace(1, 3, "ELF");
#else
    wrongKind[16] = '\x01'; // a relocatable object, not an executable
    wrongKind[17] = '\x00';
#endif
    struct Case {
        const char* what;
        std::string body;
    };
    std::vector<Case> cases = {
        {"tiny file", "tiny file"},
        {"portal page", portalPage},
        {"program's first bytes only", program.substr(0, 4096)},
        {"wrong kind of executable", wrongKind},
    };
#ifndef _WIN32
    std::string otherProcessor = program; // bytes 18-19: x86-64 (62) becomes AArch64 (183), or the other way
    otherProcessor[18] = otherProcessor[18] == '\x3E' ? '\xB7' : '\x3E';
    otherProcessor[19] = '\x00';
    cases.push_back({"program for another processor", otherProcessor});
#endif
    for (const auto& c : cases) {
        server.setReply("/qelprogs/QEL 23.exe", {200, c.body, {}});
        EXPECT_FALSE(DownloadUpdate(server.url("/qelprogs/QEL 23.exe"))) << c.what;
    }
}

TEST_F(UpdateDownload, AProgramCutOffMidwayIsRefused)
{
    const std::string program = smallProgram();
    server.setReply("/short", {200, program.substr(0, program.size() - 1000), {}, program.size()});
    server.setReply("/reset", {200, program.substr(0, program.size() / 2), {}, program.size(), true});
    EXPECT_FALSE(DownloadUpdate(server.url("/short")));
    EXPECT_FALSE(DownloadUpdate(server.url("/reset")));
}

// Without a Content-Length a clean close looks like the end of the body:
// only the file's own structure tells that half of a program came. A refused
// download does not stay in tempQEL.
TEST_F(UpdateDownload, HalfAProgramWithoutALengthIsRefusedAndRemoved)
{
    const std::string program = smallProgram();
    testing_support::LoopbackHttpServer::Reply half{200, program.substr(0, program.size() / 2), {}};
    half.withoutLength = true;
    server.setReply("/half", half);

    EXPECT_EQ(::UpdateDownload(server.url("/half")).run(), UpdateDownloadResult::Unavailable);
    EXPECT_FALSE(fs::exists(UpdateDownloadTarget()));

    testing_support::LoopbackHttpServer::Reply whole{200, program, {}};
    whole.withoutLength = true;
    server.setReply("/whole", whole);
    EXPECT_EQ(::UpdateDownload(server.url("/whole")).run(), UpdateDownloadResult::Ready);
    EXPECT_EQ(fileBytes(UpdateDownloadTarget()), program);
}

TEST_F(UpdateDownload, EveryRefusalLeavesNothingInTempQel)
{
    using namespace std::chrono_literals;
    server.setReply("/portal", {200, "<html>" + std::string(40000, 'x') + "</html>", {}});
    server.setReply("/missing", {404, "not here", {}});
    testing_support::LoopbackHttpServer::Reply trickling{200, smallProgram(), {}};
    trickling.trickleBytes = 2;
    trickling.trickleGap = 20ms;
    server.setReply("/trickle", trickling);
    const platform::DownloadLimits shortLimits{300ms, 400ms, 1024};

    EXPECT_EQ(::UpdateDownload(server.url("/portal")).run(), UpdateDownloadResult::Unavailable);
    EXPECT_FALSE(fs::exists(UpdateDownloadTarget())) << "portal page";
    EXPECT_EQ(::UpdateDownload(server.url("/missing")).run(), UpdateDownloadResult::Unavailable);
    EXPECT_FALSE(fs::exists(UpdateDownloadTarget())) << "missing file";
    EXPECT_EQ(::UpdateDownload(server.url("/trickle"), shortLimits).run(), UpdateDownloadResult::Unavailable);
    EXPECT_FALSE(fs::exists(UpdateDownloadTarget())) << "stalled";

    ::UpdateDownload cancelled(server.url("/trickle"));
    EXPECT_EQ(cancelled.run([&](std::uint64_t, std::int64_t) { cancelled.cancel(); }), UpdateDownloadResult::Cancelled);
    EXPECT_FALSE(fs::exists(UpdateDownloadTarget())) << "cancelled";
}

} // namespace
