#pragma once
// The body of one HTTP response, pulled piece by piece. Internal to the
// platform library; DownloadFile is its only user. One implementation per
// system: url_reader_curl.cpp, url_reader_wininet.cpp.
#include <cstddef>
#include <memory>
#include <string>

namespace platform::detail {

class UrlReader {
public:
    // Opens a session named `agent` with the system's proxy settings and
    // requests `url` with no extra headers. A URL that cannot be opened is not
    // an error here: it reads as an empty body.
    UrlReader(const std::string& agent, const std::string& url);
    ~UrlReader();
    UrlReader(const UrlReader&) = delete;
    UrlReader& operator=(const UrlReader&) = delete;

    // Copies up to `capacity` bytes of the body into `buffer` and returns how
    // many; 0 at the end of the body, on a transfer failure, and for every read
    // of a response whose final status is not 2xx.
    std::size_t read(char* buffer, std::size_t capacity);

    // After a read returned 0: whether the body ended as it should, the
    // transfer having finished without error on a 2xx status (not cut off,
    // reset or timed out).
    bool completed() const;

    // The body length the final response announced (Content-Length), or -1
    // when it announced none.
    long long announcedLength() const;

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

} // namespace platform::detail
