// UrlReader over WinInet: InternetOpenA with the preconfigured (system) proxy
// settings, InternetOpenUrlA with no headers and no flags, then
// InternetQueryDataAvailable and InternetReadFile for each piece.
#include "platform/url_reader.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace platform::detail {
namespace {

bool hasSuccessStatus(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return false;
    return status >= 200 && status <= 299;
}

// Content-Length of the response, -1 when it has none.
long long contentLength(HINTERNET request)
{
    char text[32] = {};
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return -1;
    char* end = nullptr;
    const long long length = std::strtoll(text, &end, 10);
    return end != text && length >= 0 ? length : -1;
}

} // namespace

struct UrlReader::Connection {
    // abort() may close them from another thread while a call waits on them:
    // WinInet documents closing a handle as the way to end a blocked call.
    // Whoever takes a handle out of its slot closes it.
    std::atomic<HINTERNET> session{nullptr};
    std::atomic<HINTERNET> url{nullptr};
    std::atomic<bool> aborted{false};
    bool readable = false;
    bool finished = false;
    bool failed = false; // a read failed: the body is incomplete

    static void close(std::atomic<HINTERNET>& slot)
    {
        if (HINTERNET handle = slot.exchange(nullptr))
            InternetCloseHandle(handle);
    }
    // The URL handle first, then the session.
    void closeAll()
    {
        close(url);
        close(session);
    }
    ~Connection() { closeAll(); }

    // WinInet blocks in its calls: a server that stops answering ends them
    // through these time-outs, which are the caller's longest silence. (Wine 8
    // does not apply them to a waiting InternetQueryDataAvailable, nor does
    // its InternetCloseHandle end that wait: there only the server ends it.)
    void setTimeouts(HINTERNET handle) const
    {
        for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                                   INTERNET_OPTION_RECEIVE_TIMEOUT}) {
            DWORD milliseconds = silence;
            InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
        }
    }
    DWORD silence = 0;

    void end(bool asFailure)
    {
        finished = true;
        failed = failed || asFailure;
    }
};

UrlReader::UrlReader(const std::string& agent, std::chrono::milliseconds silence)
    : connection_(std::make_unique<Connection>())
{
    Connection& c = *connection_;
    c.silence = static_cast<DWORD>(silence.count());
    c.session = InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (c.session.load())
        c.setTimeouts(c.session.load());
}

UrlReader::~UrlReader() = default;

void UrlReader::open(const std::string& address)
{
    Connection& c = *connection_;
    HINTERNET session = c.session.load();
    HINTERNET url = session ? InternetOpenUrlA(session, address.c_str(), nullptr, 0, 0, 0) : nullptr;
    if (url) {
        HINTERNET none = nullptr;
        // An abort() during the call has closed the session: this handle goes too.
        if (c.aborted || !c.url.compare_exchange_strong(none, url))
            InternetCloseHandle(url);
    }
    c.readable = c.url.load() && !c.aborted && hasSuccessStatus(c.url.load());
    if (!c.readable)
        c.end(false);
}

std::size_t UrlReader::read(char* buffer, std::size_t capacity, std::chrono::milliseconds)
{
    Connection& c = *connection_;
    if (c.finished)
        return 0;
    if (c.aborted) {
        c.end(true);
        return 0;
    }
    // Waits until some of the body is there (or its end, or the receive
    // time-out), then takes no more than that, so that a slow server's few
    // bytes come back at once instead of after a full buffer.
    DWORD available = 0;
    if (!InternetQueryDataAvailable(c.url.load(), &available, 0, 0)) {
        c.end(true);
        return 0;
    }
    if (available == 0) {
        c.end(false);
        return 0;
    }
    DWORD count = 0;
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, available));
    if (!InternetReadFile(c.url.load(), buffer, wanted, &count) || c.aborted) {
        c.end(true);
        return 0;
    }
    if (count == 0)
        c.end(false);
    return count;
}

bool UrlReader::ended() const
{
    return connection_->finished || connection_->aborted;
}

bool UrlReader::completed() const
{
    const Connection& c = *connection_;
    return c.readable && c.finished && !c.failed && !c.aborted;
}

long long UrlReader::announcedLength() const
{
    HINTERNET url = connection_->url.load();
    return url ? contentLength(url) : -1;
}

void UrlReader::abort()
{
    connection_->aborted = true;
    connection_->closeAll();
}

} // namespace platform::detail
