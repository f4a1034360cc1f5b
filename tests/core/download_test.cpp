#include "loopback_http_server.h"
#include "platform/files.h"
#include "platform/http_download.h"
#include "signin/self_update.h"
#include "small_disk.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::LoopbackHttpServer;

std::string bytePattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) % 256); // zero and 8-bit bytes included
    return bytes;
}

std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DownloadFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing_support::bypassProxyForLoopback();
    }
    void SetUp() override
    {
        folder = fs::temp_directory_path()
            / ("qel-download-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        target = (folder / "QEL 23.exe").string();
        // Whatever the old file held must not survive a download.
        platform::writeFile(target, "an older, longer file standing in the way");
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    std::string target;
    LoopbackHttpServer server;
};

TEST_F(DownloadFileTest, BodyOfExactlyOneReadArrivesWholeFromThePathWithASpace)
{
    const std::string body = bytePattern(platform::kDownloadReadSize);
    server.setReply("/qelprogs/QEL 23.exe", {200, body, {}});

    EXPECT_TRUE(platform::DownloadFile(server.url("/qelprogs/QEL 23.exe"), target));
    EXPECT_EQ(fileBytes(target), body);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/qelprogs/QEL 23.exe");
    EXPECT_EQ(requests[0].target.find(' '), std::string::npos) << requests[0].target;
    EXPECT_EQ(requests[0].userAgent, platform::executableFileName());
}

TEST_F(DownloadFileTest, LargerBodyArrivesWholeOverSeveralReads)
{
    const std::string body = bytePattern(5000);
    server.setReply("/big", {200, body, {}});

    EXPECT_TRUE(platform::DownloadFile(server.url("/big"), target));
    EXPECT_EQ(fileBytes(target), body);
}

TEST_F(DownloadFileTest, RedirectIsFollowedToTheBody)
{
    server.setReply("/old", {302, "moved", server.url("/new")});
    server.setReply("/new", {200, "new build", {}});

    EXPECT_TRUE(platform::DownloadFile(server.url("/old"), target));
    EXPECT_EQ(fileBytes(target), "new build");
}

TEST_F(DownloadFileTest, EmptyBodyFailsAndLeavesAnEmptyTarget)
{
    server.setReply("/empty", {200, "", {}});

    EXPECT_FALSE(platform::DownloadFile(server.url("/empty"), target));
    ASSERT_TRUE(fs::exists(target));
    EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(DownloadFileTest, ErrorStatusIsTreatedLikeAnUnreachableServer)
{
    server.setReply("/missing", {404, "<html>Not Found</html>", {}});
    server.setReply("/broken", {500, "<html>Internal Server Error</html>", {}});
    server.setReply("/moved-away", {302, "moved", server.url("/missing")});

    for (const char* path : {"/missing", "/broken", "/moved-away"}) {
        EXPECT_FALSE(platform::DownloadFile(server.url(path), target)) << path;
        ASSERT_TRUE(fs::exists(target)) << path;
        EXPECT_EQ(fs::file_size(target), 0u) << path;
    }
}

// A body that stops short of the length its response announced, whether the
// server closes the connection or resets it, is no download. Without an
// announced length a body ends with the connection: closed, it is whole.
TEST_F(DownloadFileTest, BodyCutOffBeforeItsEndFails)
{
    const std::string piece = bytePattern(5000);
    server.setReply("/closed-early", {200, piece, {}, 100000});
    server.setReply("/reset", {200, piece, {}, 100000, true});
    server.setReply("/unannounced", {.status = 200, .body = piece, .withoutLength = true});

    EXPECT_FALSE(platform::DownloadFile(server.url("/closed-early"), target));
    EXPECT_FALSE(platform::DownloadFile(server.url("/reset"), target));
    EXPECT_TRUE(platform::DownloadFile(server.url("/unannounced"), target));
    EXPECT_EQ(fileBytes(target), piece);
}

// Without an announced length, a connection reset after the body means the
// body was cut off.
TEST_F(DownloadFileTest, BodyOfUnannouncedLengthEndedByAResetFails)
{
    server.setReply("/unannounced-reset",
                    {.status = 200, .body = bytePattern(5000), .resetAfterBody = true, .withoutLength = true});

    EXPECT_FALSE(platform::DownloadFile(server.url("/unannounced-reset"), target));
}

TEST_F(DownloadFileTest, NothingListeningFailsAndLeavesAnEmptyTarget)
{
    const std::string url = "http://127.0.0.1:" + std::to_string(LoopbackHttpServer::unusedPort()) + "/qelprogs/QEL 23.exe";

    EXPECT_FALSE(platform::DownloadFile(url, target));
    ASSERT_TRUE(fs::exists(target));
    EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(DownloadFileTest, TargetInAMissingFolderIsAFileError)
{
    server.setReply("/file", {200, "body", {}});
    const std::string unreachable = (folder / "no-such-folder" / "QEL 23.exe").string();

    try {
        platform::DownloadFile(server.url("/file"), unreachable);
        FAIL() << "no FileError";
    } catch (const platform::FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + unreachable + "\"");
    }
}

// ---- stalled downloads, progress and cancelling ----
// The limits are shortened through DownloadLimits; nothing here measures time.

// Wine's WinInet neither times out nor lets InternetCloseHandle end a wait
// for data that never comes; only the server's close would end it there.
bool waitsForASilentServerRegardless()
{
#ifdef _WIN32
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

platform::DownloadLimits shortLimits()
{
    using namespace std::chrono_literals;
    return {300ms, 400ms, 1024};
}

TEST_F(DownloadFileTest, ATricklingServerIsGivenUpAsStalled)
{
    using namespace std::chrono_literals;
    LoopbackHttpServer::Reply trickling{200, bytePattern(100000), {}};
    trickling.trickleBytes = 2;
    trickling.trickleGap = 20ms; // about 100 bytes a second, never silent for long
    server.setReply("/trickle", trickling);

    EXPECT_EQ(platform::Download(server.url("/trickle"), target, shortLimits()).run(), platform::DownloadResult::Failed);
    EXPECT_LT(fs::file_size(target), 100000u);
}

// The rate is counted over the last window, not since the start: a fast start
// does not carry a trickle after it.
TEST_F(DownloadFileTest, ABurstThenATrickleIsGivenUpOverTheLastWindow)
{
    using namespace std::chrono_literals;
    LoopbackHttpServer::Reply burst{200, bytePattern(120000), {}};
    burst.burstBytes = 20000;
    burst.trickleBytes = 2;
    burst.trickleGap = 20ms; // then about 100 bytes a second
    server.setReply("/burst", burst);

    EXPECT_EQ(platform::Download(server.url("/burst"), target, shortLimits()).run(), platform::DownloadResult::Failed);
    // Counted since the start, the burst would pass for a fast download for some 20 s more.
    EXPECT_LT(fs::file_size(target), 21000u);
}

// A body announced longer than the size limit is refused before a byte of it
// is written, one of no announced length is given up once it passes the
// limit, and a download that goes on steadily ends at the whole time's bound.
TEST_F(DownloadFileTest, ABodyTooLongOrADownloadTooLongIsGivenUp)
{
    using namespace std::chrono_literals;
    platform::DownloadLimits limits;
    limits.largestBody = 50000;
    server.setReply("/huge", {200, bytePattern(5000), {}, std::size_t{10737418240}});
    EXPECT_EQ(platform::Download(server.url("/huge"), target, limits).run(), platform::DownloadResult::Failed);
    EXPECT_EQ(fs::file_size(target), 0u);

    server.setReply("/endless", {.status = 200, .body = bytePattern(200000), .withoutLength = true});
    EXPECT_EQ(platform::Download(server.url("/endless"), target, limits).run(), platform::DownloadResult::Failed);
    EXPECT_LE(fs::file_size(target), 50000u);

    server.setReply("/at-limit", {200, bytePattern(50000), {}});
    EXPECT_EQ(platform::Download(server.url("/at-limit"), target, limits).run(), platform::DownloadResult::Complete);

    LoopbackHttpServer::Reply steady{200, bytePattern(100000), {}};
    steady.trickleBytes = 512;
    steady.trickleGap = 20ms; // 25 KB/s, never slow: 4 s in all
    server.setReply("/steady", steady);
    limits = shortLimits();
    limits.longestDownload = 600ms;
    EXPECT_EQ(platform::Download(server.url("/steady"), target, limits).run(), platform::DownloadResult::Failed);
    EXPECT_LT(fs::file_size(target), 100000u);
}

// A disk that fills during the update's download: the file error is thrown
// and no part of the download stays in tempQEL.
TEST_F(DownloadFileTest, AFullDiskDuringTheUpdateLeavesNoPartOfItBehind)
{
    const testing_support::SmallDisk disk("update");
    if (!disk.skipReason().empty())
        GTEST_SKIP() << disk.skipReason();
    server.setReply("/qelprogs/QEL 23.exe", {200, bytePattern(200000), {}});
    platform::overrideProgramFolder(disk.folder().string());
    const std::string partial = UpdateDownloadTarget();
    EXPECT_THROW(UpdateDownload(server.url("/qelprogs/QEL 23.exe")).run(), platform::FileError);
    platform::overrideProgramFolder({});
    EXPECT_FALSE(fs::exists(partial));
}

TEST_F(DownloadFileTest, AServerThatFallsSilentIsGivenUp)
{
    using namespace std::chrono_literals;
    if (waitsForASilentServerRegardless())
        GTEST_SKIP() << "Wine's WinInet ignores the receive time-out while waiting for data";
    LoopbackHttpServer::Reply silent{200, bytePattern(5000), {}};
    silent.trickleGap = 20ms; // the head, then nothing
    server.setReply("/silent", silent);

    EXPECT_EQ(platform::Download(server.url("/silent"), target, shortLimits()).run(), platform::DownloadResult::Failed);
}

// The same limits leave a healthy download alone, and it reports its progress
// with the announced total, on the thread that runs it.
TEST_F(DownloadFileTest, ProgressCountsEveryByteAgainstTheAnnouncedTotal)
{
    const std::string body = bytePattern(5000);
    server.setReply("/big", {200, body, {}});
    std::vector<std::pair<std::uint64_t, std::int64_t>> reports;

    platform::Download download(server.url("/big"), target, shortLimits());
    EXPECT_EQ(download.run([&](std::uint64_t received, std::int64_t total) { reports.emplace_back(received, total); }),
              platform::DownloadResult::Complete);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), std::make_pair(std::uint64_t{5000}, std::int64_t{5000}));
    for (size_t i = 1; i < reports.size(); ++i)
        EXPECT_LT(reports[i - 1].first, reports[i].first);
}

TEST_F(DownloadFileTest, ProgressWithoutAnnouncedLengthHasNoTotal)
{
    LoopbackHttpServer::Reply unannounced{200, bytePattern(3000), {}};
    unannounced.withoutLength = true;
    server.setReply("/unannounced", unannounced);
    std::int64_t lastTotal = 0;

    EXPECT_TRUE(platform::Download(server.url("/unannounced"), target).run([&](std::uint64_t, std::int64_t total) {
        lastTotal = total;
    }) == platform::DownloadResult::Complete);
    EXPECT_EQ(lastTotal, -1);
    EXPECT_EQ(fileBytes(target), bytePattern(3000));
}

TEST_F(DownloadFileTest, CancelFromTheProgressEndsTheDownload)
{
    using namespace std::chrono_literals;
    LoopbackHttpServer::Reply trickling{200, bytePattern(100000), {}};
    trickling.trickleBytes = 512;
    trickling.trickleGap = 20ms;
    server.setReply("/slow", trickling);

    platform::Download download(server.url("/slow"), target);
    EXPECT_EQ(download.run([&](std::uint64_t, std::int64_t) { download.cancel(); }),
              platform::DownloadResult::Cancelled);
}

// Cancel from another thread while the download waits for a server that
// sends nothing: the wait ends at once (WinInet documents closing the handle
// as the way to end a blocked call) and the download counts as cancelled.
TEST_F(DownloadFileTest, CancelFromAnotherThreadEndsAWaitForTheServer)
{
    using namespace std::chrono_literals;
    if (waitsForASilentServerRegardless())
        GTEST_SKIP() << "Wine's InternetCloseHandle does not end a wait for data";
    LoopbackHttpServer::Reply silent{200, bytePattern(5000), {}};
    silent.trickleGap = 20ms;
    server.setReply("/silent", silent);

    platform::Download download(server.url("/silent"), target);
    std::atomic<platform::DownloadResult> result{platform::DownloadResult::Complete};
    std::thread worker([&] { result = download.run(); });
    while (server.requests().empty())
        std::this_thread::sleep_for(10ms);
    download.cancel();
    worker.join();
    EXPECT_EQ(result.load(), platform::DownloadResult::Cancelled);
}

TEST_F(DownloadFileTest, CancelBeforeTheStartAsksNothing)
{
    server.setReply("/file", {200, "body", {}});
    platform::Download download(server.url("/file"), target);
    download.cancel();
    EXPECT_EQ(download.run(), platform::DownloadResult::Cancelled);
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
