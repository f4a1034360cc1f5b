#pragma once
// The body of one HTTP response, pulled piece by piece. Internal to the
// platform library; Download is its only user. One implementation per
// system: url_reader_curl.cpp, url_reader_wininet.cpp.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace platform::detail {

class UrlReader {
public:
    // A session named `agent` with the system's proxy settings. Waiting for
    // the server (connecting, sending, receiving) is given up after `silence`
    // where the system's client can only block; the URL is not yet requested.
    UrlReader(const std::string& agent, std::chrono::milliseconds silence);
    ~UrlReader();
    UrlReader(const UrlReader&) = delete;
    UrlReader& operator=(const UrlReader&) = delete;

    // Requests `url` with no extra headers. A URL that cannot be opened is not
    // an error here: it reads as an empty body. May block until the response
    // has begun (WinInet); abort() ends the wait.
    void open(const std::string& url);

    // Copies up to `capacity` bytes of the body into `buffer` and returns how
    // many. Returns 0 when the body has ended (ended() is then true: at its
    // end, on a transfer failure, after abort(), and for every read of a
    // response whose final status is not 2xx), and also when nothing came
    // within about `wait` while the transfer goes on (where the system's
    // client can wait that way; WinInet waits for data or its time-out).
    std::size_t read(char* buffer, std::size_t capacity, std::chrono::milliseconds wait);

    // Whether the body has ended, whole or not.
    bool ended() const;

    // After the body ended: whether it ended as it should, the transfer having
    // finished without error on a 2xx status (not cut off, reset, timed out
    // or aborted).
    bool completed() const;

    // The body length the final response announced (Content-Length), or -1
    // when it announced none or has not yet answered.
    long long announcedLength() const;

    // From any thread: ends the transfer, a waiting open() or read() included,
    // which then return at once. The body then reads as ended, not completed.
    void abort();

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

} // namespace platform::detail
