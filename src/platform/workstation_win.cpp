#include "platform/workstation.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>

namespace platform {
namespace {

// Winsock is started once for the whole run and never cleaned up: the
// program may look the address up again at any sign-in attempt.
void startWinsockOnce()
{
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

std::string ownHostName()
{
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), static_cast<int>(buffer.size() - 1)) != 0)
        throw NetworkError("The host name of this computer is not available (Winsock error "
                           + std::to_string(WSAGetLastError()) + ")");
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

} // namespace

std::string computerName()
{
    std::array<char, 256> buffer{};
    DWORD size = static_cast<DWORD>(buffer.size());
    GetComputerNameA(buffer.data(), &size);
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string firstIPv4OfHostName()
{
    startWinsockOnce();
    const std::string host = ownHostName();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0)
        throw NetworkError("Host name \"" + host + "\" could not be resolved: " + gai_strerrorA(rc));
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family != AF_INET)
            continue;
        const auto* sin = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        std::array<char, INET_ADDRSTRLEN> text{};
        if (inet_ntop(AF_INET, &sin->sin_addr, text.data(), text.size()))
            return text.data();
    }
    throw NetworkError("Host name \"" + host + "\" has no IPv4 address");
}

} // namespace platform
