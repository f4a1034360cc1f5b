#include "platform/host_address.h"

#include "platform/workstation.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#define QEL_GAI_ERROR gai_strerrorA
#else
#include <arpa/inet.h>
#include <netdb.h>
#define QEL_GAI_ERROR gai_strerror
#endif

#include <array>
#include <memory>

namespace platform {

std::string firstIPv4Of(const std::string& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0)
        throw NetworkError("Host name \"" + host + "\" could not be resolved: " + QEL_GAI_ERROR(rc));
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
