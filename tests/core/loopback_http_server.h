#pragma once
// A minimal HTTP/1.1 server on 127.0.0.1 and an ephemeral port, run by a test
// on a thread of its own: each connection gets one canned reply and is closed.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A proxy configured on the machine must not intercept the loopback server.
void bypassProxyForLoopback();

class LoopbackHttpServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
        std::string location = {}; // sent as a Location header when not empty
        // Content-Length sent instead of the body's own size: a larger one
        // makes a body cut off by the server closing early.
        std::optional<std::size_t> announcedLength = {};
        // The connection is reset (not closed) once the body has been sent.
        bool resetAfterBody = false;
        // No Content-Length header: the body ends where the server closes.
        bool withoutLength = false;
        // A slow or silent server: the body goes out `trickleBytes` at a time,
        // `trickleGap` apart (0 bytes: nothing after the head at all), until it
        // is all sent, the client has gone or the server stops.
        std::size_t trickleBytes = 0;
        std::chrono::milliseconds trickleGap{0};
        // Sent at once, before the trickle begins.
        std::size_t burstBytes = 0;
    };
    struct Request {
        std::string target;    // as sent in the request line
        std::string path;      // target with %XX escapes decoded
        std::string userAgent;
    };

    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // What a request for `path` (decoded) gets; any other path gets a 404.
    void setReply(const std::string& path, Reply reply);
    // "http://127.0.0.1:<port>" + path, the path exactly as given.
    std::string url(const std::string& path) const;
    std::vector<Request> requests() const;

    // A loopback port that nothing listens on.
    static std::uint16_t unusedPort();

private:
    using SocketHandle = std::uintptr_t;
    void acceptLoop();
    void answer(SocketHandle client);
    void trickle(SocketHandle client, const std::string& body, const Reply& reply);

    SocketHandle listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<Request> requests_;
    std::thread thread_;
};

} // namespace testing_support
