#include "platform/workstation.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <memory>

namespace platform {

std::string computerName()
{
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0)
        return {};
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string firstIPv4OfHostName()
{
    const std::string host = computerName();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0)
        throw NetworkError("Host name \"" + host + "\" could not be resolved: " + gai_strerror(rc));
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
