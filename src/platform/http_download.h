#pragma once
// Fetching one URL into a file over HTTP: libcurl on POSIX, WinInet on Windows.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace platform {

namespace detail {
class UrlReader;
}

// Largest piece read from the connection at a time.
inline constexpr std::size_t kDownloadReadSize = 1024;

// When a download is given up. As stalled: no data at all for
// `longestSilence` (waiting for the server to connect or answer included),
// or, once `rateWindow` has passed, less than `slowestRate` bytes per second
// over the last `rateWindow`. As too long: a body announced longer than
// `largestBody` before a byte of it is written, one of no announced length
// once more than `largestBody` bytes came, and any download still running
// after `longestDownload`. Tests shorten them.
struct DownloadLimits {
    std::chrono::milliseconds longestSilence = std::chrono::seconds(30);
    std::chrono::milliseconds rateWindow = std::chrono::seconds(60);
    std::uint64_t slowestRate = 1024;
    std::uint64_t largestBody = std::uint64_t{256} * 1024 * 1024;
    std::chrono::milliseconds longestDownload = std::chrono::minutes(30);
};

enum class DownloadResult {
    Complete,  // the whole body is in the target
    Failed,    // unreachable, refused, cut off, or stalled
    Cancelled, // cancel() ended it
};

// Told after each piece that arrived: the bytes received so far, and the body
// length the server announced, -1 when it announced none. Called on the
// thread that runs the download.
using DownloadProgress = std::function<void(std::uint64_t received, std::int64_t total)>;

// One download of `url` into `target`, which is created or replaced once the
// URL has been opened. The body is read in pieces of at most kDownloadReadSize
// bytes and exactly what was read is written.
//
// run() may be called on a thread of its own, so that a window stays alive
// and shows the progress; cancel() may be called from any other thread.
//
// run() returns Complete only for a whole body: at least one byte came, the
// transfer ended without error, and where the response announced its length
// exactly that many bytes arrived. Failed otherwise:
// - when nothing came: the server is not reachable, the name does not
//   resolve, the body is empty, or the final response (after redirects) has a
//   status outside 2xx, whose body is never written; the empty target then
//   stays behind;
// - when the body was cut off (connection closed early or reset, fewer or
//   more bytes than announced) or the limits gave it up; what arrived stays
//   in the target.
// Cancelled when cancel() came first; what arrived stays in the target.
//
// The agent name is executableFileName(); the system's proxy settings apply
// (on POSIX the usual http_proxy / no_proxy environment variables).
// run() throws FileError when the target cannot be created or written.
class Download {
public:
    Download(std::string url, std::string target, DownloadLimits limits = {});
    ~Download();
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    DownloadResult run(const DownloadProgress& progress = {});

    // Ends a running download soon, a wait for the server included; a
    // download not yet started ends at once when it starts.
    void cancel();

private:
    class ActiveReader;
    bool tooLong(std::uint64_t received, long long announced) const;

    std::string url_;
    std::string target_;
    DownloadLimits limits_;
    std::atomic<bool> cancelled_{false};
    std::mutex readerMutex_;
    detail::UrlReader* reader_ = nullptr; // while run() reads, under readerMutex_
};

// Download(url, target).run() == DownloadResult::Complete, with the usual limits.
bool DownloadFile(const std::string& url, const std::string& target);

} // namespace platform
