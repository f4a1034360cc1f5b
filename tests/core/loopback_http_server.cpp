#include "loopback_http_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace testing_support {
namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
void closeSocket(NativeSocket s) { closesocket(s); }
void startSockets()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw std::runtime_error("WSAStartup failed");
}
#else
using NativeSocket = int;
void closeSocket(NativeSocket s) { close(s); }
void startSockets() {}
#endif

NativeSocket native(std::uintptr_t s) { return static_cast<NativeSocket>(s); }

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A socket bound to 127.0.0.1 on a port the system picks.
NativeSocket boundSocket(std::uint16_t& port)
{
    startSockets();
    const NativeSocket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        closeSocket(s);
        throw std::runtime_error("cannot bind a loopback socket");
    }
    port = ntohs(address.sin_port);
    return s;
}

void setReceiveTimeout(NativeSocket s, int milliseconds)
{
#ifdef _WIN32
    const DWORD value = static_cast<DWORD>(milliseconds);
#else
    const timeval value{milliseconds / 1000, (milliseconds % 1000) * 1000};
#endif
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
}

void sendAll(NativeSocket s, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

std::string percentDecoded(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1]))
            && std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string headerValue(const std::string& head, const std::string& name)
{
    const std::string key = "\r\n" + name + ":";
    const size_t at = head.find(key);
    if (at == std::string::npos)
        return {};
    size_t start = at + key.size();
    while (start < head.size() && head[start] == ' ')
        ++start;
    return head.substr(start, head.find("\r\n", start) - start);
}

const char* reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer()
{
    const NativeSocket s = boundSocket(port_);
    listener_ = static_cast<SocketHandle>(s);
    if (listen(s, 8) != 0) {
        closeSocket(s);
        throw std::runtime_error("cannot listen on a loopback socket");
    }
    thread_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    // Wake the blocking accept with a connection of our own.
    stopping_ = true;
    const NativeSocket waker = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = loopback(port_);
    connect(waker, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    thread_.join();
    closeSocket(waker);
    closeSocket(native(listener_));
}

void LoopbackHttpServer::setReply(const std::string& path, Reply reply)
{
    const std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

std::string LoopbackHttpServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    const std::lock_guard lock(mutex_);
    return requests_;
}

std::uint16_t LoopbackHttpServer::unusedPort()
{
    std::uint16_t port = 0;
    closeSocket(boundSocket(port));
    return port;
}

void LoopbackHttpServer::acceptLoop()
{
    for (;;) {
        const NativeSocket client = accept(native(listener_), nullptr, nullptr);
        if (stopping_) {
            closeSocket(client);
            return;
        }
        answer(static_cast<SocketHandle>(client));
        closeSocket(client);
    }
}

void LoopbackHttpServer::answer(SocketHandle handle)
{
    const NativeSocket client = native(handle);
    setReceiveTimeout(client, 5000);
    std::string head;
    char chunk[512];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const int n = recv(client, chunk, sizeof chunk, 0);
        if (n <= 0)
            return;
        head.append(chunk, static_cast<size_t>(n));
    }
    // "GET <target> HTTP/1.1": the target runs to the last space of the line.
    const std::string line = head.substr(0, head.find("\r\n"));
    const size_t first = line.find(' ');
    const size_t last = line.rfind(' ');
    Request request;
    if (first != std::string::npos && last > first)
        request.target = line.substr(first + 1, last - first - 1);
    request.path = percentDecoded(request.target);
    request.userAgent = headerValue(head, "User-Agent");

    Reply reply{404, "no such file here", {}};
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (const auto found = replies_.find(request.path); found != replies_.end())
            reply = found->second;
    }
    std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " " + reasonPhrase(reply.status) + "\r\n"
        + (reply.withoutLength
               ? std::string()
               : "Content-Length: " + std::to_string(reply.announcedLength.value_or(reply.body.size())) + "\r\n")
        + "Content-Type: application/octet-stream\r\n"
        + "Cache-Control: no-store\r\n"
        + "Connection: close\r\n";
    if (!reply.location.empty())
        response += "Location: " + reply.location + "\r\n";
    if (reply.trickleGap.count() > 0) {
        sendAll(client, response + "\r\n");
        trickle(handle, reply.body, reply);
        return;
    }
    response += "\r\n" + reply.body;
    sendAll(client, response);

    if (reply.resetAfterBody) {
        // Closing with a zero linger time sends a reset instead of a close.
        const linger abort{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
        return;
    }

    // Let the client read everything and close first, so no reset cuts the body.
#ifdef _WIN32
    shutdown(client, SD_SEND);
#else
    shutdown(client, SHUT_WR);
#endif
    while (recv(client, chunk, sizeof chunk, 0) > 0) {
    }
}

void LoopbackHttpServer::trickle(SocketHandle handle, const std::string& body, const Reply& reply)
{
    const NativeSocket client = native(handle);
    // Noticing a client that has gone: a read that sees the connection closed.
    setReceiveTimeout(client, 1);
    // A test that goes wrong must not keep the server (and so the test) forever.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::size_t sent = 0;
    while (sent < std::min(reply.burstBytes, body.size())) {
        const int n = send(client, body.data() + sent, static_cast<int>(std::min(reply.burstBytes, body.size()) - sent), 0);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
    char probe[64];
    while (!stopping_ && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(reply.trickleGap);
        if (recv(client, probe, sizeof probe, 0) == 0)
            return;
        if (reply.trickleBytes == 0 || sent >= body.size())
            continue;
        const std::size_t count = std::min(reply.trickleBytes, body.size() - sent);
#ifdef MSG_NOSIGNAL
        const int n = send(client, body.data() + sent, static_cast<int>(count), MSG_NOSIGNAL);
#else
        const int n = send(client, body.data() + sent, static_cast<int>(count), 0);
#endif
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
        if (sent == body.size())
            return;
    }
}

void bypassProxyForLoopback()
{
#ifdef _WIN32
    _putenv_s("no_proxy", "127.0.0.1");
#else
    setenv("no_proxy", "127.0.0.1", 1);
#endif
}

} // namespace testing_support
