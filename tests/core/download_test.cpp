#include "loopback_http_server.h"
#include "platform/files.h"
#include "platform/http_download.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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
    server.setReply("/unannounced", {.status = 200, .body = piece, .lengthAnnounced = false});

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
                    {.status = 200, .body = bytePattern(5000), .resetAfterBody = true, .lengthAnnounced = false});

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

} // namespace
