// UrlReader over WinInet: InternetOpenA with the preconfigured (system) proxy
// settings, InternetOpenUrlA with no headers and no flags, InternetReadFile.
#include "platform/url_reader.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>

namespace platform::detail {
namespace {

// Closes its handle with InternetCloseHandle when it goes.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle = nullptr) : handle_(handle) {}
    ~InternetHandle()
    {
        if (handle_)
            InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HINTERNET handle_;
};

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
    // Members go in reverse order: the URL handle first, then the session.
    InternetHandle session;
    InternetHandle url;
    bool readable = false;
    bool failed = false; // a read failed: the body is incomplete

    Connection(const std::string& agent, const std::string& address)
        : session(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0))
        , url(session ? InternetOpenUrlA(session.get(), address.c_str(), nullptr, 0, 0, 0) : nullptr)
        , readable(url && hasSuccessStatus(url.get()))
    {
    }
};

UrlReader::UrlReader(const std::string& agent, const std::string& url)
    : connection_(std::make_unique<Connection>(agent, url))
{
}

UrlReader::~UrlReader() = default;

std::size_t UrlReader::read(char* buffer, std::size_t capacity)
{
    if (!connection_->readable)
        return 0;
    DWORD count = 0;
    if (!InternetReadFile(connection_->url.get(), buffer, static_cast<DWORD>(capacity), &count)) {
        connection_->failed = true;
        return 0;
    }
    return count;
}

bool UrlReader::completed() const
{
    return connection_->readable && !connection_->failed;
}

long long UrlReader::announcedLength() const
{
    return connection_->url ? contentLength(connection_->url.get()) : -1;
}

} // namespace platform::detail
